#pragma once

#include "frmfindcolours.h"
#include "paletteedits.h"
#include "rompalette.h"
#include "services.h"

#include <QObject>
#include <QPointer>
#include <QPoint>

class PaletteGrid;
class QAction;
class frmColorPicker;
class frmMain;

// The main window's palette editing: selecting and dragging swatches,
// Gradient, Copy and Paste Palette, Undo and Redo of whole changes, and the
// colour picker's Auto Paste into the box that last had the focus.
class PaletteEditing : public QObject
{
    Q_OBJECT
public:
    PaletteEditing(frmMain *window, const Platform::Services &services);

    // The boxes now hold a freshly loaded palette: no step to undo.
    void reset();
    // Whatever changed the boxes since the last change is one change.
    void commitChange();
    // The picker was shown from the Tools menu or for a box.
    void pickerShown(frmColorPicker *picker);
    // Opens the picker on the box's colour, the box becoming Auto Paste's.
    void openPickerOn(int box);

    // The selected colours of the palette (in the 256-colour view, of the
    // 256), in index order.
    QList<int> selection() const { return m_selected; }
    // What Find Colours looks for: the selected colours in order, or when
    // none is selected the sixteen boxes.
    QList<frmFindColours::MainColour> coloursToFind() const;

    // View > Palette Size: 16 colours in the boxes, or 256 with the grid
    // beside them, the boxes showing one row of it.
    bool isWide() const { return m_size > RomPalette::WordCount; }
    int paletteBytes() const { return 2 * m_size; }
    void setPaletteSize(int size);
    // A palette chosen in Palettes in ROM: one of more than sixteen colours
    // switches to the 256-colour view.
    void openFound(const QString &offset, int colours);
    PaletteGrid *grid() const { return m_grid; }
    int currentRow() const { return m_row; }
    void showRow(int row);
    // The 256 colours at offset, replacing every row; warns of rows past the
    // end of the image, which show no colour and cannot be changed.
    // Reads the 256 colours at offset into the grid and the boxes; false,
    // having warned, when the image cannot be read. bytes: those read.
    bool loadWide(quint32 offset, QByteArray &bytes);
    // Writes the changed rows with one journaled write of the span from the
    // first to the last changed colour.
    void writeWide(quint32 offset);
    bool hasUnwrittenRows() const;
    // Every row that can be changed holds four hexadecimal digits per colour.
    bool allRowsComplete() const;
    // As allRowsComplete, with an "Error" naming the first colour that is not.
    bool wideCompleteOrComplain();
    // The colours of the rows in the file, for Export; empty unless wide.
    QList<quint16> wideWords() const;
    // Import in the 256-colour view: the file's colours from colour 00 on,
    // as far as the rows in the file go; one change.
    void importWords(const QList<quint16> &words);
    int autoPasteTarget() const { return m_linked ? m_target : -1; }

    QAction *mnuUndo = nullptr;
    QAction *mnuRedo = nullptr;
    QAction *mnuCopyPalette = nullptr;
    QAction *mnuPastePalette = nullptr;
    QAction *mnuGradient = nullptr;
    QAction *mnuSize16 = nullptr;
    QAction *mnuSize256 = nullptr;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QStringList texts() const { return m_all; }
    void buildViewMenu();
    void switchSize(int size);
    void dropInGrid(int from, int to, bool copy);
    bool editable(int index) const;
    void apply(const QStringList &state);
    void updateActions();
    void showTooltip(int box);
    void select(int index, Qt::KeyboardModifiers modifiers);
    void showSelection();
    // "Box 4" in the boxes, "Colour 3A" in the 256-colour view.
    QString colourName(int index) const;
    void dropOn(int from, int to, bool copy);
    int swatchAt(const QPoint &global) const;
    void undo();
    void redo();
    void copyPalette();
    void pastePalette();
    void makeGradient();
    void error(const QString &text);
    // Auto Paste: the link to the picker and the box it feeds.
    void setTarget(int box);
    void showTarget();
    void pasteWord(quint16 word);
    void burst(bool started);
    void endLink();

    frmMain *m_window;
    Platform::Services m_services;
    PaletteEdits::History m_history;
    QList<int> m_selected;
    int m_anchor = -1;
    int m_pressed = -1;
    int m_target = -1;
    bool m_linked = false;
    bool m_inBurst = false;
    QPointer<frmColorPicker> m_picker;
    // Every colour of the palette, the boxes' row included, and the texts
    // read at the last load or write.
    int m_size = RomPalette::WordCount;
    QStringList m_all;
    QStringList m_loaded;
    int m_row = 0;
    int m_editableRows = 1;
    quint32 m_loadedOffset = 0;
    PaletteGrid *m_grid = nullptr;
};
