#include "palettefinder.h"

#include "gbascan.h"
#include "lz.h"

#include <QFileInfo>

#include <algorithm>
#include <cstring>
#include <set>
#include <tuple>

namespace RomFs {

namespace {

// Limits that keep a lying image (archives pointing into themselves, huge
// declared sizes) from costing more than a real one.
constexpr int MaxDepth = 8;
constexpr quint64 MaxFiles = 1 << 20;
constexpr quint64 MaxDecompressed = quint64(256) << 20;
constexpr quint64 MaxTable = quint64(32) << 20;

QString cleanText(const QByteArray &bytes)
{
    QString text;
    for (char c : bytes) {
        if (c == '\0')
            break;
        text += (uchar(c) >= 0x20 && uchar(c) < 0x7F) ? QChar(c) : QChar('?');
    }
    return text.trimmed();
}

// A name from the image, kept safe for one tab-separated line.
QString cleanName(const QByteArray &bytes)
{
    QString name = QString::fromUtf8(bytes);
    for (QChar &c : name) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            c = QChar('?');
    }
    return name;
}

class Finder
{
public:
    Finder(const std::atomic<bool> *cancel, std::vector<FoundPalette> &out)
        : m_cancel(cancel), m_out(out)
    {
    }

    bool cancelled() const { return m_cancel && m_cancel->load(std::memory_order_relaxed); }

    // `compressedAt` is the offset of the outermost compressed file the
    // span was decompressed from, or -1 for a span of the image itself.
    void searchFile(const Span &span, const QString &source, qint64 compressedAt, int depth)
    {
        if (m_files >= MaxFiles || depth > MaxDepth || span.size < 4 || cancelled())
            return;
        ++m_files;
        uchar head[4];
        if (!span.read(0, head, 4))
            return;
        if (std::memcmp(head, "RLCN", 4) == 0)
            readPaletteFile(span, source, compressedAt);
        else if (std::memcmp(head, "NARC", 4) == 0)
            readArchive(span, source, compressedAt, depth);
        else if (head[0] == 0x10 || head[0] == 0x11)
            readCompressed(span, source, compressedAt, depth);
    }

private:
    void readPaletteFile(const Span &span, const QString &source, qint64 compressedAt)
    {
        quint16 headerSize = 0;
        if (!span.u16(0x0C, headerSize))
            return;
        quint64 section = headerSize;
        while (section + 8 <= span.size) {
            quint32 sectionSize = 0;
            span.u32(section + 4, sectionSize);
            if (span.hasMagic(section, "TTLP")) {
                quint32 dataSize = 0, dataOffset = 0;
                if (!span.u32(section + 0x10, dataSize) || !span.u32(section + 0x14, dataOffset))
                    return;
                const quint64 colourStart = section + 8 + dataOffset;
                if (colourStart >= span.size)
                    return;
                const quint64 bytes = std::min<quint64>(dataSize, span.size - colourStart);
                const quint64 colours = bytes / 2;
                if (colours == 0)
                    return;
                FoundPalette found;
                found.offset = compressedAt >= 0 ? quint64(compressedAt) : span.start + colourStart;
                found.colours = quint32(std::min<quint64>(colours, 0xFFFFFFFF));
                found.source = source;
                found.compressed = compressedAt >= 0;
                const quint64 shown = std::min<quint64>(colours, 16);
                uchar words[32];
                if (span.read(colourStart, words, shown * 2)) {
                    for (quint64 i = 0; i < shown; ++i)
                        found.first[i] = quint16(words[2 * i] | words[2 * i + 1] << 8);
                }
                m_out.push_back(found);
                return;
            }
            if (sectionSize < 8)
                return;
            section += sectionSize;
        }
    }

    void readArchive(const Span &span, const QString &source, qint64 compressedAt, int depth)
    {
        quint16 headerSize = 0;
        if (!span.u16(0x0C, headerSize))
            return;
        quint64 section = headerSize;
        quint64 table = 0, tableEnd = 0, dataStart = 0;
        bool haveTable = false, haveData = false;
        while (section + 8 <= span.size && !(haveTable && haveData)) {
            quint32 sectionSize = 0;
            span.u32(section + 4, sectionSize);
            if (sectionSize < 8)
                return;
            if (span.hasMagic(section, "BTAF")) {
                table = section;
                tableEnd = std::min<quint64>(section + sectionSize, span.size);
                haveTable = true;
            } else if (span.hasMagic(section, "GMIF")) {
                dataStart = section + 8;
                haveData = true;
            }
            section += sectionSize;
        }
        if (!haveTable || !haveData)
            return;
        quint16 count = 0;
        if (!span.u16(table + 8, count))
            return;
        for (quint32 i = 0; i < count && !cancelled(); ++i) {
            const quint64 entry = table + 0x0C + 8 * quint64(i);
            quint32 start = 0, end = 0;
            if (entry + 8 > tableEnd || !span.u32(entry, start) || !span.u32(entry + 4, end))
                return;
            if (start > end || dataStart + end > span.size)
                continue;
            // Members that lie where another member already lay (archives
            // pointing into themselves) are searched once.
            const Span member = span.sub(dataStart + start, end - start);
            if (!m_searched.insert({ member.image, member.start, member.size }).second)
                continue;
            searchFile(span.sub(dataStart + start, end - start),
                       source + QLatin1Char('#') + QString::number(i), compressedAt, depth + 1);
        }
    }

    void readCompressed(const Span &span, const QString &source, qint64 compressedAt, int depth)
    {
        QByteArray head(qsizetype(std::min<quint64>(span.size, 8)), Qt::Uninitialized);
        if (!span.read(0, head.data(), quint64(head.size())))
            return;
        const quint32 declared = Lz::declaredSize(head);
        if (declared < 4 || declared > m_decompressBudget)
            return;
        const quint64 inputSize = std::min(span.size, Lz::maxInputSize(declared));
        // The first bytes tell whether the rest is worth decompressing.
        QByteArray input(qsizetype(std::min<quint64>(inputSize, 64)), Qt::Uninitialized);
        if (!span.read(0, input.data(), quint64(input.size())))
            return;
        const QByteArray start = Lz::decompress(input, 4);
        if (start != "RLCN" && start != "NARC")
            return;
        input.resize(qsizetype(inputSize));
        if (!span.read(0, input.data(), inputSize))
            return;
        m_decompressBudget -= declared;
        // A stream that ends early or refers before its start is not
        // trusted for any of its contents.
        bool complete = false;
        const MemoryImage plain(Lz::decompress(input, declared, &complete));
        if (!complete)
            return;
        const Span whole{ &plain, 0, plain.size() };
        const qint64 at = compressedAt >= 0 ? compressedAt : qint64(span.start);
        searchFile(whole, source, at, depth + 1);
    }

    const std::atomic<bool> *m_cancel;
    std::vector<FoundPalette> &m_out;
    quint64 m_files = 0;
    std::set<std::tuple<const Image *, quint64, quint64>> m_searched;
    quint64 m_decompressBudget = MaxDecompressed;
};

// The DS file system: FAT (start and end per file ID) and FNT (directory
// tree naming the files).
class FileSystem
{
public:
    explicit FileSystem(const Image &image) : m_image(image), m_whole{ &image, 0, image.size() } {}

    bool load()
    {
        quint32 fntOffset = 0, fntSize = 0, fatOffset = 0, fatSize = 0;
        if (!m_whole.u32(0x40, fntOffset) || !m_whole.u32(0x44, fntSize)
            || !m_whole.u32(0x48, fatOffset) || !m_whole.u32(0x4C, fatSize))
            return false;
        if (fntSize < 8 || fntSize > MaxTable || fatSize > MaxTable)
            return false;
        if (quint64(fntOffset) + fntSize > m_image.size()
            || quint64(fatOffset) + fatSize > m_image.size())
            return false;
        m_fnt.resize(qsizetype(fntSize));
        m_fat.resize(qsizetype(fatSize / 8 * 8));
        if (!m_image.read(fntOffset, m_fnt.data(), quint64(m_fnt.size()))
            || !m_image.read(fatOffset, m_fat.data(), quint64(m_fat.size())))
            return false;
        m_directoryCount = fntU16(6);
        if (m_directoryCount == 0 || m_directoryCount > 0x1000
            || quint64(m_directoryCount) * 8 > fntSize)
            return false;
        return fntU32(0) < fntSize;
    }

    void search(Finder &finder)
    {
        struct Directory
        {
            int parent;
            QString name;
        };
        std::vector<Directory> directories(m_directoryCount, { -1, QString() });
        std::vector<bool> seen(m_directoryCount, false);
        const quint32 firstNamed = fntU16(4);
        std::vector<int> pending{ 0 };
        seen[0] = true;
        while (!pending.empty() && !finder.cancelled()) {
            const int directory = pending.back();
            pending.pop_back();
            quint64 at = fntU32(8 * quint64(directory));
            quint32 fileId = fntU16(8 * quint64(directory) + 4);
            while (at < quint64(m_fnt.size())) {
                const quint8 kind = quint8(m_fnt[qsizetype(at)]);
                if (kind == 0 || kind == 0x80)
                    break;
                const quint64 nameLength = kind & 0x7F;
                const bool isDirectory = kind & 0x80;
                const quint64 entrySize = 1 + nameLength + (isDirectory ? 2 : 0);
                if (at + entrySize > quint64(m_fnt.size()))
                    break;
                if (isDirectory) {
                    const QString name =
                            cleanName(m_fnt.mid(qsizetype(at + 1), qsizetype(nameLength)));
                    const quint32 id = fntU16(at + 1 + nameLength);
                    const quint32 index = id - 0xF000;
                    if (id >= 0xF000 && index < m_directoryCount && !seen[index]) {
                        seen[index] = true;
                        directories[index] = { directory, name };
                        pending.push_back(int(index));
                    }
                } else {
                    // Overlays lie below the root's first file and are not searched.
                    if (fileId >= firstNamed)
                        searchFile(finder, fileId, [&] {
                            return pathOf(directories, directory,
                                          cleanName(m_fnt.mid(qsizetype(at + 1),
                                                              qsizetype(nameLength))));
                        });
                    ++fileId;
                }
                at += entrySize;
            }
        }
    }

private:
    template<typename Directories>
    static QString pathOf(const Directories &directories, int directory, const QString &name)
    {
        QString path = name;
        // Each directory was reached once, from a parent reached before it,
        // so walking up ends at the root.
        for (int d = directory; d > 0; d = directories[size_t(d)].parent)
            path = directories[size_t(d)].name + QLatin1Char('/') + path;
        return path;
    }

    // The path is only made for files that may hold a palette.
    template<typename Path>
    void searchFile(Finder &finder, quint32 fileId, Path path)
    {
        if (quint64(fileId) * 8 + 8 > quint64(m_fat.size()))
            return;
        const quint32 start = quint32(fatU32(fileId * 8));
        const quint32 end = quint32(fatU32(fileId * 8 + 4));
        if (start > end || end > m_image.size() || end - start < 4)
            return;
        uchar head[4];
        if (!m_image.read(start, head, 4))
            return;
        if (std::memcmp(head, "RLCN", 4) != 0 && std::memcmp(head, "NARC", 4) != 0
            && head[0] != 0x10 && head[0] != 0x11)
            return;
        finder.searchFile(m_whole.sub(start, end - start), path(), -1, 0);
    }

    quint32 fntU16(quint64 at) const { return at + 2 <= quint64(m_fnt.size()) ? le(m_fnt, at, 2) : 0; }
    quint32 fntU32(quint64 at) const { return at + 4 <= quint64(m_fnt.size()) ? le(m_fnt, at, 4) : 0; }
    quint32 fatU32(quint64 at) const { return le(m_fat, at, 4); }
    static quint32 le(const QByteArray &bytes, quint64 at, int count)
    {
        quint32 value = 0;
        for (int i = count - 1; i >= 0; --i)
            value = value << 8 | quint8(bytes[qsizetype(at) + i]);
        return value;
    }

    const Image &m_image;
    Span m_whole;
    QByteArray m_fnt;
    QByteArray m_fat;
    quint32 m_directoryCount = 0;
};

QString headerText(const Image &image, quint64 offset, int length)
{
    QByteArray bytes(length, '\0');
    if (!image.read(offset, bytes.data(), quint64(length)))
        return QString();
    return cleanText(bytes);
}

} // namespace

Listing listPalettes(const Image &image, const std::atomic<bool> *cancel)
{
    Listing listing;
    FileSystem fileSystem(image);
    if (fileSystem.load()) {
        listing.fileSystem = true;
        listing.title = headerText(image, 0x00, 12);
        listing.gameCode = headerText(image, 0x0C, 4);
        Finder finder(cancel, listing.palettes);
        fileSystem.search(finder);
    } else {
        listing.title = headerText(image, 0xA0, 12);
        listing.gameCode = headerText(image, 0xAC, 4);
        for (const GbaScan::Run &run : GbaScan::scan(image, cancel)) {
            FoundPalette found;
            found.offset = run.offset;
            found.colours = run.words;
            found.source = QStringLiteral("scan");
            found.first = run.first;
            listing.palettes.push_back(found);
        }
    }
    std::stable_sort(listing.palettes.begin(), listing.palettes.end(),
                     [](const FoundPalette &a, const FoundPalette &b) {
                         return a.offset != b.offset ? a.offset < b.offset : a.source < b.source;
                     });
    return listing;
}

bool listPalettesInFile(const QString &path, Listing &listing, QString *reason,
                        const std::atomic<bool> *cancel)
{
    if (!QFileInfo(path).isFile()) {
        if (reason)
            *reason = QFileInfo::exists(path) ? QStringLiteral("not a file")
                                              : QStringLiteral("no such file");
        return false;
    }
    FileImage image;
    if (!image.open(path, reason))
        return false;
    listing = listPalettes(image, cancel);
    return true;
}

QString formatListing(const Listing &listing)
{
    QString text;
    for (const FoundPalette &found : listing.palettes) {
        text += offsetText(found.offset) + QLatin1Char('\t') + QString::number(found.colours)
                + QLatin1Char('\t') + found.source;
        if (found.compressed)
            text += QStringLiteral("\tcompressed");
        text += QLatin1Char('\n');
    }
    return text;
}

QString offsetText(quint64 offset)
{
    return QString::number(offset, 16).toUpper();
}

} // namespace RomFs
