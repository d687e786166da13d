#pragma once

#include "romimage.h"

#include <array>
#include <atomic>
#include <vector>

// Finds palettes in an image without a file system (a GBA ROM): runs of
// colour words that look like colours rather than code, text, pointers or
// tile graphics.
namespace GbaScan {

constexpr quint32 MinWords = 16;

struct Run
{
    quint64 offset = 0;
    quint32 words = 0;
    std::array<quint16, 16> first{};
};

// The measures of one run of words with bit 15 clear, gathered word by word.
class RunMeasure
{
public:
    RunMeasure();
    void reset(quint64 offset);
    void add(quint16 word);
    quint32 words() const { return m_words; }
    quint64 offset() const { return m_offset; }
    const std::array<quint16, 16> &first() const { return m_first; }
    bool looksLikePalette() const;

private:
    quint64 m_offset = 0;
    quint32 m_words = 0;
    quint32 m_distinct = 0;
    quint32 m_mostCommon = 0;
    quint32 m_textBytes = 0;
    quint32 m_tileWords = 0;
    quint32 m_highHalves = 0;
    quint32 m_smallHighHalves = 0;
    quint64 m_distance = 0;
    quint16 m_previous = 0;
    std::array<quint16, 16> m_first{};
    std::vector<quint32> m_counts;
    std::vector<quint16> m_touched;
};

// Every palette-like run, in offset order. Stops early (with what it found
// so far) when cancel becomes true.
std::vector<Run> scan(const RomFs::Image &image, const std::atomic<bool> *cancel = nullptr);

} // namespace GbaScan
