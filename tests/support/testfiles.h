#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include <initializer_list>
#include <utility>

// Small file helpers shared by every test program.
namespace TestFiles {

// The whole file, or an empty array when it cannot be read.
inline QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate)
            && file.write(bytes) == bytes.size();
}

// A ROM image of `size` bytes of filler that is not zero (so a write of
// zeros shows), with each given palette's bytes placed at its offset.
inline QByteArray romImage(qsizetype size,
                           std::initializer_list<std::pair<qsizetype, QByteArray>> palettes = {})
{
    QByteArray rom(size, '\0');
    for (qsizetype i = 0; i < size; ++i)
        rom[i] = char(i * 13 + 7);
    for (const auto &[offset, bytes] : palettes)
        rom.replace(offset, bytes.size(), bytes);
    return rom;
}

} // namespace TestFiles
