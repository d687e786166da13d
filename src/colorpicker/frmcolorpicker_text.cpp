// The picker's number, hex and colour word boxes, and the swatches that
// give a colour back: new, old, complementary and history.
#include "frmcolorpicker.h"

#include "frmcolorpicker_p.h"
#include "module1.h"
#include "pickerwidgets.h"

#include <QClipboard>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QRadioButton>
#include <QRegularExpression>

#include <algorithm>

using ColorModel::roundEven;
using PickerWindow::blankTag;

namespace {

int roundHalfUp(double x)
{
    return int(Module1::RoundHalfUp(x, 0));
}

} // namespace

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
    const UserChoice choice(*this);
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
    if (m_userChoices && mnuAutoCopy->isChecked() && sixDigits.match(txtHexColor->text()).hasMatch())
        putOnClipboard(txtGBAColor->text());
}

void frmColorPicker::txtHexColor_LostFocus()
{
    const UserChoice choice(*this);
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

// --- swatches ----------------------------------------------------------------

void frmColorPicker::picNewColor_Click()
{
    const UserChoice choice(*this);
    blnMarkerPlaced = false;
    m_state->SplitlblNewColorToRGBboxes();
    m_state->RGBToHSL(newColor(), true);
    repaintSliderForMode();
    PlaceThinBoxMarker();
    picBigBox_Colorize();
}

void frmColorPicker::lblOldColor_Click()
{
    const UserChoice choice(*this);
    setNewColor(lblOldColor->color());
    picNewColor_Click();
    AddToColorHistory();
}

void frmColorPicker::lblComplementaryColor_Click(int)
{
    const UserChoice choice(*this);
    Text1[0]->setText(QString::number(ColorModel::complementaryDegrees(boxNumber(0))));
    Text1_LostFocus(0);
}

void frmColorPicker::lblHistoryColor_Click(int Index)
{
    if (lblHistoryColor[Index]->tag() == blankTag)
        return;
    const UserChoice choice(*this);
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
