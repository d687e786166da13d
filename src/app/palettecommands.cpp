#include "palettecommands.h"

#include "commandline.h"
#include "datafolder.h"
#include "palettefile.h"
#include "rompalette.h"
#include "writejournal.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QStringList>

#include <algorithm>

namespace PaletteCommands {

namespace {

const char *const commandNames[] = { "--read-palette",   "--write-palette", "--export-palette",
                                     "--import-palette", "--history",       "--restore" };

int wrongCommandLine(const QString &reason)
{
    return CommandLine::wrongUse(reason);
}

// The reason in one of the sentences the windows show about path ("Cannot
// write "path": reason."), for a message that names the file itself.
QString reasonOf(const QString &sentence, const QString &path)
{
    QString reason = sentence;
    const QString quoted = QLatin1Char('"') + path + QLatin1Char('"');
    for (const QString &prefix :
         { QStringLiteral("Cannot write ") + quoted + QStringLiteral(": "),
           QStringLiteral("Cannot read ") + quoted + QStringLiteral(": "),
           QStringLiteral("The write journal ") + quoted + QStringLiteral(" cannot be used: "),
           quoted + QStringLiteral(", "), quoted + QLatin1Char(' ') }) {
        if (reason.startsWith(prefix)) {
            reason.remove(0, prefix.size());
            break;
        }
    }
    if (reason.endsWith(QLatin1Char('.')))
        reason.chop(1);
    return reason;
}

int failed(const QString &file, const QString &sentence)
{
    return CommandLine::failed(file, reasonOf(sentence, file));
}

// A journal that fails never stops a write; the user hears why.
void warnUnrecorded(const QString &journalError)
{
    const QString journal = WriteJournal::Journal::defaultPath();
    CommandLine::warn(journal,
                      reasonOf(journalError, journal) + QStringLiteral("; the write went on "
                                                                       "unrecorded"));
}

struct Request
{
    QString command;
    QStringList positional;
    int colours = RomPalette::WordCount;
    QString error;
};

Request parse(const QStringList &arguments)
{
    const QString coloursOption = QStringLiteral("--colours");
    const CommandLine::Parsed parsed = CommandLine::parse(arguments, { coloursOption });
    Request line;
    line.command = parsed.command;
    line.positional = parsed.operands;
    line.error = parsed.error;
    if (!line.error.isEmpty() || !parsed.values.contains(coloursOption))
        return line;
    const QString value = parsed.values.value(coloursOption);
    bool ok = false;
    line.colours = value.toInt(&ok);
    if (!ok || line.colours < 1 || line.colours > PaletteFile::MaxColours)
        line.error = QStringLiteral("--colours takes a number from 1 to 256, not \"%1\"").arg(value);
    else if (line.command != QLatin1String("--read-palette")
             && line.command != QLatin1String("--export-palette")
             && line.command != QLatin1String("--import-palette"))
        line.error = QStringLiteral(
                "--colours goes with --read-palette, --export-palette and --import-palette only");
    return line;
}

QString offsetText(quint64 offset)
{
    return QString::number(offset, 16).toUpper();
}

// The offset as the offset box reads it, up to the last byte a file
// position reaches; a palette of count colours there must lie within the
// image.
struct Place
{
    quint32 offset = 0;
    int status = 0;
};

Place placeOf(const QString &rom, const QString &text, qsizetype byteCount)
{
    constexpr quint64 lastByte = 0x7FFFFFFF;
    QString digits = text.trimmed();
    if (digits.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        digits.remove(0, 2);
    bool ok = !digits.isEmpty() && std::all_of(digits.begin(), digits.end(), [](QChar c) {
        return c.isDigit() || QStringLiteral("abcdefABCDEF").contains(c);
    });
    const quint64 offset = ok ? digits.toULongLong(&ok, 16) : 0;
    if (!ok || offset > lastByte) {
        wrongCommandLine(QStringLiteral("\"%1\" is not an offset: hexadecimal digits from 0 to %2")
                                 .arg(text, offsetText(lastByte)));
        return { 0, 2 };
    }
    const quint64 end = offset + quint64(byteCount) - 1;
    if (end > lastByte) {
        wrongCommandLine(QStringLiteral("a palette of %1 colours at %2 would end at %3, past the "
                                        "last offset a file can have, %4")
                                 .arg(byteCount / 2)
                                 .arg(offsetText(offset), offsetText(end), offsetText(lastByte)));
        return { 0, 2 };
    }
    if (const auto reason = CommandLine::notAFile(rom))
        return { 0, CommandLine::failed(rom, *reason) };
    const qint64 size = QFileInfo(rom).size();
    if (offset + quint64(byteCount) > quint64(size))
        return { 0,
                 CommandLine::failed(rom,
                                       QStringLiteral("a palette of %1 colours at %2 runs past "
                                                      "the end of the image (%3 bytes)")
                                               .arg(byteCount / 2)
                                               .arg(offsetText(offset))
                                               .arg(size)) };
    return { quint32(offset), 0 };
}

// The formats a palette can be exported to; .bmp and .gif are only read.
bool canExportTo(const QString &path)
{
    return PaletteFile::formatForPath(path)
            && !path.endsWith(QLatin1String(".bmp"), Qt::CaseInsensitive)
            && !path.endsWith(QLatin1String(".gif"), Qt::CaseInsensitive);
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
        return failed(rom, result.reason);
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
        return failed(rom, outcome.file.reason);
    if (!outcome.journalError.isEmpty())
        warnUnrecorded(outcome.journalError);
    return CommandLine::printOut(QStringLiteral("Palette ") + offsetArgument
                                 + QStringLiteral(" Edited") + told + QLatin1Char('\n'));
}

int runCommand(const Request &line)
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
        return CommandLine::printOut(WriteJournal::wordTexts(bytes) + QLatin1Char('\n'));
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
        if (!canExportTo(args[2]))
            return wrongCommandLine(QStringLiteral("%1: the name must end in .pal, .gpl, .act, "
                                                   ".bin or .png, which chooses the format")
                                            .arg(args[2]));
        if (const int status = readColours(args[0], args[1], line.colours, bytes))
            return status;
        const QString name = QFileInfo(args[0]).fileName() + QLatin1Char(' ') + args[1];
        const QString error = PaletteFile::writeFile(args[2], wordsOf(bytes), name);
        return error.isEmpty() ? 0 : failed(args[2], error);
    }
    if (command == QLatin1String("--import-palette")) {
        if (!wantArguments(3))
            return wrongCommandLine(QStringLiteral("--import-palette takes ROM OFFSET FILE"));
        const PaletteFile::Decoded decoded = PaletteFile::readFile(args[2]);
        if (!decoded.error.isEmpty())
            return failed(args[2], decoded.error);
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
        if (const auto reason = CommandLine::notAFile(args[0]))
            return CommandLine::failed(args[0], *reason);
        const QString path = WriteJournal::Journal::defaultPath();
        if (!QFileInfo::exists(path))
            return 0; // nothing was ever written
        WriteJournal::Journal journal(path, false);
        const auto entries = journal.entries(args[0]);
        if (entries.isEmpty() && !journal.lastError().isEmpty())
            return failed(path, journal.lastError());
        QString lines;
        for (const WriteJournal::Entry &entry : entries)
            lines += QStringList{ QString::number(entry.id), entry.time, offsetText(entry.offset),
                                  WriteJournal::wordTexts(entry.oldBytes),
                                  WriteJournal::wordTexts(entry.newBytes),
                                  WriteJournal::stateName(entry.state) }
                             .join(QLatin1Char('\t'))
                    + QLatin1Char('\n');
        return CommandLine::printOut(lines);
    }
    // --restore
    if (!wantArguments(2))
        return wrongCommandLine(QStringLiteral("--restore takes ROM ID"));
    bool ok = false;
    const qint64 id = args[1].toLongLong(&ok);
    if (!ok || id < 1)
        return wrongCommandLine(QStringLiteral("\"%1\" is not an entry number").arg(args[1]));
    if (const auto reason = CommandLine::notAFile(args[0]))
        return CommandLine::failed(args[0], *reason);
    WriteJournal::Journal journal(WriteJournal::Journal::defaultPath());
    const auto outcome = WriteJournal::restore(journal, args[0], id);
    if (outcome.refused)
        return failed(args[0], outcome.refusal);
    if (!outcome.write.file.ok)
        return failed(args[0], outcome.write.file.reason);
    if (!outcome.write.journalError.isEmpty())
        warnUnrecorded(outcome.write.journalError);
    return CommandLine::printOut(
            QStringLiteral("Palette %1 Restored\n").arg(offsetText(outcome.entry.offset)));
}

} // namespace

std::optional<int> run(int argc, char *argv[])
{
    const auto command = CommandLine::commandOf(argc, argv);
    if (!command
        || std::none_of(std::begin(commandNames), std::end(commandNames),
                        [&](const char *name) { return *command == QLatin1String(name); }))
        return std::nullopt;
    QCoreApplication app(argc, argv);
    Platform::describeProgram();
    const Request line = parse(QCoreApplication::arguments().mid(1));
    if (!line.error.isEmpty())
        return wrongCommandLine(line.error);
    return runCommand(line);
}

} // namespace PaletteCommands
