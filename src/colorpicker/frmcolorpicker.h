#pragma once

#include "colormodel.h"
#include "services.h"

#include <QMainWindow>

#include <array>
#include <memory>

class ClickLabel;
class ColourBox;
class PickerCanvas;
class PictureBox;
class PortalColorPicker;
class QAction;
class QComboBox;
class ScreenSource;
class ToolIcon;
class QButtonGroup;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QRadioButton;
class QTimer;

// The colour picker: a colour field and slider in six modes, number, hex and
// colour word boxes, the new and old colour, a colour history, and two
// screen tools (an eyedropper and a magnifier) that read the screen through
// the ScreenSource they are handed. Every change of the colour can go to the
// clipboard as its word text and, with Auto Paste, to whoever listens.
// Settings and history live in Colorpicker.dat, read at opening and written
// at closing.
class frmColorPicker : public QMainWindow
{
    Q_OBJECT
public:
    // Without a screen the picker reads the real screens.
    explicit frmColorPicker(const Platform::Services &services, QWidget *parent = nullptr,
                            ScreenSource *screen = nullptr);
    ~frmColorPicker() override;

    // Widths of the inner area: as designed, after "<" and after ">".
    static constexpr int designedWidth = 623;
    static constexpr int narrowWidth = 457;
    static constexpr int wideWidth = 621;
    static constexpr int innerHeight = 345;
    // The screen sampling tools go right of this, in the part "<" hides.
    static constexpr int samplingToolsLeft = 464;
    // After a settings file that could not be read.
    static constexpr int defaultsWidth = 638;
    // The window frame that outer widths in twips include.
    static constexpr int frameWidthPixels = 8;
    static constexpr int samplingInterval = 10;

    // Controls.
    QLabel *Label4 = nullptr;
    PictureBox *picBigBox = nullptr;
    PictureBox *picThinBox = nullptr;
    QLabel *lblContainer = nullptr;
    ColourBox *picNewColor = nullptr;
    ColourBox *lblOldColor = nullptr;
    ClickLabel *lblComplementaryColor = nullptr;
    std::array<QRadioButton *, 6> objOption{};
    std::array<QLineEdit *, 6> Text1{};
    std::array<QLabel *, 3> lblSuffix{};
    QLabel *Label1 = nullptr;
    QLineEdit *txtHexColor = nullptr;
    QLabel *Label2 = nullptr;
    QLineEdit *txtGBAColor = nullptr;
    QGroupBox *Frame1 = nullptr;
    std::array<ColourBox *, 6> lblHistoryColor{};
    QPushButton *cmdLess = nullptr;
    QPushButton *cmdMore = nullptr;
    QTimer *tmrThinBox = nullptr;
    PickerCanvas *canvas = nullptr;

    // Screen tools.
    ToolIcon *imgEyedropper = nullptr;
    ToolIcon *imgMagnifier = nullptr;
    QLabel *imgMouse1 = nullptr;
    QLabel *imgMouse2 = nullptr;
    QLabel *imgMouse3 = nullptr;
    QTimer *tmrScreenColor = nullptr;
    QTimer *Timer1 = nullptr;
    QLineEdit *txtCoords = nullptr;
    PictureBox *picPreView = nullptr;
    PictureBox *picZoom = nullptr;
    QComboBox *cboPercent = nullptr;

    QMenu *mnufile = nullptr;
    QAction *mnuExit = nullptr;
    QMenu *mnuOptions = nullptr;
    QAction *mnuAutoCopy = nullptr;
    QAction *mnuAutoPaste = nullptr;
    QAction *mnuClearHistory = nullptr;

    // The colour state and the field's marker, for those who watch it.
    const ColorModel::ColorState &colorState() const { return *m_state; }
    int markerX() const { return intMarkerX; }
    int markerY() const { return intMarkerY; }
    bool markerPlaced() const { return blnMarkerPlaced; }
    int historyPointer() const { return bytHistoryPointer; }
    int sliderMarkerRow() const { return m_sliderMarkerY + 33; }
    int currentMode() const;
    QPoint eyedropperPoint() const { return m_eyedropperPoint; }
    // The window's width in twips, its frame included, as the settings keep it.
    int widthTwips() const;

    // Shows word as the new colour, as if typed in the word box, without
    // sending it to Auto Paste or the clipboard: the colour is not the user's
    // choice but the one the picker opens on.
    void showColorWord(quint16 word);
    // Names the palette box Auto Paste feeds in the caption, "Color Picker →
    // colour 5", while Auto Paste is checked; -1 names none.
    void setAutoPasteTarget(int index);

public slots:
    // Pointer and keys on the field and the slider; X and Y in field units
    // (the field) or inner pixels (the slider).
    void picBigBox_MouseDown(int Button, int Shift, double X, double Y);
    void picBigBox_MouseMove(int Button, int Shift, double X, double Y);
    void picBigBox_MouseUp(int Button, int Shift, double X, double Y);
    void picThinBox_MouseDown(int Button, int Shift, double X, double Y);
    void picThinBox_MouseMove(int Button, int Shift, double X, double Y);
    void picThinBox_MouseUp(int Button, int Shift, double X, double Y);
    void picThinBox_KeyDown(int KeyCode, int Shift);
    void picThinBox_KeyUp(int KeyCode, int Shift);
    void tmrThinBox_Timer();
    void objOption_Click(int Index);

    // Text entry and swatches.
    void Text1_KeyPress(int Index, int &KeyAscii);
    void Text1_LostFocus(int Index);
    void txtHexColor_KeyPress(int &KeyAscii);
    void txtHexColor_Change();
    void txtHexColor_LostFocus();
    void txtGBAColor_KeyPress(int &KeyAscii);
    void txtGBAColor_LostFocus();
    void picNewColor_Click();
    void lblOldColor_Click();
    void lblComplementaryColor_Click(int Index);
    void lblHistoryColor_Click(int Index);
    void AddToColorHistory();
    void ClearColorHistory();

    // The window.
    void Form_MouseDown(int Button, int Shift, QPoint pos);
    void cmdMore_Click();
    void cmdLess_Click();
    void mnuExit_Click();
    void mnuAutoCopy_Click();
    void mnuAutoPaste_Click();
    void mnuClearHistory_Click();

    // Screen tools.
    void imgEyedropper_MouseDown(int Button, int Shift, double X, double Y);
    void imgEyedropper_MouseUp(int Button, int Shift, double X, double Y);
    void imgMagnifier_MouseDown(int Button, int Shift, double X, double Y);
    void imgMagnifier_MouseUp(int Button, int Shift, double X, double Y);
    void tmrScreenColor_Timer();
    void Timer1_Timer();

    // Settings and history.
    void LoadSettings();
    void Form_Unload();

    // Painting and markers.
    void picBigBox_Colorize();
    void PaintThinBoxForMode(int mode);
    void MoveMarker(double x, double Y);
    void MoveThinBoxMarker(double &Y);
    void PlaceThinBoxMarker();
    void NudgeHueValue(int intDirektion);
    void BigBoxOpt3Reaction(double x, double Y);
    void BigBoxOpt4Reaction(double x, double Y);
    void BigBoxOpt5Reaction(double x, double Y);

signals:
    // A press on the window's background asked the window system to move it.
    void moveByBackgroundStarted(bool accepted);

    // Colorpicker.dat could not be written at closing; the window closed anyway.
    void settingsNotSaved(const QString &reason);

    // The user chose a colour while Auto Paste is checked: its colour word
    // (15 bits, bit 15 clear). Once per change, however many handlers it passes.
    void autoPasteColor(quint16 word);
    // A pointer was pressed (true) or released (false) on the field, the
    // slider or the eyedropper: the colours chosen in between form one change.
    void autoPasteBurst(bool started);
    // Auto Paste was unchecked, or the picker is closing: the link to the box ends.
    void autoPasteEnded();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    class BoxDisplay;
    class UserChoice;

    void buildControls();
    void buildMenus();
    void buildScreenTools();
    void setSamplingCursor(bool held);
    void applySettingsDefaults();
    void Form_Load();
    void setInnerWidth(int width);
    void centreHorizontally();
    void fieldReaction(int mode, double x, double Y);
    void repaintChannelSlider(int mode, int a, int b);
    // A box's number; a box that holds none answers the current colour's value.
    int boxNumber(int index) const;
    QString currentBoxText(int index) const;
    quint32 boxesColour() const;
    quint32 newColor() const;
    void setNewColor(quint32 colour);
    bool handleKeyPress(QObject *watched, QKeyEvent *event);
    // Takes a box's text as leaving it does, when the user changed it.
    void applyBox(QLineEdit *box);
    void repaintSliderForMode();
    void putOnClipboard(const QString &text);
    void takeScreenColour(QRgb pixel);
    // Where the screen cannot be read the eyedropper asks the desktop's
    // colour picker through its portal, and the magnifier is off.
    void usePortalEyedropper();
    void pickThroughPortal();
    void cancelPortalPick();
    // Auto Paste: the word of the current colour; a user's change that ends
    // on another word than it began with goes out.
    quint16 currentWord() const;
    void endChoice();
    void beginAutoPasteBurst();
    void endAutoPasteBurst();
    void endAutoPaste();
    void showAutoPasteTarget();

    Platform::Services m_services;
    std::unique_ptr<ScreenSource> m_ownScreen;
    ScreenSource *m_screen = nullptr;
    PortalColorPicker *m_portal = nullptr;
    QPoint m_eyedropperPoint;
    bool m_cursorSet = false;
    std::unique_ptr<BoxDisplay> m_display;
    std::unique_ptr<ColorModel::ColorState> m_state;
    QButtonGroup *m_options = nullptr;

    int intMarkerX = 0;
    int intMarkerY = 0;
    bool blnMarkerFollow = false;
    bool blnMarkerPlaced = false;
    bool blnMouseDown = false;
    int bytHistoryPointer = 0;
    bool blnNoHistory = false;
    int m_sliderMarkerY = 222;
    bool m_shown = false;
    // Changes of the colour are the user's: not the opening's, nor showColorWord's.
    bool m_userChoices = false;
    int m_choiceDepth = 0;
    quint16 m_choiceStartWord = 0;
    bool m_autoPasteBurst = false;
    int m_autoPasteTarget = -1;
    QString m_caption;
};
