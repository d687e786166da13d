#include "listgraphics.h"

#include "commandline.h"
#include "graphicsfinder.h"
#include "romimage.h"

#include <QCoreApplication>
#include <QStringList>

namespace RomFs {

std::optional<int> listGraphicsCommand(int argc, char *argv[])
{
    if (CommandLine::commandOf(argc, argv) != QLatin1String("--list-graphics"))
        return std::nullopt;

    // Core only: no display is needed and nothing is written.
    QCoreApplication app(argc, argv);
    const CommandLine::Parsed line = CommandLine::parse(QCoreApplication::arguments().mid(1));
    if (!line.error.isEmpty())
        return CommandLine::wrongUse(line.error);
    if (line.operands.size() != 1)
        return CommandLine::wrongUse(QStringLiteral("--list-graphics takes one ROM"));
    const QString &rom = line.operands.first();
    FileImage image;
    QString reason;
    if (!image.open(rom, &reason))
        return CommandLine::failed(rom, reason);
    return CommandLine::printOut(formatGraphicsListing(listGraphics(image)));
}

} // namespace RomFs
