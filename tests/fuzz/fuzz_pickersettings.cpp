// Colorpicker.dat as found on disk: parsing never fails, the list-format
// readers agree with the C library on the numbers they accept, and what
// a file gives, written back and read again, comes back whole and stays
// the same on every further round.
#include "fuzzsupport.h"
#include "pickersettings.h"

#include <QList>

#include <cfloat>
#include <cmath>
#include <cstdlib>

using namespace PickerSettings;

namespace {

// The settings as the window holds them after applying what was read.
Settings settingsFrom(const Loaded &loaded)
{
    Settings settings;
    if (loaded.oldColour)
        settings.newColour = *loaded.oldColour;
    if (loaded.widthTwips)
        settings.widthTwips = *loaded.widthTwips;
    if (loaded.zoomIndex)
        settings.zoomIndex = *loaded.zoomIndex;
    if (loaded.autoCopy)
        settings.autoCopy = *loaded.autoCopy;
    if (loaded.autoPaste)
        settings.autoPaste = *loaded.autoPaste;
    if (loaded.historyPointer)
        settings.historyPointer = *loaded.historyPointer;
    for (int i = 0; i < HistorySlots; ++i) {
        if (loaded.history[i])
            settings.history[i] = *loaded.history[i];
    }
    if (loaded.usedDefaults) {
        settings.widthTwips = DefaultsWidthTwips;
        settings.zoomIndex = DefaultsZoomIndex;
        settings.autoCopy = true;
        settings.autoPaste = true;
        settings.historyPointer = 0;
    }
    return settings;
}

void checkNumberReaders(const QString &line)
{
    if (!isNumeric(line))
        return;
    const QString word = line.trimmed();
    const double qt = word.toDouble();
    const double c = std::strtod(word.toLatin1().constData(), nullptr);
    // Subnormal and overflowing numbers may be rounded differently; every
    // other number must read as the C library reads it.
    if (std::isfinite(c) && (c == 0 || std::fabs(c) >= DBL_MIN)) {
        FUZZ_CHECK(qt == c);
        FUZZ_CHECK(leadingNumber(word) == c);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray contents(reinterpret_cast<const char *>(data), qsizetype(size));
    const Loaded loaded = parse(contents);

    for (const QByteArray &line : contents.split('\n'))
        checkNumberReaders(QString::fromLatin1(line).remove(QLatin1Char('\r')));

    if (loaded.widthTwips)
        FUZZ_CHECK(std::isfinite(*loaded.widthTwips) && *loaded.widthTwips >= 0
                   && *loaded.widthTwips <= 65535);
    if (loaded.zoomIndex)
        FUZZ_CHECK(*loaded.zoomIndex >= -1 && *loaded.zoomIndex < ZoomItems);
    if (loaded.historyPointer)
        FUZZ_CHECK(*loaded.historyPointer < HistorySlots);

    const Settings settings = settingsFrom(loaded);
    const QByteArray written = serialize(settings);
    FUZZ_CHECK(written.count("\r\n") == 6 + HistorySlots);

    const Loaded reread = parse(written);
    FUZZ_CHECK(!reread.usedDefaults);
    FUZZ_CHECK(reread.oldColour == settings.newColour);
    FUZZ_CHECK(reread.widthTwips.has_value());
    if (settings.widthTwips < NarrowWidthTwips)
        FUZZ_CHECK(*reread.widthTwips == NarrowWidthTwips);
    else
        FUZZ_CHECK(std::fabs(*reread.widthTwips - settings.widthTwips) <= 0.01);
    FUZZ_CHECK(reread.zoomIndex == settings.zoomIndex);
    FUZZ_CHECK(reread.autoCopy == settings.autoCopy);
    FUZZ_CHECK(reread.autoPaste == settings.autoPaste);
    FUZZ_CHECK(reread.historyPointer == settings.historyPointer);
    for (int i = 0; i < HistorySlots; ++i)
        FUZZ_CHECK(reread.history[i] == settings.history[i]);

    FUZZ_CHECK(serialize(settingsFrom(reread)) == written);
    return 0;
}
