#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// Editing palettes as the boxes hold them (word texts, low byte first):
// blends, copying colours, and the undo history of whole
// changes. No widgets: the main window drives it.
namespace PaletteEdits {

// The colour word of a word text ("1F00" is 0x001F), or nothing when the
// text is not four hexadecimal digits.
std::optional<quint16> wordOf(const QString &wordText);
QString textOf(quint16 word);

// The boxes from first to last (inclusive) become an even blend, in RGB, of
// the colours of the two ends, each channel rounded to the nearest 5-bit
// step (half up). The ends and bit 15 of every box stay as they were. Both
// ends must hold colours; otherwise nothing changes and false comes back.
bool gradient(QStringList &texts, int first, int last);

// Colours as Copy Palette puts them on the clipboard: "1F00 E003".
QString copyText(const QStringList &texts);

// Whole states of the palette (all its word texts), the last committed one
// included, for Undo and Redo. A change is committed when it is complete
// (a box left, a drag, a paste); undoing first commits what is pending.
class History
{
public:
    explicit History(int limit = 200) : m_limit(limit) {}

    // Forgets every step: state is where the palette now starts.
    void reset(const QStringList &state);
    // Records state as one step when it differs from the last committed one.
    bool commit(const QStringList &state);
    // The state to show, or nothing when there is no step that way.
    std::optional<QStringList> undo(const QStringList &current);
    std::optional<QStringList> redo(const QStringList &current);
    bool canUndo(const QStringList &current) const;
    bool canRedo(const QStringList &current) const;

private:
    int m_limit;
    QStringList m_committed;
    QList<QStringList> m_undo;
    QList<QStringList> m_redo;
};

} // namespace PaletteEdits
