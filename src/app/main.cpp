#include "cindral_version.h"
#include "frmmain.h"
#include "palettecommands.h"
#include "services.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>
#include <QPointer>

#include <cstdio>

namespace {

void describeProgram()
{
    QCoreApplication::setApplicationName(QStringLiteral("cindral"));
    QCoreApplication::setApplicationVersion(QStringLiteral(CINDRAL_VERSION));
    QCoreApplication::setOrganizationDomain(QStringLiteral("cindral.org"));
}

// The ROM image named on the command line, if any. --help and --version
// answer here and end the program, before any window system is needed.
QStringList parseCommandLine(int argc, char *argv[])
{
    QCoreApplication probe(argc, argv);
    describeProgram();
    QCommandLineParser parser;
    parser.setApplicationDescription(
            QStringLiteral("Cindral Palette Editor: edit the 16-colour palettes of Nintendo DS "
                           "and GBA ROM images."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("ROM"),
                                 QStringLiteral("The ROM image to open (.nds or .gba)."),
                                 QStringLiteral("[ROM]"));
    parser.process(probe);
    return parser.positionalArguments();
}

} // namespace

int main(int argc, char *argv[])
{
    if (auto status = PaletteCommands::run(argc, argv))
        return *status;
    const QStringList arguments = parseCommandLine(argc, argv);

    QApplication app(argc, argv);
    describeProgram();
    QApplication::setDesktopFileName(QStringLiteral(CINDRAL_APP_ID));

    Platform::DialogMessageService messages;
    Platform::DialogFileChooser files;
    Platform::DesktopLauncher launcher;
    const Platform::Services services{ &messages, &files, &launcher };

    frmMain window(services);
    if (!arguments.isEmpty()) {
        const QFileInfo rom(arguments.first());
        if (rom.isFile())
            window.chooseRom(rom.absoluteFilePath());
        else
            std::fprintf(stderr, "cindral: %s is not a file; no ROM image is open.\n",
                         qPrintable(arguments.first()));
    }
    window.show();
    const int status = app.exec();

    // The bookmark window's "End" ends the program with tool windows still
    // open. They go now, without their close handling (so the colour picker
    // saves nothing), while the services they hold still exist.
    QList<QPointer<QWidget>> remaining;
    const auto topLevels = QApplication::topLevelWidgets();
    for (QWidget *widget : topLevels) {
        if (widget != &window && !widget->parentWidget())
            remaining.append(widget);
    }
    for (const QPointer<QWidget> &widget : remaining)
        delete widget.data();
    return status;
}
