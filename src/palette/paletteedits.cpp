#include "paletteedits.h"

#include "rompalette.h"

namespace PaletteEdits {

std::optional<quint16> wordOf(const QString &wordText)
{
    if (!RomPalette::isWordText(wordText))
        return std::nullopt;
    const auto bytes = RomPalette::WordTextToBytes(wordText);
    return quint16(bytes[0] | bytes[1] << 8);
}

QString textOf(quint16 word)
{
    return RomPalette::BytesToWordText(word & 0xFF, word >> 8);
}

bool gradient(QStringList &texts, int first, int last)
{
    if (first > last)
        std::swap(first, last);
    if (first < 0 || last >= texts.size())
        return false;
    const auto from = wordOf(texts.at(first));
    const auto to = wordOf(texts.at(last));
    if (!from || !to)
        return false;
    const int steps = last - first;
    for (int j = 1; j < steps; ++j) {
        quint16 word = wordOf(texts.at(first + j)).value_or(0) & 0x8000;
        for (int shift : { 0, 5, 10 }) {
            const int a = *from >> shift & 0x1F;
            const int b = *to >> shift & 0x1F;
            // a + (b - a) * j / steps, half up, in integers; never negative.
            const int scaled = a * (steps - j) + b * j;
            word |= quint16((2 * scaled + steps) / (2 * steps)) << shift;
        }
        texts[first + j] = textOf(word);
    }
    return true;
}

QString copyText(const QStringList &texts)
{
    QStringList upper;
    for (const QString &text : texts)
        upper << text.toUpper();
    return upper.join(QLatin1Char(' '));
}

void History::reset(const QStringList &state)
{
    m_committed = state;
    m_undo.clear();
    m_redo.clear();
}

bool History::commit(const QStringList &state)
{
    if (state == m_committed)
        return false;
    m_undo.append(m_committed);
    if (m_undo.size() > m_limit)
        m_undo.removeFirst();
    m_redo.clear();
    m_committed = state;
    return true;
}

std::optional<QStringList> History::undo(const QStringList &current)
{
    commit(current);
    if (m_undo.isEmpty())
        return std::nullopt;
    m_redo.append(m_committed);
    m_committed = m_undo.takeLast();
    return m_committed;
}

std::optional<QStringList> History::redo(const QStringList &current)
{
    commit(current);
    if (m_redo.isEmpty())
        return std::nullopt;
    m_undo.append(m_committed);
    m_committed = m_redo.takeLast();
    return m_committed;
}

bool History::canUndo(const QStringList &current) const
{
    return !m_undo.isEmpty() || current != m_committed;
}

bool History::canRedo(const QStringList &current) const
{
    return !m_redo.isEmpty() && current == m_committed;
}

} // namespace PaletteEdits
