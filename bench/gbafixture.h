#pragma once

// A stand-in GBA ROM built from what real ones hold: Thumb and ARM code
// with literal pools, pointer and record tables, ASCII text, 4- and 8-bit
// tiles drawn as shaded shapes, LZ77-compressed graphics, 00 and FF fills,
// and palettes as artists make them (shading ramps of a few hues on a
// transparent or key colour 0, 16-colour banks, 256-colour palettes). Each
// piece is seeded, so a fixture is the same on every run. The yardstick of
// the GBA scan: it must stay true to games, not to the scanner.
#include <QByteArray>

#include <algorithm>
#include <random>
#include <vector>

namespace GbaFixture {

struct Palette {
    quint64 offset = 0;
    quint32 words = 0;
    bool startsGroup = false; // first of back-to-back palettes
};

struct Rom {
    QByteArray bytes;
    std::vector<Palette> palettes;
};

class Builder {
public:
    explicit Builder(quint32 seed)
        : m_random(seed)
    {
    }

    quint32 below(quint32 n) { return quint32(m_random() % n); }
    bool chance(int percent) { return below(100) < quint32(percent); }

    void put(quint32 value, int bytes)
    {
        for (int i = 0; i < bytes; ++i)
            m_rom.bytes.append(char(value >> (8 * i)));
    }
    void half(quint32 value) { put(value, 2); }
    void align(int to, char fill = '\0')
    {
        while (m_rom.bytes.size() % to)
            m_rom.bytes.append(fill);
    }

    // A Thumb function: push, a body of common instructions, pop, and a
    // literal pool of addresses and constants.
    void thumbFunction()
    {
        half(0xB500 | below(0x100));
        for (quint32 n = 8 + below(200); n > 0; --n) {
            const quint32 r = below(8), s = below(8), t = below(8), pick = below(100);
            if (pick < 14)
                half(0x2000 | below(4) << 11 | r << 8 | below(64)); // mov/cmp/add/sub #
            else if (pick < 30)
                half(0x6000 | below(4) << 11 | below(32) << 6 | s << 3 | r); // ldr/str/ldrb/strb
            else if (pick < 38)
                half(0x8000 | below(2) << 11 | below(32) << 6 | s << 3 | r); // ldrh/strh
            else if (pick < 46)
                half(0x4800 | r << 8 | below(32)); // ldr r, [pc]
            else if (pick < 56)
                half(0x4000 | below(16) << 6 | s << 3 | r); // ALU
            else if (pick < 64)
                half(0x1800 | below(4) << 9 | t << 6 | s << 3 | r); // add/sub reg
            else if (pick < 70)
                half(below(3) << 11 | below(32) << 6 | s << 3 | r); // shifts
            else if (pick < 74)
                half(0x4600 | below(256)); // hi mov/add/bx
            else if (pick < 78)
                half(0x9000 | below(2) << 11 | r << 8 | below(64)); // sp relative
            else if (pick < 87)
                half(0xD000 | below(14) << 8 | below(256)); // b<cond>
            else if (pick < 90)
                half(0xE000 | below(0x800)); // b
            else if (pick < 97)
                half(0xF000 | below(0x800)), half(0xF800 | below(0x800)); // bl
            else
                half(0x5000 | below(0x1000)); // ldr/str reg
        }
        half(0xBC00 | below(0x100));
        half(0x4700 | below(2) << 3);
        align(4);
        for (quint32 n = below(8); n > 0; --n)
            put(literal(), 4);
    }

    // ARM code: nearly every instruction runs always (condition E).
    void armCode()
    {
        for (quint32 n = 16 + below(400); n > 0; --n)
            put(chance(90) ? 0xE0000000 | below(0x10000000) : literal(), 4);
    }

    quint32 literal()
    {
        switch (below(5)) {
        case 0:
            return 0x08000000 | (below(0x800000) & ~3u);
        case 1:
            return 0x03000000 | (below(0x8000) & ~3u);
        case 2:
            return 0x02000000 | (below(0x40000) & ~3u);
        case 3:
            return 0x04000000 | (below(0x400) & ~1u);
        default:
            return below(4) ? below(0x400) : quint32(m_random());
        }
    }

    // Tables of pointers into one stretch of the ROM, and records of small
    // numbers (stats, ids, flags).
    void table()
    {
        align(4);
        if (chance(50)) {
            quint32 at = 0x08000000 | (below(0x1000000) & ~3u);
            for (quint32 n = 4 + below(120); n > 0; --n, at += 4 * (1 + below(32)))
                put(at, 4);
            return;
        }
        const quint32 fields = 2 + below(6);
        std::vector<quint32> sizes(fields), ranges(fields);
        for (quint32 f = 0; f < fields; ++f)
            sizes[f] = 1 + below(2), ranges[f] = 1 + below(below(2) ? 16 : 400);
        for (quint32 n = 4 + below(200); n > 0; --n) {
            for (quint32 f = 0; f < fields; ++f)
                put(below(ranges[f]) % (1u << 8 * sizes[f]), int(sizes[f]));
            align(2);
        }
    }

    void text()
    {
        static const char* const words[] = { "the ", "You ", "found ", "a ", "POTION", "! ",
            "door ", "is ", "locked", ".\n", "Press ", "START ", "to ", "continue", "HP ", "MP ",
            "LV ", "save ", "your ", "game", "?\n", "Yes", "No", "Sword ", "of ", "Fire " };
        for (quint32 n = 2 + below(300); n > 0; --n) {
            m_rom.bytes.append(words[below(26)]);
            if (chance(8))
                m_rom.bytes.append('\0');
        }
        m_rom.bytes.append('\0');
        align(4);
    }

    // Sprites of 2x2 to 4x4 tiles: shaded ellipses with an outline on
    // transparent colour 0, drawn with the first `colours` indices.
    QByteArray tiles()
    {
        const int w = 2 + int(below(3)), h = 2 + int(below(3));
        const int colours = chance(40) ? 8 : 16;
        const int shades = std::max(1, colours - 3);
        QByteArray out;
        for (int sprites = 1 + int(below(6)); sprites > 0; --sprites) {
            const double cx = w * 4 + int(below(5)) - 2, cy = h * 4 + int(below(5)) - 2;
            const double rx = w * 4 - 1 - below(3), ry = h * 4 - 1 - below(3);
            const int base = 2 + int(below(quint32(shades)));
            for (int ty = 0; ty < h; ++ty)
                for (int tx = 0; tx < w; ++tx)
                    for (int y = 0; y < 8; ++y)
                        for (int x = 0; x < 8; x += 2) {
                            int pair = 0;
                            for (int k = 0; k < 2; ++k) {
                                const double dx = (tx * 8 + x + k - cx) / rx,
                                             dy = (ty * 8 + y - cy) / ry;
                                const double d = dx * dx + dy * dy;
                                int index = 0;
                                if (d < 0.8)
                                    index = std::clamp(base + int((dx + dy) * 3), 2, colours - 1);
                                else if (d < 1.0)
                                    index = 1;
                                pair |= index << 4 * k;
                            }
                            out.append(char(pair));
                        }
        }
        return out;
    }

    // 8-bit tiles of a 256-colour background: shaded shapes drawn with the
    // indices of one or two rows of 16 colours on colour 0.
    QByteArray tiles256()
    {
        const int w = 2 + int(below(4)), h = 2 + int(below(4));
        const int row = 16 * int(below(15)), rows = chance(50) ? 16 : 32;
        const double cx = w * 4 + int(below(7)) - 3, cy = h * 4 + int(below(7)) - 3;
        const double rx = w * 4 - below(4), ry = h * 4 - below(4);
        QByteArray out;
        for (int ty = 0; ty < h; ++ty)
            for (int tx = 0; tx < w; ++tx)
                for (int y = 0; y < 8; ++y)
                    for (int x = 0; x < 8; ++x) {
                        const double dx = (tx * 8 + x - cx) / rx, dy = (ty * 8 + y - cy) / ry;
                        const double d = dx * dx + dy * dy;
                        const int shade = std::clamp(int((1 - d) * rows), 1, rows - 1);
                        out.append(char(d < 1 ? std::min(255, row + shade) : 0));
                    }
        return out;
    }

    // LZ10 with a hash of the last position of each three bytes, as the
    // common tools compress (greedy, window 4 KiB).
    static QByteArray lz10(const QByteArray& in)
    {
        QByteArray out;
        const quint32 size = quint32(in.size());
        for (int i = 0; i < 4; ++i)
            out.append(char((size << 8 | 0x10) >> 8 * i));
        std::vector<int> last(1 << 16, -1), previous(size_t(in.size()), -1);
        auto hash = [&](qsizetype p) {
            return (uchar(in[p]) * 33 * 33 + uchar(in[p + 1]) * 33 + uchar(in[p + 2])) & 0xFFFF;
        };
        qsizetype pos = 0;
        auto remember = [&](qsizetype p) {
            if (p + 2 < in.size()) {
                previous[size_t(p)] = last[size_t(hash(p))];
                last[size_t(hash(p))] = int(p);
            }
        };
        while (pos < in.size()) {
            const qsizetype flagAt = out.size();
            out.append('\0');
            for (int bit = 7; bit >= 0 && pos < in.size(); --bit) {
                int best = 0, distance = 0;
                if (pos + 2 < in.size()) {
                    int tries = 16;
                    for (int c = last[size_t(hash(pos))]; c >= 0 && pos - c <= 4096 && tries--;
                         c = previous[size_t(c)]) {
                        int n = 0;
                        while (n < 18 && pos + n < in.size() && in[c + n] == in[pos + n])
                            ++n;
                        if (n > best)
                            best = n, distance = int(pos - c);
                    }
                }
                if (best < 3) {
                    out.append(in[pos]);
                    remember(pos++);
                    continue;
                }
                out[flagAt] = char(out[flagAt] | 1 << bit);
                out.append(char((best - 3) << 4 | (distance - 1) >> 8));
                out.append(char(distance - 1));
                for (int k = 0; k < best; ++k)
                    remember(pos++);
            }
        }
        return out;
    }

    void graphics()
    {
        align(4);
        const QByteArray pixels = chance(25) ? tiles256() : tiles();
        m_rom.bytes.append(chance(50) ? lz10(pixels) : pixels);
        align(4);
    }

    void fill()
    {
        const char byte = chance(50) ? '\0' : char(0xFF);
        m_rom.bytes.append(QByteArray(qsizetype(16 + below(4096)), byte));
    }

    quint16 colour(double r, double g, double b)
    {
        auto c = [](double v) { return int(std::clamp(v, 0.0, 31.0) + 0.5); };
        return quint16(c(r) | c(g) << 5 | c(b) << 10);
    }

    // `count` colours of one hue from dark to light.
    void ramp(std::vector<quint16>& out, int count)
    {
        const double r = below(32), g = below(32), b = below(32);
        const double dark = 0.15 + below(30) / 100.0, light = 0.3 * below(3) / 2;
        for (int s = 0; s < count; ++s) {
            const double t = count > 1 ? double(s) / (count - 1) : 1;
            const double k = dark + (1 - dark) * t, white = light * t * t * 31;
            out.push_back(colour(r * k + white, g * k + white, b * k + white));
        }
    }

    // Colours 1 to `count` - 1 of a palette: ramps of a few hues, now and
    // then black and white, sometimes unused entries left zero at the end.
    std::vector<quint16> colours(int count)
    {
        std::vector<quint16> out;
        const int used = chance(20) ? count - 1 - int(below(quint32(count / 3))) : count - 1;
        if (chance(30))
            out.push_back(0x0000);
        if (chance(20))
            out.push_back(0x7FFF);
        while (int(out.size()) < used)
            ramp(out, std::min(used - int(out.size()), 3 + int(below(count > 16 ? 14 : 4))));
        out.resize(size_t(count - 1), 0);
        return out;
    }

    // One group of back-to-back palettes: 16-colour palettes (one to a
    // bank of 16) sharing colour 0, or one 256-colour palette.
    void palettes()
    {
        align(chance(85) ? 4 : 2);
        const quint16 keys[]
            = { 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x7C1F, 0x7C1F, 0x03E0, 0x7FE0 };
        const quint16 zero = chance(80) ? keys[below(9)] : colour(below(32), below(32), below(32));
        const bool wide = chance(10);
        const quint32 count = wide ? 1 : chance(50) ? 1 : chance(80) ? 2 + below(4) : 6 + below(11);
        for (quint32 p = 0; p < count; ++p)
            palette(zero, wide ? 256 : 16);
    }

    // One palette of `count` colours on colour 0 `zero`.
    void palette(quint16 zero, int count)
    {
        const quint64 at = quint64(m_rom.bytes.size());
        const bool joined = !m_rom.palettes.empty()
            && m_rom.palettes.back().offset + 2 * m_rom.palettes.back().words == at;
        m_rom.palettes.push_back({ at, quint32(count), !joined });
        half(zero);
        for (quint16 c : colours(count))
            half(c);
    }

    // A ROM image of `size` bytes; the end is padded with FF as flash carts
    // and ROM dumps are.
    Rom rom(qsizetype size)
    {
        m_rom = {};
        m_rom.bytes.reserve(size);
        while (m_rom.bytes.size() < size - 0x10000) {
            const quint32 kind = below(100);
            if (kind < 35)
                thumbFunction();
            else if (kind < 39)
                armCode();
            else if (kind < 51)
                table();
            else if (kind < 58)
                text();
            else if (kind < 83)
                graphics();
            else if (kind < 86)
                fill();
            else
                palettes();
        }
        m_rom.bytes.append(QByteArray(size - m_rom.bytes.size(), char(0xFF)));
        return std::move(m_rom);
    }

    Rom& current() { return m_rom; }

private:
    std::mt19937 m_random;
    Rom m_rom;
};

} // namespace GbaFixture
