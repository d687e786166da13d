// Colour word texts and RGB hex texts as typed or pasted into the palette
// boxes and the colour picker: the codec must never fail, always give
// well-formed texts, and agree with the byte pair reader.
#include "fuzzsupport.h"
#include "module1.h"
#include "rompalette.h"

#include <algorithm>

namespace {

bool isUpperHex(QChar c)
{
    return (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
            || (c >= QLatin1Char('A') && c <= QLatin1Char('F'));
}

bool isUpperHexText(const QString &text, qsizetype length)
{
    return text.size() == length && std::all_of(text.begin(), text.end(), isUpperHex);
}

bool isBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n')
            || c == QLatin1Char('\r');
}

// The value of the leading digits, counted with a wide type so a reader
// that loses high digits differently shows up.
quint64 referenceHexPrefix(QStringView text)
{
    quint64 value = 0;
    for (QChar c : text) {
        if (isBlank(c))
            continue;
        const char16_t u = c.unicode();
        int digit;
        if (u >= '0' && u <= '9')
            digit = u - '0';
        else if (u >= 'a' && u <= 'f')
            digit = u - 'a' + 10;
        else if (u >= 'A' && u <= 'F')
            digit = u - 'A' + 10;
        else
            break;
        value = (value << 4) | quint64(digit);
    }
    return value;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = FuzzSupport::textFrom(data, size);

    const quint32 prefix = Module1::ReadHexPrefix(text);
    FUZZ_CHECK(prefix == quint32(referenceHexPrefix(text)));

    // Word text to RGB: six upper-case digits in either order, and back to
    // the same word with bit 15 dropped (5 bits scaled to 8 and back).
    const QString rgb = Module1::GBAColorToRGBHex(text, false);
    const QString bgr = Module1::GBAColorToRGBHex(text, true);
    FUZZ_CHECK(isUpperHexText(rgb, 6));
    FUZZ_CHECK(isUpperHexText(bgr, 6));
    FUZZ_CHECK(rgb.mid(0, 2) == bgr.mid(4, 2) && rgb.mid(2, 2) == bgr.mid(2, 2)
               && rgb.mid(4, 2) == bgr.mid(0, 2));
    const quint32 word = Module1::ReadHexPrefix(text.right(2) + text.left(2)) & 0x7FFF;
    const QString back = Module1::RGBHexToGBAColor(rgb);
    FUZZ_CHECK(isUpperHexText(back, 4));
    const auto backBytes = RomPalette::WordTextToBytes(back);
    FUZZ_CHECK((quint32(backBytes[1]) << 8 | backBytes[0]) == word);

    // Any text in the RGB box gives a word text whose word fits 15 bits.
    const QString fromRgb = Module1::RGBHexToGBAColor(text);
    FUZZ_CHECK(isUpperHexText(fromRgb, 4));
    const auto fromRgbBytes = RomPalette::WordTextToBytes(fromRgb);
    FUZZ_CHECK(fromRgbBytes[1] <= 0x7F);

    // The byte pair reader: each pair is read on its own and never carries
    // a digit over into the other byte.
    const auto bytes = RomPalette::WordTextToBytes(text);
    FUZZ_CHECK(referenceHexPrefix(QStringView(text).mid(0, 2)) == bytes[0]);
    FUZZ_CHECK(referenceHexPrefix(QStringView(text).mid(2, 2)) == bytes[1]);
    const QString canonical = RomPalette::BytesToWordText(bytes[0], bytes[1]);
    FUZZ_CHECK(isUpperHexText(canonical, 4));
    FUZZ_CHECK(RomPalette::WordTextToBytes(canonical) == bytes);
    // For a well-formed word text both readers see the same word.
    if (text.size() == 4 && std::all_of(text.begin(), text.end(), [](QChar c) {
            return isUpperHex(c.toUpper());
        })) {
        FUZZ_CHECK((quint32(bytes[1]) << 8 | bytes[0]) == (prefix >> 8 | (prefix & 0xFF) << 8));
        FUZZ_CHECK(Module1::GBAColorToRGBHex(canonical, false) == rgb);
    }
    return 0;
}
