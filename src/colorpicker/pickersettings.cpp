#include "pickersettings.h"

#include <QDir>
#include <QFileInfo>
#include <QList>
#include <QRegularExpression>
#include <QSaveFile>

#include <algorithm>
#include <cmath>
#include <limits>

namespace PickerSettings {

namespace {

const QString blankSlot = QStringLiteral("\"blank\"");

// Lines end in CR LF as written; LF or CR alone are accepted too.
QStringList splitLines(const QByteArray &contents)
{
    QString text = QString::fromLatin1(contents);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QStringList lines = text.split(QLatin1Char('\n'));
    // A final line end does not start another line.
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

// Rounds halves to the even neighbour, as the list reader converts numbers
// into integers.
std::optional<qint64> toInteger(double value, qint64 low, qint64 high)
{
    if (!std::isfinite(value))
        return std::nullopt;
    const double rounded = std::nearbyint(value);
    if (rounded < double(low) || rounded > double(high))
        return std::nullopt;
    return qint64(rounded);
}

QString formatNumber(double value)
{
    return QString::number(value, 'g', 15);
}

} // namespace

bool isNumeric(const QString &text)
{
    static const QRegularExpression number(
            QStringLiteral("^[+-]?(\\d+\\.?\\d*|\\.\\d+)([eE][+-]?\\d+)?$"));
    return number.match(text.trimmed()).hasMatch();
}

double leadingNumber(const QString &text)
{
    static const QRegularExpression number(
            QStringLiteral("^\\s*([+-]?(\\d+\\.?\\d*|\\.\\d+)([eE][+-]?\\d+)?)"));
    const auto match = number.match(text);
    return match.hasMatch() ? match.captured(1).toDouble() : 0.0;
}

std::optional<bool> toBoolean(const QString &text)
{
    const QString word = text.trimmed();
    if (word.compare(QLatin1String("#TRUE#"), Qt::CaseInsensitive) == 0
        || word.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
        return true;
    if (word.compare(QLatin1String("#FALSE#"), Qt::CaseInsensitive) == 0
        || word.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
        return false;
    if (isNumeric(word))
        return word.toDouble() != 0.0;
    return std::nullopt;
}

Loaded parse(const QByteArray &contents)
{
    Loaded loaded;
    const QStringList lines = splitLines(contents);
    auto fail = [&loaded]() -> Loaded & {
        loaded.usedDefaults = true;
        return loaded;
    };

    if (lines.isEmpty())
        return fail();
    const QString colourLine = lines.at(0).trimmed();
    if (isNumeric(colourLine)) {
        const auto colour = toInteger(colourLine.toDouble(), std::numeric_limits<qint32>::min(),
                                      std::numeric_limits<qint32>::max());
        if (!colour)
            return fail();
        loaded.oldColour = qint32(*colour);
    }
    // All twelve lines are read before any of the rest is applied.
    if (lines.size() < 6 + HistorySlots)
        return fail();

    const QString width = lines.at(1).trimmed();
    if (isNumeric(width)) {
        const double value = width.toDouble();
        if (!std::isfinite(value) || value < 0 || value > 65535)
            return fail();
        loaded.widthTwips = value;
    }
    const QString zoom = lines.at(2).trimmed();
    if (isNumeric(zoom)) {
        const auto index = toInteger(zoom.toDouble(), -1, ZoomItems - 1);
        if (!index)
            return fail();
        loaded.zoomIndex = int(*index);
    }
    for (int line : { 3, 4 }) {
        if (lines.at(line).isEmpty())
            continue;
        const auto checked = toBoolean(lines.at(line));
        if (!checked)
            return fail();
        (line == 3 ? loaded.autoCopy : loaded.autoPaste) = *checked;
    }
    if (!lines.at(5).isEmpty()) {
        const QString pointer = lines.at(5).trimmed();
        if (!isNumeric(pointer))
            return fail();
        // A pointer off the ring starts it again at slot 0; the history
        // itself is still good and is kept.
        loaded.historyPointer =
                quint8(toInteger(pointer.toDouble(), 0, HistorySlots - 1).value_or(0));
    }
    for (int slot = 0; slot < HistorySlots; ++slot) {
        const QString text = lines.at(6 + slot);
        if (text.mid(1, 5) == QLatin1String("blank")) {
            loaded.history[slot] = HistorySlot{};
            continue;
        }
        const auto colour = toInteger(leadingNumber(text), std::numeric_limits<qint32>::min(),
                                      std::numeric_limits<qint32>::max());
        if (!colour)
            return fail();
        loaded.history[slot] = HistorySlot{ qint32(*colour), QString::number(*colour) };
    }
    return loaded;
}

QByteArray serialize(const Settings &settings)
{
    QStringList lines;
    lines << QString::number(settings.newColour);
    lines << (settings.widthTwips < NarrowWidthTwips
                      ? QString::number(int(NarrowWidthTwips))
                      : QString::number(float(settings.widthTwips), 'g', 7));
    lines << QString::number(settings.zoomIndex);
    lines << (settings.autoCopy ? QStringLiteral("#TRUE#") : QStringLiteral("#FALSE#"));
    lines << (settings.autoPaste ? QStringLiteral("#TRUE#") : QStringLiteral("#FALSE#"));
    lines << QString::number(settings.historyPointer);
    for (const HistorySlot &slot : settings.history)
        lines << (slot.isBlank() ? blankSlot : formatNumber(leadingNumber(slot.tag)));
    return (lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toLatin1();
}

bool save(const QString &path, const Settings &settings, QString *reason)
{
    // Temporary files of saves that were killed before their rename
    // (QSaveFile names them after the file and six more letters or digits).
    const QFileInfo target(path);
    const QString prefix = target.fileName() + QLatin1Char('.');
    QDir folder = target.dir();
    for (const QString &name : folder.entryList({ prefix + QStringLiteral("??????") }, QDir::Files | QDir::Hidden)) {
        const QStringView tail = QStringView(name).mid(prefix.size());
        if (std::all_of(tail.begin(), tail.end(), [](QChar c) { return c.isLetterOrNumber() && c.unicode() < 128; }))
            folder.remove(name);
    }

    QSaveFile file(path);
    const QByteArray contents = serialize(settings);
    // Unbuffered: a buffered QSaveFile only writes at commit(), where a
    // failing write (a full disk) goes unnoticed and an empty file would
    // replace the good one.
    if (file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)
        && file.write(contents) == contents.size() && file.commit())
        return true;
    if (reason)
        *reason = file.errorString();
    file.cancelWriting();
    return false;
}

} // namespace PickerSettings
