// Download sizes in the live update's progress and completion texts come
// from the server's Content-Length, so any 64-bit value can reach them:
// each must give its exact size in hundredths.
#include "fuzzsupport.h"
#include "liveupdate.h"

// bytes / divisor in hundredths, halves away from zero, in 128 bits so no
// size can overflow it.
static QString hundredths(qint64 bytes, qint64 divisor, const QLocale& locale)
{
    const __int128 h
        = ((bytes < 0 ? -__int128(bytes) : __int128(bytes)) * 100 + divisor / 2) / divisor;
    const QString text = QString::number(qint64(h / 100)) + locale.decimalPoint()
        + QStringLiteral("%1").arg(int(h % 100), 2, 10, QLatin1Char('0'));
    return bytes < 0 && h != 0 ? QLatin1Char('-') + text : text;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    qint64 read, max;
    if (size < sizeof read + sizeof max + 1)
        return 0;
    std::memcpy(&read, data, sizeof read);
    std::memcpy(&max, data + sizeof read, sizeof max);
    static const QLocale locales[]
        = { QLocale::c(), QLocale(QLocale::German), QLocale(QLocale::Arabic, QLocale::Egypt) };
    const QLocale& locale = locales[data[sizeof read + sizeof max] % 3];
    const bool mega = LiveUpdate::countsInMegabytes(max);
    const qint64 divisor = mega ? 1000 * 1000 : 1000;
    const QString unit = mega ? QStringLiteral(" MB") : QStringLiteral(" KB");
    const QString total = hundredths(max, divisor, locale);
    FUZZ_CHECK(
        LiveUpdate::formatHundredths(read, divisor, locale) == hundredths(read, divisor, locale));
    FUZZ_CHECK(LiveUpdate::updateProgressText(read, max, locale)
        == hundredths(read, divisor, locale) + unit + QLatin1String(" of ") + total + unit
            + QLatin1String(" downloaded..."));
    FUZZ_CHECK(LiveUpdate::completionText(max, locale)
        == QLatin1String("Download of ") + total + unit + QLatin1String(" complete."));
    return 0;
}
