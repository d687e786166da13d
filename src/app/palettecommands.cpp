#include "palettecommands.h"

#include "datafolder.h"
#include "palettefile.h"
#include "rompalette.h"
#include "writejournal.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QStringList>

#include <cstdio>
#include <cstring>

namespace PaletteCommands {

namespace {

const char *const commandNames[] = { "--read-palette",   "--write-palette", "--export-palette",
                                     "--import-palette", "--history",       "--restore" };

const char usage[] = "Usage: cindral --read-palette ROM OFFSET [--colours N]\n"
                     "       cindral --write-palette ROM OFFSET WORD...\n"
                     "       cindral --export-palette ROM OFFSET FILE [--colours N]\n"
                     "       cindral --import-palette ROM OFFSET FILE [--colours N]\n"
                     "       cindral --history ROM\n"
                     "       cindral --restore ROM ID\n"
                     "OFFSET is hexadecimal (0x may lead); N is 1-256 (16 when not given);\n"
                     "WORD is a colour word of four hexadecimal digits, low byte first (FF7F is "
                     "white);\nFILE ends in .pal, .gpl, .act, .bin or .png.\n";

void print(FILE *stream, const QString &line)
{
    std::fputs(line.toLocal8Bit().constData(), stream);
    std::fputc('\n', stream);
}

int wrongCommandLine(const QString &reason)
{
    print(stderr, QStringLiteral("cindral: ") + reason);
    std::fputs(usage, stderr);
    return 2;
}

int failed(const QString &reason)
{
    print(stderr, QStringLiteral("cindral: ") + reason);
    return 1;
}

struct CommandLine
{
    QString command;
    QStringList positional;
    int colours = RomPalette::WordCount;
    QString error;
};

CommandLine parse(const QStringList &arguments)
{
    CommandLine line;
    bool coloursGiven = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        const bool isCommand
                = std::any_of(std::begin(commandNames), std::end(commandNames),
                              [&](const char *name) { return argument == QLatin1String(name); });
        if (isCommand) {
            if (!line.command.isEmpty())
                line.error = QStringLiteral("only one command at a time");
            line.command = argument;
        } else if (argument == QLatin1String("--colours")
                   || argument.startsWith(QLatin1String("--colours="))) {
            QString value = argument.mid(10);
            if (argument.size() == 9) {
                if (++i == arguments.size()) {
                    line.error = QStringLiteral("--colours needs a number");
                    break;
                }
                value = arguments.at(i);
            }
            bool ok = false;
            line.colours = value.toInt(&ok);
            coloursGiven = true;
            if (!ok || line.colours < 1 || line.colours > PaletteFile::MaxColours)
                line.error = QStringLiteral("--colours takes a number from 1 to 256, not \"%1\"")
                                     .arg(value);
        } else if (argument.startsWith(QLatin1String("--"))) {
            line.error = QStringLiteral("unknown option %1").arg(argument);
        } else {
            line.positional.append(argument);
        }
    }
    if (line.error.isEmpty() && coloursGiven && line.command != QLatin1String("--read-palette")
        && line.command != QLatin1String("--export-palette")
        && line.command != QLatin1String("--import-palette"))
        line.error = QStringLiteral(
                "--colours goes with --read-palette, --export-palette and --import-palette only");
    return line;
}

QString offsetText(quint32 offset)
{
    return QString::number(offset, 16).toUpper();
}

// The offset as the offset box reads it; a palette of count colours there
// must lie within the image.
struct Place
{
    quint32 offset = 0;
    int status = 0;
};

Place placeOf(const QString &rom, const QString &text, qsizetype byteCount)
{
    const auto offset = RomPalette::parseOffset(text);
    if (!offset || *offset + quint64(byteCount) - 1 > 0x7FFFFFFFu) {
        wrongCommandLine(QStringLiteral("\"%1\" is not an offset: hexadecimal digits from 0 to %2")
                                 .arg(text, offsetText(RomPalette::MaxOffset)));
        return { 0, 2 };
    }
    const QFileInfo info(rom);
    if (!info.isFile())
        return { 0,
                 failed(QStringLiteral("cannot open \"%1\": %2")
                                .arg(rom,
                                     info.exists() ? QStringLiteral("it is not a file")
                                                   : QStringLiteral("no such file"))) };
    if (*offset + quint64(byteCount) > quint64(info.size()))
        return { 0,
                 failed(QStringLiteral("a palette of %1 colours at %2 runs past the end of \"%3\" "
                                       "(%4 bytes)")
                                .arg(byteCount / 2)
                                .arg(offsetText(*offset), rom)
                                .arg(info.size())) };
    return { *offset, 0 };
}

PaletteFile::Words wordsOf(const QByteArray &bytes)
{
    PaletteFile::Words words;
    for (qsizetype i = 0; i + 1 < bytes.size(); i += 2)
        words.append(quint16(quint8(bytes[i]) | (quint8(bytes[i + 1]) << 8)));
    return words;
}

// Reads count colours, or answers the exit status of the failure.
int readColours(const QString &rom, const QString &offsetArgument, int count, QByteArray &bytes)
{
    const Place place = placeOf(rom, offsetArgument, 2 * count);
    if (place.status)
        return place.status;
    const auto result = RomPalette::readBytes(rom, place.offset, 2 * count, bytes);
    if (!result.ok)
        return failed(QStringLiteral("cannot read \"%1\": %2").arg(rom, result.reason));
    return 0;
}

// A write through the journal; a journal that fails only warns. told
// follows "Edited" in the line that reports success.
int writeColours(const QString &rom, const QString &offsetArgument, const QByteArray &bytes,
                 const QString &told = QString())
{
    const Place place = placeOf(rom, offsetArgument, bytes.size());
    if (place.status)
        return place.status;
    WriteJournal::Journal journal(WriteJournal::Journal::defaultPath());
    const auto outcome = WriteJournal::write(journal, rom, place.offset, bytes);
    // A failed write is the one-line news; the journal failing with it is not.
    if (!outcome.file.ok)
        return failed(QStringLiteral("cannot write \"%1\": %2").arg(rom, outcome.file.reason));
    if (!outcome.journalError.isEmpty())
        print(stderr,
              QStringLiteral("cindral: warning: %1; the write went on unrecorded")
                      .arg(outcome.journalError));
    print(stdout, QStringLiteral("Palette ") + offsetArgument + QStringLiteral(" Edited") + told);
    return 0;
}

int runCommand(const CommandLine &line)
{
    const QStringList &args = line.positional;
    const QString &command = line.command;
    auto wantArguments = [&](qsizetype count, bool orMore = false) {
        return args.size() == count || (orMore && args.size() > count);
    };
    QByteArray bytes;
    if (command == QLatin1String("--read-palette")) {
        if (!wantArguments(2))
            return wrongCommandLine(QStringLiteral("--read-palette takes ROM OFFSET"));
        if (const int status = readColours(args[0], args[1], line.colours, bytes))
            return status;
        print(stdout, WriteJournal::wordTexts(bytes));
        return 0;
    }
    if (command == QLatin1String("--write-palette")) {
        if (!wantArguments(3, true) || args.size() - 2 > PaletteFile::MaxColours)
            return wrongCommandLine(
                    QStringLiteral("--write-palette takes ROM OFFSET and 1 to 256 words"));
        for (const QString &word : args.mid(2)) {
            // ASCII digits only: other scripts' digits would read as 0.
            if (!RomPalette::isWordText(word))
                return wrongCommandLine(
                        QStringLiteral("\"%1\" is not a colour word of four hexadecimal digits")
                                .arg(word));
            const auto pair = RomPalette::WordTextToBytes(word);
            bytes.append(char(pair[0]));
            bytes.append(char(pair[1]));
        }
        return writeColours(args[0], args[1], bytes);
    }
    if (command == QLatin1String("--export-palette")) {
        if (!wantArguments(3))
            return wrongCommandLine(QStringLiteral("--export-palette takes ROM OFFSET FILE"));
        if (const int status = readColours(args[0], args[1], line.colours, bytes))
            return status;
        const QString name = QFileInfo(args[0]).fileName() + QLatin1Char(' ') + args[1];
        const QString error = PaletteFile::writeFile(args[2], wordsOf(bytes), name);
        return error.isEmpty() ? 0 : failed(error);
    }
    if (command == QLatin1String("--import-palette")) {
        if (!wantArguments(3))
            return wrongCommandLine(QStringLiteral("--import-palette takes ROM OFFSET FILE"));
        const PaletteFile::Decoded decoded = PaletteFile::readFile(args[2]);
        if (!decoded.error.isEmpty())
            return failed(decoded.error);
        // More colours than the palette holds would overwrite what follows it.
        if (decoded.words.size() > line.colours)
            return wrongCommandLine(QStringLiteral("the file holds %1; give --colours %2 to write "
                                                   "them all")
                                            .arg(PaletteFile::coloursText(decoded.words.size()))
                                            .arg(decoded.words.size()));
        for (const quint16 word : decoded.words) {
            bytes.append(char(word & 0xFF));
            bytes.append(char(word >> 8));
        }
        return writeColours(args[0], args[1], bytes,
                            QStringLiteral(": ") + PaletteFile::coloursText(decoded.words.size()));
    }
    if (command == QLatin1String("--history")) {
        if (!wantArguments(1))
            return wrongCommandLine(QStringLiteral("--history takes ROM"));
        const QString path = WriteJournal::Journal::defaultPath();
        if (!QFileInfo::exists(path))
            return 0; // nothing was ever written
        WriteJournal::Journal journal(path, false);
        const auto entries = journal.entries(args[0]);
        if (entries.isEmpty() && !journal.lastError().isEmpty())
            return failed(journal.lastError());
        for (const WriteJournal::Entry &entry : entries)
            print(stdout,
                  QStringList{ QString::number(entry.id), entry.time, offsetText(entry.offset),
                               WriteJournal::wordTexts(entry.oldBytes),
                               WriteJournal::wordTexts(entry.newBytes),
                               WriteJournal::stateName(entry.state) }
                          .join(QLatin1Char('\t')));
        return 0;
    }
    // --restore
    if (!wantArguments(2))
        return wrongCommandLine(QStringLiteral("--restore takes ROM ID"));
    bool ok = false;
    const qint64 id = args[1].toLongLong(&ok);
    if (!ok || id < 1)
        return wrongCommandLine(QStringLiteral("\"%1\" is not an entry number").arg(args[1]));
    if (!QFileInfo(args[0]).isFile())
        return failed(QStringLiteral("cannot open \"%1\": no such file").arg(args[0]));
    WriteJournal::Journal journal(WriteJournal::Journal::defaultPath());
    const auto outcome = WriteJournal::restore(journal, args[0], id);
    if (outcome.refused)
        return failed(outcome.refusal);
    if (!outcome.write.file.ok)
        return failed(
                QStringLiteral("cannot write \"%1\": %2").arg(args[0], outcome.write.file.reason));
    if (!outcome.write.journalError.isEmpty())
        print(stderr,
              QStringLiteral("cindral: warning: %1; the write went on unrecorded")
                      .arg(outcome.write.journalError));
    print(stdout, QStringLiteral("Palette %1 Restored").arg(offsetText(outcome.entry.offset)));
    return 0;
}

} // namespace

std::optional<int> run(int argc, char *argv[])
{
    bool asked = false;
    for (int i = 1; i < argc && !asked; ++i)
        asked = std::any_of(std::begin(commandNames), std::end(commandNames),
                            [&](const char *name) { return std::strcmp(argv[i], name) == 0; });
    if (!asked)
        return std::nullopt;
    QCoreApplication app(argc, argv);
    Platform::describeProgram();
    const CommandLine line = parse(QCoreApplication::arguments().mid(1));
    if (!line.error.isEmpty())
        return wrongCommandLine(line.error);
    return runCommand(line);
}

} // namespace PaletteCommands
