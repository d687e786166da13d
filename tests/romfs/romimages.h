#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QStringList>

#include <initializer_list>

// ROM images built in memory for the tests: DS file systems, palette
// files, archives and compressed streams.
namespace RomImages {

inline QByteArray le(qint64 value, int bytes)
{
    QByteArray b;
    for (int i = 0; i < bytes; ++i)
        b += char(value >> (8 * i));
    return b;
}

inline QByteArray words(std::initializer_list<quint16> list)
{
    QByteArray b;
    for (quint16 w : list)
        b += le(w, 2);
    return b;
}

// `count` colours of a smooth ramp, different for each seed.
inline QByteArray ramp(int count, int seed = 0)
{
    QByteArray b;
    for (int i = 0; i < count; ++i)
        b += le((i + seed) % 32 | (i / 2 % 32) << 5 | (31 - i % 32) << 10, 2);
    return b;
}

// A palette file whose TTLP section follows `before` other sections of 16
// bytes and declares `declared` bytes of colours.
inline QByteArray paletteFile(const QByteArray &colours, qint64 declared = -1, int before = 0)
{
    QByteArray b = QByteArray("RLCN\xFF\xFE\x00\x01", 8) + le(0, 4) + le(0x10, 4);
    for (int i = 0; i < before; ++i)
        b += "PMCP" + le(16, 4) + QByteArray(8, '\0');
    return b + "TTLP" + le(0x18 + colours.size(), 4) + le(3, 4) + le(0, 4)
            + le(declared < 0 ? colours.size() : declared, 4) + le(0x10, 4) + colours;
}

inline QByteArray archive(const QList<QByteArray> &members)
{
    QByteArray table, data;
    for (const QByteArray &member : members) {
        table += le(data.size(), 4);
        data += member;
        table += le(data.size(), 4);
    }
    return QByteArray("NARC\xFE\xFF\x00\x01", 8) + le(0, 4) + le(0x10, 4) + "BTAF"
            + le(0x0C + table.size(), 4) + le(members.size(), 4) + table + "GMIF"
            + le(8 + data.size(), 4) + data;
}

// Greedy LZ10, or LZ11 with all three of its reference forms.
inline QByteArray compress(const QByteArray &in, bool lz11)
{
    QByteArray out = le(in.size() << 8 | (lz11 ? 0x11 : 0x10), 4);
    for (qsizetype pos = 0; pos < in.size();) {
        const qsizetype flagAt = out.size();
        out += '\0';
        for (int bit = 7; bit >= 0 && pos < in.size(); --bit) {
            int best = 0, distance = 0;
            for (int d = 1; d <= 4096 && d <= pos; ++d) {
                int n = 0;
                while (n < (lz11 ? 0x10110 : 18) && pos + n < in.size() && in[pos + n] == in[pos + n - d])
                    ++n;
                if (n > best)
                    best = n, distance = d;
            }
            if (best < 3) {
                out += in[pos++];
                continue;
            }
            out[flagAt] = char(out[flagAt] | 1 << bit);
            const int d = distance - 1;
            if (!lz11 || best <= 16)
                out += char((best - (lz11 ? 1 : 3)) << 4 | d >> 8);
            else if (best <= 0x110)
                out += le((best - 0x11) >> 4, 1) + le(((best - 0x11) & 15) << 4 | d >> 8, 1);
            else
                out += le(0x10 | (best - 0x111) >> 12, 1) + le((best - 0x111) >> 4, 1)
                        + le(((best - 0x111) & 15) << 4 | d >> 8, 1);
            out += char(d);
            pos += best;
        }
    }
    return out;
}

// A DS image whose files lie at 0x1000, 0x2000, ... in the order given. An
// empty path makes an overlay; overlays come first, then the root's files,
// and the files of one folder together.
inline QByteArray dsImage(const QList<QPair<QString, QByteArray>> &files,
                          const char *title = "TESTGAME", const char *code = "TEST")
{
    QStringList folders{ QString() };
    int overlays = 0;
    for (const auto &file : files) {
        overlays += file.first.isEmpty();
        for (int depth = 1; depth < file.first.count('/') + 1; ++depth) {
            if (!folders.contains(file.first.section('/', 0, depth - 1)))
                folders << file.first.section('/', 0, depth - 1);
        }
    }
    QByteArray table, names;
    for (const QString &folder : folders) {
        int first = overlays;
        while (first < files.size() && files[first].first.section('/', 0, -2) != folder)
            ++first;
        table += le(8 * folders.size() + names.size(), 4)
                + le(folder.isEmpty() ? overlays : first, 2)
                + le(folder.isEmpty() ? folders.size() : 0xF000, 2);
        for (int i = first; i < files.size() && files[i].first.section('/', 0, -2) == folder; ++i)
            names += char(files[i].first.section('/', -1).size()) + files[i].first.section('/', -1).toUtf8();
        for (int f = 1; f < folders.size(); ++f) {
            if (folders[f].section('/', 0, -2) == folder && folders[f] != folder)
                names += char(0x80 | folders[f].section('/', -1).size())
                        + folders[f].section('/', -1).toUtf8() + le(0xF000 + f, 2);
        }
        names += '\0';
    }
    const QByteArray fnt = table + names;
    QByteArray fat, data;
    for (int i = 0; i < files.size(); ++i) {
        fat += le(0x1000 * (i + 1), 4) + le(0x1000 * (i + 1) + files[i].second.size(), 4);
        data += files[i].second.leftJustified(0x1000, '\0');
    }
    QByteArray header = QByteArray(title).leftJustified(12, '\0') + code;
    header = header.leftJustified(0x40, '\0') + le(0x200, 4) + le(fnt.size(), 4)
            + le(0x200 + fnt.size(), 4) + le(fat.size(), 4);
    return (header.leftJustified(0x200, '\0') + fnt + fat).leftJustified(0x1000, '\0') + data;
}

// A graphics file (RGCN) of `bits` per pixel (4 or 8; anything else is
// written as an unknown depth) whose RAHC section declares `declared` bytes
// of pixels (-1: those given) at `dataOffset` from its fields; 0xFFFF for a
// width or height left open.
inline QByteArray graphicsFile(const QByteArray &pixels, int width, int height, int bits,
                               bool bitmap = false, qint64 declared = -1, int dataOffset = 0x18)
{
    return QByteArray("RGCN\xFF\xFE\x01\x01", 8) + le(0x30 + pixels.size(), 4) + le(0x10, 2)
            + le(1, 2) + "RAHC" + le(0x20 + pixels.size(), 4) + le(height, 2) + le(width, 2)
            + le(bits == 4 ? 3 : bits == 8 ? 4 : 5, 4) + le(0, 4) + le(bitmap ? 1 : 0, 4)
            + le(declared < 0 ? pixels.size() : declared, 4) + le(dataOffset, 4) + pixels;
}

// `count` bytes counting up from `first`: where they were read from shows.
inline QByteArray counting(int count, int first)
{
    QByteArray b;
    for (int i = 0; i < count; ++i)
        b += char(first + i);
    return b;
}

} // namespace RomImages
