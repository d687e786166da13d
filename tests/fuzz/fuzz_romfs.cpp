// Arbitrary bytes as a ROM image: the lister finishes, every palette it
// reports lies inside the image (or, when compressed, starts at a byte of
// it), and the listing is ordered and one line per palette; read as a
// graphics file, its pixel data lies inside it. Every graphics file listed
// is found again with all its pixels, and ordered like the palettes. The
// colour finder, searching for the image's first words, finds them where
// they lie, finds every place of the image's bytes a plain search finds,
// and every match it reports outside compressed files is what it claims.
#include "colourfinder.h"
#include "fuzzsupport.h"
#include "graphicsfinder.h"
#include "palettefinder.h"
#include "rgcn.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const RomFs::MemoryImage image(bytes);
    const RomFs::Listing listing = RomFs::listPalettes(image);
    const RomFs::FoundPalette *previous = nullptr;
    for (const RomFs::FoundPalette &found : listing.palettes) {
        FUZZ_CHECK(found.colours > 0);
        FUZZ_CHECK(found.offset < size);
        FUZZ_CHECK(!found.source.contains('\n') && !found.source.contains('\t'));
        if (!found.compressed) {
            FUZZ_CHECK(found.offset + 2 * quint64(found.colours) <= size);
            // The strip shows the colours as they lie in the image.
            for (quint32 i = 0; i < found.colours && i < 16; ++i) {
                const quint64 at = found.offset + 2 * i;
                FUZZ_CHECK(found.first[i] == quint16(data[at] | data[at + 1] << 8));
            }
        }
        if (previous) {
            FUZZ_CHECK(previous->offset < found.offset
                       || (previous->offset == found.offset && previous->source <= found.source));
        }
        previous = &found;
    }
    // The same bytes as one graphics file: its pixel data lies inside it.
    if (const auto header = RomFs::readRgcn({ &image, 0, image.size() }))
        FUZZ_CHECK(header->dataOffset + header->dataSize <= size);
    const std::vector<RomFs::FoundGraphics> graphics = RomFs::listGraphics(image);
    for (size_t i = 0; i < graphics.size(); ++i) {
        const RomFs::FoundGraphics &found = graphics[i];
        FUZZ_CHECK(found.bitsPerPixel == 4 || found.bitsPerPixel == 8);
        FUZZ_CHECK(found.offset < size && found.dataSize > 0);
        FUZZ_CHECK(found.compressed || found.offset + found.dataSize <= size);
        FUZZ_CHECK(!found.source.contains('\n') && !found.source.contains('\t'));
        if (i > 0) {
            const RomFs::FoundGraphics &before = graphics[i - 1];
            FUZZ_CHECK(before.offset < found.offset
                       || (before.offset == found.offset && before.source <= found.source));
        }
        // A walk per compressed file: a few are enough.
        if (i < 4) {
            QByteArray pixels;
            FUZZ_CHECK(RomFs::graphicsPixels(image, found, pixels));
            FUZZ_CHECK(quint64(pixels.size()) == found.dataSize);
        }
        if (const auto beside = RomFs::paletteBeside(found, listing.palettes))
            FUZZ_CHECK(*beside < listing.palettes.size());
    }
    FUZZ_CHECK(RomFs::formatGraphicsListing(graphics).count('\n') == qsizetype(graphics.size()));
    const QString text = RomFs::formatListing(listing);
    FUZZ_CHECK(text.count('\n') == qsizetype(listing.palettes.size()));

    std::vector<quint16> words;
    for (size_t i = 0; i + 1 < size && i < 8; i += 2)
        words.push_back(quint16(data[i] | data[i + 1] << 8));
    const RomFs::ColourSearch search = RomFs::findColours(image, words);
    FUZZ_CHECK(words.empty() || search.truncated
               || (!search.matches.empty() && search.matches[0].offset == 0
                   && search.matches[0].exact));
    // Near or exact at an even offset: what a plain search must find.
    auto alike = [&](quint64 at) {
        for (size_t i = 0; i < words.size(); ++i) {
            const int w = (data[at + 2 * i] | data[at + 2 * i + 1] << 8) & 0x7FFF;
            for (int shift = 0; shift < 15; shift += 5) {
                if (std::abs((w >> shift & 31) - (words[i] >> shift & 31)) > 1)
                    return false;
            }
        }
        return true;
    };
    size_t plain = 0, expected = 0;
    for (quint64 at = 0; !words.empty() && at + 2 * words.size() <= size; at += 2)
        expected += alike(at);
    for (size_t m = 0; m < search.matches.size(); ++m) {
        const RomFs::ColourMatch &match = search.matches[m];
        FUZZ_CHECK(match.colours == words.size() && match.offset < size);
        if (m > 0)
            FUZZ_CHECK(search.matches[m - 1].exact >= match.exact);
        if (match.compressed)
            continue;
        ++plain;
        FUZZ_CHECK(match.offset % 2 == 0 && match.offset + 2 * words.size() <= size);
        bool exact = true;
        for (size_t i = 0; i < words.size(); ++i) {
            const quint64 at = match.offset + 2 * i;
            const int w = (data[at] | data[at + 1] << 8) & 0x7FFF, p = words[i] & 0x7FFF;
            exact = exact && w == p;
            for (int shift = 0; shift < 15; shift += 5)
                FUZZ_CHECK(std::abs((w >> shift & 31) - (p >> shift & 31)) <= 1);
        }
        FUZZ_CHECK(exact == match.exact);
    }
    FUZZ_CHECK(search.truncated || plain == expected);
    return 0;
}
