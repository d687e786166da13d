// The colour picker's field and slider painters in each mode, and whole drag
// steps through the window's handlers: each runs on every pointer move.
#include "fieldpainter.h"
#include "frmcolorpicker.h"

#include <QApplication>
#include <QRadioButton>

#include "benchsupport.h"

using namespace FieldPainter;

static void paintField(benchmark::State &state)
{
    QImage field = newField();
    int v = 0;
    for (auto _ : state) {
        v = (v + 37) & 255; // a different value each time, as a drag gives
        switch (state.range(0)) {
        case 0: Bigbox3D(field, v * 6); break;
        case 1: RainBowBigbox(field, false, true, v, 0); break;
        case 2: RainBowBigbox(field, true, false, 0, v); break;
        case 3: opt3RedPaintPicBigBox(field, v); break;
        case 4: opt4GreenPaintPicBigBox(field, v); break;
        case 5: opt5BluePaintPicBigBox(field, v); break;
        }
        benchmark::DoNotOptimize(field.constBits());
    }
}
BENCHMARK(paintField)->DenseRange(0, 5)->ArgName("mode")->Unit(benchmark::kMicrosecond);

static void paintSlider(benchmark::State &state)
{
    QImage slider = newSlider();
    int v = 0;
    for (auto _ : state) {
        v = (v + 37) & 255;
        switch (state.range(0)) {
        case 0: RainBowThinBox(slider); break;
        case 1: FadeThinBoxToGrey(slider, v * 6, 255); break;
        case 2: fill(slider, ColorModel::rgbValue(v, 255, 0)); FadeThinBoxToBlack(slider); break;
        default: opt3RedPaintPicThinBox(slider, v, 255 - v); break;
        }
        benchmark::DoNotOptimize(slider.constBits());
    }
}
BENCHMARK(paintSlider)->DenseRange(0, 3)->ArgName("mode")->Unit(benchmark::kMicrosecond);

// One pointer move in the field, or one slider move with the field repaint
// its timer tick brings: colour state, boxes, clipboard and pictures.
static void dragStep(benchmark::State &state)
{
    SilentMessages messages;
    frmColorPicker picker(Platform::Services{ &messages, nullptr, nullptr });
    picker.show();
    picker.objOption[state.range(1)]->setChecked(true);
    const bool field = state.range(0) == 0;
    field ? picker.picBigBox_MouseDown(1, 0, 128, 128) : picker.picThinBox_MouseDown(1, 0, 5, 100);
    int step = 0;
    for (auto _ : state) {
        ++step;
        if (field) {
            picker.picBigBox_MouseMove(1, 0, (step * 37) % 256, (step * 53) % 256);
        } else {
            picker.picThinBox_MouseMove(1, 0, 5, (step * 37) % 256);
            picker.tmrThinBox_Timer();
        }
    }
}
BENCHMARK(dragStep)->ArgsProduct({ { 0, 1 }, benchmark::CreateDenseRange(0, 5, 1) })
        ->ArgNames({ "slider", "mode" })->Unit(benchmark::kMicrosecond);

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    return runBenchmarks(argc, argv);
}
