// The colour picker's field and slider painters in each mode, a drag step
// through the window's handlers, and one 10 ms tick of each screen tool over
// a desktop in memory: each runs on every pointer move or tick.
#include "fieldpainter.h"
#include "frmcolorpicker.h"
#include "frmmain.h"
#include "paletteediting.h"
#include "paletteedits.h"
#include "screensource.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QTimer>

#include "benchsupport.h"

using namespace FieldPainter;

static void paintField(benchmark::State &state)
{
    QImage field = newField();
    QImage slider = newSlider();
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
        // The sliders: rainbow, fade to grey, fade to black, a channel.
        case 6: RainBowThinBox(slider); break;
        case 7: FadeThinBoxToGrey(slider, v * 6, 255); break;
        case 8: fill(slider, ColorModel::rgbValue(v, 255, 0)); FadeThinBoxToBlack(slider); break;
        default: opt3RedPaintPicThinBox(slider, v, 255 - v); break;
        }
        benchmark::DoNotOptimize(field.constBits());
        benchmark::DoNotOptimize(slider.constBits());
    }
}
BENCHMARK(paintField)->DenseRange(0, 9)->ArgName("mode")->Unit(benchmark::kMicrosecond);

namespace {

// A desktop in memory; the pointer walks over it.
class ScriptedScreen final : public ScreenSource
{
public:
    QPoint cursorPosition() override
    {
        ++m_step;
        return { (m_step * 37) % 1280, (m_step * 53) % 1024 };
    }
    QRgb pixel(QPoint p) override { return m_desktop.pixel(p); }
    QImage grab(const QRect &rect) override { return m_desktop.copy(rect); }
    QRect screenGeometry(QPoint) override { return m_desktop.rect(); }

private:
    QImage m_desktop = QImage(1280, 1024, QImage::Format_RGB32);
    int m_step = 0;
};

} // namespace

// Step 0: a pointer move in the field; 1: a slider move with the field
// repaint its timer tick brings; 2: an eyedropper tick; 3: a magnifier tick
// at 100% (the widest grab). Colour state, boxes, clipboard and pictures.
static void windowStep(benchmark::State &state)
{
    SilentMessages messages;
    ScriptedScreen screen;
    frmColorPicker picker(Platform::Services{ &messages, nullptr, nullptr }, nullptr, &screen);
    picker.show();
    picker.objOption[state.range(1)]->setChecked(true);
    picker.cboPercent->setCurrentIndex(0);
    const int kind = int(state.range(0));
    switch (kind) {
    case 0: picker.picBigBox_MouseDown(1, 0, 128, 128); break;
    case 1: picker.picThinBox_MouseDown(1, 0, 5, 100); break;
    case 2: picker.imgEyedropper_MouseDown(1, 0, 0, 0); break;
    default: picker.imgMagnifier_MouseDown(1, 0, 0, 0); break;
    }
    // The loop ticks instead of the timers.
    picker.tmrScreenColor->stop();
    picker.Timer1->stop();
    int step = 0;
    for (auto _ : state) {
        ++step;
        switch (kind) {
        case 0: picker.picBigBox_MouseMove(1, 0, (step * 37) % 256, (step * 53) % 256); break;
        case 1: picker.picThinBox_MouseMove(1, 0, 5, (step * 37) % 256); picker.tmrThinBox_Timer(); break;
        case 2: picker.tmrScreenColor_Timer(); break;
        default: picker.Timer1_Timer(); break;
        }
    }
}
BENCHMARK(windowStep)->ArgsProduct({ { 0, 1 }, benchmark::CreateDenseRange(0, 5, 1) })
        ->Args({ 2, 0 })->Args({ 3, 0 })->ArgNames({ "step", "mode" })->Unit(benchmark::kMicrosecond);

// A field drag step with Auto Paste's receiver connected, as the main window
// connects it: from the pointer's move to the colour word in the receiver's
// hands, in each mode. "words" counts the words received per step.
static void autoPasteDragStep(benchmark::State &state)
{
    SilentMessages messages;
    ScriptedScreen screen;
    frmColorPicker picker(Platform::Services{ &messages, nullptr, nullptr }, nullptr, &screen);
    picker.show();
    picker.mnuAutoPaste->setChecked(true);
    picker.objOption[state.range(0)]->setChecked(true);
    qint64 received = 0;
    quint16 last = 0;
    QObject::connect(&picker, &frmColorPicker::autoPasteColor, [&](quint16 word) {
        ++received;
        last = word;
    });
    picker.picBigBox_MouseDown(1, 0, 128, 128);
    int step = 0;
    for (auto _ : state) {
        ++step;
        picker.picBigBox_MouseMove(1, 0, (step * 37) % 256, (step * 53) % 256);
        benchmark::DoNotOptimize(last);
    }
    picker.picBigBox_MouseUp(1, 0, 0, 0);
    state.counters["words"] = benchmark::Counter(double(received), benchmark::Counter::kAvgIterations);
}
BENCHMARK(autoPasteDragStep)->DenseRange(0, 5)->ArgName("mode")->Unit(benchmark::kMicrosecond);

// The same drag step with a real main window at the other end: from the
// pointer's move to the new text of the palette box Auto Paste feeds, with
// the swatch, tooltip and undo bookkeeping that follow each change.
static void autoPasteIntoMainWindow(benchmark::State &state)
{
    SilentMessages messages;
    frmMain window(Platform::Services{ &messages, nullptr, nullptr });
    window.show();
    window.editing()->openPickerOn(5);
    frmColorPicker *picker = window.colorPickerWindow();
    if (!picker || !picker->mnuAutoPaste->isChecked()) {
        state.SkipWithError("no picker with Auto Paste");
        return;
    }
    quint16 last = 0;
    QObject::connect(picker, &frmColorPicker::autoPasteColor, [&](quint16 word) { last = word; });
    picker->picBigBox_MouseDown(1, 0, 128, 128);
    int step = 0;
    for (auto _ : state) {
        ++step;
        picker->picBigBox_MouseMove(1, 0, (step * 37) % 256, (step * 53) % 256);
        benchmark::DoNotOptimize(window.txtChgPal[5]->text().constData());
    }
    picker->picBigBox_MouseUp(1, 0, 0, 0);
    if (window.txtChgPal[5]->text() != PaletteEdits::textOf(last))
        state.SkipWithError("the box does not hold the picker's last colour");
    picker->close();
}
BENCHMARK(autoPasteIntoMainWindow)->Unit(benchmark::kMicrosecond);

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    return runBenchmarks(argc, argv);
}
