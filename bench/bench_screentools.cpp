// The picker's screen tools: one 10 ms tick of the eyedropper (sample, boxes,
// slider, markers) and of the magnifier (grab and enlarge into the view).
// With a scripted desktop the window's own work is measured; on an X server
// (QT_QPA_PLATFORM=xcb) the same ticks also run against the real screen.
#include "frmcolorpicker.h"
#include "screensource.h"

#include <QApplication>
#include <QComboBox>
#include <QTimer>

#include "benchsupport.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

// A desktop held in memory; the pointer walks over it.
class ScriptedScreen final : public ScreenSource
{
public:
    ScriptedScreen() : m_desktop(1280, 1024, QImage::Format_RGB32)
    {
        for (int y = 0; y < m_desktop.height(); ++y)
            for (int x = 0; x < m_desktop.width(); ++x)
                m_desktop.setPixel(x, y, qRgb(x & 255, y & 255, (x ^ y) & 255));
    }
    QPoint cursorPosition() override
    {
        ++m_step;
        return QPoint((m_step * 37) % 1280, (m_step * 53) % 1024);
    }
    QRgb pixel(QPoint position) override { return m_desktop.pixel(position); }
    QImage grab(const QRect &rect) override { return m_desktop.copy(rect); }
    QRect screenGeometry(QPoint) override { return m_desktop.rect(); }

private:
    QImage m_desktop;
    int m_step = 0;
};

// The real source reads wherever the pointer happens to be.
std::unique_ptr<ScreenSource> makeSource(bool real)
{
    if (real)
        return std::make_unique<DesktopScreenSource>();
    return std::make_unique<ScriptedScreen>();
}

void eyedropperTick(benchmark::State &state, bool real)
{
    SilentMessages messages;
    auto source = makeSource(real);
    frmColorPicker picker(Platform::Services{ &messages, nullptr, nullptr }, nullptr, source.get());
    picker.show();
    picker.imgEyedropper_MouseDown(1, 0, 0, 0);
    picker.tmrScreenColor->stop(); // the loop ticks instead
    for (auto _ : state)
        picker.tmrScreenColor_Timer();
    picker.imgEyedropper_MouseUp(1, 0, 0, 0);
}

void magnifierTick(benchmark::State &state, bool real)
{
    SilentMessages messages;
    auto source = makeSource(real);
    frmColorPicker picker(Platform::Services{ &messages, nullptr, nullptr }, nullptr, source.get());
    picker.show();
    picker.cboPercent->setCurrentIndex(int(state.range(0)));
    picker.imgMagnifier_MouseDown(1, 0, 0, 0);
    picker.Timer1->stop();
    for (auto _ : state)
        picker.Timer1_Timer();
    state.SetLabel(picker.cboPercent->currentText().toStdString());
    picker.Timer1->stop();
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::vector<bool> sources{ false };
    if (QGuiApplication::platformName() == QLatin1String("xcb"))
        sources.push_back(true);
    for (bool real : sources) {
        const std::string suffix = real ? "/realScreen" : "/scripted";
        benchmark::RegisterBenchmark(("eyedropperTick" + suffix).c_str(),
                                     [real](benchmark::State &s) { eyedropperTick(s, real); })
                ->Unit(benchmark::kMicrosecond);
        // Index 0 is 100% (the widest grab), index 9 is 1600%.
        benchmark::RegisterBenchmark(("magnifierTick" + suffix).c_str(),
                                     [real](benchmark::State &s) { magnifierTick(s, real); })
                ->Arg(0)->Arg(9)->ArgName("zoomIndex")->Unit(benchmark::kMicrosecond);
    }
    return runBenchmarks(argc, argv);
}
