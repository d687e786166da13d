#include "listpalettes.h"

#include "palettefinder.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>
#include <cstring>

namespace RomFs {

std::optional<int> listPalettesCommand(int argc, char *argv[])
{
    const char option[] = "--list-palettes";
    bool asked = false;
    for (int i = 1; i < argc; ++i)
        asked = asked || std::strcmp(argv[i], option) == 0;
    if (!asked)
        return std::nullopt;

    // Core only: no display is needed and nothing is written.
    QCoreApplication app(argc, argv);
    QStringList roms;
    bool wrong = false;
    const QStringList arguments = QCoreApplication::arguments().mid(1);
    for (const QString &argument : arguments) {
        if (argument == QLatin1String(option))
            continue;
        if (argument.startsWith(QLatin1Char('-')))
            wrong = true;
        else
            roms.append(argument);
    }
    if (wrong || roms.size() != 1) {
        std::fputs("usage: cindral --list-palettes ROM\n", stderr);
        return 2;
    }
    Listing listing;
    QString reason;
    if (!listPalettesInFile(roms.first(), listing, &reason)) {
        std::fprintf(stderr, "cindral: cannot read %s: %s\n", qPrintable(roms.first()),
                     qPrintable(reason));
        return 1;
    }
    const QByteArray text = formatListing(listing).toUtf8();
    std::fwrite(text.constData(), 1, size_t(text.size()), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}

} // namespace RomFs
