#include "frmgraphics.h"

#include "palettefile.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPainter>
#include <QScrollBar>
#include <QSpinBox>
#include <QStatusBar>
#include <QVBoxLayout>

#include <algorithm>

using namespace Graphics;

namespace {

QString hex(quint64 value)
{
    return QStringLiteral("0x") + QString::number(value, 16).toUpper();
}

} // namespace

// The picture itself: paints the window's image and grid, and hands keys,
// the pointer and the wheel to the window.
class GraphicsView : public QWidget
{
public:
    explicit GraphicsView(frmGraphics *owner) : QWidget(owner), m_owner(owner)
    {
        setFocusPolicy(Qt::StrongFocus);
        setMouseTracking(true);
        setAttribute(Qt::WA_OpaquePaintEvent);
        setMinimumSize(64, 64);
    }

protected:
    void paintEvent(QPaintEvent *event) override
    {
        QPainter painter(this);
        const QRect shown = m_owner->shownRect();
        for (const QRect &outside : QRegion(event->rect()).subtracted(shown))
            painter.fillRect(outside, palette().color(QPalette::Dark));
        m_owner->paintShown(painter, event->rect());
        if (!m_owner->chkGrid->isChecked())
            return;
        const int step = TileSize * m_owner->spnZoom->value();
        const QSize size = shown.size();
        painter.setPen(QColor(0, 0, 0, 96));
        for (int x = step; x < size.width(); x += step)
            painter.drawLine(x, 0, x, size.height() - 1);
        for (int y = step; y < size.height(); y += step)
            painter.drawLine(0, y, size.width() - 1, y);
    }
    void resizeEvent(QResizeEvent *) override { m_owner->redecode(); }
    void keyPressEvent(QKeyEvent *event) override { m_owner->keyPressed(event); }
    void mouseMoveEvent(QMouseEvent *event) override
    {
        m_owner->pointerAt(event->position().toPoint());
    }
    void mousePressEvent(QMouseEvent *event) override
    {
        if (event->button() == Qt::LeftButton)
            m_owner->clickedAt(event->position().toPoint());
    }
    void wheelEvent(QWheelEvent *event) override
    {
        m_wheel += event->angleDelta().y();
        const int notches = m_wheel / 120;
        m_wheel -= notches * 120;
        // Three rows of tiles a notch, as text views scroll three lines.
        const qint64 row = rowBytes(m_owner->format(), m_owner->spnWidth->value());
        if (notches)
            m_owner->moveBy(-qint64(notches) * 3 * row);
        event->accept();
    }

private:
    frmGraphics *m_owner;
    int m_wheel = 0;
};

frmGraphics::frmGraphics(const Platform::Services &services, QWidget *parent)
    : QMainWindow(parent), m_services(services)
{
    setWindowTitle(QStringLiteral("Graphics"));
    buildControls();
    resize(620, 560);
    readPaletteWords();
    redecode();
}

void frmGraphics::buildControls()
{
    QMenu *file = menuBar()->addMenu(QStringLiteral("&File"));
    mnuSavePng = file->addAction(QStringLiteral("&Save Graphics as PNG\u2026"));
    mnuSavePng->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    connect(mnuSavePng, &QAction::triggered, this, &frmGraphics::mnuSavePng_Click);
    file->addSeparator();
    QAction *closeItem = file->addAction(QStringLiteral("&Close"));
    closeItem->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_W));
    connect(closeItem, &QAction::triggered, this, &QWidget::close);

    auto *client = new QWidget(this);
    auto *column = new QVBoxLayout(client);
    auto *controls = new QHBoxLayout;
    column->addLayout(controls);
    auto addLabelled = [&](const QString &caption, QWidget *control) {
        auto *label = new QLabel(caption, client);
        label->setBuddy(control);
        controls->addWidget(label);
        controls->addWidget(control);
    };

    txtOffset = new QLineEdit(QStringLiteral("0"), client);
    txtOffset->setToolTip(QStringLiteral("Offset of the first tile, in hexadecimal"));
    txtOffset->setMaximumWidth(100);
    addLabelled(QStringLiteral("&Offset"), txtOffset);
    connect(txtOffset, &QLineEdit::returnPressed, this, &frmGraphics::txtOffset_Entered);

    cboFormat = new QComboBox(client);
    cboFormat->addItems({ QStringLiteral("4 bpp tiles"), QStringLiteral("8 bpp tiles"),
                          QStringLiteral("4 bpp bitmap"), QStringLiteral("8 bpp bitmap") });
    addLabelled(QStringLiteral("&Format"), cboFormat);

    spnWidth = new QSpinBox(client);
    spnWidth->setRange(1, MaxWidthTiles);
    spnWidth->setValue(16);
    spnWidth->setToolTip(QStringLiteral("Tiles to a row (bitmaps: units of eight pixels)"));
    addLabelled(QStringLiteral("&Width"), spnWidth);

    spnZoom = new QSpinBox(client);
    spnZoom->setRange(1, 8);
    spnZoom->setValue(2);
    spnZoom->setSuffix(QStringLiteral("\u00d7"));
    addLabelled(QStringLiteral("&Zoom"), spnZoom);

    chkGrid = new QCheckBox(QStringLiteral("&Grid"), client);
    chkGrid->setChecked(true);
    controls->addWidget(chkGrid);

    txtPaletteOffset = new QLineEdit(QStringLiteral("0"), client);
    txtPaletteOffset->setToolTip(
            QStringLiteral("Offset of the 256 colour words 8 bpp graphics use, in hexadecimal"));
    txtPaletteOffset->setMaximumWidth(100);
    addLabelled(QStringLiteral("&Palette"), txtPaletteOffset);
    connect(txtPaletteOffset, &QLineEdit::returnPressed, this,
            &frmGraphics::txtPaletteOffset_Entered);
    controls->addStretch(1);

    m_view = new GraphicsView(this);
    m_view->setParent(client);
    column->addWidget(m_view, 1);
    m_across = new QScrollBar(Qt::Horizontal, client);
    column->addWidget(m_across);
    setCentralWidget(client);

    lblStatus = new QLabel(this);
    lblStatus->setTextFormat(Qt::PlainText);
    lblEnd = new QLabel(this);
    lblEnd->setTextFormat(Qt::PlainText);
    statusBar()->addWidget(lblStatus, 1);
    statusBar()->addPermanentWidget(lblEnd);

    connect(cboFormat, &QComboBox::currentIndexChanged, this, [this] {
        txtPaletteOffset->setEnabled(bitsPerPixel(format()) == 8);
        redecode();
    });
    connect(spnWidth, &QSpinBox::valueChanged, this, &frmGraphics::redecode);
    connect(spnZoom, &QSpinBox::valueChanged, this, &frmGraphics::redecode);
    connect(chkGrid, &QCheckBox::toggled, m_view, qOverload<>(&QWidget::update));
    connect(m_across, &QScrollBar::valueChanged, this, &frmGraphics::recolour);
    txtPaletteOffset->setEnabled(false);
    m_view->setFocus();
}

Format frmGraphics::format() const
{
    return Format(std::max(0, cboFormat->currentIndex()));
}

QWidget *frmGraphics::view() const
{
    return m_view;
}

void frmGraphics::setRom(const QString &path)
{
    m_romPath = path;
    m_fromFile = false;
    m_fileBytes.clear();
    txtOffset->setEnabled(true);
    setWindowTitle(path.isEmpty() ? QStringLiteral("Graphics")
                                  : QStringLiteral("Graphics - ") + QFileInfo(path).fileName());
    readPaletteWords();
    setOffset(m_offset);
}

void frmGraphics::showGraphicsFile(const QByteArray &bytes, Format format, int widthTiles,
                                   const QString &title)
{
    m_fromFile = true;
    m_fileBytes = bytes;
    txtOffset->setEnabled(false);
    setWindowTitle(QStringLiteral("Graphics - ") + title);
    const QSignalBlocker formatBlocker(cboFormat), widthBlocker(spnWidth);
    cboFormat->setCurrentIndex(int(format));
    txtPaletteOffset->setEnabled(bitsPerPixel(format) == 8);
    spnWidth->setValue(std::clamp(widthTiles, 1, MaxWidthTiles));
    m_offset = 0;
    showOffsetText();
    redecode();
}

void frmGraphics::setPalette(const RomPalette::WordTexts &boxes, std::optional<quint32> boxesOffset)
{
    m_boxes = boxes;
    m_boxesOffset = boxesOffset;
    recolour();
}

void frmGraphics::setPaletteOffset(quint32 offset)
{
    m_paletteOffset = offset;
    txtPaletteOffset->setText(QString::number(offset, 16).toUpper());
    readPaletteWords();
    recolour();
}

void frmGraphics::setOffset(quint32 offset)
{
    const quint64 last = m_fromFile ? quint64(std::max<qsizetype>(0, m_fileBytes.size() - 1))
                                    : RomPalette::MaxOffset;
    m_offset = quint32(std::min<quint64>(offset, last));
    showOffsetText();
    redecode();
}

void frmGraphics::showOffsetText()
{
    txtOffset->setText(QString::number(m_offset, 16).toUpper());
}

quint64 frmGraphics::imageSize() const
{
    if (m_fromFile)
        return quint64(m_fileBytes.size());
    return m_romPath.isEmpty() ? 0 : quint64(std::max<qint64>(0, QFileInfo(m_romPath).size()));
}

int frmGraphics::tileRowsInView() const
{
    const int rowPixels = TileSize * spnZoom->value();
    return std::max(1, (m_view->height() + rowPixels - 1) / rowPixels);
}

int frmGraphics::fullTileRowsInView() const
{
    return std::max(1, m_view->height() / (TileSize * spnZoom->value()));
}

void frmGraphics::readPaletteWords()
{
    m_paletteWords.clear();
    if (m_romPath.isEmpty())
        return;
    qsizetype pastEnd = 0;
    const auto result = RomPalette::readBytes(m_romPath, m_paletteOffset, 2 * ColourCount,
                                              m_paletteWords, &pastEnd);
    if (!result.ok)
        m_paletteWords.clear();
    else
        m_paletteWords.chop(pastEnd);
}

void frmGraphics::redecode()
{
    const int widthTiles = spnWidth->value();
    const int rows = tileRowsInView();
    const qsizetype count = rows * rowBytes(format(), widthTiles);
    QByteArray bytes;
    m_readError.clear();
    if (m_fromFile) {
        bytes = m_fileBytes.mid(m_offset, count);
    } else if (!m_romPath.isEmpty()) {
        qsizetype pastEnd = 0;
        const auto result = RomPalette::readBytes(m_romPath, m_offset, count, bytes, &pastEnd);
        if (result.ok)
            bytes.chop(pastEnd);
        else
            m_readError = QStringLiteral("Cannot read \"%1\": %2.").arg(m_romPath, result.reason);
    }
    m_decoded = decode(bytes, format(), widthTiles, rows);
    m_used = usedIndices(m_decoded);
    const int across = std::max(1, m_view->width() / (TileSize * spnZoom->value()));
    {
        const QSignalBlocker blocker(m_across);
        m_across->setRange(0, std::max(0, widthTiles - across));
        m_across->setPageStep(across);
    }
    m_across->setVisible(m_across->maximum() > 0);
    lblEnd->setText(describeEnd());
    // What was pointed at has moved away.
    lblStatus->setText(m_readError);
    recolour();
}

QString frmGraphics::describeEnd() const
{
    if (!m_fromFile && m_romPath.isEmpty())
        return QStringLiteral("No ROM image is open");
    const quint64 size = imageSize();
    const quint64 shownEnd = quint64(m_offset)
            + quint64(tileRowsInView()) * quint64(rowBytes(format(), spnWidth->value()));
    if (shownEnd <= size)
        return QString();
    return QStringLiteral("The image ends at %1").arg(hex(size));
}

std::optional<int> frmGraphics::firstBox() const
{
    if (bitsPerPixel(format()) == 4)
        return 0;
    return firstBoxIndex(m_paletteOffset, m_boxesOffset);
}

void frmGraphics::recolour()
{
    if (bitsPerPixel(format()) == 4)
        m_colours = coloursOf(m_boxes);
    else
        m_colours = coloursOf(m_paletteWords, m_boxes, firstBox());
    m_lookup = ColourLookup(m_colours);

    quint16 unused = 0;
    if (const auto first = firstBox()) {
        for (int box = 0; box < RomPalette::WordCount; ++box) {
            const int index = *first + box;
            if (index >= 0 && index < ColourCount && !m_used[index])
                unused |= quint16(1u << box);
        }
    }
    if (int(unused) != m_lastUnused) {
        m_lastUnused = unused;
        emit unusedColoursChanged(unused);
    }
    m_view->update();
}

void frmGraphics::moveBy(qint64 bytes)
{
    setOffset(quint32(std::clamp<qint64>(qint64(m_offset) + bytes, 0, RomPalette::MaxOffset)));
}

void frmGraphics::keyPressed(QKeyEvent *event)
{
    const qint64 row = rowBytes(format(), spnWidth->value());
    const bool control = event->modifiers() & Qt::ControlModifier;
    switch (event->key()) {
    case Qt::Key_PageDown:
        moveBy(row * fullTileRowsInView());
        break;
    case Qt::Key_PageUp:
        moveBy(-row * fullTileRowsInView());
        break;
    case Qt::Key_Down:
        moveBy(row);
        break;
    case Qt::Key_Up:
        moveBy(-row);
        break;
    case Qt::Key_Right:
        moveBy(control ? 1 : tileBytes(format()));
        break;
    case Qt::Key_Left:
        moveBy(control ? -1 : -tileBytes(format()));
        break;
    default:
        event->ignore();
        return;
    }
    event->accept();
}

QRect frmGraphics::shownRect() const
{
    const int zoom = spnZoom->value();
    const int columns = (m_view->width() + zoom - 1) / zoom;
    const int firstX = std::min(m_across->value() * TileSize, m_decoded.width);
    return QRect(0, 0, std::min(columns, m_decoded.width - firstX) * zoom,
                 m_decoded.height * zoom);
}

void frmGraphics::paintShown(QPainter &painter, const QRect &exposed) const
{
    paintView(painter, m_decoded, m_lookup, spnZoom->value(), m_across->value() * TileSize,
              exposed & shownRect(), m_band);
}

QImage frmGraphics::viewImage() const
{
    QImage image(shownRect().size(), QImage::Format_RGB32);
    if (!image.isNull()) {
        QPainter painter(&image);
        paintShown(painter, image.rect());
    }
    return image;
}

QPoint frmGraphics::viewPointOf(int x, int y) const
{
    const int zoom = spnZoom->value();
    return QPoint((x - m_across->value() * TileSize) * zoom + zoom / 2, y * zoom + zoom / 2);
}

std::optional<QPoint> frmGraphics::imagePixelAt(const QPoint &position) const
{
    const int zoom = spnZoom->value();
    if (!shownRect().contains(position))
        return std::nullopt;
    const QPoint pixel(position.x() / zoom + m_across->value() * TileSize, position.y() / zoom);
    if (pixel.x() >= m_decoded.width || pixel.y() >= m_decoded.height)
        return std::nullopt;
    return pixel;
}

QString frmGraphics::wordTextOf(int index) const
{
    const auto first = firstBox();
    if (first && index >= *first && index < *first + RomPalette::WordCount)
        return m_boxes[index - *first].isEmpty() ? QStringLiteral("(empty box)")
                                                 : m_boxes[index - *first];
    if (bitsPerPixel(format()) == 8 && 2 * index + 1 < m_paletteWords.size())
        return RomPalette::BytesToWordText(quint8(m_paletteWords[2 * index]),
                                           quint8(m_paletteWords[2 * index + 1]));
    return QStringLiteral("none");
}

void frmGraphics::pointerAt(const QPoint &position)
{
    const auto pixel = imagePixelAt(position);
    if (!pixel) {
        lblStatus->clear();
        return;
    }
    const quint64 tile = quint64(m_offset)
            + quint64(tileOffset(format(), spnWidth->value(), pixel->x(), pixel->y()));
    const quint16 index = m_decoded.at(pixel->x(), pixel->y());
    const QString what = isTiled(format()) ? QStringLiteral("Tile") : QStringLiteral("Row");
    if (index == NoColour) {
        lblStatus->setText(
                QStringLiteral("%1 at %2: past the end of the image").arg(what, hex(tile)));
        return;
    }
    lblStatus->setText(QStringLiteral("%1 at %2, colour %3, word %4")
                               .arg(what, hex(tile))
                               .arg(index)
                               .arg(wordTextOf(index)));
}

void frmGraphics::clickedAt(const QPoint &position)
{
    const auto pixel = imagePixelAt(position);
    if (!pixel)
        return;
    const quint16 index = m_decoded.at(pixel->x(), pixel->y());
    if (index == NoColour)
        return;
    const auto first = firstBox();
    if (first && index >= *first && index < *first + RomPalette::WordCount) {
        emit focusBoxRequested(index - *first);
        return;
    }
    const quint64 slice = quint64(m_paletteOffset) + RomPalette::ByteCount * quint64(index / 16);
    if (slice <= RomPalette::MaxOffset)
        emit loadPaletteRequested(quint32(slice), index % 16);
}

void frmGraphics::txtOffset_Entered()
{
    if (const auto offset = RomPalette::parseOffset(txtOffset->text())) {
        setOffset(*offset);
        m_view->setFocus(); // ready for Page Down and the arrows
    } else {
        lblStatus->setText(QStringLiteral("The offset must be a hexadecimal number from 0 to %1.")
                                   .arg(QString::number(RomPalette::MaxOffset, 16).toUpper()));
    }
}

void frmGraphics::txtPaletteOffset_Entered()
{
    if (const auto offset = RomPalette::parseOffset(txtPaletteOffset->text()))
        setPaletteOffset(*offset);
    else
        lblStatus->setText(
                QStringLiteral("The palette offset must be a hexadecimal number from 0 to %1.")
                        .arg(QString::number(RomPalette::MaxOffset, 16).toUpper()));
}

void frmGraphics::mnuSavePng_Click()
{
    QString path = m_services.files->getSaveFileName(this, QStringLiteral("Save Graphics as PNG"),
                                                     QStringLiteral("PNG image (*.png)"));
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".png");
    const int count = bitsPerPixel(format()) == 4 ? 16 : ColourCount;
    const QString reason = PaletteFile::saveWhole(path, indexedPng(m_decoded, m_colours, count));
    if (!reason.isEmpty())
        m_services.messages->showMessage(
                this, QStringLiteral("Cannot save the graphics as \"%1\": %2.").arg(path, reason),
                QStringLiteral("Error"), QMessageBox::Ok, QMessageBox::Critical);
}
