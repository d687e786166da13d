#include "palettetext.h"

#include "module1.h"
#include "rompalette.h"

#include <QRegularExpression>

#include <algorithm>

namespace PaletteText {

ParsedColours parseColours(const QString &text)
{
    static const QRegularExpression separators(QStringLiteral("[\\s,]+"));
    ParsedColours parsed;
    const QStringList tokens = text.split(separators, Qt::SkipEmptyParts);
    for (const QString &token : tokens) {
        if (RomPalette::isWordText(token)) {
            const auto bytes = RomPalette::WordTextToBytes(token);
            parsed.words.push_back(quint16(bytes[0] | bytes[1] << 8));
            continue;
        }
        const bool web = token.size() == 7 && token.startsWith(QLatin1Char('#'))
                && std::all_of(token.begin() + 1, token.end(), Module1::IsHexDigit);
        if (!web) {
            parsed.words.clear();
            parsed.error = QStringLiteral("\"%1\" is not a colour: write colour words of four "
                                          "hexadecimal digits (1F00) or #RRGGBB colours.")
                                   .arg(token);
            return parsed;
        }
        const uint rgb = token.mid(1).toUInt(nullptr, 16);
        parsed.words.push_back(quint16((rgb >> 16 & 0xFF) / 8 | (rgb >> 8 & 0xFF) / 8 << 5
                                       | (rgb & 0xFF) / 8 << 10));
    }
    return parsed;
}

} // namespace PaletteText
