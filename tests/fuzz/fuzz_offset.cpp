// Offset texts as typed into the main window's offset box: an offset is
// given only for plain hexadecimal that stays inside a 32-bit file
// position (a 0x prefix allowed), and then it is exactly the number the
// digits spell.
#include "fuzzsupport.h"
#include "rompalette.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = FuzzSupport::textFrom(data, size);
    QString digits = text.trimmed();
    if (digits.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        digits.remove(0, 2);
    // Counted wide; past the limit no further digit can bring it back.
    quint64 value = 0;
    bool plain = !digits.isEmpty();
    for (QChar c : digits) {
        const int digit = FuzzSupport::hexDigit(c);
        plain
            = plain && digit >= 0 && (value = value * 16 + quint64(digit)) <= RomPalette::MaxOffset;
    }
    const std::optional<quint32> offset = RomPalette::parseOffset(text);
    FUZZ_CHECK(offset == (plain ? std::optional<quint32>(quint32(value)) : std::nullopt));
    // The palette's last byte still has a signed 32-bit position.
    FUZZ_CHECK(!offset || qint64(*offset) + RomPalette::ByteCount - 1 <= qint64(INT32_MAX));
    FUZZ_CHECK(
        !offset || RomPalette::parseOffset(QString::number(*offset, 16).toUpper()) == offset);
    return 0;
}
