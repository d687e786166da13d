// Colorpicker.dat as found on disk: parsing never fails, the list-format
// number readers agree with the C library, and what a file gives, written
// back and read again, comes back whole and stays the same after that.
#include "fuzzsupport.h"
#include "pickersettings.h"

#include <QList>

#include <cfloat>
#include <cmath>

using namespace PickerSettings;

// The settings as the window holds them after applying what was read.
static Settings settingsFrom(const Loaded& loaded)
{
    Settings s;
    auto take = [](auto& field, const auto& read) { field = read ? *read : field; };
    take(s.newColour, loaded.oldColour);
    take(s.widthTwips, loaded.widthTwips);
    take(s.zoomIndex, loaded.zoomIndex);
    take(s.autoCopy, loaded.autoCopy);
    take(s.autoPaste, loaded.autoPaste);
    take(s.historyPointer, loaded.historyPointer);
    for (int i = 0; i < HistorySlots; ++i)
        take(s.history[i], loaded.history[i]);
    if (loaded.usedDefaults) {
        s.widthTwips = DefaultsWidthTwips;
        s.zoomIndex = DefaultsZoomIndex;
        s.autoCopy = s.autoPaste = true;
        s.historyPointer = 0;
    }
    return s;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray contents(reinterpret_cast<const char*>(data), qsizetype(size));
    for (const QByteArray& line : contents.split('\n')) {
        const QString text = QString::fromLatin1(line).remove(u'\r'), word = text.trimmed();
        const double c = std::strtod(word.toLatin1().constData(), nullptr);
        // Subnormal and overflowing numbers may round differently.
        if (isNumeric(text) && std::isfinite(c) && (c == 0 || std::fabs(c) >= DBL_MIN))
            FUZZ_CHECK(word.toDouble() == c && leadingNumber(word) == c);
    }
    const Loaded loaded = parse(contents);
    FUZZ_CHECK(!loaded.widthTwips || (*loaded.widthTwips >= 0 && *loaded.widthTwips <= 65535));
    FUZZ_CHECK(!loaded.zoomIndex || (*loaded.zoomIndex >= -1 && *loaded.zoomIndex < ZoomItems));
    FUZZ_CHECK(!loaded.historyPointer || *loaded.historyPointer < HistorySlots);

    const Settings settings = settingsFrom(loaded);
    const QByteArray written = serialize(settings);
    const Loaded reread = parse(written);
    FUZZ_CHECK(written.count("\r\n") == 6 + HistorySlots && !reread.usedDefaults);
    FUZZ_CHECK(reread.oldColour == settings.newColour && reread.zoomIndex == settings.zoomIndex);
    FUZZ_CHECK(reread.widthTwips
        && std::fabs(*reread.widthTwips - std::max(settings.widthTwips, NarrowWidthTwips)) <= 0.01);
    FUZZ_CHECK(reread.autoCopy == settings.autoCopy && reread.autoPaste == settings.autoPaste);
    FUZZ_CHECK(reread.historyPointer == settings.historyPointer);
    for (int i = 0; i < HistorySlots; ++i)
        FUZZ_CHECK(reread.history[i] == settings.history[i]);
    FUZZ_CHECK(serialize(settingsFrom(reread)) == written);
    return 0;
}
