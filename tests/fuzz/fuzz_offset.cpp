// Offset texts as typed into the main window's offset box: an offset is
// given only for plain hexadecimal that stays inside a 32-bit file
// position (a 0x prefix allowed), and then it is exactly the number the
// digits spell.
#include "fuzzsupport.h"
#include "rompalette.h"

#include <optional>

namespace {

std::optional<quint32> referenceOffset(const QString &text)
{
    QString digits = text.trimmed();
    if (digits.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        digits.remove(0, 2);
    if (digits.isEmpty())
        return std::nullopt;
    quint64 value = 0;
    for (QChar c : digits) {
        const char16_t u = c.unicode();
        int digit;
        if (u >= '0' && u <= '9')
            digit = u - '0';
        else if (u >= 'a' && u <= 'f')
            digit = u - 'a' + 10;
        else if (u >= 'A' && u <= 'F')
            digit = u - 'A' + 10;
        else
            return std::nullopt;
        value = value * 16 + quint64(digit);
        // Past the limit no further digit can bring it back.
        if (value > RomPalette::MaxOffset)
            return std::nullopt;
    }
    return quint32(value);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = FuzzSupport::textFrom(data, size);
    const std::optional<quint32> offset = RomPalette::parseOffset(text);
    FUZZ_CHECK(offset == referenceOffset(text));
    if (offset) {
        FUZZ_CHECK(*offset <= RomPalette::MaxOffset);
        // The last byte of the palette still has a signed 32-bit position.
        FUZZ_CHECK(qint64(*offset) + RomPalette::ByteCount - 1 <= qint64(INT32_MAX));
        FUZZ_CHECK(RomPalette::parseOffset(QString::number(*offset, 16).toUpper()) == offset);
    }
    return 0;
}
