#pragma once

#include "rompalette.h"
#include "services.h"
#include "tilepainter.h"
#include "tiles.h"

#include <QMainWindow>

#include <optional>

class GraphicsView;
class QCheckBox;
class QKeyEvent;
class QComboBox;
class QLabel;
class QLineEdit;
class QPainter;
class QScrollBar;
class QSpinBox;

// Shows the graphics of a ROM image (or of one graphics file) coloured by
// the palette being edited in the main window, unwritten edits included,
// and moves through them tile by tile or screen by screen.
class frmGraphics : public QMainWindow
{
    Q_OBJECT
public:
    explicit frmGraphics(const Platform::Services &services, QWidget *parent = nullptr);

    // The ROM image shown; an empty path shows nothing.
    void setRom(const QString &path);
    // The main window's sixteen boxes and the offset they were loaded from.
    void setPalette(const RomPalette::WordTexts &boxes, std::optional<quint32> boxesOffset);
    // Where 256-colour graphics take their colour words from.
    void setPaletteOffset(quint32 offset);
    // Shows one graphics file's pixel data from its bytes instead of the
    // ROM image; its offset is then fixed by the file, not typed.
    void showGraphicsFile(const QByteArray &bytes, Graphics::Format format, int widthTiles,
                          const QString &title);
    // Moves to offset (clamped to what may be shown) and redraws.
    void setOffset(quint32 offset);
    quint32 offset() const { return m_offset; }
    Graphics::Format format() const;

    // What the view shows now (grid aside), at its zoom, painted on demand
    // the way the view paints itself; and where image pixel (x, y) lies in
    // the view.
    QImage viewImage() const;
    QPoint viewPointOf(int x, int y) const;
    QWidget *view() const;

    QLineEdit *txtOffset = nullptr;
    QComboBox *cboFormat = nullptr;
    QSpinBox *spnWidth = nullptr;
    QSpinBox *spnZoom = nullptr;
    QCheckBox *chkGrid = nullptr;
    QLineEdit *txtPaletteOffset = nullptr;
    QLabel *lblStatus = nullptr;
    QAction *mnuSavePng = nullptr;

signals:
    // The user pointed at a colour the main window's box index holds.
    void focusBoxRequested(int index);
    // The user pointed at a colour of the 256 outside the boxes: the
    // sixteen at offset hold it, in box box.
    void loadPaletteRequested(quint32 offset, int box);
    // Bit n set: no pixel in view uses the colour of box n.
    void unusedColoursChanged(quint16 unused);

private:
    friend class GraphicsView;

    void buildControls();
    void redecode();
    void recolour();
    void readPaletteWords();
    void moveBy(qint64 bytes);
    void keyPressed(QKeyEvent *event);
    void pointerAt(const QPoint &position);
    void clickedAt(const QPoint &position);
    void mnuSavePng_Click();
    void txtOffset_Entered();
    void txtPaletteOffset_Entered();
    std::optional<QPoint> imagePixelAt(const QPoint &position) const;
    std::optional<int> firstBox() const;
    QString wordTextOf(int index) const;
    QString describeEnd() const;
    int tileRowsInView() const;
    // Where the decoded pixels lie in the view, zoomed.
    QRect shownRect() const;
    void paintShown(QPainter &painter, const QRect &exposed) const;
    int fullTileRowsInView() const;
    quint64 imageSize() const;
    void showOffsetText();

    Platform::Services m_services;
    QString m_romPath;
    bool m_fromFile = false;
    QByteArray m_fileBytes;
    quint32 m_offset = 0;
    quint32 m_paletteOffset = 0;
    RomPalette::WordTexts m_boxes;
    std::optional<quint32> m_boxesOffset;
    QByteArray m_paletteWords;
    QString m_readError;

    Graphics::IndexImage m_decoded;
    std::array<bool, Graphics::ColourCount> m_used{};
    Graphics::Colours m_colours{};
    // The view is painted from m_decoded through this table at paint time:
    // no image of the whole view is kept, as a maximised window's would
    // weigh as much as Qt's own backing store.
    Graphics::ColourLookup m_lookup;
    mutable QImage m_band;
    int m_lastUnused = -1; // none told yet

    GraphicsView *m_view = nullptr;
    QScrollBar *m_across = nullptr;
    QLabel *lblEnd = nullptr;
};
