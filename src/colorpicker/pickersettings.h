#pragma once

#include <QByteArray>
#include <QString>

#include <array>
#include <optional>

// The colour picker's settings and colour history file, Colorpicker.dat:
// twelve lines in list format (numbers with a point, booleans as #TRUE# /
// #FALSE#, strings in quotes), each ending in CR LF.
//
//   1  colour current at closing        7-12  history slots 0-5: the colour
//   2  window width in twips                  value, or "blank" (quoted)
//   3  zoom list index                        for an empty slot
//   4  Auto Copy     5  Auto Paste
//   6  history pointer
namespace PickerSettings {

constexpr int HistorySlots = 6;
constexpr double NarrowWidthTwips = 6975;
constexpr double DefaultsWidthTwips = 9690;
constexpr int DefaultsZoomIndex = 1;
constexpr int ZoomItems = 10;
constexpr qint32 EmptySlotColour = 0xFFFFFF;

// One history swatch: its colour value and its tag text ("blank" when empty).
struct HistorySlot
{
    qint32 colour = EmptySlotColour;
    QString tag = QStringLiteral("blank");

    bool isBlank() const { return tag == QLatin1String("blank"); }
    bool operator==(const HistorySlot &other) const
    {
        return colour == other.colour && tag == other.tag;
    }
};

// What the window holds when it closes.
struct Settings
{
    qint32 newColour = 0xC0C0C0;
    double widthTwips = 9435;
    int zoomIndex = DefaultsZoomIndex;
    bool autoCopy = true;
    bool autoPaste = true;
    quint8 historyPointer = 0;
    std::array<HistorySlot, HistorySlots> history{};
};

// What a file says, as the window applies it at opening: each value is set
// only when its line allows it. When reading failed part-way (a short file,
// a line that does not convert, a width or zoom out of range), usedDefaults
// is set (a history pointer off the ring only starts again at 0):
// the window then applies the defaults (width 9690, zoom index 1, both
// options checked, pointer 0) after whatever is set here, and history slots
// after the failing one stay as created.
struct Loaded
{
    std::optional<qint32> oldColour;
    std::optional<double> widthTwips;
    std::optional<int> zoomIndex;
    std::optional<bool> autoCopy;
    std::optional<bool> autoPaste;
    std::optional<quint8> historyPointer;
    std::array<std::optional<HistorySlot>, HistorySlots> history{};
    bool usedDefaults = false;
};

Loaded parse(const QByteArray &contents);
QByteArray serialize(const Settings &settings);

// The list-format readers behind parse, exposed for their tests.
bool isNumeric(const QString &text);
// The number at the start of text (blanks skipped, 0 when there is none).
double leadingNumber(const QString &text);
// #TRUE#/#FALSE#, True/False in any case, or a number (non-zero is true).
std::optional<bool> toBoolean(const QString &text);

// Writes the file as a whole through a temporary file renamed into place,
// so a crash or a full disk never leaves half a file. False with the
// system's reason when it could not be written. Temporary files that killed
// saves left beside the file go first.
bool save(const QString &path, const Settings &settings, QString *reason = nullptr);

} // namespace PickerSettings
