#include "findcolours.h"

#include "colourfinder.h"
#include "commandline.h"
#include "rompalette.h"

#include <QCoreApplication>
#include <QStringList>

namespace RomFs {

std::optional<int> findColoursCommand(int argc, char *argv[])
{
    if (CommandLine::commandOf(argc, argv) != QLatin1String("--find-colours"))
        return std::nullopt;

    // Core only: no display is needed and nothing is written.
    QCoreApplication app(argc, argv);
    const CommandLine::Parsed line = CommandLine::parse(QCoreApplication::arguments().mid(1));
    if (!line.error.isEmpty())
        return CommandLine::wrongUse(line.error);
    const QStringList &operands = line.operands;
    if (operands.size() < 2 || operands.size() - 1 > MaxSearchWords) {
        return CommandLine::wrongUse(
                QStringLiteral("--find-colours takes one ROM and 1 to %1 words").arg(MaxSearchWords));
    }
    std::vector<quint16> words;
    for (qsizetype i = 1; i < operands.size(); ++i) {
        if (!RomPalette::isWordText(operands[i])) {
            return CommandLine::wrongUse(
                    QStringLiteral("\"%1\" is not a colour word of four hexadecimal digits")
                            .arg(operands[i]));
        }
        const auto bytes = RomPalette::WordTextToBytes(operands[i]);
        words.push_back(quint16(bytes[0] | bytes[1] << 8));
    }
    const QString &rom = operands.first();
    ColourSearch search;
    QString reason;
    if (!findColoursInFile(rom, words, search, &reason))
        return CommandLine::failed(rom, reason);
    const int status = CommandLine::printOut(formatColourSearch(search));
    if (status == CommandLine::Done && search.truncated) {
        CommandLine::warn(rom, QStringLiteral("more than %1 matches; the first are listed")
                                       .arg(MaxColourMatches));
    }
    return status;
}

} // namespace RomFs
