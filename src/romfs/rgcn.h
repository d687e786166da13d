#pragma once

#include "romimage.h"

#include <optional>

namespace RomFs {

// What the header of a graphics file (RGCN, "NCGR") says about its pixels.
struct RgcnHeader
{
    int bitsPerPixel = 4; // 4 or 8
    // In tiles; 0 where the file leaves it open (0xFFFF, graphics laid out
    // by whoever uses them).
    int widthTiles = 0;
    int heightTiles = 0;
    bool tiled = true; // else a bitmap: rows of pixels
    // Where the pixel data lies in the file; sizes that claim more than the
    // file holds are cut to it.
    quint64 dataOffset = 0;
    quint64 dataSize = 0;
};

// The header of the graphics file that is the whole of file, or nothing
// when it is not one (no RGCN or RAHC mark, a bit depth other than 4 or 8).
std::optional<RgcnHeader> readRgcn(const Span &file);

} // namespace RomFs
