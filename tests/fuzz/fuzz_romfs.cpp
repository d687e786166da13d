// Arbitrary bytes as a ROM image: the lister finishes, every palette it
// reports lies inside the image (or, when compressed, starts at a byte of
// it), and the listing is ordered and one line per palette; read as a
// graphics file, its pixel data lies inside it. Every graphics file listed
// is found again with all its pixels, and ordered like the palettes.
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
    return 0;
}
