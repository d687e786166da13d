#include "colormodel.h"

#include "module1.h"

#include <algorithm>

namespace ColorModel {

namespace {

int clampChannel(int value)
{
    return std::clamp(value, 0, 255);
}

QString decimal(int value)
{
    return QString::number(value);
}

} // namespace

quint32 rgbValue(int red, int green, int blue)
{
    return quint32(clampChannel(red)) | quint32(clampChannel(green)) << 8
            | quint32(clampChannel(blue)) << 16;
}

Rgb channelsOf(quint32 colour)
{
    return { int(colour & 255), int((colour >> 8) & 255), int((colour >> 16) & 255) };
}

QString hexText(int red, int green, int blue)
{
    const quint32 n = quint32(red) * 65536 + quint32(green) * 256 + quint32(blue);
    const QString digits = QString::number(n, 16).toUpper();
    if (red < 16)
        return (QStringLiteral("00000") + digits).right(6);
    return digits;
}

bool hslChannels(int h, int saturation, int luminance, Rgb &out)
{
    if (h < 0 || h > fullCircle)
        return false;
    const int max = clampChannel(luminance);
    const int min = roundEven((255 - clampChannel(saturation)) * max / 255.0);
    // The step per hue unit is kept in single precision; the channel itself
    // is computed in double from it.
    const double d = double(float((max - min) / 255.0));
    auto rising = [&](int offset) { return clampChannel(roundEven(min + offset * d)); };
    auto falling = [&](int offset) { return clampChannel(roundEven(max - offset * d)); };
    if (h <= 255)
        out = { max, rising(h), min };
    else if (h <= 510)
        out = { falling(h - 255), max, min };
    else if (h <= 765)
        out = { min, max, rising(h - 510) };
    else if (h <= 1020)
        out = { min, falling(h - 765), max };
    else if (h <= 1275)
        out = { rising(h - 1020), min, max };
    else
        out = { max, min, falling(h - 1275) };
    return true;
}

int complementaryDegrees(int degrees)
{
    return degrees < 180 ? degrees + 180 : degrees - 180;
}

bool parseNumber(const QString &text, int &value)
{
    if (text.isEmpty() || text.size() > 9)
        return false;
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    value = text.toInt();
    return true;
}

quint32 ColorState::HSLToRGB(int intLocalColorAngle, int Saturation, int Luminance,
                             bool blnUpdateTextBoxes)
{
    Rgb c;
    if (!hslChannels(intLocalColorAngle, Saturation, Luminance, c)) {
        m_display.angleOutOfRange(intLocalColorAngle);
        c = {};
    }
    sngRed = float(c.red);
    sngGreen = float(c.green);
    sngBlue = float(c.blue);
    const quint32 colour = rgbValue(c.red, c.green, c.blue);
    if (blnUpdateTextBoxes) {
        const int saturation = clampChannel(Saturation);
        const int luminance = clampChannel(Luminance);
        m_display.setNumberText(
                0, decimal(int(Module1::RoundHalfUp(intLocalColorAngle / 255.0 / 6 * 360, 0))));
        m_display.setNumberText(1, decimal(int(Module1::RoundHalfUp(saturation / 255.0 * 100, 0))));
        m_display.setNumberText(2, decimal(int(Module1::RoundHalfUp(luminance / 255.0 * 100, 0))));
        m_display.setNumberText(3, decimal(c.red));
        m_display.setNumberText(4, decimal(c.green));
        m_display.setNumberText(5, decimal(c.blue));
        m_display.setHexText(hexText(c.red, c.green, c.blue));
        m_display.setNewColor(colour);
        intColorAngle = qint16(intLocalColorAngle);
        bytSaturation = quint8(saturation);
        bytLuminance = quint8(luminance);
    }
    return colour;
}

int ColorState::RGBToHSL(quint32 lngColor, bool blnUpdateTextBoxes)
{
    const Rgb c = channelsOf(lngColor);
    int max;
    int min;
    if (c.red <= c.green) {
        max = c.green;
        min = c.red;
    } else {
        max = c.red;
        min = c.green;
    }
    if (c.blue > max)
        max = c.blue;
    else if (c.blue < min)
        min = c.blue;
    const int delta = max - min;

    const int percentB = roundEven(max / 255.0 * 100);
    const int percentS = max == 0 ? 0 : roundEven(delta * 100.0 / max);
    const double step = delta == 0 ? 0.0 : double(float(60.0 / delta));

    double degrees;
    if (max == c.red) {
        degrees = step * (c.green - c.blue);
        if (c.green < c.blue)
            degrees += 360;
    } else if (max == c.green) {
        degrees = step * (c.blue - c.red) + 120;
    } else {
        degrees = step * (c.red - c.green) + 240;
    }
    intColorAngle = qint16(roundEven(degrees * 4.25));

    if (blnUpdateTextBoxes) {
        m_display.setHexText(hexText(c.red, c.green, c.blue));
        m_display.setNumberText(0, decimal(int(std::floor(intColorAngle / 1530.0 * 360))));
        if (max > 0) {
            bytSaturation = quint8(roundEven(delta * 255.0 / max));
            m_display.setNumberText(1, decimal(percentS));
        } else {
            bytSaturation = 0;
        }
        bytLuminance = quint8(max);
        m_display.setNumberText(2, decimal(percentB));
        m_display.setWordText(Module1::RGBHexToGBAColor(m_display.hexText()));
    }
    return roundEven(degrees);
}

void ColorState::SplitlblNewColorToRGBboxes()
{
    const Rgb c = channelsOf(m_display.newColor());
    sngRed = float(c.red);
    m_display.setNumberText(3, decimal(c.red));
    sngGreen = float(c.green);
    m_display.setNumberText(4, decimal(c.green));
    sngBlue = float(c.blue);
    m_display.setNumberText(5, decimal(c.blue));
}

void MemoryDisplay::setHexText(const QString &text)
{
    hex = text;
    word = Module1::RGBHexToGBAColor(text);
}

} // namespace ColorModel
