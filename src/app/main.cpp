#include "cindral_version.h"
#include "commandline.h"
#include "datafolder.h"
#include "findcolours.h"
#include "frmmain.h"
#include "listgraphics.h"
#include "listpalettes.h"
#include "palettecommands.h"
#include "rendergraphics.h"
#include "services.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QPointer>

#include <algorithm>
#include <cstring>

namespace {

// Qt's own options for the window (QGuiApplication's and QApplication's),
// which Qt takes out of the arguments itself; those that take a value.
const char *const qtFlags[] = { "-reverse", "-widgetcount", "-nograb", "-dograb", "-sync",
                                "-testability" };
const char *const qtValueOptions[] = { "-platform", "-platformpluginpath", "-platformtheme",
                                       "-plugin", "-qwindowgeometry", "-geometry", "-qwindowicon",
                                       "-icon", "-qwindowtitle", "-title", "-session", "-display",
                                       "-name", "-dialogs", "-style", "-stylesheet" };
const char *const qtJoinedOptions[] = { "-style=", "-stylesheet=", "-qmljsdebugger=" };
const char *const printingOptions[] = { "-h", "-?", "--help", "--help-all", "-v", "--version" };

// The window's command line, read before any application object exists: a
// wrong one is answered without a display, as the commands are.
struct WindowLine
{
    bool onlyPrints = false; // --help, --version
    QString unknownOption;
    int qtArgc = 0;   // the arguments before "--", for Qt
    QStringList roms; // the operands after "--"
};

WindowLine readWindowLine(int argc, char *argv[])
{
    WindowLine line;
    line.qtArgc = argc;
    for (int i = 1; i < argc; ++i) {
        const char *argument = argv[i];
        if (std::strcmp(argument, "--") == 0) {
            line.qtArgc = i;
            for (++i; i < argc; ++i)
                line.roms.append(QString::fromLocal8Bit(argv[i]));
            break;
        }
        if (argument[0] != '-' || argument[1] == '\0')
            continue;
        // Qt takes its options with two dashes as well.
        const char *single = argument[1] == '-' ? argument + 1 : argument;
        auto among = [](const char *text, const auto &names, bool prefix = false) {
            return std::any_of(std::begin(names), std::end(names), [&](const char *name) {
                return prefix ? std::strncmp(text, name, std::strlen(name)) == 0
                              : std::strcmp(text, name) == 0;
            });
        };
        if (among(argument, printingOptions))
            line.onlyPrints = true;
        else if (among(single, qtValueOptions))
            ++i;
        else if (!among(single, qtFlags) && !among(single, qtJoinedOptions, true)
                 && line.unknownOption.isEmpty())
            line.unknownOption = QString::fromLocal8Bit(argument);
    }
    return line;
}

QtMessageHandler previousHandler = nullptr;

// Help and the version are printed on the offscreen platform, so that
// --help-all can list Qt's options for the window too; starting it asks
// for the runtime folder, which printing never uses.
void withoutRuntimeFolderWarnings(QtMsgType type, const QMessageLogContext &context,
                                  const QString &message)
{
    if (!message.startsWith(QLatin1String("QStandardPaths: ")) && previousHandler)
        previousHandler(type, context, message);
}

// The ROM image named on the command line before "--", if any. Qt has
// already taken its own options out of the arguments; --help and --version
// answer here and end the program.
QStringList parseCommandLine(const QCoreApplication &app)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
            QStringLiteral("Cindral Palette Editor: edit the colour palettes of Nintendo DS "
                           "and GBA ROM images.\n\n")
            + CommandLine::helpText().trimmed());
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
    if (auto status = RomFs::findColoursCommand(argc, argv))
        return *status;
    if (auto status = RomFs::listGraphicsCommand(argc, argv))
        return *status;
    if (auto status = PaletteCommands::run(argc, argv))
        return *status;
    if (auto status = RenderGraphics::run(argc, argv))
        return *status;
    const WindowLine line = readWindowLine(argc, argv);
    if (!line.unknownOption.isEmpty())
        return CommandLine::wrongUse(QStringLiteral("unknown option ") + line.unknownOption);
    if (line.onlyPrints) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        previousHandler = qInstallMessageHandler(withoutRuntimeFolderWarnings);
    }

    int qtArgc = line.qtArgc;
    QApplication app(qtArgc, argv);
    Platform::describeProgram();
    QApplication::setDesktopFileName(QStringLiteral(CINDRAL_APP_ID));
    const QStringList arguments = parseCommandLine(app) + line.roms;

    Platform::DialogMessageService messages;
    Platform::DialogFileChooser files;
    Platform::DesktopLauncher launcher;
    const Platform::Services services{ &messages, &files, &launcher };

    frmMain window(services);
    window.show();
    if (!arguments.isEmpty() && !window.chooseRomFromCommandLine(arguments.first()))
        CommandLine::failed(arguments.first(),
                            QStringLiteral("cannot be opened; no ROM image is open"));
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
