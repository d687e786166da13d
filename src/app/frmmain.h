#pragma once

#include "rompalette.h"
#include "services.h"

#include <QMainWindow>
#include <QPointer>

#include <array>
#include <memory>
#include <optional>

class ColorSwatch;
class QAction;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class frmColorPicker;
class frmDatabase;
class frmFindColours;
class frmGraphics;
class frmInfo;
class frmUPDATE;
class frmRomPalettes;
namespace RomFs {
struct FoundGraphics;
struct FoundPalette;
}
class frmWriteHistory;
class PaletteEditing;
class QNetworkAccessManager;
namespace WriteJournal {
class Journal;
}

// The start-up window: chooses the ROM image, loads a palette at a typed
// offset into sixteen word-text boxes with swatches, writes it back, and
// opens the tool windows.
class frmMain : public QMainWindow
{
    Q_OBJECT
public:
    explicit frmMain(const Platform::Services &services, QWidget *parent = nullptr);
    ~frmMain() override;

    // Makes path the ROM image, as if it had been chosen in the dialog.
    void chooseRom(const QString &path);
    // The ROM image named on the command line: chosen when it can be opened
    // for reading, else a "Warning" says why and false comes back.
    bool chooseRomFromCommandLine(const QString &argument);
    QString romPath() const { return m_romPath; }
    // Puts offsetText in the offset box and loads the palette there, as
    // Find does; only the offset box changes while no ROM image is open.
    void loadPaletteAt(const QString &offsetText);
    // The offset the boxes were loaded from or last written to; nothing
    // before a load or after another ROM image is chosen.
    std::optional<quint32> loadedOffset() const { return m_loadedOffset; }

    // The controls, named as the user-facing behaviour names them.
    QLabel *Label4 = nullptr;
    QLabel *Label1 = nullptr;
    QLineEdit *txtOffset = nullptr;
    QPushButton *Command2 = nullptr;
    QGroupBox *Frame3 = nullptr;
    std::array<QLineEdit *, 16> txtChgPal{};
    std::array<ColorSwatch *, 16> picChgPreview{};
    QPushButton *Command1 = nullptr;

    QAction *Apri = nullptr;
    QAction *update = nullptr;
    QAction *Chiudi = nullptr;
    QAction *mnuFind = nullptr;
    QAction *mnuSostituisci = nullptr;
    QAction *SelectCol = nullptr;
    QAction *mnuData = nullptr;
    QAction *mnuRomPalettes = nullptr;
    QAction *mnuNextPalette = nullptr;
    QAction *mnuPreviousPalette = nullptr;
    QAction *Info = nullptr;
    QAction *mnuImportPalette = nullptr;
    QAction *mnuExportPalette = nullptr;
    QAction *mnuWriteHistory = nullptr;
    // Edit > Find Colours (frmmain_find.cpp), and its window while it is open.
    QAction *mnuFindColours = nullptr;
    frmFindColours *findColoursWindow() const;

    // The About box, while it is open.
    frmInfo *infoWindow() const;
    // The colour picker, while it is open.
    frmColorPicker *colorPickerWindow() const;
    // The Live Update window, while it is open.
    frmUPDATE *updateWindow() const;
    // The bookmark window, while it is open.
    frmDatabase *databaseWindow() const;
    // The Palettes in ROM window, while it is open.
    frmRomPalettes *romPalettesWindow() const;
    // The Write History window, while it is open.
    frmWriteHistory *writeHistoryWindow() const;
    // Selection, drags, Copy and Paste Palette, Undo and Auto Paste.
    PaletteEditing *editing() const { return m_editing; }

    // What the Graphics window needs (frmmain_graphics.cpp): the boxes as
    // they stand, the offset they were loaded from, a box to focus, and
    // marks under the swatches of colours the graphics shown do not use.
    QAction *mnuGraphics = nullptr;
    frmGraphics *graphicsWindow() const;
    RomPalette::WordTexts boxTexts() const;
    void focusBox(int index);
    // Bit n set: box n's colour is marked as unused.
    void markUnusedColours(quint16 unused);
    // Shows a graphics file of the ROM image in the Graphics window in its
    // own format and width, after loading the palette beside it, if any.
    void showRomGraphicsFile(const RomFs::FoundGraphics &found, const RomFs::FoundPalette *beside);

signals:
    // Any box's text changed.
    void paletteTextsChanged();

public slots:
    void Apri_Click();
    void Chiudi_Click();
    void update_Click();
    void Info_Click();
    void SelectCol_Click();
    void mnuData_Click();
    void mnuRomPalettes_Click();
    void mnuNextPalette_Click();
    void mnuPreviousPalette_Click();
    void Command2_Click();
    void mnuFind_Click();
    void Command1_Click();
    void mnuSostituisci_Click();
    void txtChgPal_Change(int Index);
    void mnuExportPalette_Click();
    void mnuImportPalette_Click();
    void mnuWriteHistory_Click();
    void mnuGraphics_Click();
    void mnuFindColours_Click();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void showRomInGraphics();
    // Palette editing shares the load, the write and the unwritten-edits question.
    friend class PaletteEditing;
    void buildControls();
    void buildMenus();
    void LoadMenuBitmaps();
    // Loads the palette at offsetText; the window changes only when it is read.
    void loadPalette(const QString &offsetText);
    void writePalette();
    // Asks before a copy to another offset than the loaded one, or over a
    // palette another program changed since it was loaded.
    bool mayWriteAt(quint32 offset);
    void closeToolWindows();
    // The first box (from 0) not holding four hexadecimal digits, or -1.
    int firstIncompleteBox() const;
    // The "Error" naming the first box that is not four hexadecimal digits.
    bool paletteCompleteOrComplain();
    // True when the boxes hold nothing unwritten, or the user lets it go.
    bool mayDiscardEdits();
    void updateWriteButton();
    std::optional<quint32> offsetOrComplain(const QString &text);
    void warn(const QString &text);
    void stepPalette(qint64 step);
    WriteJournal::Journal &journal();
    bool writeRom(quint32 offset, const QByteArray &bytes);

    Platform::Services m_services;
    QString m_romPath;
    // What the boxes held after the last load, write or clearing.
    RomPalette::WordTexts m_unedited;
    // Where the boxes came from, and the bytes there when read or written.
    std::optional<quint32> m_loadedOffset;
    QByteArray m_loadedBytes;
    bool m_lastWasWrite = false;
    QPointer<frmInfo> m_info;
    QPointer<frmColorPicker> m_colorPicker;
    QPointer<frmUPDATE> m_update;
    QNetworkAccessManager *m_network = nullptr;
    QPointer<frmDatabase> m_database;
    QPointer<frmRomPalettes> m_romPalettes;
    std::unique_ptr<WriteJournal::Journal> m_journal;
    QPointer<frmWriteHistory> m_history;
    QPointer<frmGraphics> m_graphics;
    QPointer<frmFindColours> m_findColours;
    std::array<QWidget *, 16> m_unusedMarks{};
    PaletteEditing *m_editing = nullptr;
};
