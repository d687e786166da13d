#include "paletteediting.h"

#include "colorswatch.h"
#include "frmcolorpicker.h"
#include "frmmain.h"
#include "palettegrid.h"
#include "palettetext.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>

#include <algorithm>
#include <utility>

PaletteEditing::PaletteEditing(frmMain *window, const Platform::Services &services)
    : QObject(window), m_window(window), m_services(services)
{
    QMenu *edit = nullptr;
    for (QAction *menu : window->menuBar()->actions())
        if (menu->text() == QLatin1String("&Edit"))
            edit = menu->menu();
    Q_ASSERT(edit);
    // Inside a box the box's own text undo, copy and paste keep these keys:
    // a line edit claims them before the window's shortcuts see them.
    QAction *first = edit->actions().value(0);
    auto add = [&](const QString &caption, const QList<QKeySequence> &keys, void (PaletteEditing::*slot)()) {
        auto *action = new QAction(caption, edit);
        action->setShortcuts(keys);
        edit->insertAction(first, action);
        connect(action, &QAction::triggered, this, slot);
        return action;
    };
    mnuUndo = add(QStringLiteral("&Undo"), { QKeySequence(Qt::CTRL | Qt::Key_Z) }, &PaletteEditing::undo);
    mnuRedo = add(QStringLiteral("&Redo"),
                  { QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y) },
                  &PaletteEditing::redo);
    edit->insertSeparator(first);
    mnuCopyPalette = add(QStringLiteral("&Copy Palette"), { QKeySequence(Qt::CTRL | Qt::Key_C) },
                         &PaletteEditing::copyPalette);
    mnuPastePalette = add(QStringLiteral("P&aste Palette"), { QKeySequence(Qt::CTRL | Qt::Key_V) },
                          &PaletteEditing::pastePalette);
    mnuGradient = add(QStringLiteral("&Gradient"), {}, &PaletteEditing::makeGradient);
    edit->insertSeparator(first);

    for (int i = 0; i < int(window->txtChgPal.size()); ++i) {
        QLineEdit *box = window->txtChgPal[i];
        box->installEventFilter(this);
        window->picChgPreview[i]->installEventFilter(this);
        connect(box, &QLineEdit::textChanged, this, [this, i](const QString &text) {
            const int at = m_row * RomPalette::WordCount + i;
            if (at < m_all.size())
                m_all[at] = text;
            if (m_grid)
                m_grid->setText(at, text);
            showTooltip(i);
            updateActions();
        });
        connect(box, &QLineEdit::editingFinished, this, &PaletteEditing::commitChange);
        connect(box, &QLineEdit::returnPressed, this, [this, i] { openPickerOn(i); });
        showTooltip(i);
    }
    buildViewMenu();
    reset();
}

void PaletteEditing::apply(const QStringList &state)
{
    m_all = state;
    if (m_grid)
        m_grid->setTexts(m_all);
    showRow(m_row);
}

void PaletteEditing::reset()
{
    if (isWide()) {
        // Another image, or the view just grew: nothing is read until Find.
        m_all = QStringList(m_size);
        m_editableRows = 0;
        m_row = 0;
        if (m_grid)
            m_grid->setTexts(m_all);
        showRow(0);
    } else {
        // The boxes were just filled: they are the palette.
        m_all.clear();
        for (const QLineEdit *box : m_window->txtChgPal)
            m_all << box->text();
        showRow(0);
    }
    m_loaded = m_all;
    m_history.reset(m_all);
    updateActions();
}

void PaletteEditing::commitChange()
{
    // Within an Auto Paste burst the colours so far are not yet a change.
    if (!m_inBurst)
        m_history.commit(texts());
    updateActions();
}

void PaletteEditing::updateActions()
{
    const QStringList now = texts();
    mnuUndo->setEnabled(m_history.canUndo(now));
    mnuRedo->setEnabled(m_history.canRedo(now));
}

void PaletteEditing::showTooltip(int box)
{
    ColorSwatch *swatch = m_window->picChgPreview[box];
    const QString text = m_window->txtChgPal[box]->text();
    const QString index = QString::number(box, 16).toUpper();
    swatch->setToolTip(PaletteEdits::wordOf(text)
                               ? QStringLiteral("Colour %1: %2, %3")
                                         .arg(index, text.toUpper(), swatch->color().name().toUpper())
                               : QStringLiteral("Colour %1: no colour, the box needs four "
                                                "hexadecimal digits")
                                         .arg(index));
}

QString PaletteEditing::colourName(int index) const
{
    if (!isWide())
        return QStringLiteral("Box %1").arg(index + 1);
    return QStringLiteral("Colour ") + QStringLiteral("%1").arg(index, 2, 16, QLatin1Char('0')).toUpper();
}

QList<frmFindColours::MainColour> PaletteEditing::coloursToFind() const
{
    QList<frmFindColours::MainColour> colours;
    for (int index : m_selected)
        colours.append({ colourName(index), m_all.value(index) });
    if (m_selected.isEmpty())
        for (int i = 0; i < int(m_window->txtChgPal.size()); ++i)
            colours.append({ QStringLiteral("Box %1").arg(i + 1), m_window->txtChgPal[i]->text() });
    return colours;
}

int PaletteEditing::swatchAt(const QPoint &global) const
{
    for (int i = 0; i < int(m_window->picChgPreview.size()); ++i) {
        const ColorSwatch *swatch = m_window->picChgPreview[i];
        if (swatch->rect().contains(swatch->mapFromGlobal(global)))
            return i;
    }
    return -1;
}

bool PaletteEditing::eventFilter(QObject *watched, QEvent *event)
{
    const auto &boxes = m_window->txtChgPal;
    const auto &swatches = m_window->picChgPreview;
    if (event->type() == QEvent::FocusIn) {
        const auto box = std::find(boxes.begin(), boxes.end(), watched);
        if (box != boxes.end())
            setTarget(int(box - boxes.begin()));
        return false;
    }
    const auto found = std::find(swatches.begin(), swatches.end(), watched);
    if (found == swatches.end())
        return false;
    const int index = int(found - swatches.begin());
    // Only pointer events are read as such; paint, hover and the rest pass.
    auto *mouse = dynamic_cast<QMouseEvent *>(event);
    if (!mouse)
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        if (mouse->button() != Qt::LeftButton)
            return false;
        m_pressed = index;
        return true;
    case QEvent::MouseMove:
        // The pointer shows what letting go does: copy with Ctrl, else swap.
        if (m_pressed >= 0) {
            const int over = swatchAt(mouse->globalPosition().toPoint());
            swatches[m_pressed]->setCursor(over < 0 || over == m_pressed ? Qt::ArrowCursor
                                                   : mouse->modifiers() & Qt::ControlModifier
                                                   ? Qt::DragCopyCursor
                                                   : Qt::DragMoveCursor);
        }
        return true;
    case QEvent::MouseButtonRelease: {
        if (mouse->button() != Qt::LeftButton || m_pressed < 0)
            return false;
        const int from = std::exchange(m_pressed, -1);
        swatches[from]->unsetCursor();
        const int to = swatchAt(mouse->globalPosition().toPoint());
        if (to == from)
            select(m_row * RomPalette::WordCount + from, mouse->modifiers());
        else if (to >= 0)
            dropOn(from, to, mouse->modifiers() & Qt::ControlModifier);
        return true;
    }
    case QEvent::MouseButtonDblClick:
        if (mouse->button() == Qt::LeftButton)
            openPickerOn(index);
        return true;
    default:
        return false;
    }
}

void PaletteEditing::select(int index, Qt::KeyboardModifiers modifiers)
{
    if (modifiers & Qt::ShiftModifier && m_anchor >= 0) {
        if (!(modifiers & Qt::ControlModifier))
            m_selected.clear();
        for (int i = std::min(m_anchor, index); i <= std::max(m_anchor, index); ++i)
            m_selected << i;
    } else if (modifiers & Qt::ControlModifier) {
        if (!m_selected.removeOne(index))
            m_selected << index;
        m_anchor = index;
    } else {
        m_selected = { index };
        m_anchor = index;
    }
    std::sort(m_selected.begin(), m_selected.end());
    m_selected.erase(std::unique(m_selected.begin(), m_selected.end()), m_selected.end());
    showSelection();
}

void PaletteEditing::showSelection()
{
    const int base = m_row * RomPalette::WordCount;
    for (int i = 0; i < int(m_window->picChgPreview.size()); ++i)
        m_window->picChgPreview[i]->setSelected(m_selected.contains(base + i));
    if (m_grid)
        m_grid->setSelection(m_selected);
}

void PaletteEditing::dropOn(int from, int to, bool copy)
{
    if (!m_window->txtChgPal[from]->isEnabled() || !m_window->txtChgPal[to]->isEnabled())
        return;
    commitChange();
    const QString moved = m_window->txtChgPal[from]->text();
    if (!copy)
        m_window->txtChgPal[from]->setText(m_window->txtChgPal[to]->text());
    m_window->txtChgPal[to]->setText(moved);
    commitChange();
}

void PaletteEditing::undo()
{
    if (const auto state = m_history.undo(texts()))
        apply(*state);
    updateActions();
}

void PaletteEditing::redo()
{
    if (const auto state = m_history.redo(texts()))
        apply(*state);
    updateActions();
}

void PaletteEditing::error(const QString &text)
{
    m_services.messages->showMessage(m_window, text, QStringLiteral("Error"), QMessageBox::Ok,
                                     QMessageBox::Critical);
}

void PaletteEditing::copyPalette()
{
    // Nothing selected: every colour, as far as the rows in the image go.
    QList<int> indices = m_selected;
    const int count = isWide() ? m_editableRows * RomPalette::WordCount : m_size;
    if (indices.isEmpty())
        for (int i = 0; i < count; ++i)
            indices << i;
    QStringList words;
    for (int index : std::as_const(indices)) {
        const QString text = m_all.value(index);
        if (!PaletteEdits::wordOf(text)) {
            error(QStringLiteral("%1 holds \"%2\", not four hexadecimal digits: only colours "
                                 "are copied.")
                          .arg(colourName(index), text));
            return;
        }
        words << text;
    }
    QGuiApplication::clipboard()->setText(PaletteEdits::copyText(words));
}

void PaletteEditing::pastePalette()
{
    const PaletteText::ParsedColours pasted = PaletteText::parseColours(QGuiApplication::clipboard()->text());
    if (!pasted.error.isEmpty()) {
        error(QStringLiteral("The clipboard cannot be pasted. ") + pasted.error);
        return;
    }
    if (pasted.words.empty()) {
        error(QStringLiteral("The clipboard holds no colours."));
        return;
    }
    const int start = m_selected.isEmpty() ? 0 : m_selected.first();
    if (!editable(start)) {
        error(QStringLiteral("This row runs past the end of the image: its colours cannot be changed."));
        return;
    }
    // Rows past the end of the image take nothing.
    const int room = (isWide() ? m_editableRows * RomPalette::WordCount : m_size) - start;
    if (int(pasted.words.size()) > room) {
        error(QStringLiteral("The clipboard holds %1 colours, but from %2 on there is room for "
                             "only %3. Nothing was pasted.")
                      .arg(pasted.words.size())
                      .arg(colourName(start).replace(0, 1, colourName(start).at(0).toLower()))
                      .arg(room));
        return;
    }
    QStringList state = texts();
    for (int i = 0; i < int(pasted.words.size()); ++i) {
        // Colours without a bit 15 of their own keep the box's.
        const quint16 kept = pasted.carriesTopBit
                ? 0
                : PaletteEdits::wordOf(state[start + i]).value_or(0) & 0x8000;
        state[start + i] = PaletteEdits::textOf(pasted.words[i] | kept);
    }
    commitChange();
    apply(state);
    commitChange();
}

void PaletteEditing::makeGradient()
{
    if (m_selected.size() < 2) {
        error(QStringLiteral("Select the first and the last colour of the gradient (click, then "
                             "Shift+click), then choose Gradient."));
        return;
    }
    const int first = m_selected.first();
    const int last = m_selected.last();
    QStringList state = texts();
    if (!PaletteEdits::gradient(state, first, last)) {
        error(QStringLiteral("%1 holds no colour: a gradient needs four hexadecimal digits at "
                             "both ends.")
                      .arg(colourName(PaletteEdits::wordOf(state[first]) ? last : first)));
        return;
    }
    commitChange();
    apply(state);
    commitChange();
}

void PaletteEditing::setTarget(int box)
{
    m_target = box;
    showTarget();
}

void PaletteEditing::showTarget()
{
    const int target = autoPasteTarget();
    for (int i = 0; i < int(m_window->picChgPreview.size()); ++i)
        m_window->picChgPreview[i]->setTargeted(i == target);
    if (m_picker)
        m_picker->setAutoPasteTarget(target);
}

void PaletteEditing::pickerShown(frmColorPicker *picker)
{
    if (picker != m_picker) {
        m_picker = picker;
        m_linked = false;
        connect(picker, &frmColorPicker::autoPasteColor, this, &PaletteEditing::pasteWord);
        connect(picker, &frmColorPicker::autoPasteBurst, this, &PaletteEditing::burst);
        connect(picker, &frmColorPicker::autoPasteEnded, this, &PaletteEditing::endLink);
    }
    m_linked = picker->mnuAutoPaste->isChecked();
    showTarget();
}

void PaletteEditing::openPickerOn(int box)
{
    m_target = box;
    m_window->SelectCol_Click();
    if (m_picker)
        if (const auto word = PaletteEdits::wordOf(m_window->txtChgPal[box]->text()))
            m_picker->showColorWord(*word & 0x7FFF);
}

void PaletteEditing::pasteWord(quint16 word)
{
    if (!m_linked) {
        // Auto Paste checked again after it was unchecked: the link is back.
        m_linked = true;
        showTarget();
    }
    if (m_target < 0 || !m_window->txtChgPal[m_target]->isEnabled())
        return;
    QLineEdit *box = m_window->txtChgPal[m_target];
    const quint16 top = PaletteEdits::wordOf(box->text()).value_or(0) & 0x8000;
    box->setText(PaletteEdits::textOf((word & 0x7FFF) | top));
    commitChange();
}

void PaletteEditing::burst(bool started)
{
    if (started)
        commitChange();
    m_inBurst = started;
    commitChange();
}

void PaletteEditing::endLink()
{
    m_inBurst = false;
    commitChange();
    m_linked = false;
    showTarget();
}
