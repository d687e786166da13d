// Writes a small stand-in ROM image with known palettes, so the program can
// be tried without touching a real game: raw palettes at 1A0, 400 and 1000,
// and a DS file system holding a palette file (its colours at 400), an
// archive (first member's colours at 1000, a nested archive inside), an
// LZ10-compressed palette file, an overlay and a text file; and graphics
// coloured by those palettes: a heart sprite (palettes/ramp.ncgr, 4 bpp,
// the ramp), a sunset (8 bpp, in the archive, the 256-colour sunset) and a
// raw strip of 4 bpp tiles at 6000 coloured by the palette at 1A0.
// Usage: make_sample_rom <path>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

uint16_t word(int red, int green, int blue)
{
    return uint16_t(red | (green << 5) | (blue << 10));
}

void put16(Bytes &b, size_t at, uint32_t v)
{
    if (b.size() < at + 2)
        b.resize(at + 2);
    b[at] = uint8_t(v);
    b[at + 1] = uint8_t(v >> 8);
}

void put32(Bytes &b, size_t at, uint32_t v)
{
    put16(b, at, v & 0xFFFF);
    put16(b, at + 2, v >> 16);
}

void putText(Bytes &b, size_t at, const char *text)
{
    if (b.size() < at + std::strlen(text))
        b.resize(at + std::strlen(text));
    std::memcpy(b.data() + at, text, std::strlen(text));
}

void putBytes(Bytes &b, size_t at, const Bytes &bytes)
{
    std::memcpy(b.data() + at, bytes.data(), bytes.size());
}

// A palette file: header, then one TTLP section with the colours at 0x28.
Bytes paletteFile(const std::vector<uint16_t> &words)
{
    Bytes file;
    putText(file, 0, "RLCN");
    put16(file, 4, 0xFEFF);
    put16(file, 6, 0x0100);
    put32(file, 8, uint32_t(0x28 + 2 * words.size()));
    put16(file, 0x0C, 0x10);
    put16(file, 0x0E, 1);
    putText(file, 0x10, "TTLP");
    put32(file, 0x14, uint32_t(0x18 + 2 * words.size()));
    put32(file, 0x18, words.size() > 16 ? 4 : 3);
    put32(file, 0x1C, 0);
    put32(file, 0x20, uint32_t(2 * words.size()));
    put32(file, 0x24, 0x10);
    for (size_t i = 0; i < words.size(); ++i)
        put16(file, 0x28 + 2 * i, words[i]);
    return file;
}

// An archive: header, member table, an empty name table, member data.
Bytes archive(const std::vector<Bytes> &members)
{
    Bytes file;
    const uint32_t table = 0x10, tableSize = 0x0C + 8 * uint32_t(members.size());
    const uint32_t names = table + tableSize, data = names + 0x10;
    putText(file, 0, "NARC");
    put16(file, 4, 0xFFFE);
    put16(file, 6, 0x0100);
    put16(file, 0x0C, 0x10);
    put16(file, 0x0E, 3);
    putText(file, table, "BTAF");
    put32(file, table + 4, tableSize);
    put16(file, table + 8, uint32_t(members.size()));
    putText(file, names, "BTNF");
    put32(file, names + 4, 0x10);
    put32(file, names + 8, 4);
    put16(file, names + 12, 0);
    put16(file, names + 14, 1);
    putText(file, data, "GMIF");
    uint32_t at = 0;
    for (size_t i = 0; i < members.size(); ++i) {
        put32(file, table + 0x0C + 8 * i, at);
        put32(file, table + 0x10 + 8 * i, at + uint32_t(members[i].size()));
        file.resize(data + 8 + at);
        file.insert(file.end(), members[i].begin(), members[i].end());
        at += uint32_t(members[i].size());
    }
    put32(file, data + 4, 8 + at);
    put32(file, 8, uint32_t(file.size()));
    return file;
}

// Pixels (one colour index each, row after row, width a multiple of 8) as
// 8x8 tiles, rows top to bottom; in 4 bpp the low nibble is the left pixel.
Bytes tiles(const std::vector<uint8_t> &pixels, int width, int bits)
{
    Bytes out;
    const int height = int(pixels.size()) / width;
    for (int ty = 0; ty < height / 8; ++ty) {
        for (int tx = 0; tx < width / 8; ++tx) {
            for (int y = 0; y < 8; ++y) {
                const uint8_t *row = &pixels[size_t((ty * 8 + y) * width + tx * 8)];
                for (int x = 0; x < 8; x += bits == 4 ? 2 : 1)
                    out.push_back(bits == 4 ? uint8_t(row[x] | row[x + 1] << 4) : row[x]);
            }
        }
    }
    return out;
}

// A graphics file: header, then one RAHC section with tiled pixels at 0x30.
Bytes graphicsFile(const Bytes &tileBytes, int widthTiles, int heightTiles, int bits)
{
    Bytes file;
    putText(file, 0, "RGCN");
    put16(file, 4, 0xFEFF);
    put16(file, 6, 0x0101);
    put32(file, 8, uint32_t(0x30 + tileBytes.size()));
    put16(file, 0x0C, 0x10);
    put16(file, 0x0E, 1);
    putText(file, 0x10, "RAHC");
    put32(file, 0x14, uint32_t(0x20 + tileBytes.size()));
    put16(file, 0x18, uint32_t(heightTiles));
    put16(file, 0x1A, uint32_t(widthTiles));
    put32(file, 0x1C, bits == 4 ? 3 : 4);
    put32(file, 0x20, 0);
    put32(file, 0x24, 0); // tiled
    put32(file, 0x28, uint32_t(tileBytes.size()));
    put32(file, 0x2C, 0x18);
    file.insert(file.end(), tileBytes.begin(), tileBytes.end());
    return file;
}

// 32x32: a heart lit from the top left, in the ramp's sixteen reds (0 is
// the transparent background, 1 the outline).
std::vector<uint8_t> heart()
{
    std::vector<uint8_t> pixels(32 * 32, 0);
    const auto inside = [](double x, double y) {
        const double a = x * x + y * y - 1;
        return a * a * a - x * x * y * y * y <= 0;
    };
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            const double u = (x - 15.5) / 12.0, v = (15.0 - y) / 12.0;
            if (!inside(u, v))
                continue;
            const bool edge = !inside(u + 0.09, v) || !inside(u - 0.09, v) || !inside(u, v + 0.09)
                    || !inside(u, v - 0.09);
            const double light = std::hypot(u + 0.45, v - 0.55);
            pixels[size_t(y * 32 + x)] = edge ? 1 : uint8_t(std::max(2.0, 15.0 - light * 9.0));
        }
    }
    return pixels;
}

// 64x64: a sun setting over the sea. Colours 16n of the sunset run from red
// to deep blue; 15 is yellow and 14 orange.
std::vector<uint8_t> sunsetPicture()
{
    std::vector<uint8_t> pixels(64 * 64);
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 64; ++x) {
            uint8_t index;
            const double sun = std::hypot(x - 31.5, y - 40.0);
            if (y < 44)
                index = sun < 12 ? 15 : sun < 14 ? 14 : uint8_t(16 * (15 - y * 15 / 44));
            else
                index = (y + x / 8) % 4 == 0 && std::abs(x - 31.5) < 14 - (y - 44) / 3.0
                        ? 14
                        : uint8_t(16 * (10 + (y - 44) / 5));
            pixels[size_t(y * 64 + x)] = index;
        }
    }
    return pixels;
}

// Sixteen 8x8 tiles in a row: a ball in each colour of the palette at 1A0
// on white (0), outlined in black (7).
std::vector<uint8_t> ballStrip()
{
    const uint8_t colours[16] = { 1, 2, 3, 4, 5, 6, 8, 9, 10, 11, 12, 13, 14, 15, 7, 0 };
    std::vector<uint8_t> pixels(128 * 8, 0);
    for (int tile = 0; tile < 16; ++tile) {
        const uint8_t colour = colours[tile];
        for (int y = 0; y < 8; ++y) {
            for (int x = 0; x < 8; ++x) {
                const double r = std::hypot(x - 3.5, y - 3.5);
                pixels[size_t(y * 128 + tile * 8 + x)] = r < 2.6 ? colour : r < 3.7 ? 7 : 0;
            }
        }
    }
    return pixels;
}

// LZ10 with a greedy longest match: what the DS BIOS decompresses.
Bytes compressLz10(const Bytes &in)
{
    Bytes out{ 0x10, uint8_t(in.size()), uint8_t(in.size() >> 8), uint8_t(in.size() >> 16) };
    size_t pos = 0;
    while (pos < in.size()) {
        const size_t flagAt = out.size();
        out.push_back(0);
        for (int bit = 7; bit >= 0 && pos < in.size(); --bit) {
            size_t bestLength = 0, bestDistance = 0;
            for (size_t distance = 1; distance <= 4096 && distance <= pos; ++distance) {
                size_t length = 0;
                while (length < 18 && pos + length < in.size()
                       && in[pos + length] == in[pos + length - distance])
                    ++length;
                if (length > bestLength) {
                    bestLength = length;
                    bestDistance = distance;
                }
            }
            if (bestLength >= 3) {
                out[flagAt] |= uint8_t(1 << bit);
                out.push_back(uint8_t((bestLength - 3) << 4 | (bestDistance - 1) >> 8));
                out.push_back(uint8_t(bestDistance - 1));
                pos += bestLength;
            } else {
                out.push_back(in[pos++]);
            }
        }
    }
    return out;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <path>\n", argv[0]);
        return 2;
    }
    Bytes image(64 * 1024, 0);
    putText(image, 0x00, "CINDRAL DEMO");
    putText(image, 0x0C, "CNDE");

    // 1A0: primaries and greys.
    const std::vector<uint16_t> primaries = {
        0x7FFF, word(31, 0, 0), word(0, 31, 0), word(0, 0, 31), word(31, 31, 0),
        word(0, 31, 31), word(31, 0, 31), 0x0000, word(4, 4, 4), word(8, 8, 8),
        word(12, 12, 12), word(16, 16, 16), word(20, 20, 20), word(24, 24, 24),
        word(28, 28, 28), word(31, 16, 0),
    };
    // 400: a red ramp. 1000: a blue-green sea. Then a fire and a sunset.
    std::vector<uint16_t> ramp(16), sea(16), fire(16), sunset(256);
    for (int i = 0; i < 16; ++i) {
        ramp[i] = word(i * 2 + 1, 0, 0);
        sea[i] = word(0, i * 2, 31 - i);
        fire[i] = word(31, i * 2, i / 2);
    }
    for (int i = 0; i < 256; ++i)
        sunset[i] = word(31 - i / 9, i * 2 % 32, i / 8);
    for (int i = 0; i < 16; ++i)
        put16(image, 0x1A0 + 2 * i, primaries[i]);

    // Files by ID: 0 is an overlay (no name, never searched).
    struct File
    {
        uint32_t offset;
        Bytes bytes;
    };
    const Bytes rampFile = paletteFile(ramp);
    const Bytes seaArchive = archive({ paletteFile(sea), archive({ paletteFile(sunset) }),
                                       graphicsFile(tiles(sunsetPicture(), 64, 8), 8, 8, 8) });
    const std::vector<File> files = {
        { 0x3000, paletteFile(fire) },
        // Placed so that their colours lie at 400 and 1000.
        { 0x400 - 0x28, rampFile },
        // (0x4C: the archive's header and table of three members.)
        { 0x1000 - 0x28 - 0x4C, seaArchive },
        { 0x4000, compressLz10(paletteFile(fire)) },
        { 0x7000, graphicsFile(tiles(heart(), 32, 4), 4, 4, 4) },
        { 0x5000, Bytes{ 'A', ' ', 's', 'a', 'm', 'p', 'l', 'e', ' ', 'R', 'O', 'M', '.', '\n' } },
    };
    for (const File &file : files)
        putBytes(image, file.offset, file.bytes);
    putBytes(image, 0x6000, tiles(ballStrip(), 128, 4));

    // Name table: root (ID F000) holds "palettes" (F001) and "docs" (F002).
    Bytes fnt(0x18, 0);
    const auto directory = [&fnt](int index, uint32_t firstFile, uint32_t parent) {
        put32(fnt, 8 * index, uint32_t(fnt.size()));
        put16(fnt, 8 * index + 4, firstFile);
        put16(fnt, 8 * index + 6, parent);
    };
    const auto entry = [&fnt](const char *name, int directoryId) {
        fnt.push_back(uint8_t(std::strlen(name) | (directoryId ? 0x80 : 0)));
        fnt.insert(fnt.end(), name, name + std::strlen(name));
        if (directoryId) {
            fnt.push_back(uint8_t(directoryId));
            fnt.push_back(uint8_t(directoryId >> 8));
        }
    };
    directory(0, 1, 3);
    entry("palettes", 0xF001);
    entry("docs", 0xF002);
    fnt.push_back(0);
    directory(1, 1, 0xF000);
    entry("ramp.nclr", 0);
    entry("sea.narc", 0);
    entry("fire.nclr.lz", 0);
    entry("ramp.ncgr", 0);
    fnt.push_back(0);
    directory(2, 5, 0xF000);
    entry("readme.txt", 0);
    fnt.push_back(0);

    const uint32_t fntOffset = 0x200, fatOffset = 0x300;
    putBytes(image, fntOffset, fnt);
    for (size_t id = 0; id < files.size(); ++id) {
        put32(image, fatOffset + 8 * id, files[id].offset);
        put32(image, fatOffset + 8 * id + 4, files[id].offset + uint32_t(files[id].bytes.size()));
    }
    put32(image, 0x40, fntOffset);
    put32(image, 0x44, uint32_t(fnt.size()));
    put32(image, 0x48, fatOffset);
    put32(image, 0x4C, uint32_t(8 * files.size()));

    std::FILE *out = std::fopen(argv[1], "wb");
    if (!out || std::fwrite(image.data(), 1, image.size(), out) != image.size()
        || std::fclose(out) != 0) {
        std::perror(argv[1]);
        return 1;
    }
    return 0;
}
