#include "gbascan.h"

#include <QtEndian>

#include <algorithm>
#include <array>
#include <cstdlib>

namespace GbaScan {

namespace {

constexpr bool isTextByte(quint8 b)
{
    return (b >= 0x20 && b < 0x7F) || b == '\n' || b == '\r' || b == '\t' || b == 0;
}

// Text bytes by value, looked up for every word of a run.
struct TextBytes {
    bool is[256] = {};
    constexpr TextBytes()
    {
        for (int b = 0; b < 256; ++b)
            is[b] = isTextByte(quint8(b));
    }
};
constexpr TextBytes textBytes;

constexpr int MaxSmoothStep = 12;

int channelDistance(quint16 a, quint16 b)
{
    return std::abs(int(a & 31) - int(b & 31)) + std::abs(int(a >> 5 & 31) - int(b >> 5 & 31))
        + std::abs(int(a >> 10 & 31) - int(b >> 10 & 31));
}

bool isShadeStep(quint16 a, quint16 b)
{
    const int dr = int(b & 31) - int(a & 31), dg = int(b >> 5 & 31) - int(a >> 5 & 31),
              db = int(b >> 10 & 31) - int(a >> 10 & 31);
    return a >= 0x100 && b >= 0x100
        && ((dr >= 0 && dg >= 0 && db >= 0) || (dr <= 0 && dg <= 0 && db <= 0))
        && dr + dg + db != 0;
}

// Sums over the words of a run, so that any block's measures are two
// subtractions away. One record a word, reused from run to run.
struct Sums {
    struct Counts {
        int text, tile, byteTile, pixels, sameLow, nonZero, small, pointer, distance, same, smooth,
            shade;
    };
    std::vector<Counts> at;

    void build(const quint16 *w, size_t n, quint64 offset)
    {
        if (at.size() < n + 1)
            at.resize(n + 1);
        at[0] = {};
        for (size_t i = 0; i < n; ++i) {
            const quint16 word = w[i];
            const bool upperHalf = (offset / 2 + i) % 2 == 1;
            const int hi = word >> 8;
            const Counts &p = at[i];
            Counts &c = at[i + 1];
            c.text = p.text + textBytes.is[word & 0xFF] + textBytes.is[hi];
            // 4-bit tile pixels below 8 leave bits 3, 7 and 11 clear.
            c.tile = p.tile + ((word & 0x0888) == 0 && word != 0);
            // 8-bit tile pixels of a small palette keep both bytes low.
            c.byteTile = p.byteTile + ((word & 0x40C0) == 0 && word != 0);
            // Neighbouring 8-bit pixels of a shaded shape: two near indices
            // into the same row of colours.
            const int lo = word & 0xFF;
            c.pixels = p.pixels + (lo != 0 && hi != 0 && std::abs(lo - hi) <= 2);
            // The same low byte with another high byte: a byte of packed
            // data repeated, where a ramp's low byte (red and low green)
            // moves at every step.
            c.sameLow = p.sameLow + (i && (w[i - 1] & 0xFF) == lo && w[i - 1] != word);
            c.nonZero = p.nonZero + (word != 0);
            c.small = p.small + (word < 0x0A00);
            // Upper halves of pointers into ROM, RAM and I/O.
            c.pointer = p.pointer
                + (upperHalf
                    && (hi == 0x08 || hi == 0x09 || hi == 0x02 || hi == 0x03 || hi == 0x04
                        || hi == 0x06));
            const int step = i ? channelDistance(w[i - 1], word) : 0;
            c.distance = p.distance + step;
            c.same = p.same + (i && w[i - 1] == word);
            // A step along a shading ramp, between colours that are not
            // small numbers.
            c.smooth = p.smooth
                + (step > 0 && step <= MaxSmoothStep && word >= 0x100 && w[i - 1] >= 0x100);
            // A step to a lighter or darker shade of the same hue: the
            // three channels move the same way.
            c.shade = p.shade + (i && isShadeStep(w[i - 1], word));
        }
    }
    int sum(int Counts::*field, size_t from, size_t to) const
    {
        return at[to].*field - at[from].*field;
    }
};

// The measures of the block of 16 words at i, and whether it looks like
// colours. Palettes are made of shading ramps: several small steps, a
// small distance over the 15 neighbouring pairs (code and packed data jump
// about, some 32 a pair) or mostly steps that keep the hue.
constexpr int MaxTextBytes = 26; // of 32
constexpr int MaxSame = 6; // of 15 pairs
constexpr int MaxSmall = 9; // of 16
constexpr int MaxPointerHalves = 4; // of 8
constexpr int MinNonZero = 6; // of 16
constexpr int MinSmoothSteps = 4; // of 15 pairs
constexpr int MaxDistance = 250; // over 15 pairs
constexpr int MinShadeSteps = 10; // of 15 pairs
constexpr int MaxPixelPairs = 3; // of 16
constexpr int MaxSameLowBytes = 2; // of 15 pairs

bool blockLooksLikeColours(const quint16 *w, const Sums &s, size_t i)
{
    using C = Sums::Counts;
    const size_t end = i + BlockWords;
    const int nonZero = s.sum(&C::nonZero, i, end);
    if (nonZero < MinNonZero || s.sum(&C::text, i, end) > MaxTextBytes
        || s.sum(&C::same, i + 1, end) > MaxSame || s.sum(&C::small, i, end) > MaxSmall
        || s.sum(&C::pointer, i, end) > MaxPointerHalves
        || s.sum(&C::pixels, i, end) > MaxPixelPairs
        || s.sum(&C::sameLow, i + 1, end) > MaxSameLowBytes
        || (s.sum(&C::smooth, i + 1, end) < MinSmoothSteps
            && s.sum(&C::distance, i + 1, end) > MaxDistance
            && s.sum(&C::shade, i + 1, end) < MinShadeSteps)
        || s.sum(&C::tile, i, end) * 2 >= nonZero || s.sum(&C::byteTile, i, end) * 2 >= nonZero)
        return false;
    int distinct = 0;
    for (size_t a = i; a < end && distinct < 4; ++a)
        distinct += std::find(w + i, w + a, w[a]) == w + a;
    return distinct >= 4;
}

bool isKeyColour(quint16 w)
{
    return w == 0x7C1F || w == 0x03E0 || w == 0x7FE0;
}

// The upper half of a pointer into ROM, RAM or I/O, at a 4-byte boundary
// plus 2: literal pools and pointer tables end this way before data.
bool isPointerHalf(quint16 w, quint64 offset, size_t i)
{
    const int hi = w >> 8;
    return (offset / 2 + i) % 2 == 1
        && (hi == 0x08 || hi == 0x09 || hi == 0x02 || hi == 0x03 || hi == 0x04);
}

// bx rN, with which Thumb functions return: a literal pool or data follows.
bool isThumbReturn(quint16 w)
{
    return (w & 0xFF87) == 0x4700;
}

// A word that is surely not a colour next to colours: a Thumb return, a
// pointer's upper half, a small number.
bool isDataWord(quint16 w, quint64 offset, size_t i)
{
    return isThumbReturn(w) || isPointerHalf(w, offset, i) || (w != 0 && w < 0x100);
}

// A word that other data leaves more often than colours do: two text
// bytes, a small number, a pointer's upper half.
bool looksLikeData(quint16 w, quint64 offset, size_t i)
{
    return w != 0
        && ((isTextByte(quint8(w)) && isTextByte(quint8(w >> 8))) || w < 0x0100
            || isPointerHalf(w, offset, i));
}

// A ramp rising from a dark colour at i: a palette's first shades, which
// follow colour 0 rather than being it.
bool darkRampAt(const quint16 *w, size_t i)
{
    auto rising = [](quint16 a, quint16 b) {
        return (b & 31) >= (a & 31) && (b >> 5 & 31) >= (a >> 5 & 31)
            && (b >> 10 & 31) >= (a >> 10 & 31) && a != b;
    };
    const int light = (w[i] & 31) + (w[i] >> 5 & 31) + (w[i] >> 10 & 31);
    return w[i] != 0 && light <= 24 && rising(w[i], w[i + 1]) && rising(w[i + 1], w[i + 2]);
}

// The stretch [from, to) of colour-like blocks within a run of n words
// at byte offset `offset`, and where the run or zeros end it.
struct Stretch {
    const quint16 *w;
    const Sums *sums;
    size_t n;
    quint64 offset;
    size_t from, to;
    size_t stop = 0; // the run's end, when it is near the stretch's end
    size_t zeros = 0; // the first of several zeros after the stretch
};

// How surely the words before s are not colours of the same palette: the
// run starts there, a pointer's upper half ends a literal pool there,
// zeros end there (colour 0 is then the last zero or, when a key colour
// follows, the first word after them), or data words give way to colours.
// Data words just after s speak against it. Not above 0: no such edge.
int edgeScore(const Stretch &r, size_t s)
{
    const quint16 *w = r.w;
    const bool colours = blockLooksLikeColours(w, *r.sums, s)
        || (s + BlockWords < r.n && blockLooksLikeColours(w, *r.sums, s + 1));
    auto dataWord = [&](size_t i) { return isDataWord(w[i], r.offset, i); };
    int score = 0;
    if (s == 0 && w[0] != 0)
        score = isKeyColour(w[0]) || (colours && !dataWord(0)) ? 6 : 0;
    else if (s == 0)
        // Colour 0 is zero; colour 1 may be black too.
        score = w[1] != 0 ? (isKeyColour(w[1]) ? -10 : 6)
                          : (w[2] != 0 && !isKeyColour(w[2]) ? 6 : -10);
    else if (s == 1 && dataWord(0))
        score = 5;
    else if (s > 0 && dataWord(s - 1))
        score = s >= 3 && (dataWord(s - 2) || dataWord(s - 3)) ? 4 : 2;
    else if (s > 0 && w[s - 1] == 0 && w[s] != 0)
        // A dark ramp's first shade or white is colour 1, after a zero
        // colour 0.
        score = isKeyColour(w[s]) ? 5
            : darkRampAt(w, s) || w[s] == 0x7FFF ? 0
            : (s < 2 || w[s - 2] == 0) ? 3
                                       : 1;
    else if (s == 0 || w[s - 1] == 0) {
        // Colour 0 is zero; colour 1 may be black too.
        if (w[s + 1] != 0)
            score = isKeyColour(w[s + 1]) ? -10 : (s < 2 || w[s - 2] == 0) ? 4 : 1;
        else
            score = w[s + 2] != 0 && !isKeyColour(w[s + 2]) ? 1 : -10;
    } else if (isKeyColour(w[s - 1])) {
        return -10;
    } else {
        int before = 0;
        for (size_t k = 1; k <= 8 && k <= s; ++k)
            before += looksLikeData(w[s - k], r.offset, s - k);
        if (colours && before >= 7 && looksLikeData(w[s - 1], r.offset, s - 1))
            score = w[s] != 0 ? 3 : w[s + 1] != 0 ? (isKeyColour(w[s + 1]) ? -10 : 3) : 1;
    }
    // Small numbers, pointers, runs of zeros, of text or of tile pixels
    // just after s. Small numbers that rise as a ramp are dark reds.
    int zeros = 0, text = 0, tiles = 0, pointers = 0, shades = 0;
    const bool rising = darkRampAt(w, s + 1);
    for (size_t k = 1; k <= 8; ++k) {
        const quint16 v = w[s + k];
        if (k <= 4 && !rising)
            score -= v != 0 && v < 0x100 ? 3 : 0;
        pointers += k <= 6 && isPointerHalf(v, r.offset, s + k);
        // The same high bytes in the other halves: a ramp of dark shades.
        shades += k <= 6 && isPointerHalf(v, r.offset + 2, s + k);
        zeros += v == 0;
        text += v != 0 && isTextByte(quint8(v)) && isTextByte(quint8(v >> 8));
        tiles += v != 0 && (v & 0x0888) == 0;
    }
    // Dark colours look like pointers' upper halves; after a key colour 0,
    // or with their neighbours as dark, they are colours.
    if (zeros >= 3 || text >= 8 || tiles >= 6
        || (pointers >= 2 && !isKeyColour(w[s]) && shades < 2))
        return -10;
    // A key colour (magenta, green, cyan) is nearly always colour 0, even
    // where the words before are no clear edge.
    if (isKeyColour(w[s]) && colours && score > -10)
        score += 8;
    // A zero or key colour 0 before a dark ramp or white, its colour 1.
    if (score > 0 && (w[s] == 0 || isKeyColour(w[s]))
        && (darkRampAt(w, s + 1) || w[s + 1] == 0x7FFF))
        score += 3;
    return score;
}

// How well s fits the 16-word grid of the palettes after it: colour 0
// repeated every 16 words (the palettes of a bank share it), and the run
// or zeros ending a whole number of palettes later.
int gridScore(const Stretch &r, size_t s, int *repeatsOut = nullptr)
{
    const quint16 *w = r.w;
    const quint16 zero = w[s];
    int repeats = 0;
    for (size_t k = s + BlockWords; k < r.to && k + 1 < r.n; k += BlockWords)
        repeats += w[k] == zero && (zero != 0 || w[k - 1] != 0 || w[k + 1] != 0);
    if (repeatsOut)
        *repeatsOut = repeats;
    // Each further repeat still counts a little, so that colour 0 wins
    // over colour 1 when both are zero in some palettes.
    const int more = std::min(std::max(repeats - 3, 0), 6);
    // Both ends of a run are sure edges: a start off the grid of the end
    // is doubtful, more so at the run's start.
    const int stop = !r.stop ? 0 : (r.stop - s) % BlockWords == 0 ? 5 : s == 0 ? -5 : -3;
    return 4 * std::min(repeats, 3) + more + stop
        + (r.zeros && (r.zeros - s) % BlockWords == 0 ? 2 : 0);
}

// A shading ramp that runs across s speaks against a palette starting
// there.
int rampAcross(const quint16 *w, size_t s)
{
    return s > 0 && w[s] >= 0x100 && w[s - 1] >= 0x100
            && channelDistance(w[s - 1], w[s]) <= MaxSmoothStep
        ? -2
        : 0;
}

// Where the palettes of a stretch lie: the first colour of the first and
// the end of the last. A start that the words around it do not pin down
// is left out (sure false): listed, it would show shifted colours.
struct Bounds {
    size_t start = 0, end = 0;
    bool sure = false;
};

Bounds placePalettes(Stretch &r, const Sums &sums)
{
    const quint16 *w = r.w;
    // The run's end is a palette's end unless data words lie before it.
    if (r.n - r.to < BlockWords) {
        int data = 0;
        for (size_t k = r.n - 4; k < r.n; ++k)
            data += isDataWord(w[k], r.offset, k);
        r.stop = data < 2 ? r.n : 0;
    }
    for (size_t z = r.to > BlockWords ? r.to - BlockWords : 1; z + 3 < r.n && z < r.to + BlockWords;
         ++z) {
        if (w[z - 1] != 0 && w[z] == 0 && w[z + 1] == 0 && w[z + 2] == 0 && w[z + 3] == 0) {
            r.zeros = z;
            break;
        }
    }
    const size_t first = r.from > BlockWords - 1 ? r.from - (BlockWords - 1) : 0;
    const size_t last = std::min(r.from + 2 * BlockWords - 1, r.to - BlockWords);
    // The best start of each place on the 16-word grid: later palettes of
    // a bank agree with the first, and are no rival to it.
    std::array<int, BlockWords> best;
    std::array<size_t, BlockWords> start;
    best.fill(-1000);
    for (size_t s = first; s <= last; ++s) {
        const int edge = edgeScore(r, s);
        int repeats = 0;
        const int grid = gridScore(r, s, &repeats);
        // Without an edge, a bank's shared colour 0 still marks its first
        // palette: the first of the repeats.
        const int needed = w[s] == 0 || isKeyColour(w[s]) ? 2 : 3;
        const bool stopped = r.stop && (r.stop - s) % BlockWords == 0 && s < 6
            && blockLooksLikeColours(w, sums, s);
        if (edge < 0
            || (edge == 0 && !stopped
                && (repeats < needed || (s >= BlockWords && w[s - BlockWords] == w[s]))))
            continue;
        // After a zero, the zero is colour 0 when later palettes repeat it
        // more often than they repeat s: s is colour 1.
        if (s > 0 && w[s - 1] == 0 && w[s] == 0) {
            int before = 0;
            gridScore(r, s - 1, &before);
            if (before > repeats)
                continue;
        }
        // A palette's last colour is seldom a small number, and a small
        // number (a record, a compressed block's header) often follows it.
        auto small = [&](size_t k) { return k < r.n && w[k] != 0 && w[k] < 0x100; };
        const int end = small(s + BlockWords - 1) ? -3 : small(s + BlockWords) ? 3 : 0;
        const int score = edge + grid + rampAcross(w, s) + end;
        const size_t phase = s % BlockWords;
        // A later palette of a bank (sharing colour 0, or just after) does
        // not displace the bank's first, even where its own edge is
        // clearer: back-to-back palettes are one row from the first.
        if (score > best[phase]
            && !(best[phase] >= 5 && (w[start[phase]] == w[s] || start[phase] + BlockWords == s)
                && blockLooksLikeColours(w, sums, start[phase])))
            best[phase] = score, start[phase] = s;
    }
    const size_t phase = size_t(std::max_element(best.begin(), best.end()) - best.begin());
    int second = -1000;
    for (size_t p = 0; p < BlockWords; ++p)
        second = p == phase ? second : std::max(second, best[p]);
    Bounds b;
    b.start = start[phase];
    // A clear lead over every other place on the grid, or a high score
    // (a sure edge and the grid agreeing) with some lead.
    b.sure = best[phase] >= 5 && best[phase] - second >= (best[phase] >= 7 ? 2 : 4);
    if (!b.sure)
        return b;
    if (r.stop && (r.stop - b.start) % BlockWords == 0) {
        b.end = r.stop;
        return b;
    }
    // Palettes come in whole blocks of 16, the last often ending in unused
    // zero colours; a few other words may follow.
    size_t to = r.to;
    while (to > b.start + 1 && w[to - 1] == 0)
        --to;
    size_t blocks = std::max<size_t>(1, (to - b.start + BlockWords - 5) / BlockWords);
    // Nor is a last block of text words a palette.
    auto textBlock = [&](size_t at) {
        int text = 0;
        for (size_t k = at; k < at + BlockWords; ++k)
            text += w[k] != 0 && isTextByte(quint8(w[k])) && isTextByte(quint8(w[k] >> 8));
        return text >= 10;
    };
    while (blocks > 1
        && (b.start + blocks * BlockWords > r.n
            || textBlock(b.start + (blocks - 1) * BlockWords)))
        --blocks;
    b.end = std::min(r.n, b.start + blocks * BlockWords);

    // Unused colours at the end of a large palette: zeros up to the start
    // of a block, where a colour follows or the run ends.
    if (b.end - b.start >= 4 * BlockWords && w[b.end - 1] == 0) {
        size_t z = b.end;
        while (z < r.n && w[z] == 0)
            ++z;
        if ((z - b.start) % BlockWords == 0 && z - b.end <= 8 * BlockWords)
            b.end = z;
    }
    return b;
}

} // namespace

void findInRun(const quint16 *w, size_t n, quint64 offset, std::vector<Run> &out)
{
    if (n < BlockWords)
        return;
    thread_local Sums s;
    s.build(w, n, offset);
    size_t i = 0;
    while (i + BlockWords <= n) {
        if (!blockLooksLikeColours(w, s, i)) {
            ++i;
            continue;
        }
        size_t last = i;
        for (size_t j = i + 1; j + BlockWords <= n && j <= last + 2 * BlockWords; ++j) {
            if (blockLooksLikeColours(w, s, j))
                last = j;
        }
        Stretch stretch { w, &s, n, offset, i, last + BlockWords };
        const Bounds b = placePalettes(stretch, s);
        if (b.sure) {
            Run run;
            run.offset = offset + 2 * b.start;
            run.words = quint32(b.end - b.start);
            std::copy(w + b.start, w + b.start + 16, run.first.begin());
            out.push_back(run);
        }
        i = std::max(last + BlockWords, b.end);
    }
}

std::vector<Run> scan(const RomFs::Image &image, const std::atomic<bool> *cancel)
{
    std::vector<Run> runs;
    constexpr quint64 chunk = 1 << 20;
    // A longer run is cut; palettes across the cut may be missed.
    constexpr size_t maxRun = 1 << 20;
    const quint64 size = image.size() & ~quint64(1);
    std::vector<uchar> buffer(std::min(chunk, size));
    std::vector<quint16> words(buffer.size() / 2);
    // A run that reaches the end of a chunk, carried into the next.
    std::vector<quint16> carried;
    quint64 carriedStart = 0;
    for (quint64 base = 0; base < size; base += chunk) {
        if (cancel && cancel->load(std::memory_order_relaxed))
            return runs;
        const quint64 count = std::min(chunk, size - base);
        if (!image.read(base, buffer.data(), count))
            break;
        const size_t m = size_t(count / 2);
        qFromLittleEndian<quint16>(buffer.data(), qsizetype(m), words.data());
        for (size_t i = 0; i < m;) {
            size_t j = i;
            while (j < m && !(words[j] & 0x8000))
                ++j;
            if (carried.empty() && j < m) {
                findInRun(words.data() + i, j - i, base + 2 * i, runs);
            } else {
                if (carried.empty())
                    carriedStart = base + 2 * i;
                carried.insert(
                    carried.end(), words.begin() + qsizetype(i), words.begin() + qsizetype(j));
                if (j < m || carried.size() >= maxRun) {
                    findInRun(carried.data(), carried.size(), carriedStart, runs);
                    carried.clear();
                }
            }
            i = j + 1;
        }
    }
    findInRun(carried.data(), carried.size(), carriedStart, runs);
    return runs;
}

} // namespace GbaScan
