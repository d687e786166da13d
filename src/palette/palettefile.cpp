#include "palettefile.h"

#include "module1.h"
#include "rompalette.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <array>

namespace PaletteFile {

namespace {

constexpr int ActTableBytes = 3 * MaxColours;
constexpr int ActFileBytes = ActTableBytes + 4;
constexpr int SwatchPixels = 16;
const QByteArray utf8Bom = QByteArrayLiteral("\xEF\xBB\xBF");

struct Rgb
{
    int red, green, blue;
};

Rgb rgbOf(quint16 word)
{
    return { Module1::Scale5To8(word & 0x1F), Module1::Scale5To8((word >> 5) & 0x1F),
             Module1::Scale5To8((word >> 10) & 0x1F) };
}

Decoded failure(QString error)
{
    return { {}, std::move(error) };
}

Decoded atLine(int line, const QString &what)
{
    return failure(QStringLiteral("line %1: %2").arg(line).arg(what));
}

Decoded atByte(qsizetype byte, const QString &what)
{
    return failure(QStringLiteral("byte %1: %2").arg(byte).arg(what));
}

QString tooMany()
{
    return QStringLiteral("more than %1 colours").arg(MaxColours);
}

const uchar *bytesAt(const QByteArray &contents, qsizetype at)
{
    return reinterpret_cast<const uchar *>(contents.constData()) + at;
}

quint32 littleEndianAt(const QByteArray &contents, qsizetype at, int size)
{
    quint32 value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = (value << 8) | bytesAt(contents, at)[i];
    return value;
}

// Bytes of the file as a message shows them: printable ASCII as it is,
// anything else as \xNN, so no control character reaches a terminal.
QString shown(const QByteArray &bytes)
{
    constexpr qsizetype MaxShown = 40;
    QString text;
    for (qsizetype i = 0; i < std::min(bytes.size(), MaxShown); ++i) {
        const auto byte = quint8(bytes[i]);
        if (byte >= 0x20 && byte < 0x7F && byte != '\\')
            text += QLatin1Char(char(byte));
        else
            text += QStringLiteral("\\x%1").arg(byte, 2, 16, QLatin1Char('0'));
    }
    return bytes.size() > MaxShown ? text + QStringLiteral("...") : text;
}

QByteArray withoutBom(const QByteArray &contents)
{
    return contents.startsWith(utf8Bom) ? contents.mid(utf8Bom.size()) : contents;
}

// Lines end in CR LF, LF or CR alone (as old Mac tools wrote them).
QList<QByteArray> textLines(const QByteArray &contents)
{
    QByteArray text = withoutBom(contents);
    text.replace("\r\n", "\n").replace('\r', '\n');
    QList<QByteArray> lines = text.split('\n');
    if (!lines.isEmpty() && lines.constLast().isEmpty())
        lines.removeLast();
    return lines;
}

// Three decimal channels 0-255 at the start of a line; more after them is
// the colour's name in GIMP files.
std::optional<QString> readChannels(const QByteArray &line, bool onlyThree, quint16 &word)
{
    const QList<QByteArray> fields = line.simplified().split(' ');
    if (fields.size() < 3 || (onlyThree && fields.size() != 3) || fields.first().isEmpty())
        return QStringLiteral("expected three numbers (red, green, blue), found \"%1\"")
                .arg(shown(line.simplified()));
    int channel[3];
    static const char *const names[] = { "red", "green", "blue" };
    for (int i = 0; i < 3; ++i) {
        bool ok = false;
        channel[i] = fields.at(i).toInt(&ok);
        if (!ok || channel[i] < 0 || channel[i] > 255)
            return QStringLiteral("the %1 value \"%2\" is not a number from 0 to 255")
                    .arg(QLatin1String(names[i]), shown(fields.at(i)));
    }
    word = wordOf(channel[0], channel[1], channel[2]);
    return std::nullopt;
}

Decoded decodeJasc(const QByteArray &contents)
{
    const QList<QByteArray> lines = textLines(contents);
    if (lines.isEmpty() || lines.first().trimmed() != "JASC-PAL")
        return atLine(1, QStringLiteral("expected JASC-PAL, found \"%1\"")
                                 .arg(shown(lines.value(0))));
    if (lines.size() < 2 || lines.at(1).trimmed() != "0100")
        return atLine(2, QStringLiteral("expected the version 0100"));
    if (lines.size() < 3)
        return atLine(3, QStringLiteral("the colour count is missing"));
    bool ok = false;
    const int count = lines.at(2).trimmed().toInt(&ok);
    if (!ok || count < 1)
        return atLine(3, QStringLiteral("expected a colour count from 1 to %1").arg(MaxColours));
    if (count > MaxColours)
        return atLine(3, tooMany());
    Decoded decoded;
    for (int i = 0; i < count; ++i) {
        const int line = 4 + i;
        if (line > lines.size())
            return atLine(line,
                          QStringLiteral("the file ends after %1 of %2 colours").arg(i).arg(count));
        quint16 word = 0;
        if (const auto error = readChannels(lines.at(line - 1), true, word))
            return atLine(line, *error);
        decoded.words.append(word);
    }
    return decoded;
}

Decoded decodeGimp(const QByteArray &contents)
{
    const QList<QByteArray> lines = textLines(contents);
    if (lines.isEmpty() || !lines.first().startsWith("GIMP Palette"))
        return atLine(1, QStringLiteral("expected GIMP Palette, found \"%1\"")
                                 .arg(shown(lines.value(0))));
    Decoded decoded;
    for (int line = 2; line <= lines.size(); ++line) {
        const QByteArray text = lines.at(line - 1).trimmed();
        if (text.isEmpty() || text.startsWith('#') || text.startsWith("Name:")
            || text.startsWith("Columns:"))
            continue;
        if (decoded.words.size() == MaxColours)
            return atLine(line, tooMany());
        quint16 word = 0;
        if (const auto error = readChannels(text, false, word))
            return atLine(line, *error);
        decoded.words.append(word);
    }
    if (decoded.words.isEmpty())
        return atLine(int(lines.size()) + 1,
                      QStringLiteral("the file ends before its first colour"));
    return decoded;
}

Decoded decodeAct(const QByteArray &contents)
{
    if (contents.size() != ActTableBytes && contents.size() != ActFileBytes)
        return atByte(contents.size(),
                      QStringLiteral("an Adobe colour table has %1 or %2 bytes")
                              .arg(ActTableBytes)
                              .arg(ActFileBytes));
    int count = MaxColours;
    if (contents.size() == ActFileBytes) {
        const auto *tail = reinterpret_cast<const uchar *>(contents.constData()) + ActTableBytes;
        count = (tail[0] << 8) | tail[1];
        if (count < 1 || count > MaxColours)
            return atByte(ActTableBytes,
                          QStringLiteral("the colour count %1 is not from 1 to %2")
                                  .arg(count)
                                  .arg(MaxColours));
    }
    Decoded decoded;
    for (int i = 0; i < count; ++i) {
        const auto *rgb = reinterpret_cast<const uchar *>(contents.constData()) + 3 * i;
        decoded.words.append(wordOf(rgb[0], rgb[1], rgb[2]));
    }
    return decoded;
}

Decoded decodeRaw(const QByteArray &contents)
{
    if (contents.isEmpty())
        return atByte(0, QStringLiteral("the file is empty"));
    if (contents.size() > 2 * MaxColours)
        return atByte(2 * MaxColours, tooMany());
    if (contents.size() % 2)
        return atByte(contents.size() - 1,
                      QStringLiteral("the file is cut short in the middle of a colour word"));
    Decoded decoded;
    for (qsizetype i = 0; i < contents.size(); i += 2)
        decoded.words.append(quint16(quint8(contents[i]) | (quint8(contents[i + 1]) << 8)));
    return decoded;
}

Decoded noTable()
{
    return failure(QStringLiteral("the image has no colour table; save it as an indexed image "
                                  "(at most %1 colours)")
                           .arg(MaxColours));
}

quint32 crc32(const char *bytes, qsizetype size);

quint32 bigEndianAt(const QByteArray &bytes, qsizetype at)
{
    const uchar *p = bytesAt(bytes, at);
    return (quint32(p[0]) << 24) | (p[1] << 16) | (p[2] << 8) | p[3];
}

// A PNG's colour table, read from its chunks without decoding a pixel.
// Every chunk's checksum is checked up to the end, so a damaged or cut
// file is refused with the byte where it went wrong.
Decoded decodePngTable(const QByteArray &contents)
{
    Decoded decoded;
    int colourType = -1;
    bool tableSeen = false;
    for (qsizetype at = 8;;) {
        if (contents.size() - at < 12)
            return atByte(contents.size(), QStringLiteral("the file is cut short"));
        const quint32 length = bigEndianAt(contents, at);
        const QByteArray type = contents.mid(at + 4, 4);
        if (length > quint64(contents.size() - at - 12))
            return atByte(contents.size(), QStringLiteral("the file is cut short inside its %1 chunk")
                                                   .arg(shown(type)));
        if (crc32(contents.constData() + at + 4, length + 4) != bigEndianAt(contents, at + 8 + length))
            return atByte(at, QStringLiteral("the %1 chunk is damaged (wrong checksum)")
                                      .arg(shown(type)));
        if ((at == 8) != (type == "IHDR") || (type == "IHDR" && length != 13))
            return atByte(at, QStringLiteral("expected one IHDR chunk of 13 bytes first"));
        if (type == "IHDR")
            colourType = quint8(contents[at + 8 + 9]);
        if (type == "PLTE" && tableSeen)
            return atByte(at, QStringLiteral("a second PLTE chunk; an image has one colour table"));
        tableSeen = tableSeen || type == "PLTE";
        if (type == "PLTE" && colourType == 3) {
            if (length == 0 || length % 3 || length > 3 * MaxColours)
                return atByte(at, QStringLiteral("the colour table's size %1 is not 3 to 768 bytes in threes")
                                          .arg(length));
            const auto *rgb = reinterpret_cast<const uchar *>(contents.constData()) + at + 8;
            for (quint32 i = 0; i < length; i += 3)
                decoded.words.append(wordOf(rgb[i], rgb[i + 1], rgb[i + 2]));
        }
        if (type == "IEND")
            break;
        at += 12 + length;
    }
    if (colourType != 3 || decoded.words.isEmpty())
        return noTable();
    return decoded;
}

// count colours of entryBytes each from at, red first or blue first.
Decoded tableAt(const QByteArray &contents, qsizetype at, int count, int entryBytes,
                bool blueFirst)
{
    if (contents.size() - at < qint64(count) * entryBytes)
        return atByte(
                contents.size(),
                QStringLiteral("the file ends inside its colour table of %1 colours").arg(count));
    Decoded decoded;
    for (const uchar *entry = bytesAt(contents, at); decoded.words.size() < count;
         entry += entryBytes)
        decoded.words.append(blueFirst ? wordOf(entry[2], entry[1], entry[0])
                                       : wordOf(entry[0], entry[1], entry[2]));
    return decoded;
}

// A GIF's global colour table, else the first image's local one; Qt's
// reader would turn either into true colour.
Decoded decodeGifTable(const QByteArray &contents)
{
    constexpr int HeaderBytes = 13;
    auto cutShort = [&] {
        return atByte(contents.size(), QStringLiteral("the file is cut short"));
    };
    if (contents.size() < HeaderBytes)
        return cutShort();
    auto tableSize = [](quint8 flags) { return 2 << (flags & 7); };
    const quint8 flags = contents[10];
    if (flags & 0x80)
        return tableAt(contents, HeaderBytes, tableSize(flags), 3, false);
    for (qsizetype at = HeaderBytes; at < contents.size();) {
        const quint8 block = contents[at];
        if (block == 0x2C) { // an image: 9 bytes of place and size, then its flags
            constexpr int DescriptorBytes = 10;
            if (contents.size() - at < DescriptorBytes)
                return cutShort();
            const quint8 imageFlags = contents[at + 9];
            if (!(imageFlags & 0x80))
                break;
            return tableAt(contents, at + DescriptorBytes, tableSize(imageFlags), 3, false);
        }
        if (block == 0x3B)
            break;
        if (block != 0x21)
            return atByte(at, QStringLiteral("expected an image or an extension block, found %1")
                                      .arg(shown(contents.mid(at, 1))));
        // An extension: its label, then sub-blocks each led by its size, up to a size of 0.
        for (at += 2;; at += 1 + quint8(contents[at])) {
            if (at >= contents.size())
                return cutShort();
            if (contents[at] == 0) {
                ++at;
                break;
            }
        }
    }
    return noTable();
}

// A BMP's colour table from its own bytes: Qt's reader reorders a 1-bit
// table to put the darker colour first, and on the DS colour 0 is the
// transparent one. The headers: OS/2's of 12 bytes with 3-byte entries,
// Windows' of 40 bytes (and its longer versions, and OS/2's second of 16 to
// 64) with 4-byte entries and the colours used.
Decoded decodeBmpTable(const QByteArray &contents)
{
    constexpr int FileHeaderBytes = 14, CoreHeaderBytes = 12, InfoHeaderBytes = 40,
                  MaxHeaderBytes = 124;
    if (contents.size() < FileHeaderBytes + 4)
        return atByte(contents.size(), QStringLiteral("the file is cut short inside its header"));
    const quint32 headerBytes = littleEndianAt(contents, FileHeaderBytes, 4);
    const bool core = headerBytes == CoreHeaderBytes;
    if (!core && (headerBytes < 16 || headerBytes > MaxHeaderBytes))
        return atByte(FileHeaderBytes,
                      QStringLiteral("the header size %1 is not one of a BMP's").arg(headerBytes));
    if (contents.size() < FileHeaderBytes + qint64(headerBytes))
        return atByte(contents.size(), QStringLiteral("the file is cut short inside its header"));
    const int bitsAt = FileHeaderBytes + (core ? 10 : 14);
    const int bits = int(littleEndianAt(contents, bitsAt, 2));
    if (bits > 8)
        return noTable();
    if (bits != 1 && bits != 2 && bits != 4 && bits != 8)
        return atByte(bitsAt, QStringLiteral("%1 bits per pixel is not a BMP's").arg(bits));
    constexpr int CompressionAt = FileHeaderBytes + 16, UsedAt = FileHeaderBytes + 32;
    const quint32 used = !core && headerBytes >= UsedAt - FileHeaderBytes + 4
            ? littleEndianAt(contents, UsedAt, 4)
            : 0;
    if (used > quint32(1 << bits))
        return atByte(UsedAt, QStringLiteral("%1 colours used is more than %2 bits can pick")
                                      .arg(used)
                                      .arg(bits));
    // Windows' 40-byte header is followed by its channel masks when they are used.
    const quint32 compression
            = headerBytes == InfoHeaderBytes ? littleEndianAt(contents, CompressionAt, 4) : 0;
    const int masks = compression == 3 ? 12 : compression == 6 ? 16 : 0;
    return tableAt(contents, FileHeaderBytes + headerBytes + masks, used ? int(used) : 1 << bits,
                   core ? 3 : 4, true);
}

Decoded decodeImage(const QByteArray &contents)
{
    if (contents.startsWith("\x89PNG"))
        return decodePngTable(contents);
    if (contents.startsWith("GIF8"))
        return decodeGifTable(contents);
    if (contents.startsWith("BM"))
        return decodeBmpTable(contents);
    return atByte(0, QStringLiteral("not a PNG, BMP or GIF image"));
}

// Raw colour words may begin with any bytes, so an image is only taken
// for one when more than its first two or four bytes say so.
bool looksLikeImage(const QByteArray &contents)
{
    if (contents.startsWith("\x89PNG\r\n\x1a\n") || contents.startsWith("GIF87a")
        || contents.startsWith("GIF89a"))
        return true;
    return contents.startsWith("BM") && contents.size() >= 6
            && littleEndianAt(contents, 2, 4) == quint32(contents.size());
}

quint32 crc32(const char *bytes, qsizetype size)
{
    static const auto table = [] {
        std::array<quint32, 256> t{};
        for (quint32 n = 0; n < 256; ++n) {
            quint32 c = n;
            for (int k = 0; k < 8; ++k)
                c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    quint32 crc = 0xFFFFFFFFu;
    for (qsizetype i = 0; i < size; ++i)
        crc = table[(crc ^ quint8(bytes[i])) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

void appendBigEndian(QByteArray &out, quint32 value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.append(char(value >> shift));
}

void appendChunk(QByteArray &out, const char *type, const QByteArray &data)
{
    appendBigEndian(out, quint32(data.size()));
    const qsizetype typeAt = out.size();
    out.append(type, 4);
    out += data;
    appendBigEndian(out, crc32(out.constData() + typeAt, out.size() - typeAt));
}

// Written here rather than by QImage, whose writer turns a palette that
// happens to be a grey ramp (one black colour) into a grey image and
// chooses its own bit depth: this table must hold exactly the palette.
// The pixels go in stored (uncompressed) zlib blocks, written straight into
// the one output buffer: compressing would save a few kilobytes, and zlib's
// set-up and extra buffers cost more than the whole export should.
template<typename IndexAt>
QByteArray writeIndexedPng(int width, int height, const QList<QRgb> &colours, IndexAt indexAt)
{
    QByteArray header;
    appendBigEndian(header, quint32(width));
    appendBigEndian(header, quint32(height));
    header += QByteArray("\x08\x03\x00\x00\x00", 5); // 8 bits, indexed, no interlace
    QByteArray table;
    for (const QRgb rgb : colours) {
        table += char(qRed(rgb));
        table += char(qGreen(rgb));
        table += char(qBlue(rgb));
    }
    // Each row is a filter type (0, none) and one index per pixel.
    const qsizetype rowBytes = 1 + qsizetype(width);
    const qsizetype raw = rowBytes * height;
    const qsizetype blocks = (raw + 0xFFFE) / 0xFFFF;
    const qsizetype zlibBytes = 2 + raw + 5 * blocks + 4;

    QByteArray out;
    out.reserve(8 + 25 + 12 + table.size() + 12 + zlibBytes + 12);
    out.append("\x89PNG\r\n\x1a\n", 8);
    appendChunk(out, "IHDR", header);
    appendChunk(out, "PLTE", table);
    appendBigEndian(out, quint32(zlibBytes));
    const qsizetype typeAt = out.size();
    out.append("IDAT\x78\x01", 6);
    qsizetype at = out.size();
    out.resize(at + zlibBytes - 2);
    auto *p = reinterpret_cast<uchar *>(out.data());
    // Adler-32 of the pixel data; 5552 bytes is the most that can be summed
    // before the running sums could overflow 32 bits.
    quint32 a = 1, b = 0;
    for (qsizetype done = 0, sinceModulo = 0; done < raw;) {
        const auto length = quint16(std::min<qsizetype>(raw - done, 0xFFFF));
        p[at++] = done + length == raw ? 1 : 0;
        p[at++] = uchar(length & 0xFF);
        p[at++] = uchar(length >> 8);
        p[at++] = uchar(~length & 0xFF);
        p[at++] = uchar((~length >> 8) & 0xFF);
        for (qsizetype end = done + length; done < end; ++done) {
            const qsizetype x = done % rowBytes;
            const uchar value = x == 0 ? 0 : indexAt(int(x - 1), int(done / rowBytes));
            p[at++] = value;
            a += value;
            b += a;
            if (++sinceModulo == 5552) {
                a %= 65521;
                b %= 65521;
                sinceModulo = 0;
            }
        }
    }
    a %= 65521;
    b %= 65521;
    out.resize(at);
    appendBigEndian(out, (b << 16) | a);
    appendBigEndian(out, crc32(out.constData() + typeAt, out.size() - typeAt));
    appendChunk(out, "IEND", QByteArray());
    return out;
}

QByteArray encodePng(const Words &words)
{
    QList<QRgb> colours;
    for (const quint16 word : words) {
        const Rgb rgb = rgbOf(word);
        colours.append(qRgb(rgb.red, rgb.green, rgb.blue));
    }
    return writeIndexedPng(SwatchPixels * int(words.size()), SwatchPixels, colours,
                           [](int x, int) { return uchar(x / SwatchPixels); });
}

} // namespace

std::optional<Format> formatForPath(const QString &path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("pal"))
        return Format::JascPal;
    if (suffix == QLatin1String("gpl"))
        return Format::Gimp;
    if (suffix == QLatin1String("act"))
        return Format::Act;
    if (suffix == QLatin1String("bin"))
        return Format::Raw;
    if (suffix == QLatin1String("png") || suffix == QLatin1String("bmp")
        || suffix == QLatin1String("gif"))
        return Format::Png;
    return std::nullopt;
}

QString dialogFilter()
{
    return QStringLiteral("Palette files (*.pal *.gpl *.act *.bin *.png *.bmp *.gif);;"
                          "JASC-PAL (*.pal);;GIMP palette (*.gpl);;Adobe colour table (*.act);;"
                          "Raw colour words (*.bin);;Indexed PNG image (*.png)");
}

quint16 wordOf(int red8, int green8, int blue8)
{
    return quint16((red8 / 8) | ((green8 / 8) << 5) | ((blue8 / 8) << 10));
}

QByteArray encode(Format format, const Words &words, const QString &name)
{
    QByteArray out;
    switch (format) {
    case Format::JascPal:
        out = "JASC-PAL\r\n0100\r\n" + QByteArray::number(words.size()) + "\r\n";
        for (const quint16 word : words) {
            const Rgb rgb = rgbOf(word);
            out += QStringLiteral("%1 %2 %3\r\n")
                           .arg(rgb.red)
                           .arg(rgb.green)
                           .arg(rgb.blue)
                           .toLatin1();
        }
        break;
    case Format::Gimp: {
        // The name is one line of the file, whatever it holds.
        QString oneLine = name;
        for (QChar &c : oneLine) {
            if (c.category() == QChar::Other_Control || c == QChar::LineSeparator
                || c == QChar::ParagraphSeparator)
                c = QLatin1Char(' ');
        }
        out = "GIMP Palette\nName: " + oneLine.toUtf8() + "\nColumns: 16\n#\n";
        for (const quint16 word : words) {
            const Rgb rgb = rgbOf(word);
            out += QStringLiteral("%1 %2 %3\t%4\n")
                           .arg(rgb.red, 3)
                           .arg(rgb.green, 3)
                           .arg(rgb.blue, 3)
                           .arg(RomPalette::BytesToWordText(word & 0xFF, word >> 8))
                           .toLatin1();
        }
        break;
    }
    case Format::Act: {
        out = QByteArray(ActFileBytes, '\0');
        for (qsizetype i = 0; i < words.size(); ++i) {
            const Rgb rgb = rgbOf(words.at(i));
            out[3 * i] = char(rgb.red);
            out[3 * i + 1] = char(rgb.green);
            out[3 * i + 2] = char(rgb.blue);
        }
        out[ActTableBytes] = char(words.size() >> 8);
        out[ActTableBytes + 1] = char(words.size() & 0xFF);
        out[ActTableBytes + 2] = char(0xFF);
        out[ActTableBytes + 3] = char(0xFF);
        break;
    }
    case Format::Raw:
        for (const quint16 word : words) {
            out.append(char(word & 0xFF));
            out.append(char(word >> 8));
        }
        break;
    case Format::Png:
        out = encodePng(words);
        break;
    }
    return out;
}

Decoded decode(const QByteArray &contents, std::optional<Format> hint)
{
    // The extension decides; contents only when the name says nothing, so
    // 768 bytes of raw words or of a JASC file are never an Adobe table.
    if (!hint) {
        const QByteArray text = withoutBom(contents);
        if (text.startsWith("JASC-PAL"))
            hint = Format::JascPal;
        else if (text.startsWith("GIMP Palette"))
            hint = Format::Gimp;
        else if (looksLikeImage(contents))
            hint = Format::Png;
        else if (contents.size() == ActTableBytes || contents.size() == ActFileBytes)
            hint = Format::Act;
        else
            hint = Format::Raw;
    }
    switch (*hint) {
    case Format::JascPal:
        return decodeJasc(contents);
    case Format::Gimp:
        return decodeGimp(contents);
    case Format::Act:
        return decodeAct(contents);
    case Format::Png:
        return decodeImage(contents);
    case Format::Raw:
        break;
    }
    return decodeRaw(contents);
}

QString coloursText(qsizetype count)
{
    return count == 1 ? QStringLiteral("1 colour") : QStringLiteral("%1 colours").arg(count);
}

Decoded readFile(const QString &path)
{
    QFile file(path);
    if (QFileInfo(path).isDir() || !file.open(QIODevice::ReadOnly))
        return failure(QStringLiteral("Cannot read \"%1\": %2")
                               .arg(path,
                                    QFileInfo(path).isDir() ? QStringLiteral("it is a folder")
                                                            : file.errorString()));
    // No palette file comes near this; a bigger one is not read whole. A
    // pipe or a device tells no size, so the limit holds while reading.
    constexpr qint64 MaxBytes = 16 * 1024 * 1024;
    QByteArray contents;
    if (file.size() <= MaxBytes) {
        for (QByteArray chunk; contents.size() <= MaxBytes; contents += chunk) {
            chunk = file.read(MaxBytes + 1 - contents.size());
            if (chunk.isEmpty())
                break;
        }
    }
    if (file.error() != QFileDevice::NoError)
        return failure(QStringLiteral("Cannot read \"%1\": %2").arg(path, file.errorString()));
    if (file.size() > MaxBytes || contents.size() > MaxBytes)
        return failure(QStringLiteral("\"%1\" is too large for a palette file").arg(path));
    Decoded decoded = decode(contents, formatForPath(path));
    if (!decoded.error.isEmpty())
        decoded.error = QStringLiteral("\"%1\", %2.").arg(path, decoded.error);
    return decoded;
}

QString writeFile(const QString &path, const Words &words, const QString &name)
{
    const auto format = formatForPath(path);
    if (!format || path.endsWith(QLatin1String(".bmp"), Qt::CaseInsensitive)
        || path.endsWith(QLatin1String(".gif"), Qt::CaseInsensitive))
        return QStringLiteral("Cannot write \"%1\": the name must end in .pal, .gpl, .act, .bin "
                              "or .png, which chooses the format.")
                .arg(path);
    const QString reason = saveWhole(path, encode(*format, words, name));
    if (!reason.isEmpty())
        return QStringLiteral("Cannot write \"%1\": %2.").arg(path, reason);
    return QString();
}

QByteArray encodeIndexedPng(int width, int height, const QByteArray &indices,
                            const QList<QRgb> &table)
{
    return writeIndexedPng(width, height, table, [&](int x, int y) {
        return uchar(indices[qsizetype(y) * width + x]);
    });
}

QString saveWhole(const QString &path, const QByteArray &contents)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(contents) != contents.size()
        || !file.commit())
        return file.errorString();
    return QString();
}

} // namespace PaletteFile
