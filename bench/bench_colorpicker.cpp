// Painting the colour picker's field in each of its six modes and its
// slider, and whole drag steps through the window's handlers: each runs on
// every pointer move, so each must stay far below a frame.
#include "fieldpainter.h"
#include "frmcolorpicker.h"

#include <QApplication>
#include <QRadioButton>

#include "benchsupport.h"

#include <benchmark/benchmark.h>

using namespace FieldPainter;

static void paintField(benchmark::State &state)
{
    const int mode = int(state.range(0));
    QImage field = newField();
    int step = 0;
    for (auto _ : state) {
        // A different value each time, as a drag gives.
        const int v = (step++ * 37) & 255;
        switch (mode) {
        case 0: Bigbox3D(field, v * 6); break;
        case 1: RainBowBigbox(field, false, true, v, 0); break;
        case 2: RainBowBigbox(field, true, false, 0, v); break;
        case 3: opt3RedPaintPicBigBox(field, v); break;
        case 4: opt4GreenPaintPicBigBox(field, v); break;
        case 5: opt5BluePaintPicBigBox(field, v); break;
        }
        benchmark::DoNotOptimize(field.constBits());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(paintField)->DenseRange(0, 5)->ArgName("mode")->Unit(benchmark::kMicrosecond);

static void paintSlider(benchmark::State &state)
{
    const int mode = int(state.range(0));
    QImage slider = newSlider();
    int step = 0;
    for (auto _ : state) {
        const int v = (step++ * 37) & 255;
        switch (mode) {
        case 0: RainBowThinBox(slider); break;
        case 1: FadeThinBoxToGrey(slider, v * 6, 255); break;
        case 2:
            fill(slider, ColorModel::rgbValue(v, 255, 0));
            FadeThinBoxToBlack(slider);
            break;
        case 3: opt3RedPaintPicThinBox(slider, v, 255 - v); break;
        case 4: opt4GreenPaintPicThinBox(slider, v, 255 - v); break;
        case 5: opt5BluePaintPicThinBox(slider, v, 255 - v); break;
        }
        benchmark::DoNotOptimize(slider.constBits());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(paintSlider)->DenseRange(0, 5)->ArgName("mode")->Unit(benchmark::kMicrosecond);

namespace {

// A shown picker in the given mode with a drag started in the field.
std::unique_ptr<frmColorPicker> pickerInMode(int mode, SilentMessages &messages)
{
    auto picker = std::make_unique<frmColorPicker>(Platform::Services{ &messages, nullptr, nullptr });
    picker->show();
    picker->objOption[mode]->setChecked(true);
    return picker;
}

} // namespace

// One pointer move in the field: colour state, boxes, clipboard, and the
// slider or field image the mode repaints.
static void fieldDragStep(benchmark::State &state)
{
    SilentMessages messages;
    auto picker = pickerInMode(int(state.range(0)), messages);
    picker->picBigBox_MouseDown(1, 0, 128, 128);
    int step = 0;
    for (auto _ : state) {
        const double x = (step * 37) % 256;
        const double y = (step * 53) % 256;
        ++step;
        picker->picBigBox_MouseMove(1, 0, x, y);
    }
    picker->picBigBox_MouseUp(1, 0, 128, 128);
}
BENCHMARK(fieldDragStep)->DenseRange(0, 5)->ArgName("mode")->Unit(benchmark::kMicrosecond);

// One slider move followed by the field repaint its timer tick brings.
static void sliderDragTick(benchmark::State &state)
{
    SilentMessages messages;
    auto picker = pickerInMode(int(state.range(0)), messages);
    picker->picThinBox_MouseDown(1, 0, 5, 100);
    int step = 0;
    for (auto _ : state) {
        picker->picThinBox_MouseMove(1, 0, 5, (step++ * 37) % 256);
        picker->tmrThinBox_Timer();
    }
    picker->picThinBox_MouseUp(1, 0, 5, 100);
}
BENCHMARK(sliderDragTick)->DenseRange(0, 5)->ArgName("mode")->Unit(benchmark::kMicrosecond);

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    return runBenchmarks(argc, argv);
}
