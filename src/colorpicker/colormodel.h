#pragma once

#include <QString>

#include <cmath>
#include <cstdint>
#include <vector>

// The picker's colour: a hue/saturation/brightness state (hue in 1530 steps,
// six sectors of 255), the three 8-bit channels, and the texts that show it.
namespace ColorModel {

struct Rgb
{
    int red = 0;
    int green = 0;
    int blue = 0;
    bool operator==(const Rgb &o) const
    {
        return red == o.red && green == o.green && blue == o.blue;
    }
};

// The full hue circle in steps.
constexpr int fullCircle = 1530;

// Nearest integer, halves to the even neighbour (2.5 -> 2, 3.5 -> 4): the
// floating-point unit's own rounding, which the picker's arithmetic relies on.
inline int roundEven(double x)
{
    return int(std::lrint(x));
}

// The platform colour value red + 256 green + 65536 blue; channels above
// 255 count as 255 and below 0 as 0, as the platform's RGB() does.
quint32 rgbValue(int red, int green, int blue);
Rgb channelsOf(quint32 colour);

// RRGGBB, upper case.
QString hexText(int red, int green, int blue);

// The channels of hue h (0..1530), saturation and luminance (0..255), or
// false when h is off the circle. Saturation and luminance are clamped.
bool hslChannels(int h, int saturation, int luminance, Rgb &out);

// The hue turned by half a circle, in degrees: below 180 adds, else subtracts.
int complementaryDegrees(int degrees);

// A box text that is a decimal number (digits only, not empty).
bool parseNumber(const QString &text, int &value);

// Where the colour state is shown. The picker window implements it with its
// boxes and swatch; tests use MemoryDisplay.
class ColorDisplay
{
public:
    virtual ~ColorDisplay() = default;
    virtual QString numberText(int index) const = 0; // Text1(0..5)
    virtual void setNumberText(int index, const QString &text) = 0;
    virtual QString hexText() const = 0;
    // Writing the hex text also rewrites the word text (the hex box's change).
    virtual void setHexText(const QString &text) = 0;
    virtual QString wordText() const = 0;
    virtual void setWordText(const QString &text) = 0;
    virtual quint32 newColor() const = 0; // picNewColor
    virtual void setNewColor(quint32 colour) = 0;
    // HSLToRGB was given a hue off the circle.
    virtual void angleOutOfRange(int angle) = 0;
};

// The state of the colour, and the conversions that write it to a display.
class ColorState
{
public:
    explicit ColorState(ColorDisplay &display) : m_display(display) { }

    qint16 intColorAngle = 0;
    quint8 bytSaturation = 0;
    quint8 bytLuminance = 0;
    float sngRed = 0;
    float sngGreen = 0;
    float sngBlue = 0;

    // The colour value of a hue, saturation and luminance. With
    // blnUpdateTextBoxes it becomes the current colour; without, only the
    // channel copies change.
    quint32 HSLToRGB(int intLocalColorAngle, int Saturation, int Luminance,
                     bool blnUpdateTextBoxes);
    // Hue in degrees of a colour value; sets intColorAngle always, and with
    // blnUpdateTextBoxes the rest of the state and the texts.
    int RGBToHSL(quint32 lngColor, bool blnUpdateTextBoxes);
    // The channel copies and the red, green and blue boxes from picNewColor.
    void SplitlblNewColorToRGBboxes();

    ColorDisplay &display() { return m_display; }

private:
    ColorDisplay &m_display;
};

// A display that keeps its texts in memory, with the hex box's word-text rule.
class MemoryDisplay : public ColorDisplay
{
public:
    QString numberText(int index) const override { return numbers[index]; }
    void setNumberText(int index, const QString &text) override { numbers[index] = text; }
    QString hexText() const override { return hex; }
    void setHexText(const QString &text) override;
    QString wordText() const override { return word; }
    void setWordText(const QString &text) override { word = text; }
    quint32 newColor() const override { return colour; }
    void setNewColor(quint32 c) override { colour = c; }
    void angleOutOfRange(int angle) override { badAngles.push_back(angle); }

    QString numbers[6];
    QString hex;
    QString word;
    quint32 colour = 0;
    std::vector<int> badAngles;
};

} // namespace ColorModel
