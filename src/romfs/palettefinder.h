#pragma once

#include "romimage.h"

#include <QString>

#include <array>
#include <atomic>
#include <vector>

// Finds the palettes of a ROM image: through a DS image's file system
// (palette files, NARC archives, LZ10/LZ11 compressed files), or by a scan
// of an image that has none (a GBA ROM).
namespace RomFs {

class FileVisitor;

struct FoundPalette
{
    // Of the colours; of the compressed file's first byte when compressed.
    quint64 offset = 0;
    quint32 colours = 0;
    // The path inside the image ("a/b.nclr"), "#n" per archive member,
    // or "scan".
    QString source;
    bool compressed = false;
    // The first min(16, colours) colour words.
    std::array<quint16, 16> first{};
};

struct Listing
{
    bool fileSystem = false;
    QString title;
    QString gameCode;
    // Ordered by offset, then by source.
    std::vector<FoundPalette> palettes;
};

// `also`, when given, is walked with the palettes' visitor: one walk lists
// both.
Listing listPalettes(const Image &image, const std::atomic<bool> *cancel = nullptr,
                     FileVisitor *also = nullptr);

// Opens the file read-only and lists it; false with the system's reason
// when it cannot be read.
bool listPalettesInFile(const QString &path, Listing &listing, QString *reason,
                        const std::atomic<bool> *cancel = nullptr, FileVisitor *also = nullptr);

// One line per palette: offset in upper-case hexadecimal, colours, source,
// and "compressed" where it applies, separated by tabs.
QString formatListing(const Listing &listing);

// The offset as the main window's offset box takes it.
QString offsetText(quint64 offset);

} // namespace RomFs
