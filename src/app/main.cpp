#include "cindral_version.h"
#include "datafolder.h"
#include "frmmain.h"
#include "listgraphics.h"
#include "listpalettes.h"
#include "palettecommands.h"
#include "rendergraphics.h"
#include "services.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QPointer>

#include <cstdio>
#include <cstring>

namespace {

// --help, --help-all and --version only print; they must work without a
// display, so the application is made on the offscreen platform for them.
bool onlyPrints(int argc, char *argv[])
{
    for (int i = 1; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
        for (const char *option : { "-h", "-?", "--help", "--help-all", "-v", "--version" }) {
            if (std::strcmp(argv[i], option) == 0)
                return true;
        }
    }
    return false;
}

// The ROM image named on the command line, if any. Qt has already taken its
// own options (-platform, -style, ...) out of the arguments; --help and
// --version answer here and end the program.
QStringList parseCommandLine(const QApplication &app)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
            QStringLiteral("Cindral Palette Editor: edit the 16-colour palettes of Nintendo DS "
                           "and GBA ROM images.\n\n"
                           "Commands for scripts, answered without a window:\n"
                           "  cindral --list-palettes ROM\n"
                           "  cindral --list-graphics ROM\n"
                           "  cindral --read-palette ROM OFFSET [--colours N]\n"
                           "  cindral --write-palette ROM OFFSET WORD...\n"
                           "  cindral --export-palette ROM OFFSET FILE [--colours N]\n"
                           "  cindral --import-palette ROM OFFSET FILE\n"
                           "  cindral --history ROM\n"
                           "  cindral --restore ROM ID"));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("ROM"),
                                 QStringLiteral("The ROM image to open (.nds or .gba)."),
                                 QStringLiteral("[ROM]"));
    parser.process(app);
    return parser.positionalArguments();
}

} // namespace

int main(int argc, char *argv[])
{
    // Commands answered without a display belong here, before any window
    // system is reached.
    if (auto status = RomFs::listPalettesCommand(argc, argv))
        return *status;
    if (auto status = RomFs::listGraphicsCommand(argc, argv))
        return *status;
    if (auto status = PaletteCommands::run(argc, argv))
        return *status;
    if (auto status = RenderGraphics::run(argc, argv))
        return *status;
    if (onlyPrints(argc, argv))
        qputenv("QT_QPA_PLATFORM", "offscreen");

    QApplication app(argc, argv);
    Platform::describeProgram();
    QApplication::setDesktopFileName(QStringLiteral(CINDRAL_APP_ID));
    const QStringList arguments = parseCommandLine(app);

    Platform::DialogMessageService messages;
    Platform::DialogFileChooser files;
    Platform::DesktopLauncher launcher;
    const Platform::Services services{ &messages, &files, &launcher };

    frmMain window(services);
    window.show();
    if (!arguments.isEmpty() && !window.chooseRomFromCommandLine(arguments.first()))
        std::fprintf(stderr, "cindral: cannot open %s; no ROM image is open.\n",
                     qPrintable(arguments.first()));
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
