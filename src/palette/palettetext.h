#pragma once

#include <QString>

#include <vector>

// Colours typed or pasted as text: colour words as the boxes show them
// ("1F00", low byte first) or web colours ("#RRGGBB"), separated by blanks,
// commas or line ends; or the whole text of a JASC-PAL or GIMP palette.
// Paste Palette and Find Colours both read colours this way.
namespace PaletteText {

struct ParsedColours
{
    // Each colour as a word value (red in the low bits), in order. A colour
    // word keeps its bit 15; the other forms carry none.
    std::vector<quint16> words;
    bool carriesTopBit = false; // the colours were typed as colour words
    // Empty when every token was a colour (no colours at all is no error);
    // else a sentence naming the first token that was not.
    QString error;
};

// A #RRGGBB colour's 8-bit channels become 5 bits by division by 8.
ParsedColours parseColours(const QString &text);

} // namespace PaletteText
