#include "frmcolorpicker.h"

#include "datafolder.h"
#include "fieldpainter.h"
#include "modhook.h"
#include "module1.h"
#include "pickersettings.h"
#include "pickerwidgets.h"
#include "portalcolorpicker.h"
#include "screensampling.h"
#include "screensource.h"
#include "windowresources.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QPainter>
#include <QFocusEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScreen>
#include <QTimer>
#include <QWindow>

#include <algorithm>

using ColorModel::roundEven;

namespace {

constexpr quint32 defaultOldColour = 0xC0C0C0;
constexpr quint32 blankColour = 0xFFFFFF;
const QString blankTag = QStringLiteral("blank");
const QString settingsFileName = QStringLiteral("Colorpicker.dat");
const QString captureFileName = QStringLiteral("scr.bmp");

double clampUnit(double v)
{
    return std::clamp(v, 0.0, 255.0);
}

int roundHalfUp(double x)
{
    return int(Module1::RoundHalfUp(x, 0));
}

} // namespace

// The colour state's view: the window's boxes and new-colour swatch.
class frmColorPicker::BoxDisplay final : public ColorModel::ColorDisplay
{
public:
    explicit BoxDisplay(frmColorPicker &w) : m_w(w) { }

    QString numberText(int index) const override { return m_w.Text1[index]->text(); }
    void setNumberText(int index, const QString &text) override { m_w.Text1[index]->setText(text); }
    QString hexText() const override { return m_w.txtHexColor->text(); }
    void setHexText(const QString &text) override { m_w.txtHexColor->setText(text); }
    QString wordText() const override { return m_w.txtGBAColor->text(); }
    void setWordText(const QString &text) override { m_w.txtGBAColor->setText(text); }
    quint32 newColor() const override { return m_w.picNewColor->color(); }
    void setNewColor(quint32 colour) override { m_w.picNewColor->setColor(colour); }
    void angleOutOfRange(int angle) override
    {
        m_w.m_services.messages->showMessage(
                &m_w, QStringLiteral("The hue angle %1 lies outside 0 to 1530.").arg(angle),
                Platform::programTitle(), QMessageBox::Ok, QMessageBox::NoIcon);
    }

private:
    frmColorPicker &m_w;
};

frmColorPicker::frmColorPicker(const Platform::Services &services, QWidget *parent,
                               ScreenSource *screen)
    : QMainWindow(parent), m_services(services), m_screen(screen)
{
    if (!m_screen) {
        m_ownScreen = std::make_unique<DesktopScreenSource>();
        m_screen = m_ownScreen.get();
    }
    m_display = std::make_unique<BoxDisplay>(*this);
    m_state = std::make_unique<ColorModel::ColorState>(*m_display);
    setWindowTitle(QStringLiteral("Color Picker"));
    buildControls();
    buildScreenTools();
    buildMenus();
    Form_Load();
    if (!m_screen->canRead())
        usePortalEyedropper();
}

frmColorPicker::~frmColorPicker()
{
    // A window torn down in the middle of a drag leaves no guard behind.
    if (tmrScreenColor->isActive() || Timer1->isActive())
        ModHook::RemoveKeyboardGuard();
    setSamplingCursor(false);
    // Boxes losing the focus while the window is torn down must not reach
    // handlers whose state is already gone.
    for (QLineEdit *box : Text1)
        box->removeEventFilter(this);
    txtHexColor->removeEventFilter(this);
    txtGBAColor->removeEventFilter(this);
}

void frmColorPicker::buildControls()
{
    canvas = new PickerCanvas(this);
    setCentralWidget(canvas);
    // The triangles' designed place, until the hue mode puts them on the hue.
    canvas->setMarkerLines(FieldPainter::sliderMarkerLines(m_sliderMarkerY));

    Label4 = new QLabel(QStringLiteral("Select a color:"), canvas);
    Label4->setGeometry(12, 8, 68, 13);
    Label4->adjustSize();

    picBigBox = new PictureBox(FieldPainter::newField(), canvas);
    picBigBox->setGeometry(12, 32, 259, 258);
    picBigBox->setCursor(fieldCursor());
    picBigBox->setFocusPolicy(Qt::ClickFocus);
    picThinBox = new PictureBox(FieldPainter::newSlider(), canvas);
    picThinBox->setGeometry(284, 32, 21, 258);
    picThinBox->setFocusPolicy(Qt::StrongFocus);

    lblContainer = new QLabel(canvas);
    lblContainer->setFrameStyle(QFrame::Box | QFrame::Plain);
    lblContainer->setGeometry(318, 32, 54, 69);
    picNewColor = new ColourBox(canvas);
    picNewColor->setGeometry(319, 33, 51, 34);
    picNewColor->setFocusPolicy(Qt::ClickFocus);
    lblOldColor = new ColourBox(canvas);
    lblOldColor->setGeometry(319, 66, 51, 34);
    lblOldColor->setColor(defaultOldColour);

    lblComplementaryColor = new ClickLabel(QStringLiteral(" C.C."), canvas);
    lblComplementaryColor->setGeometry(376, 56, 27, 17);
    lblComplementaryColor->setAutoFillBackground(true);
    QPalette cc = lblComplementaryColor->palette();
    cc.setColor(QPalette::Window, Qt::black);
    cc.setColor(QPalette::WindowText, Qt::white);
    lblComplementaryColor->setPalette(cc);
    QFont small = lblComplementaryColor->font();
    small.setPixelSize(10);
    lblComplementaryColor->setFont(small);
    lblComplementaryColor->setToolTip(
            QStringLiteral("Complementary color: turn the hue by half a circle"));

    const QString captions[6] = { "H:", "S:", "B:", "R:", "G:", "B:" };
    const int tops[6] = { 110, 134, 158, 187, 211, 235 };
    m_options = new QButtonGroup(this);
    for (int i = 0; i < 6; ++i) {
        objOption[i] = new QRadioButton(captions[i], canvas);
        objOption[i]->setGeometry(320, tops[i], 33, 17);
        m_options->addButton(objOption[i], i);
        Text1[i] = new QLineEdit(canvas);
        Text1[i]->setGeometry(352, tops[i], 33, 19);
        Text1[i]->setMaxLength(3);
        Text1[i]->installEventFilter(this);
    }
    const QString suffixes[3] = { QStringLiteral("\u00B0"), "%", "%" };
    for (int i = 0; i < 3; ++i) {
        lblSuffix[i] = new QLabel(suffixes[i], canvas);
        lblSuffix[i]->move(387, tops[i] + 2);
        lblSuffix[i]->adjustSize();
    }
    objOption[0]->setChecked(true);
    connect(m_options, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (checked)
            objOption_Click(id);
    });

    Label1 = new QLabel(QStringLiteral("#"), canvas);
    Label1->move(336, 267);
    Label1->adjustSize();
    txtHexColor = new QLineEdit(canvas);
    txtHexColor->setGeometry(352, 264, 65, 19);
    txtHexColor->setMaxLength(6);
    txtHexColor->installEventFilter(this);
    connect(txtHexColor, &QLineEdit::textChanged, this, &frmColorPicker::txtHexColor_Change);
    Label2 = new QLabel(QStringLiteral("GBA"), canvas);
    Label2->move(324, 291);
    Label2->adjustSize();
    txtGBAColor = new QLineEdit(canvas);
    txtGBAColor->setGeometry(352, 288, 41, 19);
    txtGBAColor->setMaxLength(4);
    txtGBAColor->installEventFilter(this);

    Frame1 = new QGroupBox(QStringLiteral("Color History"), canvas);
    Frame1->setGeometry(12, 296, 259, 41);
    for (int k = 0; k < 6; ++k) {
        lblHistoryColor[k] = new ColourBox(Frame1);
        lblHistoryColor[k]->setFrameStyle(QFrame::Box | QFrame::Plain);
        lblHistoryColor[k]->setGeometry(12 + 40 * k, 16, 33, 17);
        connect(lblHistoryColor[k], &ColourBox::clicked, this, [this, k] { lblHistoryColor_Click(k); });
    }
    ClearColorHistory();

    cmdLess = new QPushButton(QStringLiteral("<"), canvas);
    cmdLess->setGeometry(416, 120, 25, 25);
    cmdMore = new QPushButton(QStringLiteral(">"), canvas);
    cmdMore->setGeometry(416, 153, 25, 25);
    cmdLess->setToolTip(QStringLiteral("Narrow the window, hiding the eyedropper and magnifier"));
    cmdMore->setToolTip(QStringLiteral("Widen the window to show the eyedropper and magnifier"));

    tmrThinBox = new QTimer(this);
    tmrThinBox->setInterval(55);

    // Tab order starts with the hue option.
    QWidget *order[] = { objOption[0], objOption[1], objOption[2], objOption[3], objOption[4],
                         objOption[5], Text1[0], Text1[1], Text1[2], Text1[3], Text1[4],
                         Text1[5], txtHexColor, txtGBAColor, picThinBox, cmdLess, cmdMore };
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);

    connect(picBigBox, &PictureBox::mouseDown, this, [this](int b, int s, QPointF p) {
        const QPointF u = FieldPainter::pixelToFieldUnits(p);
        picBigBox_MouseDown(b, s, u.x(), u.y());
    });
    connect(picBigBox, &PictureBox::mouseMove, this, [this](int b, int s, QPointF p) {
        const QPointF u = FieldPainter::pixelToFieldUnits(p);
        picBigBox_MouseMove(b, s, u.x(), u.y());
    });
    connect(picBigBox, &PictureBox::mouseUp, this, [this](int b, int s, QPointF p) {
        const QPointF u = FieldPainter::pixelToFieldUnits(p);
        picBigBox_MouseUp(b, s, u.x(), u.y());
    });
    connect(picThinBox, &PictureBox::mouseDown, this,
            [this](int b, int s, QPointF p) { picThinBox_MouseDown(b, s, p.x(), p.y()); });
    connect(picThinBox, &PictureBox::mouseMove, this,
            [this](int b, int s, QPointF p) { picThinBox_MouseMove(b, s, p.x(), p.y()); });
    connect(picThinBox, &PictureBox::mouseUp, this,
            [this](int b, int s, QPointF p) { picThinBox_MouseUp(b, s, p.x(), p.y()); });
    connect(picThinBox, &PictureBox::keyDown, this, &frmColorPicker::picThinBox_KeyDown);
    connect(picThinBox, &PictureBox::keyUp, this, &frmColorPicker::picThinBox_KeyUp);
    connect(tmrThinBox, &QTimer::timeout, this, &frmColorPicker::tmrThinBox_Timer);
    connect(picNewColor, &ColourBox::clicked, this, &frmColorPicker::picNewColor_Click);
    connect(lblOldColor, &ColourBox::clicked, this, &frmColorPicker::lblOldColor_Click);
    connect(lblComplementaryColor, &ClickLabel::clicked, this,
            [this] { lblComplementaryColor_Click(0); });
    connect(cmdMore, &QPushButton::clicked, this, &frmColorPicker::cmdMore_Click);
    connect(cmdLess, &QPushButton::clicked, this, &frmColorPicker::cmdLess_Click);
    connect(canvas, &PickerCanvas::backgroundPressed, this, &frmColorPicker::Form_MouseDown);
}

void frmColorPicker::buildScreenTools()
{
    imgEyedropper = new ToolIcon(canvas);
    imgEyedropper->setGeometry(464, 28, 32, 32);
    imgEyedropper->setPixmap(eyedropperPicture());
    imgEyedropper->setToolTip(QStringLiteral("Eyedropper: press and drag over the screen"));
    imgMagnifier = new ToolIcon(canvas);
    imgMagnifier->setGeometry(508, 28, 32, 32);
    imgMagnifier->setPixmap(magnifierPicture());
    imgMagnifier->setToolTip(QStringLiteral("Magnifier: press and drag over the screen"));

    // Hidden keepers of the pictures put back on release.
    imgMouse1 = new QLabel(canvas);
    imgMouse1->setPixmap(samplingCursor().bitmap());
    imgMouse1->hide();
    imgMouse2 = new QLabel(canvas);
    imgMouse2->setPixmap(eyedropperPicture());
    imgMouse2->hide();
    imgMouse3 = new QLabel(canvas);
    imgMouse3->setPixmap(magnifierPicture());
    imgMouse3->hide();

    picPreView = new PictureBox(QImage(8, 8, QImage::Format_RGB32), canvas);
    picPreView->setBordered(false);
    picPreView->image().fill(palette().color(QPalette::Window));
    picPreView->setGeometry(560, 32, 8, 8);

    QImage view(146, 146, QImage::Format_RGB32);
    view.fill(palette().color(QPalette::Window));
    picZoom = new PictureBox(view, canvas);
    picZoom->setGeometry(464, 64, 150, 150);

    txtCoords = new QLineEdit(canvas);
    txtCoords->setGeometry(464, 222, 150, 19);
    txtCoords->setReadOnly(true);
    txtCoords->setFocusPolicy(Qt::NoFocus);

    cboPercent = new QComboBox(canvas);
    cboPercent->setGeometry(464, 248, 75, 21);
    for (const ScreenSampling::ZoomItem &item : ScreenSampling::ZoomList)
        cboPercent->addItem(QString::fromLatin1(item.text), item.factor);
    cboPercent->setCurrentIndex(1);

    tmrScreenColor = new QTimer(this);
    tmrScreenColor->setInterval(samplingInterval);
    Timer1 = new QTimer(this);
    Timer1->setInterval(samplingInterval);
    connect(tmrScreenColor, &QTimer::timeout, this, &frmColorPicker::tmrScreenColor_Timer);
    connect(Timer1, &QTimer::timeout, this, &frmColorPicker::Timer1_Timer);

    connect(imgEyedropper, &ToolIcon::mouseDown, this,
            [this](int b, int s, QPointF p) { imgEyedropper_MouseDown(b, s, p.x(), p.y()); });
    connect(imgEyedropper, &ToolIcon::mouseUp, this,
            [this](int b, int s, QPointF p) { imgEyedropper_MouseUp(b, s, p.x(), p.y()); });
    connect(imgMagnifier, &ToolIcon::mouseDown, this,
            [this](int b, int s, QPointF p) { imgMagnifier_MouseDown(b, s, p.x(), p.y()); });
    connect(imgMagnifier, &ToolIcon::mouseUp, this,
            [this](int b, int s, QPointF p) { imgMagnifier_MouseUp(b, s, p.x(), p.y()); });
}

void frmColorPicker::buildMenus()
{
    mnufile = menuBar()->addMenu(QStringLiteral("&File"));
    mnuExit = mnufile->addAction(QStringLiteral("Exit"));
    mnuExit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    connect(mnuExit, &QAction::triggered, this, &frmColorPicker::mnuExit_Click);

    mnuOptions = menuBar()->addMenu(QStringLiteral("&Options"));
    mnuAutoCopy = mnuOptions->addAction(QStringLiteral("Auto Copy"));
    mnuAutoCopy->setCheckable(true);
    mnuAutoCopy->setChecked(true);
    // "Auto Paste" is kept and saved but nothing takes colours from it yet.
    mnuAutoPaste = mnuOptions->addAction(QStringLiteral("Auto Paste"));
    mnuAutoPaste->setCheckable(true);
    mnuAutoPaste->setChecked(true);
    mnuOptions->addSeparator();
    mnuClearHistory = mnuOptions->addAction(QStringLiteral("Clear Color History"));
    mnuClearHistory->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_H));
    connect(mnuClearHistory, &QAction::triggered, this, &frmColorPicker::mnuClearHistory_Click);
}

void frmColorPicker::Form_Load()
{
    Module1::SetWindowIcons(this, QStringLiteral("AAA"), true);
    Module1::ApplyResourceStrings(this);
    setInnerWidth(designedWidth);
    LoadSettings();
    setNewColor(lblOldColor->color());
    PaintThinBoxForMode(0);
    m_state->SplitlblNewColorToRGBboxes();
    m_state->RGBToHSL(newColor(), true);
    // A guard left behind by a drag that never saw its release goes now.
    ModHook::RemoveKeyboardGuard();
    // The starting colour is not the user's choice: whatever the clipboard
    // held before opening stays there.
    m_autoCopyReady = true;
}

void frmColorPicker::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (m_shown)
        return;
    m_shown = true;
    // The hue option is first in the tab order: it takes the focus and its
    // mode switch paints the field and records the starting colour.
    objOption[0]->setFocus(Qt::OtherFocusReason);
    objOption_Click(0);
}

void frmColorPicker::setInnerWidth(int width)
{
    canvas->setFixedSize(width, innerHeight);
    setFixedSize(width, innerHeight + menuBar()->sizeHint().height());
}

int frmColorPicker::widthTwips() const
{
    return (canvas->width() + frameWidthPixels) * 15;
}

void frmColorPicker::centreHorizontally()
{
    const QScreen *s = screen();
    if (!s)
        return;
    const QRect area = s->geometry();
    const int frameWidth = frameGeometry().width();
    move(area.x() + (area.width() - frameWidth) / 2, pos().y());
}

int frmColorPicker::currentMode() const
{
    return m_options->checkedId();
}

quint32 frmColorPicker::newColor() const
{
    return picNewColor->color();
}

void frmColorPicker::setNewColor(quint32 colour)
{
    picNewColor->setColor(colour);
}

QString frmColorPicker::currentBoxText(int index) const
{
    const ColorModel::Rgb c = ColorModel::channelsOf(newColor());
    switch (index) {
    case 0: return QString::number(roundHalfUp(m_state->intColorAngle / 255.0 / 6 * 360));
    case 1: return QString::number(roundHalfUp(m_state->bytSaturation / 255.0 * 100));
    case 2: return QString::number(roundHalfUp(m_state->bytLuminance / 255.0 * 100));
    case 3: return QString::number(c.red);
    case 4: return QString::number(c.green);
    default: return QString::number(c.blue);
    }
}

int frmColorPicker::boxNumber(int index) const
{
    int value = 0;
    if (ColorModel::parseNumber(Text1[index]->text(), value))
        return value;
    ColorModel::parseNumber(currentBoxText(index), value);
    return value;
}

quint32 frmColorPicker::boxesColour() const
{
    return ColorModel::rgbValue(boxNumber(3), boxNumber(4), boxNumber(5));
}

// --- painting and markers ----------------------------------------------------

void frmColorPicker::picBigBox_Colorize()
{
    QImage &field = picBigBox->image();
    ColorModel::Rgb last{ int(m_state->sngRed), int(m_state->sngGreen), int(m_state->sngBlue) };
    const int mode = currentMode();
    switch (mode) {
    case 0: last = FieldPainter::Bigbox3D(field, m_state->intColorAngle); break;
    case 1: last = FieldPainter::RainBowBigbox(field, false, true, m_state->bytSaturation, m_state->bytLuminance); break;
    case 2: last = FieldPainter::RainBowBigbox(field, true, false, m_state->bytSaturation, m_state->bytLuminance); break;
    case 3: FieldPainter::opt3RedPaintPicBigBox(field, boxNumber(3)); break;
    case 4: FieldPainter::opt4GreenPaintPicBigBox(field, boxNumber(4)); break;
    case 5: FieldPainter::opt5BluePaintPicBigBox(field, boxNumber(5)); break;
    default: break;
    }
    m_state->sngRed = float(last.red);
    m_state->sngGreen = float(last.green);
    m_state->sngBlue = float(last.blue);
    picBigBox->refresh();

    if (!blnMarkerPlaced) {
        // The colour came from outside the field: put the marker on it. The
        // colour itself is already exact, so it is not read back.
        blnMarkerFollow = true;
        switch (mode) {
        case 0:
            intMarkerX = m_state->bytSaturation;
            intMarkerY = 255 - m_state->bytLuminance;
            break;
        case 1:
            intMarkerX = roundEven(m_state->intColorAngle / 6.0);
            intMarkerY = 255 - m_state->bytLuminance;
            break;
        case 2:
            intMarkerX = roundEven(m_state->intColorAngle / 6.0);
            intMarkerY = 255 - m_state->bytSaturation;
            break;
        case 3:
            intMarkerX = std::min(boxNumber(5), 255);
            intMarkerY = 255 - std::min(boxNumber(4), 255);
            break;
        case 4:
            intMarkerX = std::min(boxNumber(5), 255);
            intMarkerY = 255 - std::min(boxNumber(3), 255);
            break;
        case 5:
            intMarkerX = std::min(boxNumber(3), 255);
            intMarkerY = 255 - std::min(boxNumber(4), 255);
            break;
        default: break;
        }
        MoveMarker(intMarkerX, intMarkerY);
        blnMarkerPlaced = true;
    } else if (blnMarkerFollow) {
        MoveMarker(intMarkerX, intMarkerY);
    }
}

void frmColorPicker::PaintThinBoxForMode(int mode)
{
    QImage &slider = picThinBox->image();
    ColorModel::Rgb last;
    bool painted = true;
    switch (mode) {
    case 0: last = FieldPainter::RainBowThinBox(slider); break;
    case 1: last = FieldPainter::FadeThinBoxToGrey(slider, m_state->intColorAngle, m_state->bytLuminance); break;
    case 2: {
        const quint32 top = m_state->HSLToRGB(m_state->intColorAngle, m_state->bytSaturation, 255, false);
        FieldPainter::fill(slider, top);
        FieldPainter::FadeThinBoxToBlack(slider);
        painted = false; // the conversion above already set the channel copies
        break;
    }
    default: painted = false; break;
    }
    if (painted && mode <= 1) {
        m_state->sngRed = float(last.red);
        m_state->sngGreen = float(last.green);
        m_state->sngBlue = float(last.blue);
    }
    picThinBox->refresh();
}

void frmColorPicker::repaintChannelSlider(int mode, int a, int b)
{
    QImage &slider = picThinBox->image();
    if (mode == 3)
        FieldPainter::opt3RedPaintPicThinBox(slider, a, b);
    else if (mode == 4)
        FieldPainter::opt4GreenPaintPicThinBox(slider, a, b);
    else if (mode == 5)
        FieldPainter::opt5BluePaintPicThinBox(slider, a, b);
    picThinBox->refresh();
}

void frmColorPicker::repaintSliderForMode()
{
    switch (currentMode()) {
    case 1:
    case 2: PaintThinBoxForMode(currentMode()); break;
    case 3: repaintChannelSlider(3, boxNumber(4), boxNumber(5)); break;
    case 4: repaintChannelSlider(4, boxNumber(3), boxNumber(5)); break;
    case 5: repaintChannelSlider(5, boxNumber(3), boxNumber(4)); break;
    default: break; // the hue rainbow does not depend on the colour
    }
}

void frmColorPicker::MoveMarker(double x, double Y)
{
    int hue = -1;
    ColorModel::parseNumber(Text1[0]->text(), hue);
    const bool dark = FieldPainter::useDarkRing(m_state->bytLuminance, hue, m_state->bytSaturation);
    picBigBox->setMarker(true, FieldPainter::fieldUnitsToPixel(x, Y), dark);
}

void frmColorPicker::MoveThinBoxMarker(double &Y)
{
    Y = Module1::RoundHalfUp(Y, 0);
    m_sliderMarkerY = int(Y);
    canvas->setMarkerLines(FieldPainter::sliderMarkerLines(m_sliderMarkerY));
}

void frmColorPicker::PlaceThinBoxMarker()
{
    double y = 0;
    switch (currentMode()) {
    case 0: y = 255 - m_state->intColorAngle / 1530.0 * 255; break;
    case 1: y = 255 - boxNumber(1) * 2.55; break;
    case 2: y = 255 - boxNumber(2) * 2.55; break;
    case 3: y = 255 - boxNumber(3); break;
    case 4: y = 255 - boxNumber(4); break;
    case 5: y = 255 - boxNumber(5); break;
    default: return;
    }
    MoveThinBoxMarker(y);
}

void frmColorPicker::NudgeHueValue(int intDirektion)
{
    m_state->intColorAngle = qint16(std::clamp(m_state->intColorAngle + intDirektion, 0, ColorModel::fullCircle));
    m_state->HSLToRGB(m_state->intColorAngle, m_state->bytSaturation, m_state->bytLuminance, true);
    double y = 255 - m_state->intColorAngle / 1530.0 * 255;
    MoveThinBoxMarker(y);
}

void frmColorPicker::fieldReaction(int mode, double x, double Y)
{
    if (Y < 254) {
        const QPoint pixel = FieldPainter::fieldUnitsToPixel(x, Y);
        setNewColor(FieldPainter::pixelColour(picBigBox->image(), pixel.x(), pixel.y()));
    }
    m_state->SplitlblNewColorToRGBboxes();
    const int r = roundEven(m_state->sngRed);
    const int g = roundEven(m_state->sngGreen);
    const int b = roundEven(m_state->sngBlue);
    if (mode == 3)
        repaintChannelSlider(3, g, b);
    else if (mode == 4)
        repaintChannelSlider(4, r, b);
    else
        repaintChannelSlider(5, r, g);
    m_state->RGBToHSL(boxesColour(), true);
}

void frmColorPicker::BigBoxOpt3Reaction(double x, double Y) { fieldReaction(3, x, Y); }
void frmColorPicker::BigBoxOpt4Reaction(double x, double Y) { fieldReaction(4, x, Y); }
void frmColorPicker::BigBoxOpt5Reaction(double x, double Y) { fieldReaction(5, x, Y); }

// --- pointer and keys ----------------------------------------------------------

void frmColorPicker::picBigBox_MouseDown(int Button, int, double X, double Y)
{
    if (!blnMarkerPlaced || Button != 1)
        return;
    blnMouseDown = true;
    // A hue from the pointer stays on the circle even for a press on the
    // very last sliver of the field.
    auto hueAt = [](double x) { return std::clamp(roundEven(x * 6), 0, ColorModel::fullCircle); };
    auto level = [](double v) { return std::clamp(roundEven(v), 0, 255); };
    switch (currentMode()) {
    case 0:
        m_state->HSLToRGB(m_state->intColorAngle, level(X), level(255 - Y), true);
        break;
    case 1:
        m_state->HSLToRGB(hueAt(X), m_state->bytSaturation, level(255 - Y), true);
        FieldPainter::FadeThinBoxToGrey(picThinBox->image(), m_state->intColorAngle, m_state->bytLuminance);
        picThinBox->refresh();
        break;
    case 2: {
        const quint32 top = m_state->HSLToRGB(hueAt(X), level(255 - Y), 255, false);
        FieldPainter::fill(picThinBox->image(), top);
        m_state->HSLToRGB(hueAt(X), level(255 - Y), m_state->bytLuminance, true);
        FieldPainter::FadeThinBoxToBlack(picThinBox->image());
        picThinBox->refresh();
        break;
    }
    case 3: BigBoxOpt3Reaction(X, Y); break;
    case 4: BigBoxOpt4Reaction(X, Y); break;
    case 5: BigBoxOpt5Reaction(X, Y); break;
    default: break;
    }
    blnMarkerFollow = true;
}

void frmColorPicker::picBigBox_MouseMove(int Button, int, double X, double Y)
{
    if (!blnMouseDown || Button != 1)
        return;
    picBigBox->setMarker(false, picBigBox->markerCentre(), picBigBox->markerDark());
    X = clampUnit(X);
    Y = clampUnit(Y);
    switch (currentMode()) {
    case 0:
        m_state->HSLToRGB(m_state->intColorAngle, roundEven(X), roundEven(255 - Y), true);
        break;
    case 1:
        m_state->HSLToRGB(roundEven(X * 6), m_state->bytSaturation, roundEven(255 - Y), true);
        PaintThinBoxForMode(1);
        break;
    case 2:
        m_state->HSLToRGB(roundEven(X * 6), roundEven(255 - Y), m_state->bytLuminance, true);
        PaintThinBoxForMode(2);
        break;
    case 3: BigBoxOpt3Reaction(X, Y); break;
    case 4: BigBoxOpt4Reaction(X, Y); break;
    case 5: BigBoxOpt5Reaction(X, Y); break;
    default: break;
    }
}

void frmColorPicker::picBigBox_MouseUp(int Button, int, double X, double Y)
{
    if (!blnMarkerPlaced || Button != 1)
        return;
    blnMouseDown = false;
    X = clampUnit(X);
    Y = clampUnit(Y);
    intMarkerX = roundEven(X);
    intMarkerY = roundEven(Y);
    MoveMarker(X, Y);
    AddToColorHistory();
}

void frmColorPicker::picThinBox_MouseDown(int Button, int Shift, double X, double Y)
{
    blnMouseDown = true;
    picThinBox_MouseMove(Button, Shift, X, Y);
}

void frmColorPicker::picThinBox_MouseMove(int, int, double, double Y)
{
    if (!blnMouseDown)
        return;
    if (!tmrThinBox->isActive())
        tmrThinBox->start();
    Y = clampUnit(Y);
    MoveThinBoxMarker(Y);
    const int mode = currentMode();
    switch (mode) {
    case 0:
        m_state->HSLToRGB(roundEven((255 - Y) * 6), m_state->bytSaturation, m_state->bytLuminance, true);
        break;
    case 1:
        m_state->HSLToRGB(m_state->intColorAngle, roundEven(255 - Y), m_state->bytLuminance, true);
        break;
    case 2:
        m_state->HSLToRGB(m_state->intColorAngle, m_state->bytSaturation, roundEven(255 - Y), true);
        break;
    case 3:
    case 4:
    case 5: {
        Text1[mode]->setText(QString::number(int(255 - Y)));
        const quint32 c = boxesColour();
        m_state->RGBToHSL(c, true);
        setNewColor(c);
        break;
    }
    default: break;
    }
}

void frmColorPicker::picThinBox_MouseUp(int, int, double, double)
{
    // A click shorter than one timer period would leave the field showing
    // the old slider value: give it the tick it missed.
    if (tmrThinBox->isActive()) {
        tmrThinBox->stop();
        picBigBox_Colorize();
    }
    blnMouseDown = false;
    AddToColorHistory();
}

void frmColorPicker::picThinBox_KeyDown(int KeyCode, int)
{
    if (currentMode() != 0)
        return;
    if (KeyCode == 38) {
        NudgeHueValue(10);
        picBigBox_Colorize();
    } else if (KeyCode == 40) {
        NudgeHueValue(-10);
        picBigBox_Colorize();
    }
}

void frmColorPicker::picThinBox_KeyUp(int, int)
{
    AddToColorHistory();
}

void frmColorPicker::tmrThinBox_Timer()
{
    picBigBox_Colorize();
}

void frmColorPicker::objOption_Click(int Index)
{
    switch (Index) {
    case 0:
        PaintThinBoxForMode(0);
        intMarkerX = m_state->bytSaturation;
        intMarkerY = 255 - m_state->bytLuminance;
        break;
    case 1:
        PaintThinBoxForMode(1);
        intMarkerX = roundEven(m_state->intColorAngle / 6.0);
        intMarkerY = 255 - m_state->bytLuminance;
        break;
    case 2:
        PaintThinBoxForMode(2);
        intMarkerX = roundEven(m_state->intColorAngle / 6.0);
        intMarkerY = 255 - m_state->bytSaturation;
        break;
    case 3:
        repaintChannelSlider(3, boxNumber(4), boxNumber(5));
        intMarkerX = boxNumber(5);
        intMarkerY = 255 - boxNumber(4);
        break;
    case 4:
        repaintChannelSlider(4, boxNumber(3), boxNumber(5));
        intMarkerX = boxNumber(5);
        intMarkerY = 255 - boxNumber(3);
        break;
    case 5:
        repaintChannelSlider(5, boxNumber(3), boxNumber(4));
        intMarkerX = boxNumber(3);
        intMarkerY = 255 - boxNumber(4);
        break;
    default: return;
    }
    picBigBox_Colorize();
    AddToColorHistory();
    PlaceThinBoxMarker();
    picThinBox->refresh();
}

// --- text entry ------------------------------------------------------------------

namespace {

bool passesAlways(int c)
{
    return c == 8 || c == 3 || c == 22 || c == 24;
}

} // namespace

void frmColorPicker::Text1_KeyPress(int, int &KeyAscii)
{
    if (!(KeyAscii >= '0' && KeyAscii <= '9') && !passesAlways(KeyAscii))
        KeyAscii = 0;
}

void frmColorPicker::txtHexColor_KeyPress(int &KeyAscii)
{
    if ((KeyAscii >= '0' && KeyAscii <= '9') || passesAlways(KeyAscii)
        || (KeyAscii >= 'A' && KeyAscii <= 'F'))
        return;
    if (KeyAscii >= 'a' && KeyAscii <= 'f')
        KeyAscii -= 32;
    else
        KeyAscii = 0;
}

void frmColorPicker::txtGBAColor_KeyPress(int &KeyAscii)
{
    txtHexColor_KeyPress(KeyAscii);
}

void frmColorPicker::Text1_LostFocus(int Index)
{
    int v = 0;
    if (!ColorModel::parseNumber(Text1[Index]->text(), v)) {
        // Nothing to take: the box shows the current colour again.
        Text1[Index]->setText(currentBoxText(Index));
        return;
    }
    blnMarkerPlaced = false;
    switch (Index) {
    case 0:
        if (v > 360)
            Text1[0]->setText(QStringLiteral("360"));
        v = boxNumber(0);
        m_state->HSLToRGB(roundEven(v / 360.0 * 255 * 6), m_state->bytSaturation, m_state->bytLuminance, true);
        break;
    case 1:
        if (v > 100) {
            Text1[1]->setText(QStringLiteral("100"));
            v = 100;
        }
        m_state->HSLToRGB(m_state->intColorAngle, roundEven(v / 100.0 * 255), m_state->bytLuminance, true);
        break;
    case 2:
        if (v > 100) {
            Text1[2]->setText(QStringLiteral("100"));
            v = 100;
        }
        m_state->HSLToRGB(m_state->intColorAngle, m_state->bytSaturation, roundEven(v / 100.0 * 255), true);
        break;
    default:
        if (v > 255)
            Text1[Index]->setText(QStringLiteral("255"));
        // The typed channel makes the new colour; the swatch shows it at once.
        setNewColor(boxesColour());
        m_state->RGBToHSL(newColor(), true);
        break;
    }
    repaintSliderForMode();
    PlaceThinBoxMarker();
    picBigBox_Colorize();
    AddToColorHistory();
}

void frmColorPicker::putOnClipboard(const QString &text)
{
    QClipboard *clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(text);
}

void frmColorPicker::txtHexColor_Change()
{
    txtGBAColor->setText(Module1::RGBHexToGBAColor(txtHexColor->text()));
    // A half-typed hex text is no colour yet.
    static const QRegularExpression sixDigits(QStringLiteral("^[0-9A-Fa-f]{6}$"));
    if (m_autoCopyReady && mnuAutoCopy->isChecked() && sixDigits.match(txtHexColor->text()).hasMatch())
        putOnClipboard(txtGBAColor->text());
}

void frmColorPicker::txtHexColor_LostFocus()
{
    const QString text = txtHexColor->text();
    if (text.size() < 6)
        return;
    const QString blueFirst = text.mid(4, 2) + text.mid(2, 2) + text.mid(0, 2);
    bool ok = false;
    const quint32 colour = blueFirst.toUInt(&ok, 16);
    // A pasted text that is not hexadecimal leaves the colour as it was; the
    // steps below then show that colour again.
    if (ok)
        setNewColor(colour & 0xFFFFFF);
    m_state->SplitlblNewColorToRGBboxes();
    Text1_LostFocus(3);
    picBigBox_Colorize();
}

void frmColorPicker::txtGBAColor_LostFocus()
{
    if (txtGBAColor->text().size() != 4)
        return;
    txtHexColor->setText(Module1::GBAColorToRGBHex(txtGBAColor->text(), false));
    txtHexColor_LostFocus();
}

void frmColorPicker::applyBox(QLineEdit *box)
{
    // Only what the user changed is taken: a box rewritten by the program
    // would otherwise round the colour again (the word box to 15 bits).
    if (!box->isModified())
        return;
    if (box == txtHexColor) {
        txtHexColor_LostFocus();
    } else if (box == txtGBAColor) {
        txtGBAColor_LostFocus();
    } else {
        const auto it = std::find(Text1.begin(), Text1.end(), box);
        if (it != Text1.end())
            Text1_LostFocus(int(it - Text1.begin()));
    }
    box->setModified(false);
}

bool frmColorPicker::handleKeyPress(QObject *watched, QKeyEvent *event)
{
    auto *box = static_cast<QLineEdit *>(watched);
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        applyBox(box);
        return true;
    }
    // Only typed characters are filtered. Keys that type none (arrows,
    // Delete, Backspace, Tab) and the box's own editing commands (select
    // all, undo, redo, copy, cut, paste) reach the box.
    const QString text = event->text();
    const Qt::KeyboardModifiers mods = event->modifiers();
    const bool command = (mods & Qt::ControlModifier) && !(mods & Qt::AltModifier);
    if (text.isEmpty() || command || text.at(0).unicode() < 0x20 || text.at(0).unicode() == 0x7F)
        return false;
    const int typed = text.at(0).unicode();
    int KeyAscii = typed;
    if (box == txtHexColor)
        txtHexColor_KeyPress(KeyAscii);
    else if (box == txtGBAColor)
        txtGBAColor_KeyPress(KeyAscii);
    else
        Text1_KeyPress(int(std::find(Text1.begin(), Text1.end(), box) - Text1.begin()), KeyAscii);
    if (KeyAscii == 0)
        return true;
    if (KeyAscii != typed) {
        box->insert(QString(QChar(KeyAscii)));
        return true;
    }
    return false;
}

bool frmColorPicker::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress)
        return handleKeyPress(watched, static_cast<QKeyEvent *>(event));
    if (event->type() == QEvent::FocusOut) {
        // Switching windows or opening a menu does not leave the box.
        const auto reason = static_cast<QFocusEvent *>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            applyBox(static_cast<QLineEdit *>(watched));
    }
    return QMainWindow::eventFilter(watched, event);
}

// --- swatches and history ------------------------------------------------------

void frmColorPicker::picNewColor_Click()
{
    blnMarkerPlaced = false;
    m_state->SplitlblNewColorToRGBboxes();
    m_state->RGBToHSL(newColor(), true);
    repaintSliderForMode();
    PlaceThinBoxMarker();
    picBigBox_Colorize();
}

void frmColorPicker::lblOldColor_Click()
{
    setNewColor(lblOldColor->color());
    picNewColor_Click();
    AddToColorHistory();
}

void frmColorPicker::lblComplementaryColor_Click(int)
{
    Text1[0]->setText(QString::number(ColorModel::complementaryDegrees(boxNumber(0))));
    Text1_LostFocus(0);
}

void frmColorPicker::lblHistoryColor_Click(int Index)
{
    if (lblHistoryColor[Index]->tag() == blankTag)
        return;
    const quint32 colour = lblHistoryColor[Index]->color();
    setNewColor(colour);
    blnMarkerPlaced = false;
    m_state->SplitlblNewColorToRGBboxes();
    m_state->RGBToHSL(colour, true);
    blnNoHistory = true;
    objOption_Click(0);
    objOption[0]->setChecked(true);
    blnNoHistory = false;
}

void frmColorPicker::AddToColorHistory()
{
    if (blnNoHistory)
        return;
    if (lblHistoryColor[bytHistoryPointer]->color() != newColor()) {
        ++bytHistoryPointer;
        if (bytHistoryPointer > 5)
            bytHistoryPointer = 0;
    }
    if (lblHistoryColor[0]->tag() == blankTag)
        bytHistoryPointer = 0;
    lblHistoryColor[bytHistoryPointer]->setColor(newColor());
    lblHistoryColor[bytHistoryPointer]->setTag(QString::number(newColor()));
}

void frmColorPicker::ClearColorHistory()
{
    for (ColourBox *swatch : lblHistoryColor) {
        swatch->setColor(blankColour);
        swatch->setTag(blankTag);
    }
    bytHistoryPointer = 0;
}

// --- the window ------------------------------------------------------------------

void frmColorPicker::Form_MouseDown(int, int, QPoint)
{
    QWindow *handle = windowHandle();
    const bool accepted = handle && handle->startSystemMove();
    emit moveByBackgroundStarted(accepted);
}

void frmColorPicker::cmdMore_Click()
{
    setInnerWidth(wideWidth);
    centreHorizontally();
}

void frmColorPicker::cmdLess_Click()
{
    setInnerWidth(narrowWidth);
    centreHorizontally();
}

void frmColorPicker::mnuExit_Click()
{
    close();
}

void frmColorPicker::mnuAutoCopy_Click()
{
    mnuAutoCopy->toggle();
}

void frmColorPicker::mnuAutoPaste_Click()
{
    mnuAutoPaste->toggle();
}

void frmColorPicker::mnuClearHistory_Click()
{
    ClearColorHistory();
}

// --- screen tools ----------------------------------------------------------------

void frmColorPicker::setSamplingCursor(bool held)
{
    // The pointer shows the tool wherever it goes, over other programs too,
    // so it is the application's pointer rather than one widget's.
    if (held && !m_cursorSet) {
        QGuiApplication::setOverrideCursor(QCursor(samplingCursor()));
        m_cursorSet = true;
    } else if (!held && m_cursorSet) {
        QGuiApplication::restoreOverrideCursor();
        m_cursorSet = false;
    }
}

void frmColorPicker::imgEyedropper_MouseDown(int, int, double, double)
{
    if (m_portal) {
        pickThroughPortal();
        return;
    }
    setSamplingCursor(true);
    imgEyedropper->clear();
    picBigBox_Colorize();
    tmrScreenColor->start();
    ModHook::InstallKeyboardGuard(this);
}

void frmColorPicker::tmrScreenColor_Timer()
{
    m_eyedropperPoint = m_screen->cursorPosition();
    txtCoords->setText(ScreenSampling::coordinatesText(m_eyedropperPoint));
    takeScreenColour(m_screen->pixel(m_eyedropperPoint));
}

// A colour from the screen becomes the new colour, in hue mode.
void frmColorPicker::takeScreenColour(QRgb pixel)
{
    picPreView->image().setPixel(0, 0, pixel);
    picPreView->refresh();
    const quint32 c = ColorModel::rgbValue(qRed(pixel), qGreen(pixel), qBlue(pixel));
    setNewColor(c);
    m_state->SplitlblNewColorToRGBboxes();
    m_state->RGBToHSL(c, true);
    blnNoHistory = true;
    PaintThinBoxForMode(0);
    picThinBox->refresh();
    PlaceThinBoxMarker();
    blnNoHistory = false;
    // Selecting the hue mode runs its mode switch only when another mode
    // was selected.
    objOption[0]->setChecked(true);
}

void frmColorPicker::imgEyedropper_MouseUp(int, int, double, double)
{
    // Through the portal the desktop's answer ends the pick, not the button.
    if (m_portal && m_portal->isPending())
        return;
    setSamplingCursor(false);
    imgEyedropper->setPixmap(imgMouse2->pixmap());
    tmrScreenColor->stop();
    AddToColorHistory();
    cboPercent->setEnabled(true);
    blnMarkerPlaced = false;
    picBigBox_Colorize();
    ModHook::RemoveKeyboardGuard();
}

void frmColorPicker::imgMagnifier_MouseDown(int, int, double, double)
{
    Timer1->start();
    cboPercent->setEnabled(false);
    setSamplingCursor(true);
    imgMagnifier->clear();
    ModHook::InstallKeyboardGuard(this);
}

void frmColorPicker::Timer1_Timer()
{
    const QPoint pointer = m_screen->cursorPosition();
    txtCoords->setText(ScreenSampling::coordinatesText(pointer));
    if (cboPercent->currentIndex() < 0)
        cboPercent->setCurrentIndex(1);
    const int zoom = cboPercent->currentData().toInt();
    // The view is filled in device pixels, so at 100% one screen pixel is one
    // pixel of the view on a scaled screen too.
    const qreal ratio = picZoom->devicePixelRatioF();
    const QSize view = picZoom->innerRect().size() * ratio;
    const QRect source = ScreenSampling::magnifierSource(pointer, m_screen->screenGeometry(pointer), view, zoom);
    QImage enlarged = ScreenSampling::magnify(m_screen->grab(source), view, zoom);
    enlarged.setDevicePixelRatio(ratio);
    picZoom->image() = enlarged;
    picZoom->refresh();
}

void frmColorPicker::imgMagnifier_MouseUp(int, int, double, double)
{
    Timer1->stop();
    cboPercent->setEnabled(true);
    // A capture that cannot be written only costs the picture at the next
    // opening; the release goes on regardless.
    picZoom->image().save(Platform::dataFile(captureFileName), "BMP");
    setSamplingCursor(false);
    imgMagnifier->setPixmap(imgMouse3->pixmap());
    ModHook::RemoveKeyboardGuard();
}

// --- settings and history --------------------------------------------------------

void frmColorPicker::applySettingsDefaults()
{
    setInnerWidth(defaultsWidth);
    cboPercent->setCurrentIndex(PickerSettings::DefaultsZoomIndex);
    mnuAutoCopy->setChecked(true);
    mnuAutoPaste->setChecked(true);
    bytHistoryPointer = 0;
}

void frmColorPicker::LoadSettings()
{
    const QString path = Platform::dataFile(settingsFileName);
    if (!Module1::FileExists(path))
        return;
    bool defaults = false;
    QFile file(path);
    if (file.open(QIODevice::ReadOnly)) {
        const PickerSettings::Loaded loaded = PickerSettings::parse(file.readAll());
        file.close();
        if (loaded.oldColour)
            lblOldColor->setColor(quint32(*loaded.oldColour));
        if (loaded.widthTwips) {
            // Files of this program never hold less than the narrow width,
            // and nothing lies right of the widest one.
            const int outer = qRound(*loaded.widthTwips / 15);
            setInnerWidth(std::clamp(outer - frameWidthPixels, narrowWidth, defaultsWidth));
        }
        if (loaded.zoomIndex)
            cboPercent->setCurrentIndex(*loaded.zoomIndex);
        if (loaded.autoCopy)
            mnuAutoCopy->setChecked(*loaded.autoCopy);
        if (loaded.autoPaste)
            mnuAutoPaste->setChecked(*loaded.autoPaste);
        if (loaded.historyPointer)
            bytHistoryPointer = *loaded.historyPointer;
        for (int k = 0; k < PickerSettings::HistorySlots; ++k) {
            if (!loaded.history[k])
                continue;
            lblHistoryColor[k]->setColor(quint32(loaded.history[k]->colour));
            lblHistoryColor[k]->setTag(loaded.history[k]->tag);
        }
        defaults = loaded.usedDefaults;
    } else {
        defaults = true;
    }
    if (defaults)
        applySettingsDefaults();

    const QString capture = Platform::dataFile(captureFileName);
    if (Module1::FileExists(capture)) {
        QImage picture;
        if (picture.load(capture)) {
            // A capture taken on a scaled screen holds the view's device pixels.
            const QSize inner = picZoom->innerRect().size();
            const qreal ratio = picZoom->devicePixelRatioF();
            if (ratio != 1 && picture.size() == inner * ratio)
                picture.setDevicePixelRatio(ratio);
            QImage view(inner * picture.devicePixelRatio(), QImage::Format_RGB32);
            view.setDevicePixelRatio(picture.devicePixelRatio());
            view.fill(palette().color(QPalette::Window));
            QPainter painter(&view);
            painter.drawImage(0, 0, picture);
            painter.end();
            picZoom->image() = view;
            picZoom->refresh();
        }
        // A capture that cannot be read only leaves the view empty; the
        // settings the file gave stay.
    }
}

void frmColorPicker::Form_Unload()
{
    PickerSettings::Settings settings;
    settings.newColour = qint32(newColor());
    settings.widthTwips = widthTwips();
    settings.zoomIndex = cboPercent->currentIndex();
    settings.autoCopy = mnuAutoCopy->isChecked();
    settings.autoPaste = mnuAutoPaste->isChecked();
    settings.historyPointer = quint8(bytHistoryPointer);
    for (int k = 0; k < PickerSettings::HistorySlots; ++k)
        settings.history[k] = { qint32(lblHistoryColor[k]->color()), lblHistoryColor[k]->tag() };

    const QString path = Platform::dataFile(settingsFileName);
    // A read-only mark on the old file must not keep the new one out.
    if (QFile::exists(path))
        QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::WriteOwner);
    QString reason;
    if (PickerSettings::save(path, settings, &reason))
        return;
    // The window closes all the same; only this opening's settings are lost.
    m_services.messages->showMessage(
            this,
            QStringLiteral("The colour picker's settings could not be saved to %1: %2")
                    .arg(QDir::toNativeSeparators(path), reason),
            QStringLiteral("Warning"), QMessageBox::Ok, QMessageBox::Warning);
    emit settingsNotSaved(reason);
}

void frmColorPicker::closeEvent(QCloseEvent *event)
{
    // A drag cannot outlive its window.
    if (tmrScreenColor->isActive() || Timer1->isActive()) {
        tmrScreenColor->stop();
        Timer1->stop();
        setSamplingCursor(false);
        ModHook::RemoveKeyboardGuard();
    }
    cancelPortalPick();
    Form_Unload();
    event->accept();
}
