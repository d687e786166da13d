// The main window's 256-colour view: from Find to the grid painted with the
// colours read, as a user waits for it after each load or Page Down.
#include "frmmain.h"
#include "paletteediting.h"
#include "palettegrid.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>

#include "benchsupport.h"

static void showWideAfterLoad(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("game.nds"));
    QFile rom(path);
    QByteArray bytes(0x4000, '\0');
    for (int i = 0; i < bytes.size(); ++i)
        bytes[i] = char(i * 13 + 7);
    if (!rom.open(QIODevice::WriteOnly) || rom.write(bytes) != bytes.size()) {
        state.SkipWithError("cannot write the image");
        return;
    }
    rom.close();
    SilentMessages messages;
    frmMain window(Platform::Services{ &messages, nullptr, nullptr });
    window.show();
    window.chooseRom(path);
    window.editing()->mnuSize256->trigger();
    PaletteGrid *grid = window.editing()->grid();
    int step = 0;
    for (auto _ : state) {
        window.loadPaletteAt(QString::number((step++ % 16) * 0x200, 16));
        grid->repaint();
    }
    if (window.txtChgPal[0]->text().isEmpty())
        state.SkipWithError("nothing was loaded");
}
BENCHMARK(showWideAfterLoad)->Unit(benchmark::kMicrosecond);

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    return runBenchmarks(argc, argv);
}
