#include "module1.h"

#include <QDir>
#include <QFileInfo>

#include <cmath>

namespace Module1 {

namespace {

QString twoHexDigits(int value)
{
    return QStringLiteral("%1").arg(value & 0xFF, 2, 16, QLatin1Char('0')).toUpper();
}

bool isBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n')
            || c == QLatin1Char('\r');
}

} // namespace

bool IsHexDigit(QChar c)
{
    return (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
            || (c >= QLatin1Char('a') && c <= QLatin1Char('f'))
            || (c >= QLatin1Char('A') && c <= QLatin1Char('F'));
}

quint32 ReadHexPrefix(QStringView text)
{
    quint32 value = 0;
    for (const QChar c : text) {
        if (isBlank(c))
            continue;
        if (!IsHexDigit(c))
            break;
        const char16_t u = c.unicode();
        const quint32 digit = u <= '9' ? u - '0' : (u | 0x20) - 'a' + 10;
        value = (value << 4) | digit;
    }
    return value;
}

int Scale5To8(int channel5)
{
    return int(RoundHalfUp(channel5 * 255.0 / 31.0, 0));
}

QString GBAColorToRGBHex(const QString &wordText, bool blueFirst)
{
    // High byte first: the last two characters, then the first two (they
    // overlap for texts shorter than four characters).
    const QString highFirst = wordText.right(2) + wordText.left(2);
    const quint32 word = ReadHexPrefix(highFirst) & 0x7FFF;
    const int red = Scale5To8(word & 0x1F);
    const int green = Scale5To8((word >> 5) & 0x1F);
    const int blue = Scale5To8((word >> 10) & 0x1F);
    return blueFirst ? twoHexDigits(blue) + twoHexDigits(green) + twoHexDigits(red)
                     : twoHexDigits(red) + twoHexDigits(green) + twoHexDigits(blue);
}

QString RGBHexToGBAColor(const QString &rgbText)
{
    const quint32 red8 = ReadHexPrefix(QStringView(rgbText).left(2));
    const QStringView lastFour = QStringView(rgbText).right(4);
    const quint32 green8 = ReadHexPrefix(lastFour.left(2));
    const quint32 blue8 = ReadHexPrefix(lastFour.right(2));
    const quint32 word = (blue8 / 8) * 1024 + (green8 / 8) * 32 + red8 / 8;
    const QString highFirst =
            (QStringLiteral("000") + QString::number(word, 16).toUpper()).right(4);
    return highFirst.right(2) + highFirst.left(2);
}

QString DecToBin(qint32 value)
{
    if (value > 999999999)
        return QStringLiteral("Number is too high!");
    QString digits;
    do {
        digits.prepend(value % 2 == 0 ? QLatin1Char('0') : QLatin1Char('1'));
        value /= 2;
    } while (value > 0);
    return digits.rightJustified(15, QLatin1Char('0'));
}

qint16 BinToDec(const QString &digits)
{
    if (digits.size() > 16)
        throw NumericOverflow();
    qint16 result = 0;
    quint8 position = 0;
    for (auto it = digits.crbegin(); it != digits.crend(); ++it, ++position) {
        if (*it == QLatin1Char('1'))
            SetBit(result, position);
    }
    return result;
}

void SetBit(qint16 &value, quint8 bit)
{
    if (bit > 15)
        throw NumericOverflow();
    value = qint16(quint16(value) | quint16(1u << bit));
}

double RoundHalfUp(double x, qint16 digits)
{
    const double scale = std::pow(10.0, digits);
    const double result = std::floor(x * scale + 0.5) / scale;
    if (!std::isfinite(result))
        throw FloatingPointError();
    return result;
}

bool FileExists(const QString &path)
{
    if (path.isEmpty())
        return false;
    const QFileInfo info(path);
    const QString pattern = info.fileName();
    if (pattern.isEmpty())
        return false;
    // Like a directory search: ordinary files only, hidden ones excluded,
    // wildcards in the name allowed.
    const QDir folder = info.dir();
    return !folder.entryList({ pattern }, QDir::Files | QDir::NoDotAndDotDot).isEmpty();
}

} // namespace Module1
