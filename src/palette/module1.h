#pragma once

#include <QString>
#include <QStringView>

#include <cstdint>
#include <stdexcept>

// The colour word codec and the small numeric and file helpers shared by
// the main window and the colour picker.
//
// A colour word holds red in bits 0-4, green in 5-9 and blue in 10-14; its
// word text spells the two bytes low byte first ("FF7F" is white).
namespace Module1 {

// Raised by BinToDec and SetBit for input no caller of theirs produces.
class NumericOverflow : public std::overflow_error
{
public:
    NumericOverflow() : std::overflow_error("Overflow") { }
};

// Raised by RoundHalfUp when the result is not a finite number.
class FloatingPointError : public std::domain_error
{
public:
    FloatingPointError() : std::domain_error("Floating-point error") { }
};

// 0-9, a-f, A-F.
bool IsHexDigit(QChar c);

// Reads hexadecimal digits from the start of text: blanks are skipped and
// reading stops at the first other character; no digit at all gives 0.
quint32 ReadHexPrefix(QStringView text);

// Word text to RGB hex text, BBGGRR when blueFirst, else RRGGBB. Bit 15 is
// ignored; malformed text never fails, it only ends the number early.
QString GBAColorToRGBHex(const QString &wordText, bool blueFirst);

// RRGGBB text to word text.
QString RGBHexToGBAColor(const QString &rgbText);

// Binary digits of value, padded to 15; "Number is too high!" above 999,999,999.
QString DecToBin(qint32 value);

// Value of a string of binary digits ('1' counts, anything else is 0);
// throws NumericOverflow for more than 16 characters.
qint16 BinToDec(const QString &digits);

// Sets bit 0-15 of value; throws NumericOverflow for other bit numbers.
void SetBit(qint16 &value, quint8 bit);

// floor(x * 10^digits + 0.5) / 10^digits: halves go up, -2.5 gives -2.
double RoundHalfUp(double x, qint16 digits);

// True when path names at least one ordinary, non-hidden file; wildcards
// in the file name match as in a directory search.
bool FileExists(const QString &path);

// 5-bit channel to 8 bits: floor(c * 255 / 31 + 0.5).
int Scale5To8(int channel5);

} // namespace Module1
