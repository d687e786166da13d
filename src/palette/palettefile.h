#pragma once

#include <QByteArray>
#include <QList>
#include <QRgb>
#include <QString>

#include <optional>

// Palette files as other tools write them: JASC-PAL (.pal), GIMP (.gpl),
// Adobe colour tables (.act), raw colour words (.bin) and indexed images
// (.png to write; .png, .bmp and .gif to read). The format is chosen by the
// file name's extension; by the contents when reading a file whose name has
// none of these.
namespace PaletteFile {

enum class Format { JascPal, Gimp, Act, Raw, Png };

constexpr int MaxColours = 256;

// Colour words as the ROM image holds them (red in bits 0-4).
using Words = QList<quint16>;

// The format a file name's extension asks for (.pal, .gpl, .act, .bin,
// .png; also .bmp and .gif, which are read as images).
std::optional<Format> formatForPath(const QString &path);

// The filter for file dialogs, one entry per format.
QString dialogFilter();

// A channel pair of rules: 5 to 8 bits as the swatches show it, 8 to 5 by
// dropping the low three bits, so a colour survives a round trip.
quint16 wordOf(int red8, int green8, int blue8);

// The file's contents for 1-256 words. name goes where a format keeps one
// (GIMP's Name: line).
QByteArray encode(Format format, const Words &words, const QString &name);

// Contents to words (1 to MaxColours), or an error that says at which line
// or byte the contents went wrong. hint is the format the file's extension
// asks for (Png: any of the images); without one the contents decide.
struct Decoded
{
    Words words;
    QString error; // empty on success
};
Decoded decode(const QByteArray &contents, std::optional<Format> hint = std::nullopt);

// "1 colour", "16 colours": how the commands and the window count what a
// file gave.
QString coloursText(qsizetype count);

// The whole file read and decoded; errors name the file. Pipes and devices
// are read up to the same size limit as files.
Decoded readFile(const QString &path);

// Writes the file whole, through a temporary file renamed into place, in
// the format of its extension. Answers the error, empty on success.
QString writeFile(const QString &path, const Words &words, const QString &name);

// An indexed PNG of width x height pixels (indices: one colour index a
// byte, row after row) whose colour table is exactly table (1-256 entries).
QByteArray encodeIndexedPng(int width, int height, const QByteArray &indices,
                            const QList<QRgb> &table);

// Writes contents as the whole file, through a temporary file renamed into
// place. Answers the system's reason for a failure, empty on success.
QString saveWhole(const QString &path, const QByteArray &contents);

} // namespace PaletteFile
