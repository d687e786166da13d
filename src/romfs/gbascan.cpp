#include "gbascan.h"

#include <algorithm>
#include <cstdlib>

namespace GbaScan {

namespace {

bool isTextByte(quint8 b)
{
    return (b >= 0x20 && b < 0x7F) || b == '\n' || b == '\r' || b == '\t';
}

int channelDistance(quint16 a, quint16 b)
{
    return std::abs(int(a & 31) - int(b & 31)) + std::abs(int(a >> 5 & 31) - int(b >> 5 & 31))
            + std::abs(int(a >> 10 & 31) - int(b >> 10 & 31));
}

} // namespace

RunMeasure::RunMeasure() : m_counts(0x8000, 0) {}

void RunMeasure::reset(quint64 offset)
{
    for (quint16 word : m_touched)
        m_counts[word] = 0;
    m_touched.clear();
    m_offset = offset;
    m_words = m_distinct = m_mostCommon = m_textBytes = m_tileWords = 0;
    m_highHalves = m_smallHighHalves = 0;
    m_distance = 0;
}

void RunMeasure::add(quint16 word)
{
    if (m_words < 16)
        m_first[m_words] = word;
    if (m_words > 0)
        m_distance += quint64(channelDistance(m_previous, word));
    m_previous = word;
    quint32 &count = m_counts[word];
    if (count++ == 0) {
        ++m_distinct;
        m_touched.push_back(word);
    }
    m_mostCommon = std::max(m_mostCommon, count);
    m_textBytes += quint32(isTextByte(quint8(word))) + quint32(isTextByte(quint8(word >> 8)));
    // 4-bit tile pixels below 8 leave bits 3, 7 and 11 clear as well.
    if ((word & 0x0888) == 0)
        ++m_tileWords;
    // The upper half of a 32-bit value: pointers (02, 03, 08, 09) and small
    // numbers keep it below 0x0A00.
    if ((m_offset / 2 + m_words) % 2 == 1) {
        ++m_highHalves;
        if (word < 0x0A00)
            ++m_smallHighHalves;
    }
    ++m_words;
}

bool RunMeasure::looksLikePalette() const
{
    const quint64 n = m_words;
    if (n < MinWords || m_distinct < 4)
        return false;
    // One word filling most of the run: padding or a fill, not colours.
    if (quint64(m_mostCommon) * 4 > n * 3)
        return false;
    if (quint64(m_textBytes) * 100 >= 2 * n * 85)
        return false;
    if (quint64(m_tileWords) * 2 >= n)
        return false;
    if (m_highHalves >= 8 && quint64(m_smallHighHalves) * 10 >= quint64(m_highHalves) * 6)
        return false;
    // Neighbouring colours of a palette are mostly close (shading ramps);
    // code and packed data jump about as random words do (about 32).
    if (m_distance * 100 > (n - 1) * 2400)
        return false;
    return true;
}

std::vector<Run> scan(const RomFs::Image &image, const std::atomic<bool> *cancel)
{
    std::vector<Run> runs;
    RunMeasure measure;
    constexpr quint64 chunk = 1 << 20;
    std::vector<uchar> buffer(chunk);
    const quint64 size = image.size() & ~quint64(1);
    bool inRun = false;
    auto finish = [&] {
        if (inRun && measure.looksLikePalette())
            runs.push_back({ measure.offset(), measure.words(), measure.first() });
        inRun = false;
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
                finish();
                continue;
            }
            if (!inRun) {
                measure.reset(base + i);
                inRun = true;
            }
            measure.add(word);
        }
    }
    finish();
    return runs;
}

} // namespace GbaScan
