// The download sizes in the live update's progress and completion texts
// come from the server's Content-Length header, so any 64-bit value can
// reach them: every one must give its exact size in hundredths.
#include "fuzzsupport.h"
#include "liveupdate.h"

#include <cstring>

namespace {

// bytes / divisor in hundredths, halves away from zero, worked out with
// 128-bit integers so no size can overflow it.
QString referenceHundredths(qint64 bytes, qint64 divisor, const QLocale &locale)
{
    const bool negative = bytes < 0;
    __int128 magnitude = bytes;
    if (negative)
        magnitude = -magnitude;
    const __int128 hundredths = (magnitude * 100 + divisor / 2) / divisor;
    const QString text = QString::number(qint64(hundredths / 100)) + locale.decimalPoint()
            + QStringLiteral("%1").arg(int(hundredths % 100), 2, 10, QLatin1Char('0'));
    return negative && hundredths != 0 ? QLatin1Char('-') + text : text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2 * sizeof(qint64) + 1)
        return 0;
    qint64 bytesRead, bytesMax;
    std::memcpy(&bytesRead, data, sizeof bytesRead);
    std::memcpy(&bytesMax, data + sizeof bytesRead, sizeof bytesMax);
    static const QLocale locales[] = { QLocale::c(), QLocale(QLocale::German),
                                       QLocale(QLocale::Arabic, QLocale::Egypt) };
    const QLocale &locale = locales[data[2 * sizeof(qint64)] % 3];

    const bool mega = LiveUpdate::countsInMegabytes(bytesMax);
    const qint64 divisor = mega ? 1000 * 1000 : 1000;
    const QString unit = mega ? QStringLiteral(" MB") : QStringLiteral(" KB");
    const QString read = referenceHundredths(bytesRead, divisor, locale);
    const QString total = referenceHundredths(bytesMax, divisor, locale);

    FUZZ_CHECK(LiveUpdate::formatHundredths(bytesRead, divisor, locale) == read);
    FUZZ_CHECK(LiveUpdate::formatHundredths(bytesMax, divisor, locale) == total);
    FUZZ_CHECK(LiveUpdate::updateProgressText(bytesRead, bytesMax, locale)
               == read + unit + QStringLiteral(" of ") + total + unit
                       + QStringLiteral(" downloaded..."));
    FUZZ_CHECK(LiveUpdate::completionText(bytesMax, locale)
               == QStringLiteral("Download of ") + total + unit + QStringLiteral(" complete."));
    return 0;
}
