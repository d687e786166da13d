#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include <initializer_list>

// ROM images built in memory for the tests: DS file systems, palette
// files, archives, compressed streams, and plain GBA-like images.
namespace RomImages {

inline void put(QByteArray &b, qsizetype at, quint32 value, int bytes)
{
    if (b.size() < at + bytes)
        b.resize(at + bytes, '\0');
    for (int i = 0; i < bytes; ++i)
        b[at + i] = char(value >> (8 * i));
}

inline QByteArray words(std::initializer_list<quint16> list)
{
    QByteArray b;
    for (quint16 w : list)
        put(b, b.size(), w, 2);
    return b;
}

// `count` colours of a smooth ramp, different for each seed.
inline QByteArray ramp(int count, int seed = 0)
{
    QByteArray b;
    for (int i = 0; i < count; ++i)
        put(b, b.size(), quint16((i + seed) % 32 | (i / 2 % 32) << 5 | (31 - i % 32) << 10), 2);
    return b;
}

// A palette file with its TTLP section after `before` other sections of 16
// bytes; the header says `declared` bytes of colours.
inline QByteArray paletteFile(const QByteArray &colours, qint64 declared = -1, int before = 0)
{
    QByteArray b("RLCN\xFF\xFE\x00\x01", 8);
    put(b, 0x0C, 0x10, 4);
    qsizetype at = 0x10;
    for (int i = 0; i < before; ++i, at += 16) {
        b.append("PMCP");
        put(b, at + 4, 16, 4);
        b.resize(at + 16, '\0');
    }
    b.append("TTLP");
    put(b, at + 4, quint32(0x18 + colours.size()), 4);
    put(b, at + 8, colours.size() > 32 ? 4 : 3, 4);
    put(b, at + 0x10, quint32(declared < 0 ? colours.size() : declared), 4);
    put(b, at + 0x14, 0x10, 4);
    b.append(colours);
    return b;
}

inline QByteArray archive(const QList<QByteArray> &members)
{
    QByteArray b("NARC\xFE\xFF\x00\x01", 8);
    put(b, 0x0C, 0x10, 4);
    const qsizetype table = 0x10, data = table + 0x0C + 8 * members.size();
    b.append("BTAF");
    put(b, table + 4, quint32(data - table), 4);
    put(b, table + 8, quint32(members.size()), 2);
    QByteArray contents;
    for (int i = 0; i < members.size(); ++i) {
        put(b, table + 0x0C + 8 * i, quint32(contents.size()), 4);
        contents += members[i];
        put(b, table + 0x10 + 8 * i, quint32(contents.size()), 4);
    }
    b.append("GMIF");
    put(b, data + 4, quint32(8 + contents.size()), 4);
    return b + contents;
}

// Greedy LZ10 or LZ11 (with all three LZ11 reference forms).
inline QByteArray compress(const QByteArray &in, bool lz11)
{
    QByteArray out;
    put(out, 0, quint32(in.size()) << 8 | (lz11 ? 0x11 : 0x10), 4);
    const int maxLength = lz11 ? 0x10110 : 18;
    qsizetype pos = 0;
    while (pos < in.size()) {
        const qsizetype flagAt = out.size();
        out.append('\0');
        for (int bit = 7; bit >= 0 && pos < in.size(); --bit) {
            int best = 0, distance = 0;
            for (int d = 1; d <= 4096 && d <= pos; ++d) {
                int n = 0;
                while (n < maxLength && pos + n < in.size() && in[pos + n] == in[pos + n - d])
                    ++n;
                if (n > best)
                    best = n, distance = d;
            }
            if (best < 3) {
                out.append(in[pos++]);
                continue;
            }
            out[flagAt] = char(out[flagAt] | 1 << bit);
            const int d = distance - 1;
            if (!lz11) {
                out.append(char((best - 3) << 4 | d >> 8)).append(char(d));
            } else if (best <= 16) {
                out.append(char((best - 1) << 4 | d >> 8)).append(char(d));
            } else if (best <= 0x110) {
                const int n = best - 0x11;
                out.append(char(n >> 4)).append(char((n & 15) << 4 | d >> 8)).append(char(d));
            } else {
                const int n = best - 0x111;
                out.append(char(0x10 | n >> 12)).append(char(n >> 4));
                out.append(char((n & 15) << 4 | d >> 8)).append(char(d));
            }
            pos += best;
        }
    }
    return out;
}

// A DS image whose files lie at 0x1000, 0x2000, ... in the order given.
// An empty path makes an overlay (they must come first); files of one
// folder must be given together.
inline QByteArray dsImage(const QList<QPair<QString, QByteArray>> &files,
                          const char *title = "TESTGAME", const char *code = "TEST")
{
    QStringList folders{ QString() };
    QList<QStringList> children{ {} };
    int overlays = 0;
    for (const auto &file : files) {
        if (file.first.isEmpty()) {
            ++overlays;
            continue;
        }
        const QStringList parts = file.first.split('/');
        for (int depth = 1; depth < parts.size(); ++depth) {
            const QString folder = parts.mid(0, depth).join('/');
            if (!folders.contains(folder)) {
                folders.append(folder);
                children.append(QStringList());
                children[folders.indexOf(parts.mid(0, depth - 1).join('/'))].append(folder);
            }
        }
    }
    QByteArray table(8 * folders.size(), '\0'), names;
    for (int f = 0; f < folders.size(); ++f) {
        int first = overlays;
        while (first < files.size()
               && files[first].first.section('/', 0, -2) != folders[f])
            ++first;
        put(table, 8 * f, quint32(table.size() + names.size()), 4);
        put(table, 8 * f + 4, quint32(f == 0 ? overlays : first), 2);
        put(table, 8 * f + 6, quint32(f == 0 ? folders.size() : 0xF000), 2);
        for (int i = first; i < files.size() && files[i].first.section('/', 0, -2) == folders[f]; ++i) {
            const QByteArray name = files[i].first.section('/', -1).toUtf8();
            names += char(name.size()) + name;
        }
        for (const QString &child : children[f]) {
            const QByteArray name = child.section('/', -1).toUtf8();
            names += char(0x80 | name.size()) + name;
            QByteArray id;
            put(id, 0, quint32(0xF000 + folders.indexOf(child)), 2);
            names += id;
        }
        names += '\0';
    }
    QByteArray image(0x1000 * (files.size() + 1), '\0');
    image.replace(0, qstrlen(title), title);
    image.replace(0x0C, 4, code);
    const QByteArray fnt = table + names;
    const qsizetype fat = 0x200 + fnt.size();
    image.replace(0x200, fnt.size(), fnt);
    put(image, 0x40, 0x200, 4);
    put(image, 0x44, quint32(fnt.size()), 4);
    put(image, 0x48, quint32(fat), 4);
    put(image, 0x4C, quint32(8 * files.size()), 4);
    for (int i = 0; i < files.size(); ++i) {
        const qsizetype at = 0x1000 * (i + 1);
        put(image, fat + 8 * i, quint32(at), 4);
        put(image, fat + 8 * i + 4, quint32(at + files[i].second.size()), 4);
        if (image.size() < at + files[i].second.size())
            image.resize(at + files[i].second.size(), '\0');
        image.replace(at, files[i].second.size(), files[i].second);
    }
    return image;
}

} // namespace RomImages
