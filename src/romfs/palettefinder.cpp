#include "palettefinder.h"

#include "gbascan.h"
#include "romwalk.h"


#include <algorithm>
#include <cstring>

namespace RomFs {

namespace {

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

// Lists the palette files (RLCN) met on the walk.
class PaletteVisitor final : public FileVisitor
{
public:
    explicit PaletteVisitor(std::vector<FoundPalette> &out) : m_out(out) {}

    bool wantsContents(const QByteArray &head) override
    {
        return head.startsWith("RLCN") || head.startsWith("NARC");
    }

    void visit(const WalkedFile &file) override
    {
        if (std::memcmp(file.head.data(), "RLCN", 4) == 0)
            readPaletteFile(file);
    }

private:
    void readPaletteFile(const WalkedFile &file)
    {
        const Span &span = file.bytes;
        quint16 headerSize = 0;
        if (!span.u16(0x0C, headerSize))
            return;
        quint64 section = headerSize;
        for (int hop = 0; hop < MaxSectionsPerFile && section + 8 <= span.size; ++hop) {
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
                found.offset = file.compressed ? file.offset : span.start + colourStart;
                found.colours = quint32(std::min<quint64>(colours, 0xFFFFFFFF));
                found.source = file.source();
                found.compressed = file.compressed;
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

    std::vector<FoundPalette> &m_out;
};

// Walks for palettes and for what another visitor lists at once: on a large
// image one walk costs much less than two.
class BothVisitor final : public FileVisitor
{
public:
    BothVisitor(FileVisitor &first, FileVisitor *second)
        : m_first(first), m_second(second)
    {
    }
    bool wantsContents(const QByteArray &head) override
    {
        return m_first.wantsContents(head) || (m_second && m_second->wantsContents(head));
    }
    void visit(const WalkedFile &file) override
    {
        m_first.visit(file);
        if (m_second)
            m_second->visit(file);
    }
    void leave(const WalkedFile &file) override
    {
        m_first.leave(file);
        if (m_second)
            m_second->leave(file);
    }

private:
    FileVisitor &m_first;
    FileVisitor *m_second;
};

QString headerText(const Image &image, quint64 offset, int length)
{
    QByteArray bytes(length, '\0');
    if (!image.read(offset, bytes.data(), quint64(length)))
        return QString();
    return cleanText(bytes);
}

} // namespace

Listing listPalettes(const Image &image, const std::atomic<bool> *cancel, FileVisitor *also)
{
    Listing listing;
    PaletteVisitor palettes(listing.palettes);
    BothVisitor visitor(palettes, also);
    if (walkFiles(image, visitor, cancel)) {
        listing.fileSystem = true;
        listing.title = headerText(image, 0x00, 12);
        listing.gameCode = headerText(image, 0x0C, 4);
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
                        const std::atomic<bool> *cancel, FileVisitor *also)
{
    FileImage image;
    if (!image.open(path, reason))
        return false;
    listing = listPalettes(image, cancel, also);
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
