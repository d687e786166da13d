#include "graphicsfinder.h"

#include "rgcn.h"
#include "romwalk.h"

#include <algorithm>
#include <cstring>

namespace RomFs {

namespace {

bool isGraphics(const WalkedFile &file)
{
    return std::memcmp(file.head.data(), "RGCN", 4) == 0;
}

// Lists the graphics files (RGCN) met on the walk.
class GraphicsVisitor final : public FileVisitor {
public:
    explicit GraphicsVisitor(std::vector<FoundGraphics> &out)
        : m_out(out)
    {
    }

    bool wantsContents(const QByteArray &head) override
    {
        return head.startsWith("RGCN") || head.startsWith("NARC");
    }

    void visit(const WalkedFile &file) override
    {
        if (!isGraphics(file))
            return;
        const auto header = readRgcn(file.bytes);
        // A file without pixels has nothing to show.
        if (!header || header->dataSize == 0)
            return;
        FoundGraphics found;
        found.offset = file.compressed ? file.offset : file.bytes.start + header->dataOffset;
        found.dataSize = header->dataSize;
        found.widthTiles = header->widthTiles;
        found.heightTiles = header->heightTiles;
        found.bitsPerPixel = header->bitsPerPixel;
        found.tiled = header->tiled;
        found.source = file.source();
        found.compressed = file.compressed;
        m_out.push_back(found);
    }

private:
    std::vector<FoundGraphics> &m_out;
};

// Walks again to one compressed graphics file and copies its pixels out.
// Only the compressed file at the found offset is decompressed, and the
// walk stops once the file is met.
class PixelsVisitor final : public FileVisitor {
public:
    PixelsVisitor(const FoundGraphics &target, QByteArray &pixels)
        : m_target(target)
        , m_pixels(pixels)
    {
    }

    bool done() const { return m_done; }
    const std::atomic<bool> *stop() const { return &m_stop; }

    bool wantsContents(const QByteArray &head) override
    {
        // Asked right after the compressed file itself was visited.
        return m_lastOffset == m_target.offset
            && (head.startsWith("RGCN") || head.startsWith("NARC"));
    }

    void visit(const WalkedFile &file) override
    {
        m_lastOffset = file.offset;
        if (m_done || !file.compressed || file.offset != m_target.offset || !isGraphics(file)
            || file.source() != m_target.source)
            return;
        const auto header = readRgcn(file.bytes);
        if (!header)
            return;
        m_pixels.resize(qsizetype(header->dataSize));
        m_done = file.bytes.read(header->dataOffset, m_pixels.data(), header->dataSize);
        m_stop = m_done;
    }

private:
    const FoundGraphics &m_target;
    QByteArray &m_pixels;
    quint64 m_lastOffset = ~quint64(0);
    bool m_done = false;
    std::atomic<bool> m_stop { false };
};

void sortGraphics(std::vector<FoundGraphics> &graphics)
{
    std::stable_sort(graphics.begin(), graphics.end(),
        [](const FoundGraphics &a, const FoundGraphics &b) {
            return a.offset != b.offset ? a.offset < b.offset : a.source < b.source;
        });
}

// The member numbers of a source after its archive's path ("a.narc#2#0"
// after "a.narc": 2, 0); empty when it does not lie in that archive.
std::vector<quint32> membersAfter(const QString &source, const QString &archive)
{
    std::vector<quint32> numbers;
    if (!source.startsWith(archive + QLatin1Char('#')))
        return numbers;
    const QStringList parts = source.mid(archive.size() + 1).split(QLatin1Char('#'));
    for (const QString &part : parts) {
        bool ok = false;
        numbers.push_back(part.toUInt(&ok));
        if (!ok)
            return {};
    }
    return numbers;
}

// The path without the last name's extension ("a/x.ncgr": "a/x").
QString stem(const QString &path)
{
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    return dot > path.lastIndexOf(QLatin1Char('/')) ? path.left(dot) : path;
}

} // namespace

std::vector<FoundGraphics> listGraphics(const Image &image, const std::atomic<bool> *cancel)
{
    std::vector<FoundGraphics> graphics;
    GraphicsVisitor visitor(graphics);
    walkFiles(image, visitor, cancel);
    sortGraphics(graphics);
    return graphics;
}

bool listRomFilesInFile(const QString &path, Listing &palettes,
    std::vector<FoundGraphics> &graphics, QString *reason, const std::atomic<bool> *cancel)
{
    graphics.clear();
    GraphicsVisitor visitor(graphics);
    if (!listPalettesInFile(path, palettes, reason, cancel, &visitor))
        return false;
    sortGraphics(graphics);
    return true;
}

QString formatGraphicsListing(const std::vector<FoundGraphics> &graphics)
{
    QString text;
    for (const FoundGraphics &found : graphics) {
        text += offsetText(found.offset) + QLatin1Char('\t') + QString::number(found.widthTiles)
            + QLatin1Char('x') + QString::number(found.heightTiles) + QLatin1Char('\t')
            + QString::number(found.bitsPerPixel) + QLatin1Char('\t')
            + (found.tiled ? QLatin1String("tiled") : QLatin1String("bitmap")) + QLatin1Char('\t')
            + found.source;
        if (found.compressed)
            text += QStringLiteral("\tcompressed");
        text += QLatin1Char('\n');
    }
    return text;
}

bool graphicsPixels(const Image &image, const FoundGraphics &found, QByteArray &pixels)
{
    if (!found.compressed) {
        if (found.offset > image.size() || found.dataSize > image.size() - found.offset)
            return false;
        pixels.resize(qsizetype(found.dataSize));
        return image.read(found.offset, pixels.data(), found.dataSize);
    }
    PixelsVisitor visitor(found, pixels);
    walkFiles(image, visitor, visitor.stop());
    return visitor.done();
}

std::optional<size_t> paletteBeside(
    const FoundGraphics &graphics, const std::vector<FoundPalette> &palettes)
{
    const qsizetype hash = graphics.source.lastIndexOf(QLatin1Char('#'));
    std::optional<size_t> best;
    if (hash < 0) {
        const QString name = stem(graphics.source);
        for (size_t i = 0; i < palettes.size() && !best; ++i) {
            const QString &source = palettes[i].source;
            if (source != graphics.source && !source.contains(QLatin1Char('#'))
                && stem(source) == name)
                best = i;
        }
        return best;
    }
    // In an archive: the last palette the walk met before the file among
    // the members (and their archives' members) of the same archive.
    const QString archive = graphics.source.left(hash);
    const std::vector<quint32> own = membersAfter(graphics.source, archive);
    std::vector<quint32> bestMembers;
    for (size_t i = 0; i < palettes.size(); ++i) {
        const std::vector<quint32> members = membersAfter(palettes[i].source, archive);
        if (!members.empty() && members < own && (!best || members > bestMembers)) {
            best = i;
            bestMembers = members;
        }
    }
    return best;
}

} // namespace RomFs
