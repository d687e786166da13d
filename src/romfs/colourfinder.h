#pragma once

#include "romimage.h"

#include <QString>

#include <atomic>
#include <vector>

// Finds where a sequence of colour words lies in a ROM image: in its bytes,
// and in a DS image also inside its compressed files. Bit 15 is ignored on
// both sides, as games set it freely; "near" matches, every 5-bit channel
// of every word within one step, are found too.
namespace RomFs {

constexpr int MaxSearchWords = 256;
// Past this many matches the search stops: a fill of one colour would
// otherwise match at every word of the image.
constexpr size_t MaxColourMatches = 65536;

struct ColourMatch
{
    // Of the first matching word; of the compressed file's first byte when
    // compressed.
    quint64 offset = 0;
    // How many colours were searched for.
    quint32 colours = 0;
    // The file the match lies in, as --list-palettes writes it, or "image"
    // outside any file.
    QString source;
    bool compressed = false;
    bool exact = true;
};

struct ColourSearch
{
    // Exact matches, then near ones; each group by offset, then source.
    std::vector<ColourMatch> matches;
    // The search stopped at MaxColourMatches.
    bool truncated = false;
};

// Searches for 1 to MaxSearchWords words (little-endian, as in the image)
// at every even offset; nothing is found for no words or too many.
ColourSearch findColours(const Image &image, const std::vector<quint16> &words,
                         const std::atomic<bool> *cancel = nullptr);

// Opens the file read-only and searches it; false with the system's reason
// when it cannot be read.
bool findColoursInFile(const QString &path, const std::vector<quint16> &words, ColourSearch &search,
                       QString *reason, const std::atomic<bool> *cancel = nullptr);

// One line per match: offset in upper-case hexadecimal, colours, source,
// "compressed" where it applies, and "exact" or "near", separated by tabs.
QString formatColourSearch(const ColourSearch &search);

} // namespace RomFs
