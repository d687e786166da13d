#include "rgcn.h"

#include <algorithm>

namespace RomFs {

std::optional<RgcnHeader> readRgcn(const Span &file)
{
    quint16 headerSize = 0, height = 0, width = 0;
    quint32 depth = 0, type = 0, size = 0, offset = 0;
    if (!file.hasMagic(0, "RGCN") || !file.u16(0x0C, headerSize))
        return std::nullopt;
    const quint64 section = headerSize;
    if (!file.hasMagic(section, "RAHC") || !file.u16(section + 0x08, height)
        || !file.u16(section + 0x0A, width) || !file.u32(section + 0x0C, depth)
        || !file.u32(section + 0x14, type) || !file.u32(section + 0x18, size)
        || !file.u32(section + 0x1C, offset))
        return std::nullopt;
    if (depth != 3 && depth != 4)
        return std::nullopt;
    RgcnHeader header;
    header.bitsPerPixel = depth == 3 ? 4 : 8;
    header.heightTiles = height == 0xFFFF ? 0 : height;
    header.widthTiles = width == 0xFFFF ? 0 : width;
    header.tiled = type == 0;
    // The offset counts from the section's first field after its size.
    header.dataOffset = std::min(section + 8 + offset, file.size);
    header.dataSize = std::min<quint64>(size, file.size - header.dataOffset);
    return header;
}

} // namespace RomFs
