// One 10 ms tick of the picker's eyedropper (sample, boxes, slider, markers)
// and of its magnifier (grab and enlarge into the view), over a desktop held
// in memory; on an X server (QT_QPA_PLATFORM=xcb) also over the real screen.
#include "frmcolorpicker.h"
#include "screensource.h"

#include <QApplication>
#include <QComboBox>
#include <QTimer>

#include "benchsupport.h"

#include <memory>

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

void tick(benchmark::State &state, bool real, bool magnifier)
{
    SilentMessages messages;
    std::unique_ptr<ScreenSource> source;
    if (real)
        source = std::make_unique<DesktopScreenSource>();
    else
        source = std::make_unique<ScriptedScreen>();
    frmColorPicker picker(Platform::Services{ &messages, nullptr, nullptr }, nullptr, source.get());
    picker.show();
    picker.cboPercent->setCurrentIndex(int(state.range(0)));
    magnifier ? picker.imgMagnifier_MouseDown(1, 0, 0, 0) : picker.imgEyedropper_MouseDown(1, 0, 0, 0);
    // The loop ticks instead of the timers.
    picker.Timer1->stop();
    picker.tmrScreenColor->stop();
    for (auto _ : state)
        magnifier ? picker.Timer1_Timer() : picker.tmrScreenColor_Timer();
    state.SetLabel(magnifier ? picker.cboPercent->currentText().toStdString() : std::string());
    magnifier ? picker.imgMagnifier_MouseUp(1, 0, 0, 0) : picker.imgEyedropper_MouseUp(1, 0, 0, 0);
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    for (bool real : { false, true }) {
        if (real && QGuiApplication::platformName() != QLatin1String("xcb"))
            continue;
        const std::string suffix = real ? "/realScreen" : "/scripted";
        benchmark::RegisterBenchmark(("eyedropperTick" + suffix).c_str(),
                                     [real](benchmark::State &s) { tick(s, real, false); })
                ->Arg(1)->Unit(benchmark::kMicrosecond);
        // Index 0 is 100% (the widest grab), index 9 is 1600%.
        benchmark::RegisterBenchmark(("magnifierTick" + suffix).c_str(),
                                     [real](benchmark::State &s) { tick(s, real, true); })
                ->Arg(0)->Arg(9)->ArgName("zoomIndex")->Unit(benchmark::kMicrosecond);
    }
    return runBenchmarks(argc, argv);
}
