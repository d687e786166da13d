#include "palettetext.h"

#include "palettefile.h"
#include "rompalette.h"

#include <QRegularExpression>

namespace PaletteText {

ParsedColours parseColours(const QString &text)
{
    ParsedColours parsed;
    const QString trimmed = text.trimmed();
    if (trimmed.startsWith(QLatin1String("JASC-PAL")) || trimmed.startsWith(QLatin1String("GIMP Palette"))) {
        const PaletteFile::Decoded decoded = PaletteFile::decode(trimmed.toUtf8());
        if (!decoded.error.isEmpty())
            parsed.error = QStringLiteral("The palette text cannot be read: %1.").arg(decoded.error);
        else
            parsed.words.assign(decoded.words.begin(), decoded.words.end());
        return parsed;
    }
    static const QRegularExpression separators(QStringLiteral("[\\s,]+"));
    static const QRegularExpression rgb(QStringLiteral("^#[0-9A-Fa-f]{6}$"));
    const QStringList tokens = trimmed.split(separators, Qt::SkipEmptyParts);
    for (const QString &token : tokens) {
        if (RomPalette::isWordText(token)) {
            const auto bytes = RomPalette::WordTextToBytes(token);
            parsed.words.push_back(quint16(bytes[0] | bytes[1] << 8));
            parsed.carriesTopBit = true;
        } else if (rgb.match(token).hasMatch()) {
            const uint value = token.mid(1).toUInt(nullptr, 16);
            parsed.words.push_back(PaletteFile::wordOf(value >> 16, value >> 8 & 0xFF, value & 0xFF));
        } else {
            parsed.words.clear();
            parsed.error = QStringLiteral("\"%1\" is not a colour: give colour words of four "
                                          "hexadecimal digits (1F00), #RRGGBB colours, or a "
                                          "JASC-PAL or GIMP palette.")
                                   .arg(token.left(40));
            return parsed;
        }
    }
    return parsed;
}

} // namespace PaletteText
