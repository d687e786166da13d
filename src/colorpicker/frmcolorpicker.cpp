// The picker window: its construction, controls and menus, opening and
// closing, and the window's own buttons.
#include "frmcolorpicker_p.h"

#include "fieldpainter.h"
#include "modhook.h"
#include "pickerwidgets.h"
#include "screensampling.h"
#include "screensource.h"
#include "windowresources.h"

#include <QAction>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTimer>
#include <QWindow>

namespace {

constexpr quint32 defaultOldColour = 0xC0C0C0;

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
    m_caption = QStringLiteral("Color Picker");
    setWindowTitle(m_caption);
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
    mnuAutoPaste = mnuOptions->addAction(QStringLiteral("Auto Paste"));
    mnuAutoPaste->setCheckable(true);
    mnuAutoPaste->setChecked(true);
    // The settings file's check mark at opening ends no link: none was made.
    connect(mnuAutoPaste, &QAction::toggled, this, [this](bool checked) {
        if (!checked && m_userChoices)
            endAutoPaste();
        else
            showAutoPasteTarget();
    });
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
    // held before opening stays there, and Auto Paste sends nothing.
    m_userChoices = true;
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
    if (mnuAutoPaste->isChecked())
        endAutoPaste();
    Form_Unload();
    event->accept();
}
