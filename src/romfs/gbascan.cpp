#include "gbascan.h"

#include <algorithm>
#include <cstdlib>

namespace GbaScan {

namespace {

bool isTextByte(quint8 b)
{
    return (b >= 0x20 && b < 0x7F) || b == '\n' || b == '\r' || b == '\t' || b == 0;
}

int channelDistance(quint16 a, quint16 b)
{
    return std::abs(int(a & 31) - int(b & 31)) + std::abs(int(a >> 5 & 31) - int(b >> 5 & 31))
            + std::abs(int(a >> 10 & 31) - int(b >> 10 & 31));
}

// Sums over the words of a run, so that any block's measures are two
// subtractions away.
struct Sums
{
    std::vector<int> text, tile, byteTile, nonZero, small, pointer, distance, same;

    void build(const quint16 *w, size_t n, quint64 offset)
    {
        for (auto *v : { &text, &tile, &byteTile, &nonZero, &small, &pointer, &distance, &same })
            v->assign(n + 1, 0);
        for (size_t i = 0; i < n; ++i) {
            const quint16 word = w[i];
            const bool upperHalf = (offset / 2 + i) % 2 == 1;
            const int hi = word >> 8;
            text[i + 1] = text[i] + isTextByte(quint8(word)) + isTextByte(quint8(hi));
            // 4-bit tile pixels below 8 leave bits 3, 7 and 11 clear.
            tile[i + 1] = tile[i] + ((word & 0x0888) == 0 && word != 0);
            // 8-bit tile pixels of a small palette keep both bytes low.
            byteTile[i + 1] = byteTile[i] + ((word & 0x40C0) == 0 && word != 0);
            nonZero[i + 1] = nonZero[i] + (word != 0);
            small[i + 1] = small[i] + (word < 0x0A00);
            // Upper halves of pointers into ROM, RAM and I/O.
            pointer[i + 1] = pointer[i]
                    + (upperHalf && (hi == 0x08 || hi == 0x09 || hi == 0x02 || hi == 0x03
                                     || hi == 0x04 || hi == 0x06));
            distance[i + 1] = distance[i] + (i ? channelDistance(w[i - 1], word) : 0);
            same[i + 1] = same[i] + (i && w[i - 1] == word);
        }
    }
    static int sum(const std::vector<int> &v, size_t from, size_t to) { return v[to] - v[from]; }
};

// The measures of the block of 16 words at i, and whether it looks like
// colours. Distance is over the 15 neighbouring pairs: palettes are made
// of shading ramps, code and packed data jump about (about 32 a pair).
constexpr int MaxTextBytes = 28;      // of 32
constexpr int MaxSame = 11;           // of 15 pairs
constexpr int MaxSmall = 11;          // of 16
constexpr int MaxPointerHalves = 5;   // of 8
constexpr int MaxDistance = 300;      // over 15 pairs

bool blockLooksLikeColours(const quint16 *w, const Sums &s, size_t i)
{
    const size_t end = i + BlockWords;
    if (Sums::sum(s.text, i, end) > MaxTextBytes || Sums::sum(s.same, i + 1, end) > MaxSame
        || Sums::sum(s.small, i, end) > MaxSmall
        || Sums::sum(s.pointer, i, end) > MaxPointerHalves
        || Sums::sum(s.distance, i + 1, end) > MaxDistance)
        return false;
    const int nonZero = Sums::sum(s.nonZero, i, end);
    if (nonZero < 4 || Sums::sum(s.tile, i, end) * 2 >= nonZero
        || Sums::sum(s.byteTile, i, end) * 4 >= nonZero * 3)
        return false;
    int distinct = 0;
    for (size_t a = i; a < end && distinct < 4; ++a)
        distinct += std::find(w + i, w + a, w[a]) == w + a;
    return distinct >= 4;
}

} // namespace

void findInRun(const quint16 *w, size_t n, quint64 offset, std::vector<Run> &out)
{
    if (n < BlockWords)
        return;
    thread_local Sums s;
    s.build(w, n, offset);
    size_t grid = 0;
    auto score = [&](size_t i) {
        // Smooth inside, a jump just before it (from other data or from the
        // previous palette's last colour), and on a 4-byte boundary, as
        // palettes nearly always are.
        const int jump = i ? Sums::sum(s.distance, i, i + 1) : 32;
        return Sums::sum(s.distance, i + 1, i + BlockWords) - jump
                + ((offset / 2 + i) % 2 ? 40 : 0) + (grid && (i - grid) % BlockWords ? 30 : 0);
    };
    size_t i = 0;
    while (i + BlockWords <= n) {
        if (!blockLooksLikeColours(w, s, i)) {
            ++i;
            continue;
        }
        // A block a few words off the palette's start still passes; the
        // best placed of the nearby blocks is taken as the start.
        size_t start = i;
        for (size_t j = i + 1; j < i + BlockWords && j + BlockWords <= n; ++j) {
            if (score(j) < score(start) && blockLooksLikeColours(w, s, j))
                start = j;
        }
        size_t end = start + BlockWords;
        while (end + BlockWords <= n && blockLooksLikeColours(w, s, end))
            end += BlockWords;
        Run run;
        run.offset = offset + 2 * start;
        run.words = quint32(end - start);
        std::copy(w + start, w + start + 16, run.first.begin());
        out.push_back(run);
        // The next palette of the same bank lies whole blocks further on.
        grid = end;
        i = end;
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
    std::vector<quint16> run;
    quint64 runStart = 0;
    auto finish = [&] {
        findInRun(run.data(), run.size(), runStart, runs);
        run.clear();
    };
    for (quint64 base = 0; base < size; base += chunk) {
        if (cancel && cancel->load(std::memory_order_relaxed))
            return runs;
        const quint64 count = std::min(chunk, size - base);
        if (!image.read(base, buffer.data(), count))
            break;
        for (quint64 i = 0; i < count; i += 2) {
            const quint16 word = quint16(buffer[i] | buffer[i + 1] << 8);
            if (word & 0x8000) {
                if (!run.empty())
                    finish();
                continue;
            }
            if (run.empty())
                runStart = base + i;
            run.push_back(word);
            if (run.size() == maxRun)
                finish();
        }
    }
    if (!run.empty())
        finish();
    return runs;
}

} // namespace GbaScan
