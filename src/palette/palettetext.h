#pragma once

#include <QString>

#include <vector>

// Colours typed or pasted as text: colour words as the boxes show them
// ("1F00", low byte first) or web colours ("#RRGGBB"), separated by blanks,
// commas or line ends.
namespace PaletteText {

struct ParsedColours
{
    // Each colour as a 15-bit word value (red in the low bits), in order.
    std::vector<quint16> words;
    // Empty when every token was a colour; else a sentence naming the first
    // token that was not.
    QString error;
};

// A #RRGGBB colour's 8-bit channels become 5 bits by division by 8.
ParsedColours parseColours(const QString &text);

} // namespace PaletteText
