#include "colourfinder.h"

#include "palettefinder.h"
#include "romwalk.h"

#include <QtAlgorithms>
#include <QtEndian>

#include <algorithm>
#include <array>
#include <tuple>

namespace RomFs {

namespace {

constexpr quint64 Chunk = quint64(256) << 10;

enum class Likeness { None, Near, Exact };

// The words searched for, bit 15 cleared, and one of them, the anchor,
// tested four words at a time, so that most places are passed over after a
// few operations. The anchor is a word not near black or white where there
// is one: images are full of those fills, and palettes often begin with
// black.
class Pattern
{
public:
    explicit Pattern(const std::vector<quint16> &words)
    {
        for (quint16 w : words)
            m_words.push_back(w & 0x7FFF);
        auto nearFill = [](quint16 w) { return nearly(w, 0) || nearly(w, 0x7FFF); };
        const auto anchor = std::find_if_not(m_words.begin(), m_words.end(), nearFill);
        m_anchor = anchor == m_words.end() ? 0 : size_t(anchor - m_words.begin());
        m_anchorNotFill = anchor != m_words.end();
        for (int c = 0; c < 3; ++c)
            m_moves[size_t(c)] = (65 - (m_words[m_anchor] >> (5 * c) & 31)) * Lanes;
    }

    // Every 5-bit channel within one step.
    static bool nearly(int w, int p)
    {
        for (int shift = 0; shift < 15; shift += 5) {
            const int d = (w >> shift & 31) - (p >> shift & 31);
            if (d < -1 || d > 1)
                return false;
        }
        return true;
    }

    quint64 bytes() const { return 2 * quint64(m_words.size()); }
    quint64 anchorAt() const { return 2 * quint64(m_anchor); }
    // Words of 0000 or FFFF (7FFF once bit 15 is cleared) are never near
    // the anchor.
    bool anchorNotFill() const { return m_anchorNotFill; }

    // Of four words read little-endian into 64 bits: bit 6 of each 16-bit
    // lane set when that word may be near the anchor. Each channel is moved
    // to 64 plus its distance from the anchor's, near when 64 to 66.
    quint64 nearAnchor(quint64 four) const
    {
        quint64 near = 0x40 * Lanes;
        for (int c = 0; c < 3; ++c) {
            const quint64 x = (four >> (5 * c) & 0x1F * Lanes) + m_moves[size_t(c)];
            near &= x & ~((x & 0x3F * Lanes) + 0x3D * Lanes);
        }
        return near;
    }

    Likeness compare(const uchar *at) const
    {
        bool exact = true;
        for (size_t i = 0; i < m_words.size(); ++i) {
            const int w = (at[2 * i] | at[2 * i + 1] << 8) & 0x7FFF;
            if (w == m_words[i])
                continue;
            exact = false;
            if (!nearly(w, m_words[i]))
                return Likeness::None;
        }
        return exact ? Likeness::Exact : Likeness::Near;
    }

private:
    static constexpr quint64 Lanes = 0x0001000100010001;
    std::vector<quint16> m_words;
    size_t m_anchor = 0;
    bool m_anchorNotFill = false;
    std::array<quint64, 3> m_moves{};
};

struct Hit
{
    // In the bytes searched (the image, or a decompressed buffer).
    quint64 at = 0;
    bool exact = true;
    // The deepest file known to hold it; -1 for none.
    int depth = -1;
    QString source;
};

class Search
{
public:
    Search(const Pattern &pattern, const std::atomic<bool> *cancel)
        : m_pattern(pattern), m_cancel(cancel)
    {
    }

    bool stopped() const
    {
        return m_truncated || (m_cancel && m_cancel->load(std::memory_order_relaxed));
    }
    bool truncated() const { return m_truncated; }

    // Every even offset of the span, read a piece at a time; pieces overlap
    // by what a match needs beyond its first word.
    std::vector<Hit> scan(const Span &span)
    {
        std::vector<Hit> hits;
        const quint64 need = m_pattern.bytes();
        if (span.size < need)
            return hits;
        QByteArray buffer(qsizetype(std::min(span.size, Chunk + need)), Qt::Uninitialized);
        const auto *bytes = reinterpret_cast<const uchar *>(buffer.constData());
        for (quint64 at = 0; at + need <= span.size && !stopped(); at += Chunk) {
            const quint64 count = std::min<quint64>(span.size - at, Chunk + need);
            if (!span.read(at, buffer.data(), count))
                break;
            const quint64 last = std::min<quint64>(count - need, Chunk - 2);
            const quint64 anchor = m_pattern.anchorAt();
            quint64 i = 0;
            // 16 words at a time; stretches of fill are passed over at once.
            for (; i + 30 <= last && !m_truncated; i += 32) {
                std::array<quint64, 4> four;
                for (size_t k = 0; k < 4; ++k)
                    four[k] = qFromLittleEndian<quint64>(bytes + i + anchor + 8 * k);
                if (m_pattern.anchorNotFill()
                    && ((four[0] | four[1] | four[2] | four[3]) == 0
                        || (four[0] & four[1] & four[2] & four[3]) == ~quint64(0)))
                    continue;
                for (size_t k = 0; k < 4; ++k) {
                    for (quint64 near = m_pattern.nearAnchor(four[k]); near; near &= near - 1)
                        check(hits, bytes, i + 8 * k + quint64(qCountTrailingZeroBits(near)) / 8,
                              span.start + at);
                }
            }
            for (; i <= last && !m_truncated; i += 2)
                check(hits, bytes, i, span.start + at);
        }
        return hits;
    }

private:
    void check(std::vector<Hit> &hits, const uchar *bytes, quint64 i, quint64 base)
    {
        const Likeness likeness = m_pattern.compare(bytes + i);
        if (likeness == Likeness::None)
            return;
        if (++m_found > MaxColourMatches)
            m_truncated = true;
        else
            hits.push_back({ base + i, likeness == Likeness::Exact, -1, QString() });
    }

    const Pattern &m_pattern;
    const std::atomic<bool> *m_cancel;
    size_t m_found = 0;
    bool m_truncated = false;
};

// Names the matches of the image's bytes by the files they lie in, and
// searches the contents of every compressed file.
class ColourVisitor final : public FileVisitor
{
public:
    ColourVisitor(Search &search, std::vector<Hit> &imageHits, std::vector<ColourMatch> &out)
        : m_search(search), m_imageHits(imageHits), m_out(out)
    {
    }

    bool wantsContents(const QByteArray &) override { return !m_search.stopped(); }

    void visit(const WalkedFile &file) override
    {
        if (file.contents)
            m_buffers.push_back({ file.bytes.image, m_search.scan(file.bytes) });
        if (!file.compressed)
            name(m_imageHits, file);
        else if (!m_buffers.empty() && m_buffers.back().image == file.bytes.image)
            name(m_buffers.back().hits, file);
    }

    void leave(const WalkedFile &file) override
    {
        if (!file.contents)
            return;
        for (const Hit &hit : m_buffers.back().hits)
            m_out.push_back({ file.offset, 0, hit.source, true, hit.exact });
        m_buffers.pop_back();
    }

private:
    struct Buffer
    {
        const Image *image;
        std::vector<Hit> hits;
    };

    // Hits lie in order; those starting inside the file take its source
    // when it lies deeper than any file that named them before.
    static void name(std::vector<Hit> &hits, const WalkedFile &file)
    {
        const quint64 start = file.bytes.start, end = start + file.bytes.size;
        auto hit = std::lower_bound(hits.begin(), hits.end(), start,
                                    [](const Hit &h, quint64 at) { return h.at < at; });
        QString source;
        for (; hit != hits.end() && hit->at < end; ++hit) {
            if (hit->depth >= file.depth)
                continue;
            if (source.isNull())
                source = file.source();
            hit->depth = file.depth;
            hit->source = source;
        }
    }

    Search &m_search;
    std::vector<Hit> &m_imageHits;
    std::vector<ColourMatch> &m_out;
    std::vector<Buffer> m_buffers;
};

} // namespace

ColourSearch findColours(const Image &image, const std::vector<quint16> &words,
                         const std::atomic<bool> *cancel)
{
    ColourSearch result;
    if (words.empty() || words.size() > size_t(MaxSearchWords))
        return result;
    const Pattern pattern(words);
    Search search(pattern, cancel);
    std::vector<Hit> imageHits = search.scan({ &image, 0, image.size() });
    std::vector<ColourMatch> &out = result.matches;
    ColourVisitor visitor(search, imageHits, out);
    walkFiles(image, visitor, cancel);
    for (const Hit &hit : imageHits) {
        out.push_back({ hit.at, 0, hit.depth < 0 ? QStringLiteral("image") : hit.source, false,
                        hit.exact });
    }
    for (ColourMatch &match : out)
        match.colours = quint32(words.size());
    auto order = [](const ColourMatch &a, const ColourMatch &b) {
        return std::tie(b.exact, a.offset, a.source, a.compressed)
                < std::tie(a.exact, b.offset, b.source, b.compressed);
    };
    std::sort(out.begin(), out.end(), order);
    // A compressed file holding the colours more than once is listed once.
    out.erase(std::unique(out.begin(), out.end(),
                          [&](const ColourMatch &a, const ColourMatch &b) {
                              return !order(a, b) && !order(b, a);
                          }),
              out.end());
    result.truncated = search.truncated();
    return result;
}

bool findColoursInFile(const QString &path, const std::vector<quint16> &words, ColourSearch &search,
                       QString *reason, const std::atomic<bool> *cancel)
{
    FileImage image;
    if (!image.open(path, reason))
        return false;
    search = findColours(image, words, cancel);
    return true;
}

QString formatColourSearch(const ColourSearch &search)
{
    QString text;
    for (const ColourMatch &match : search.matches) {
        text += offsetText(match.offset) + QLatin1Char('\t') + QString::number(match.colours)
                + QLatin1Char('\t') + match.source;
        if (match.compressed)
            text += QStringLiteral("\tcompressed");
        text += match.exact ? QStringLiteral("\texact\n") : QStringLiteral("\tnear\n");
    }
    return text;
}

} // namespace RomFs
