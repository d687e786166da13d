#pragma once

#include <QByteArray>
#include <QString>

#include <array>
#include <optional>

// Reading and writing one palette, sixteen colour words (32 bytes), of a
// ROM image. The image is never held open between calls.
namespace RomPalette {

constexpr int WordCount = 16;
constexpr int ByteCount = 2 * WordCount;
// The last offset whose last byte still has a signed 32-bit file position.
constexpr quint32 MaxOffset = 0x7FFFFFE0;

using Bytes = std::array<quint8, ByteCount>;
using WordTexts = std::array<QString, WordCount>;

// An offset text as the user types it: hexadecimal digits, upper or lower
// case, with or without a 0x prefix, blanks around it ignored. Empty,
// non-hexadecimal or above MaxOffset gives nothing.
std::optional<quint32> parseOffset(const QString &text);

// True for exactly four hexadecimal digits: the only texts whose colour the
// preview and the write agree on.
bool isWordText(const QString &text);

// Four upper-case digits, low byte first: (0x1F, 0x7C) gives "1F7C".
QString BytesToWordText(quint8 lowByte, quint8 highByte);

// The two bytes a word text stands for: characters 1-2 and 3-4 read as
// hexadecimal pairs; a pair without a leading digit gives 0.
std::array<quint8, 2> WordTextToBytes(const QString &wordText);

WordTexts wordTextsOf(const Bytes &bytes);
Bytes bytesOf(const WordTexts &texts);

// The outcome of a file operation: ok, or the system's reason.
struct FileResult
{
    bool ok = true;
    QString reason;
};

// Reads the 32 bytes at offset; bytes past the end of the file read as 0,
// and their count goes to *pastEnd when given. The file must exist and be
// readable; it is never created.
FileResult readPalette(const QString &path, quint32 offset, Bytes &bytes, int *pastEnd = nullptr);

// Writes the 32 bytes at offset with one positioned write, then flushes,
// syncs and closes the file. Nothing else in the file changes; it grows only
// when the palette runs past its end. The file must already exist.
FileResult writePalette(const QString &path, quint32 offset, const Bytes &bytes);

// The same for any run of bytes, as palettes of other sizes need: count
// bytes at offset, those past the end of the file reading as 0.
FileResult readBytes(const QString &path, quint32 offset, qsizetype count, QByteArray &bytes,
                     qsizetype *pastEnd = nullptr);
FileResult writeBytes(const QString &path, quint32 offset, const QByteArray &bytes);

} // namespace RomPalette
