#include "romwalk.h"

#include "lz.h"

#include <algorithm>
#include <cstring>
#include <set>
#include <tuple>
#include <vector>

namespace RomFs {

namespace {

// Limits that keep a lying image (archives inside archives, huge declared
// sizes, tables that all point at one place) from costing more than a real
// one of its size.
constexpr int MaxDepth = 8;
constexpr int MaxFolderDepth = 32;
// Decompressed bytes: at most 64 per byte of the image (games compress by
// far less), beyond a first 16 MiB, and never more than 256 MiB.
constexpr quint64 MaxDecompressed = quint64(256) << 20;
constexpr quint64 BaseDecompressed = quint64(16) << 20;
constexpr quint64 DecompressedPerByte = 64;
constexpr quint64 MaxTable = quint64(32) << 20;
// Units of work (a name, a file, an archive entry) allowed per byte of the
// image and of what was decompressed from it, and for any image. A real
// image needs a small part of this.
constexpr quint64 BytesPerUnit = 32;
constexpr quint64 BaseUnits = 16384;

quint32 le(const char *at, int count)
{
    quint32 value = 0;
    for (int i = count - 1; i >= 0; --i)
        value = value << 8 | quint8(at[i]);
    return value;
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

class FileSystem;

} // namespace

// How a walked file is named: a file of the file system by its folder and
// name, a member by its archive and number.
struct SourceLink
{
    const SourceLink *archive = nullptr;
    quint32 member = 0;
    FileSystem *names = nullptr;
    int folder = 0;
    quint64 nameAt = 0;
    quint64 nameLength = 0;
};

namespace {

// The DS file system: FAT (start and end per file ID) and FNT (the folder
// tree naming the files).
class FileSystem
{
public:
    explicit FileSystem(const Image &image) : m_image(image) {}

    bool load()
    {
        const Span whole{ &m_image, 0, m_image.size() };
        quint32 fntOffset = 0, fntSize = 0, fatOffset = 0, fatSize = 0;
        if (!whole.u32(0x40, fntOffset) || !whole.u32(0x44, fntSize) || !whole.u32(0x48, fatOffset)
            || !whole.u32(0x4C, fatSize))
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
        m_folderCount = fntU16(6);
        if (m_folderCount == 0 || m_folderCount > 0x1000 || quint64(m_folderCount) * 8 > fntSize)
            return false;
        return fntU32(0) < fntSize;
    }

    quint32 folderCount() const { return m_folderCount; }
    quint32 firstNamed() const { return fntU16(4); }
    quint64 fntSize() const { return quint64(m_fnt.size()); }
    quint64 listAt(int folder) const { return fntU32(8 * quint64(folder)); }
    quint32 firstIdOf(int folder) const { return fntU16(8 * quint64(folder) + 4); }
    quint8 fntByte(quint64 at) const { return quint8(m_fnt[qsizetype(at)]); }
    quint32 fntU16(quint64 at) const
    {
        return at + 2 <= fntSize() ? le(m_fnt.constData() + at, 2) : 0;
    }
    quint32 fntU32(quint64 at) const
    {
        return at + 4 <= fntSize() ? le(m_fnt.constData() + at, 4) : 0;
    }

    // The file's place in the image, or false when the FAT has no sound
    // entry for it.
    bool place(quint32 fileId, quint64 &start, quint64 &size) const
    {
        if (quint64(fileId) * 8 + 8 > quint64(m_fat.size()))
            return false;
        const quint32 first = le(m_fat.constData() + 8 * quint64(fileId), 4);
        const quint32 end = le(m_fat.constData() + 8 * quint64(fileId) + 4, 4);
        if (first > end || end > m_image.size() || end == first)
            return false;
        start = first;
        size = end - first;
        return true;
    }

    void addFolder(int index, int parent, quint64 nameAt, quint64 nameLength)
    {
        m_folders.resize(m_folderCount);
        m_folders[size_t(index)] = { parent, nameAt, nameLength, QString(), false };
    }

    QString name(quint64 at, quint64 length) const
    {
        return cleanName(m_fnt.mid(qsizetype(at), qsizetype(length)));
    }

    // A folder's path with a closing '/', made once: every folder was
    // reached once, from a parent reached before it, so this ends.
    const QString &folderPath(int folder)
    {
        static const QString root;
        if (folder <= 0 || size_t(folder) >= m_folders.size())
            return root;
        Folder &f = m_folders[size_t(folder)];
        if (!f.pathMade) {
            f.path = folderPath(f.parent) + name(f.nameAt, f.nameLength) + QLatin1Char('/');
            f.pathMade = true;
        }
        return f.path;
    }

private:
    struct Folder
    {
        int parent = 0;
        quint64 nameAt = 0;
        quint64 nameLength = 0;
        QString path;
        bool pathMade = false;
    };

    const Image &m_image;
    QByteArray m_fnt;
    QByteArray m_fat;
    quint32 m_folderCount = 0;
    std::vector<Folder> m_folders;
};

class Walk
{
public:
    Walk(const Image &image, FileVisitor &visitor, const std::atomic<bool> *cancel)
        : m_image(image), m_visitor(visitor), m_cancel(cancel),
          m_work(image.size() / BytesPerUnit + BaseUnits),
          m_decompressBudget(
                  std::min(MaxDecompressed, image.size() * DecompressedPerByte + BaseDecompressed))
    {
    }

    bool cancelled() const { return m_cancel && m_cancel->load(std::memory_order_relaxed); }

    // Up to `wanted` units of the work left; what is granted is spent.
    quint64 take(quint64 wanted)
    {
        const quint64 granted = std::min(wanted, m_work);
        m_work -= granted;
        return granted;
    }

    void walkFileSystem(FileSystem &fs)
    {
        const quint32 count = fs.folderCount();
        std::vector<int> depth(count, -1);
        const quint32 firstNamed = fs.firstNamed();
        std::vector<int> pending{ 0 };
        depth[0] = 0;
        while (!pending.empty() && !cancelled()) {
            const int folder = pending.back();
            pending.pop_back();
            quint64 at = fs.listAt(folder);
            quint32 fileId = fs.firstIdOf(folder);
            while (at < fs.fntSize() && take(1) && !cancelled()) {
                const quint8 kind = fs.fntByte(at);
                if (kind == 0 || kind == 0x80)
                    break;
                const quint64 nameLength = kind & 0x7F;
                const bool isFolder = kind & 0x80;
                const quint64 entrySize = 1 + nameLength + (isFolder ? 2 : 0);
                if (at + entrySize > fs.fntSize())
                    break;
                if (isFolder) {
                    const quint32 id = fs.fntU16(at + 1 + nameLength);
                    const quint32 index = id - 0xF000;
                    if (id >= 0xF000 && index < count && depth[index] < 0
                        && depth[size_t(folder)] < MaxFolderDepth) {
                        depth[index] = depth[size_t(folder)] + 1;
                        fs.addFolder(int(index), folder, at + 1, nameLength);
                        pending.push_back(int(index));
                    }
                } else {
                    quint64 start = 0, size = 0;
                    // Overlays lie below the root's first file and are not walked.
                    if (fileId >= firstNamed && fs.place(fileId, start, size)) {
                        SourceLink link;
                        link.names = &fs;
                        link.folder = folder;
                        link.nameAt = at + 1;
                        link.nameLength = nameLength;
                        WalkedFile file;
                        file.bytes = { &m_image, start, size };
                        file.offset = start;
                        file.link = &link;
                        walkFile(file, 0);
                    }
                    ++fileId;
                }
                at += entrySize;
            }
        }
    }

private:
    // `origin` tells which bytes `file.bytes` lies in: 0 for the image, else
    // the number of the decompressed buffer.
    void walkFile(WalkedFile &file, quint64 origin)
    {
        if (file.depth > MaxDepth || cancelled() || !take(1))
            return;
        const quint64 headSize = std::min<quint64>(file.bytes.size, 4);
        if (!file.bytes.read(0, file.head.data(), headSize))
            return;
        m_visitor.visit(file);
        if (std::memcmp(file.head.data(), "NARC", 4) == 0)
            walkArchive(file, origin);
        else if (file.head[0] == 0x10 || file.head[0] == 0x11)
            walkCompressed(file);
        m_visitor.leave(file);
    }

    void walkArchive(const WalkedFile &file, quint64 origin)
    {
        const Span &span = file.bytes;
        quint16 headerSize = 0;
        if (!span.u16(0x0C, headerSize))
            return;
        quint64 section = headerSize;
        quint64 table = 0, tableEnd = 0, dataStart = 0;
        bool haveTable = false, haveData = false;
        for (int hop = 0; hop < MaxSectionsPerFile && section + 8 <= span.size && !(haveTable && haveData);
             ++hop) {
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
        quint16 count = 0;
        if (!haveTable || !haveData || !span.u16(table + 8, count) || tableEnd < table + 0x0C)
            return;
        // Entries past the table's section are not trusted. The table is
        // read a piece at a time, each piece only when there is work left
        // for it.
        const quint64 entries = std::min<quint64>(count, (tableEnd - table - 0x0C) / 8);
        SourceLink link;
        link.archive = file.link;
        char piece[8 * 256];
        for (quint64 first = 0; first < entries && !cancelled();) {
            const quint64 granted = take(std::min<quint64>(entries - first, 256));
            if (granted == 0 || !span.read(table + 0x0C + 8 * first, piece, 8 * granted))
                return;
            for (quint64 k = 0; k < granted; ++k) {
                const quint32 start = le(piece + 8 * k, 4);
                const quint32 end = le(piece + 8 * k + 4, 4);
                if (start >= end || dataStart + end > span.size)
                    continue;
                // Members that lie where another member already lay (archives
                // pointing into themselves) are walked once.
                const quint64 at = span.start + dataStart + start;
                if (!m_walked.insert({ origin, at, end - start }).second)
                    continue;
                link.member = quint32(first + k);
                WalkedFile member;
                member.bytes = span.sub(dataStart + start, end - start);
                member.offset = file.compressed ? file.offset : at;
                member.compressed = file.compressed;
                member.depth = file.depth + 1;
                member.link = &link;
                walkFile(member, origin);
            }
            first += granted;
        }
    }

    void walkCompressed(const WalkedFile &file)
    {
        const Span &span = file.bytes;
        QByteArray head(qsizetype(std::min<quint64>(span.size, 8)), Qt::Uninitialized);
        if (!span.read(0, head.data(), quint64(head.size())))
            return;
        const quint32 declared = Lz::declaredSize(head);
        if (declared == 0 || declared > m_decompressBudget)
            return;
        const quint64 inputSize = std::min(span.size, Lz::maxInputSize(declared));
        // The first bytes tell whether the rest is worth decompressing.
        QByteArray input(qsizetype(std::min<quint64>(inputSize, 64)), Qt::Uninitialized);
        if (!span.read(0, input.data(), quint64(input.size())))
            return;
        if (!m_visitor.wantsContents(Lz::decompress(input, 16)))
            return;
        input.resize(qsizetype(inputSize));
        if (!span.read(0, input.data(), inputSize))
            return;
        bool complete = false;
        QByteArray plain = Lz::decompress(input, declared, &complete);
        // What was produced is what it cost, however much the header claimed.
        m_decompressBudget -= std::min<quint64>(quint64(plain.size()), m_decompressBudget);
        // A stream that ends early or refers before its start is not
        // trusted for any of its contents.
        if (!complete)
            return;
        m_work += quint64(plain.size()) / BytesPerUnit;
        const MemoryImage buffer(std::move(plain));
        WalkedFile contents;
        contents.bytes = { &buffer, 0, buffer.size() };
        contents.offset = file.compressed ? file.offset : span.start;
        contents.compressed = true;
        contents.contents = true;
        contents.depth = file.depth + 1;
        contents.link = file.link;
        walkFile(contents, ++m_buffers);
    }

    const Image &m_image;
    FileVisitor &m_visitor;
    const std::atomic<bool> *m_cancel;
    quint64 m_work;
    quint64 m_decompressBudget;
    quint64 m_buffers = 0;
    // (origin, place, size) of the archive members walked.
    std::set<std::tuple<quint64, quint64, quint64>> m_walked;
};

} // namespace

QString WalkedFile::source() const
{
    if (!link)
        return QString();
    QString suffix;
    const SourceLink *l = link;
    for (; l->archive; l = l->archive)
        suffix.prepend(QLatin1Char('#') + QString::number(l->member));
    if (!l->names)
        return suffix;
    return l->names->folderPath(l->folder) + l->names->name(l->nameAt, l->nameLength) + suffix;
}

bool walkFiles(const Image &image, FileVisitor &visitor, const std::atomic<bool> *cancel)
{
    FileSystem fs(image);
    if (!fs.load())
        return false;
    Walk walk(image, visitor, cancel);
    walk.walkFileSystem(fs);
    return true;
}

} // namespace RomFs
