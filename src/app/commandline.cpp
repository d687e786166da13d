#include "commandline.h"

#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace CommandLine {

namespace {

const char notes[]
        = "OFFSET is hexadecimal (0x may lead). N is a number of colours from 1 to 256,\n"
          "16 when not given; the palette commands handle 1 to 256 colours. WORD is a\n"
          "colour word of four hexadecimal digits, low byte first (FF7F is white). FILE\n"
          "ends in .pal, .gpl, .act, .bin or .png. ID is an entry number that --history\n"
          "shows. \"--\" ends the options: the arguments after it are files and values.\n";

void printError(const QString &line)
{
    const QByteArray bytes = line.toLocal8Bit() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
}

} // namespace

const QList<Command> &commands()
{
    static const QList<Command> list{
        { "--list-palettes", "--list-palettes ROM" },
        { "--list-graphics", "--list-graphics ROM" },
        { "--find-colours", "--find-colours ROM WORD..." },
        { "--read-palette", "--read-palette ROM OFFSET [--colours N]" },
        { "--write-palette", "--write-palette ROM OFFSET WORD..." },
        { "--export-palette", "--export-palette ROM OFFSET FILE [--colours N]" },
        { "--import-palette", "--import-palette ROM OFFSET FILE [--colours N]" },
        { "--history", "--history ROM" },
        { "--restore", "--restore ROM ID" },
        { "--render-graphics", "--render-graphics ROM OFFSET OUT.png --palette OFFSET|grey "
                               "[--format F] [--width TILES] [--tiles N]" },
    };
    return list;
}

namespace {

bool isCommand(const char *argument)
{
    for (const Command &command : commands()) {
        if (std::strcmp(argument, command.name) == 0)
            return true;
    }
    return false;
}

} // namespace

std::optional<QString> commandOf(int argc, char *argv[])
{
    for (int i = 1; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
        if (isCommand(argv[i]))
            return QString::fromLatin1(argv[i]);
    }
    return std::nullopt;
}

Parsed parse(const QStringList &arguments, const QStringList &valueOptions)
{
    Parsed parsed;
    auto wrong = [&](const QString &reason) {
        if (parsed.error.isEmpty())
            parsed.error = reason;
    };
    bool optionsEnded = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        // A lone "-" names a file as any other operand does.
        if (optionsEnded || !argument.startsWith(QLatin1Char('-')) || argument.size() == 1) {
            parsed.operands.append(argument);
            continue;
        }
        if (argument == QLatin1String("--")) {
            optionsEnded = true;
            continue;
        }
        if (isCommand(argument.toLatin1().constData())) {
            if (!parsed.command.isEmpty() && parsed.command != argument)
                wrong(QStringLiteral("%1 and %2: one command at a time")
                              .arg(parsed.command, argument));
            parsed.command = argument;
            continue;
        }
        const QString name = argument.section(QLatin1Char('='), 0, 0);
        if (!valueOptions.contains(name)) {
            wrong(QStringLiteral("unknown option %1").arg(argument));
            continue;
        }
        if (name.size() < argument.size()) {
            parsed.values.insert(name, argument.mid(name.size() + 1));
        } else if (i + 1 < arguments.size()) {
            parsed.values.insert(name, arguments.at(++i));
        } else {
            wrong(QStringLiteral("%1 needs a value").arg(name));
        }
    }
    return parsed;
}

QString usage()
{
    QString text = QStringLiteral("Usage: cindral [ROM]\n");
    for (const Command &command : commands())
        text += QStringLiteral("       cindral ") + QLatin1String(command.synopsis)
                + QLatin1Char('\n');
    return text + QLatin1String(notes);
}

QString helpText()
{
    QString text = QStringLiteral("Commands for scripts, answered without a window:\n");
    for (const Command &command : commands())
        text += QStringLiteral("  cindral ") + QLatin1String(command.synopsis) + QLatin1Char('\n');
    return text + QLatin1String(notes);
}

int wrongUse(const QString &reason)
{
    printError(QStringLiteral("cindral: ") + reason);
    const QByteArray text = usage().toLocal8Bit();
    std::fwrite(text.constData(), 1, size_t(text.size()), stderr);
    return WrongUse;
}

int failed(const QString &file, const QString &reason)
{
    printError(QStringLiteral("cindral: %1: %2").arg(file, reason));
    return Failed;
}

void warn(const QString &file, const QString &reason)
{
    printError(QStringLiteral("cindral: warning: %1: %2").arg(file, reason));
}

std::optional<QString> notAFile(const QString &path)
{
    const QFileInfo info(path);
    if (info.isFile())
        return std::nullopt;
    if (info.isDir())
        return QStringLiteral("it is a folder, not a file");
    return info.exists() ? QStringLiteral("not a file") : QStringLiteral("no such file");
}

int printOut(const QString &text)
{
    if (text.isEmpty())
        return Done;
    const QByteArray bytes = text.toLocal8Bit();
    errno = 0;
    const bool written = std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout)
                    == size_t(bytes.size())
            && std::fflush(stdout) == 0;
    if (written)
        return Done;
    const int error = errno;
    std::clearerr(stdout);
    return failed(QStringLiteral("standard output"),
                  error ? QString::fromLocal8Bit(std::strerror(error))
                        : QStringLiteral("the output could not be written"));
}

} // namespace CommandLine
