#include "listgraphics.h"

#include "graphicsfinder.h"
#include "romimage.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QStringList>

#include <cstdio>
#include <cstring>

namespace RomFs {

std::optional<int> listGraphicsCommand(int argc, char *argv[])
{
    const char option[] = "--list-graphics";
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
        std::fputs("usage: cindral --list-graphics ROM\n", stderr);
        return 2;
    }
    const QString &path = roms.first();
    QString reason;
    FileImage image;
    if (!QFileInfo(path).isFile())
        reason = QFileInfo::exists(path) ? QStringLiteral("not a file") : QStringLiteral("no such file");
    if (!reason.isEmpty() || !image.open(path, &reason)) {
        std::fprintf(stderr, "cindral: cannot read %s: %s\n", qPrintable(path), qPrintable(reason));
        return 1;
    }
    const QByteArray text = formatGraphicsListing(listGraphics(image)).toUtf8();
    std::fwrite(text.constData(), 1, size_t(text.size()), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}

} // namespace RomFs
