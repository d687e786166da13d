#include "findcolours.h"

#include "colourfinder.h"
#include "rompalette.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>
#include <cstring>

namespace RomFs {

std::optional<int> findColoursCommand(int argc, char *argv[])
{
    const char option[] = "--find-colours";
    bool asked = false;
    for (int i = 1; i < argc; ++i)
        asked = asked || std::strcmp(argv[i], option) == 0;
    if (!asked)
        return std::nullopt;

    // Core only: no display is needed and nothing is written.
    QCoreApplication app(argc, argv);
    QStringList rest;
    bool wrong = false;
    const QStringList arguments = QCoreApplication::arguments().mid(1);
    for (const QString &argument : arguments) {
        if (argument == QLatin1String(option))
            continue;
        wrong = wrong || argument.startsWith(QLatin1Char('-'));
        rest.append(argument);
    }
    std::vector<quint16> words;
    for (qsizetype i = 1; i < rest.size() && !wrong; ++i) {
        wrong = !RomPalette::isWordText(rest[i]);
        const auto bytes = RomPalette::WordTextToBytes(rest[i]);
        words.push_back(quint16(bytes[0] | bytes[1] << 8));
    }
    if (wrong || words.empty() || words.size() > size_t(MaxSearchWords)) {
        std::fprintf(stderr,
                     "usage: cindral --find-colours ROM WORD... (1 to %d words of four "
                     "hexadecimal digits, low byte first)\n",
                     MaxSearchWords);
        return 2;
    }
    ColourSearch search;
    QString reason;
    if (!findColoursInFile(rest.first(), words, search, &reason)) {
        std::fprintf(stderr, "cindral: cannot read %s: %s\n", qPrintable(rest.first()),
                     qPrintable(reason));
        return 1;
    }
    const QByteArray text = formatColourSearch(search).toUtf8();
    std::fwrite(text.constData(), 1, size_t(text.size()), stdout);
    if (search.truncated)
        std::fprintf(stderr, "cindral: more than %zu matches; the first are listed\n",
                     MaxColourMatches);
    return std::fflush(stdout) == 0 ? 0 : 1;
}

} // namespace RomFs
