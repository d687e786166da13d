// Writes a small stand-in ROM image with known palettes, so the program can
// be tried without touching a real game. Usage: make_sample_rom <path>
#include <cstdio>
#include <cstdint>
#include <vector>

namespace {

uint16_t word(int red, int green, int blue)
{
    return uint16_t(red | (green << 5) | (blue << 10));
}

void putPalette(std::vector<uint8_t> &image, size_t offset, const uint16_t (&words)[16])
{
    for (int i = 0; i < 16; ++i) {
        image[offset + 2 * i] = uint8_t(words[i] & 0xFF);
        image[offset + 2 * i + 1] = uint8_t(words[i] >> 8);
    }
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <path>\n", argv[0]);
        return 2;
    }
    std::vector<uint8_t> image(64 * 1024, 0);
    const char title[] = "CINDRAL SAMPLE";
    for (size_t i = 0; i + 1 < sizeof title; ++i)
        image[i] = uint8_t(title[i]);

    // 1A0: primaries and greys.
    const uint16_t primaries[16] = {
        0x7FFF, word(31, 0, 0), word(0, 31, 0), word(0, 0, 31), word(31, 31, 0),
        word(0, 31, 31), word(31, 0, 31), 0x0000, word(4, 4, 4), word(8, 8, 8),
        word(12, 12, 12), word(16, 16, 16), word(20, 20, 20), word(24, 24, 24),
        word(28, 28, 28), word(31, 16, 0),
    };
    // 400: a red ramp. 1000: a blue-green sea.
    uint16_t ramp[16], sea[16];
    for (int i = 0; i < 16; ++i) {
        ramp[i] = word(i * 2 + 1, 0, 0);
        sea[i] = word(0, i * 2, 31 - i);
    }
    putPalette(image, 0x1A0, primaries);
    putPalette(image, 0x400, ramp);
    putPalette(image, 0x1000, sea);

    std::FILE *out = std::fopen(argv[1], "wb");
    if (!out || std::fwrite(image.data(), 1, image.size(), out) != image.size()
        || std::fclose(out) != 0) {
        std::perror(argv[1]);
        return 1;
    }
    return 0;
}
