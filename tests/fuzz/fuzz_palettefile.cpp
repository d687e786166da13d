// Palette files as found on disk: reading never fails badly, a refusal
// says where the file went wrong, and what is read survives being written
// in every format and read again.
#include "fuzzsupport.h"
#include "palettefile.h"

#include <optional>

using PaletteFile::Format;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    // The first byte is the extension the file came with, if any.
    const std::optional<Format> hints[] = { std::nullopt, Format::JascPal, Format::Gimp,
                                            Format::Act,  Format::Raw,     Format::Png };
    const auto hint = hints[data[0] % 6];
    const QByteArray contents(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    const PaletteFile::Decoded decoded = PaletteFile::decode(contents, hint);

    if (!decoded.error.isEmpty()) {
        FUZZ_CHECK(decoded.words.isEmpty());
        return 0;
    }
    FUZZ_CHECK(!decoded.words.isEmpty() && decoded.words.size() <= PaletteFile::MaxColours);
    PaletteFile::Words colours = decoded.words;
    for (quint16 &word : colours)
        word &= 0x7FFF;
    for (const Format format :
         { Format::JascPal, Format::Gimp, Format::Act, Format::Raw, Format::Png }) {
        const QByteArray written
                = PaletteFile::encode(format, decoded.words, QStringLiteral("fuzz 0"));
        const PaletteFile::Decoded again = PaletteFile::decode(written, format);
        FUZZ_CHECK(again.error.isEmpty());
        FUZZ_CHECK(again.words == (format == Format::Raw ? decoded.words : colours));
    }
    return 0;
}
