// Colour word texts and RGB texts as typed or pasted into the palette boxes
// and the colour picker: the codec never fails, always gives well-formed
// texts, and agrees with the byte pair reader.
#include "fuzzsupport.h"
#include "module1.h"
#include "rompalette.h"

#include <algorithm>

static bool isUpperHex(const QString& text, qsizetype length)
{
    return text.size() == length && std::all_of(text.begin(), text.end(), [](QChar c) {
        return FuzzSupport::hexDigit(c) >= 0 && !c.isLower();
    });
}

// The leading digits' value, blanks skipped, counted wide so a reader that
// loses high digits differently shows up.
static quint64 hexPrefix(QStringView text)
{
    quint64 value = 0;
    for (QChar c : text) {
        const int digit = FuzzSupport::hexDigit(c);
        if (digit >= 0)
            value = value << 4 | quint64(digit);
        else if (!QStringView(u" \t\r\n").contains(c))
            break;
    }
    return value;
}

static quint32 wordOf(const QString& text)
{
    const auto bytes = RomPalette::WordTextToBytes(text);
    return quint32(bytes[1]) << 8 | bytes[0];
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = FuzzSupport::textFrom(data, size);
    const quint32 prefix = Module1::ReadHexPrefix(text);
    FUZZ_CHECK(prefix == quint32(hexPrefix(text)));
    // Word text to RGB: six upper-case digits either way round, and back to
    // the same word less bit 15 (5 bits scaled to 8 and back).
    const QString rgb = Module1::GBAColorToRGBHex(text, false);
    const QString bgr = Module1::GBAColorToRGBHex(text, true);
    FUZZ_CHECK(isUpperHex(rgb, 6) && rgb == bgr.mid(4, 2) + bgr.mid(2, 2) + bgr.mid(0, 2));
    const QString back = Module1::RGBHexToGBAColor(rgb);
    const quint32 word = Module1::ReadHexPrefix(text.right(2) + text.left(2)) & 0x7FFF;
    FUZZ_CHECK(isUpperHex(back, 4) && wordOf(back) == word);
    // Any text in the RGB box gives a word text whose word fits 15 bits.
    const QString fromRgb = Module1::RGBHexToGBAColor(text);
    FUZZ_CHECK(isUpperHex(fromRgb, 4) && wordOf(fromRgb) <= 0x7FFF);
    // The byte pair reader reads each pair alone, carrying no digit over.
    const auto bytes = RomPalette::WordTextToBytes(text);
    FUZZ_CHECK(hexPrefix(QStringView(text).mid(0, 2)) == bytes[0]
        && hexPrefix(QStringView(text).mid(2, 2)) == bytes[1]);
    const QString canonical = RomPalette::BytesToWordText(bytes[0], bytes[1]);
    FUZZ_CHECK(isUpperHex(canonical, 4) && RomPalette::WordTextToBytes(canonical) == bytes);
    // For a well-formed word text both readers see the same word.
    if (text.size() == 4 && isUpperHex(text.toUpper(), 4))
        FUZZ_CHECK(wordOf(text) == (prefix >> 8 | (prefix & 0xFF) << 8)
            && Module1::GBAColorToRGBHex(canonical, false) == rgb);
    return 0;
}
