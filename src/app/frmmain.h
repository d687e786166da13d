#pragma once

#include "rompalette.h"
#include "services.h"

#include <QMainWindow>
#include <QPointer>

#include <array>
#include <memory>

class ColorSwatch;
class QAction;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class frmColorPicker;
class frmDatabase;
class frmInfo;
class frmUPDATE;
class frmRomPalettes;
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

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    // Palette editing shares the load, the write and the unwritten-edits question.
    friend class PaletteEditing;
    void buildControls();
    void buildMenus();
    void LoadMenuBitmaps();
    void loadPalette();
    void writePalette();
    // The first box (from 0) not holding four hexadecimal digits, or -1.
    int firstIncompleteBox() const;
    // The "Error" naming the first box that is not four hexadecimal digits.
    bool paletteCompleteOrComplain();
    RomPalette::WordTexts boxTexts() const;
    // True when the boxes hold nothing unwritten, or the user lets it go.
    bool mayDiscardEdits();
    void updateWriteButton();
    std::optional<quint32> offsetOrComplain();
    void warn(const QString &text);
    void stepPalette(qint64 step);
    WriteJournal::Journal &journal();
    bool writeRom(quint32 offset, const QByteArray &bytes);

    Platform::Services m_services;
    QString m_romPath;
    // What the boxes held after the last load, write or clearing.
    RomPalette::WordTexts m_unedited;
    QPointer<frmInfo> m_info;
    QPointer<frmColorPicker> m_colorPicker;
    QPointer<frmUPDATE> m_update;
    QNetworkAccessManager *m_network = nullptr;
    QPointer<frmDatabase> m_database;
    QPointer<frmRomPalettes> m_romPalettes;
    std::unique_ptr<WriteJournal::Journal> m_journal;
    QPointer<frmWriteHistory> m_history;
    PaletteEditing *m_editing = nullptr;
};
