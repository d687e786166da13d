#pragma once

#include "romimage.h"

#include <array>
#include <atomic>
#include <vector>

// Finds palettes in an image without a file system (a GBA ROM). Palettes
// lie in runs of colour words (bit 15 clear); within each run, stretches of
// 16-word blocks that look like colours rather than code, text, pointers,
// tables, fills or tile graphics are found, and each is placed word by
// word: a row starts at the first colour of its first palette and counts
// its colours. A stretch whose start is in doubt gives no row.
namespace GbaScan {

constexpr quint32 BlockWords = 16;

struct Run
{
    quint64 offset = 0;
    quint32 words = 0;
    std::array<quint16, 16> first{};
};

// The palettes within one run of words that all have bit 15 clear, the
// first at byte offset `offset`; appended to `out`. Back-to-back palettes
// share a row.
void findInRun(const quint16 *words, size_t count, quint64 offset, std::vector<Run> &out);

// Every palette found, in offset order. Stops early (with what it found so
// far) when cancel becomes true.
std::vector<Run> scan(const RomFs::Image &image, const std::atomic<bool> *cancel = nullptr);

} // namespace GbaScan
