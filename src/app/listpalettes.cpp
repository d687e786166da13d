#include "listpalettes.h"

#include "commandline.h"
#include "palettefinder.h"

#include <QCoreApplication>
#include <QStringList>

namespace RomFs {

std::optional<int> listPalettesCommand(int argc, char *argv[])
{
    if (CommandLine::commandOf(argc, argv) != QLatin1String("--list-palettes"))
        return std::nullopt;

    // Core only: no display is needed and nothing is written.
    QCoreApplication app(argc, argv);
    const CommandLine::Parsed line = CommandLine::parse(QCoreApplication::arguments().mid(1));
    if (!line.error.isEmpty())
        return CommandLine::wrongUse(line.error);
    if (line.operands.size() != 1)
        return CommandLine::wrongUse(QStringLiteral("--list-palettes takes one ROM"));
    const QString &rom = line.operands.first();
    Listing listing;
    QString reason;
    if (!listPalettesInFile(rom, listing, &reason))
        return CommandLine::failed(rom, reason);
    return CommandLine::printOut(formatListing(listing));
}

} // namespace RomFs
