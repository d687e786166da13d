// Palettes of 256 colours: the View menu's size, the grid beside the boxes,
// and reading and writing all sixteen rows at once.
#include "paletteediting.h"

#include "colorswatch.h"
#include "frmmain.h"
#include "palettegrid.h"
#include "twips.h"

#include <QAction>
#include <QActionGroup>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>

namespace {

constexpr int RowWords = RomPalette::WordCount;
constexpr int WideWords = PaletteGrid::Side * PaletteGrid::Side;
// Room the grid takes to the right of the window's usual controls.
constexpr int GridMargin = 8;

} // namespace

void PaletteEditing::buildViewMenu()
{
    QMenuBar *bar = m_window->menuBar();
    QAction *tools = nullptr;
    for (QAction *menu : bar->actions())
        if (menu->text() == QLatin1String("&Tools"))
            tools = menu;
    auto *view = new QMenu(QStringLiteral("&View"), bar);
    bar->insertMenu(tools, view);
    QMenu *size = view->addMenu(QStringLiteral("Palette &Size"));
    auto *group = new QActionGroup(size);
    mnuSize16 = size->addAction(QStringLiteral("&16 Colours"));
    mnuSize256 = size->addAction(QStringLiteral("&256 Colours"));
    for (QAction *action : { mnuSize16, mnuSize256 }) {
        action->setCheckable(true);
        group->addAction(action);
    }
    mnuSize16->setChecked(true);
    connect(mnuSize16, &QAction::triggered, this, [this] { setPaletteSize(RowWords); });
    connect(mnuSize256, &QAction::triggered, this, [this] { setPaletteSize(WideWords); });
}

void PaletteEditing::setPaletteSize(int size)
{
    if (size == m_size)
        return;
    if (!m_window->mayDiscardEdits()) {
        (isWide() ? mnuSize256 : mnuSize16)->setChecked(true);
        return;
    }
    switchSize(size);
}

void PaletteEditing::openFound(const QString &offset, int colours)
{
    const int size = colours > RowWords ? WideWords : m_size;
    if (size == m_size) {
        m_window->loadPaletteAt(offset);
        return;
    }
    if (!m_window->mayDiscardEdits())
        return;
    m_window->txtOffset->setText(offset);
    switchSize(size);
}

// The edits were let go: the view changes and reads the palette again.
void PaletteEditing::switchSize(int size)
{
    (size > RowWords ? mnuSize256 : mnuSize16)->setChecked(true);
    commitChange();
    m_size = size;
    m_row = 0;
    m_selected.clear();
    m_anchor = -1;
    QWidget *client = m_window->centralWidget();
    const QSize usual = Platform::twipsSize(6300, 6210);
    if (isWide() && !m_grid) {
        m_grid = new PaletteGrid(client);
        m_grid->move(usual.width() + GridMargin, (usual.height() - m_grid->height()) / 2);
        connect(m_grid, &PaletteGrid::clicked, this, [this](int cell, Qt::KeyboardModifiers modifiers) {
            commitChange();
            showRow(cell / RowWords);
            select(cell, modifiers);
        });
        connect(m_grid, &PaletteGrid::doubleClicked, this, [this](int cell) {
            commitChange();
            showRow(cell / RowWords);
            openPickerOn(cell % RowWords);
        });
        connect(m_grid, &PaletteGrid::dropped, this, &PaletteEditing::dropInGrid);
    }
    if (m_grid)
        m_grid->setVisible(isWide());
    client->setFixedSize(isWide() ? QSize(usual.width() + m_grid->width() + 2 * GridMargin, usual.height())
                                  : usual);
    reset();
    m_window->m_unedited = m_window->boxTexts();
    if (!m_window->romPath().isEmpty() && RomPalette::parseOffset(m_window->txtOffset->text()))
        m_window->loadPalette(m_window->txtOffset->text());
    m_window->updateWriteButton();
}

bool PaletteEditing::editable(int index) const
{
    return !isWide() || index / RowWords < m_editableRows;
}

void PaletteEditing::showRow(int row)
{
    m_row = row;
    if (m_grid)
        m_grid->setCurrentRow(row);
    const bool changeable = editable(row * RowWords);
    for (int i = 0; i < RowWords; ++i) {
        QLineEdit *box = m_window->txtChgPal[i];
        const QString text = m_all.value(row * RowWords + i);
        if (box->text() != text)
            box->setText(text);
        box->setEnabled(changeable);
    }
    showSelection();
}

void PaletteEditing::dropInGrid(int from, int to, bool copy)
{
    if (!editable(from) || !editable(to))
        return;
    commitChange();
    QStringList state = m_all;
    if (copy)
        state[to] = state[from];
    else
        state.swapItemsAt(from, to);
    apply(state);
    commitChange();
}

bool PaletteEditing::loadWide(quint32 offset, QByteArray &bytes)
{
    const QString path = m_window->romPath();
    qsizetype pastEnd = 0;
    const auto result = RomPalette::readBytes(path, offset, paletteBytes(), bytes, &pastEnd);
    if (!result.ok) {
        m_window->warn(QStringLiteral("Cannot read the palette from \"%1\": %2.").arg(path, result.reason));
        return false;
    }
    // A row partly past the end would write bytes the image does not have.
    m_editableRows = int(paletteBytes() - pastEnd) / RomPalette::ByteCount;
    m_all.clear();
    for (int i = 0; i < m_size; ++i)
        m_all << (i / RowWords < m_editableRows
                          ? RomPalette::BytesToWordText(quint8(bytes[2 * i]), quint8(bytes[2 * i + 1]))
                          : QString());
    m_loaded = m_all;
    m_loadedOffset = offset;
    m_grid->setTexts(m_all);
    showRow(0);
    m_history.reset(m_all);
    updateActions();
    m_window->updateWriteButton();
    if (pastEnd > 0) {
        m_window->warn(QStringLiteral("The palette at %1 runs past the end of \"%2\": rows %3 to F "
                                      "are not all in the file; they show no colour and cannot be "
                                      "changed.")
                               .arg(QString::number(offset, 16).toUpper(), QFileInfo(path).fileName())
                               .arg(QString::number(m_editableRows, 16).toUpper()));
    }
    // Only the bytes in the image are compared before a write.
    bytes.truncate(paletteBytes() - pastEnd);
    return true;
}

bool PaletteEditing::hasUnwrittenRows() const
{
    for (int i = 0; i < m_all.size(); ++i)
        if (m_all[i].compare(m_loaded.value(i), Qt::CaseInsensitive) != 0)
            return true;
    return false;
}

bool PaletteEditing::allRowsComplete() const
{
    for (int i = 0; i < m_editableRows * RowWords && i < m_all.size(); ++i)
        if (!PaletteEdits::wordOf(m_all[i]))
            return false;
    return m_editableRows > 0;
}

bool PaletteEditing::wideCompleteOrComplain()
{
    if (m_editableRows == 0) {
        error(QStringLiteral("The palette lies past the end of the image: no row can be written."));
        return false;
    }
    for (int i = 0; i < m_editableRows * RowWords; ++i) {
        if (!PaletteEdits::wordOf(m_all[i])) {
            error(QStringLiteral("Every palette box must hold four characters. Colour %1 (row %2, "
                                 "box %3) holds \"%4\", not four hexadecimal digits.")
                          .arg(QStringLiteral("%1").arg(i, 2, 16, QLatin1Char('0')).toUpper())
                          .arg(QString::number(i / RowWords, 16).toUpper())
                          .arg(i % RowWords + 1)
                          .arg(m_all[i]));
            commitChange();
            showRow(i / RowWords);
            return false;
        }
    }
    return true;
}

QList<quint16> PaletteEditing::wideWords() const
{
    QList<quint16> words;
    for (int i = 0; isWide() && i < m_editableRows * RowWords; ++i)
        words << PaletteEdits::wordOf(m_all[i]).value_or(0);
    return words;
}

void PaletteEditing::importWords(const QList<quint16> &words)
{
    commitChange();
    QStringList state = m_all;
    for (int i = 0; i < words.size() && i < m_editableRows * RowWords; ++i)
        state[i] = PaletteEdits::textOf(words[i]);
    apply(state);
    commitChange();
}

void PaletteEditing::writeWide(quint32 offset)
{
    if (!wideCompleteOrComplain())
        return;
    int first = -1;
    int last = -1;
    for (int i = 0; i < m_editableRows * RowWords; ++i) {
        // Written elsewhere than read, the palette is copied whole.
        if (offset != m_loadedOffset || m_all[i].compare(m_loaded[i], Qt::CaseInsensitive) != 0) {
            first = first < 0 ? i : first;
            last = i;
        }
    }
    const QString where = m_window->txtOffset->text();
    const QFileInfo rom(m_window->romPath());
    if (qint64(offset) + 2 * (last + 1) > rom.size()) {
        error(QStringLiteral("The palette at %1 would run past the end of \"%2\": the 256-colour view "
                             "writes only within the image. Nothing was written.")
                      .arg(where, rom.fileName()));
        return;
    }
    // Another offset, or bytes another program changed, are asked about.
    if (first >= 0 && !m_window->mayWriteAt(offset))
        return;
    if (first < 0) {
        m_services.messages->showMessage(
                m_window, QStringLiteral("Palette %1 is as it was read: nothing to write.").arg(where),
                Platform::programTitle(), QMessageBox::Ok, QMessageBox::Information);
        return;
    }
    // Colours between the changed ones are written as they were read.
    QByteArray bytes;
    for (int i = first; i <= last; ++i) {
        const auto pair = RomPalette::WordTextToBytes(m_all[i]);
        bytes.append(char(pair[0])).append(char(pair[1]));
    }
    if (!m_window->writeRom(offset + 2 * quint32(first), bytes))
        return;
    m_loaded = m_all;
    m_loadedOffset = offset;
    m_window->m_loadedOffset = offset;
    m_window->m_lastWasWrite = true;
    for (int i = first; i <= last; ++i) {
        const auto pair = RomPalette::WordTextToBytes(m_all[i]);
        if (2 * i + 1 < m_window->m_loadedBytes.size()) {
            m_window->m_loadedBytes[2 * i] = char(pair[0]);
            m_window->m_loadedBytes[2 * i + 1] = char(pair[1]);
        }
    }
    m_services.messages->showMessage(m_window, QStringLiteral("Palette ") + where + QStringLiteral(" Edited"),
                                     Platform::programTitle(), QMessageBox::Ok, QMessageBox::NoIcon);
}
