#pragma once

#include "palettefinder.h"

#include <QByteArray>
#include <QString>

#include <atomic>
#include <optional>
#include <vector>

// Finds the graphics files (RGCN, "NCGR") of a DS image by their content,
// inside archives and compressed files too, in the same walk as the
// palettes.
namespace RomFs {

struct FoundGraphics
{
    // Of the pixel data; of the compressed file's first byte when compressed.
    quint64 offset = 0;
    // Of the pixel data, cut to the file.
    quint64 dataSize = 0;
    // As the header gives them; 0 where it leaves them open.
    int widthTiles = 0;
    int heightTiles = 0;
    int bitsPerPixel = 4;
    bool tiled = true;
    // As --list-palettes writes a palette's source.
    QString source;
    bool compressed = false;
};

// The graphics files of image, ordered by offset, then by source. None for
// an image without a DS file system.
std::vector<FoundGraphics> listGraphics(const Image &image,
                                        const std::atomic<bool> *cancel = nullptr);

// Palettes and graphics files of one image, in one walk over it. False with
// the system's reason when the file cannot be read.
bool listRomFilesInFile(const QString &path, Listing &palettes,
                        std::vector<FoundGraphics> &graphics, QString *reason,
                        const std::atomic<bool> *cancel = nullptr);

// One line per file: offset in upper-case hexadecimal, width x height in
// tiles, bits per pixel, "tiled" or "bitmap", source, and "compressed"
// where it applies, separated by tabs.
QString formatGraphicsListing(const std::vector<FoundGraphics> &graphics);

// The pixel bytes of a found file; a compressed one is found again by a
// walk to its source and decompressed. False when the image no longer
// holds it.
bool graphicsPixels(const Image &image, const FoundGraphics &found, QByteArray &pixels);

// The palette that belongs to a graphics file: in a folder, the one of the
// same name before the extension (a/x.ncgr, a/x.nclr); in an archive, the
// nearest palette before it among the archive's members.
std::optional<size_t> paletteBeside(const FoundGraphics &graphics,
                                    const std::vector<FoundPalette> &palettes);

} // namespace RomFs
