#include "frmmain.h"

#include "colorswatch.h"
#include "frmcolorpicker.h"
#include "frmdatabase.h"
#include "frminfo.h"
#include "frmrompalettes.h"
#include "frmupdate.h"
#include "frmwritehistory.h"
#include "module1.h"
#include "paletteediting.h"
#include "palettefile.h"
#include "rompalette.h"
#include "twips.h"
#include "windowresources.h"
#include "writejournal.h"

#include <QAction>
#include <QCloseEvent>
#include <QFileInfo>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QNetworkAccessManager>
#include <QPainter>
#include <QPushButton>

#include <algorithm>

using Platform::twipsRect;

namespace {

const QString windowCaption = QStringLiteral("Cindral Palette Editor");
const QString programIcon = QStringLiteral("cindral-256.png");

// The client area with the banner painted at its top left.
class BannerArea : public QWidget
{
public:
    explicit BannerArea(QWidget *parent) : QWidget(parent)
    {
        m_banner.load(QStringLiteral(":/images/banner.png"));
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.drawPixmap(0, 0, m_banner);
    }

private:
    QPixmap m_banner;
};

// Tool windows have one shared instance each, created on first use, shown
// without an owner; showing an open one only brings it forward.
template<typename Window, typename Create>
void showShared(QPointer<Window> &instance, Create create)
{
    if (!instance) {
        instance = create();
        Module1::SetWindowIcons(instance, programIcon, false);
    }
    instance->show();
    instance->raise();
    instance->activateWindow();
}

QFrame *horizontalLine(QWidget *parent, int topTwips)
{
    auto *line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    line->setGeometry(twipsRect(0, topTwips, 6360, 30));
    return line;
}

} // namespace

frmMain::frmMain(const Platform::Services &services, QWidget *parent)
    : QMainWindow(parent), m_services(services)
{
    setWindowTitle(windowCaption);
    // The layout is designed for an 8-point sans serif.
    QFont designFont = font();
    designFont.setPointSizeF(8.25);
    setFont(designFont);
    Module1::SetWindowIcons(this, programIcon, false);
    buildControls();
    buildMenus();
    LoadMenuBitmaps();
    m_editing = new PaletteEditing(this, m_services);
    // The controls sit at fixed places; a larger window only grows empty.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

frmMain::~frmMain()
{
    // The update window borrows this window's network access, the history
    // window its journal; the palette list calls back into this window.
    delete m_update;
    delete m_history;
    delete m_romPalettes;
}

frmInfo *frmMain::infoWindow() const
{
    return m_info;
}

frmUPDATE *frmMain::updateWindow() const
{
    return m_update;
}

frmDatabase *frmMain::databaseWindow() const
{
    return m_database;
}

frmWriteHistory *frmMain::writeHistoryWindow() const
{
    return m_history;
}

void frmMain::buildControls()
{
    auto *client = new BannerArea(this);
    client->setFixedSize(Platform::twipsSize(6300, 6210));
    setCentralWidget(client);

    horizontalLine(client, 0);
    horizontalLine(client, 2350);

    Label4 = new QLabel(client);
    QFont bold = Label4->font();
    bold.setBold(true);
    Label4->setFont(bold);
    Label4->setTextFormat(Qt::PlainText); // file names are not markup
    Label4->setGeometry(twipsRect(840, 2520, 5415, 255));

    Label1 = new QLabel(QStringLiteral("Offset Palette"), client);
    Label1->setGeometry(twipsRect(1800, 3120, 1095, 255));
    // Labels may grow to the right when the system font is wider than the
    // design's; nothing stands beside them.
    Label1->resize(std::max(Label1->width(), Label1->sizeHint().width()), Label1->height());

    txtOffset = new QLineEdit(client);
    txtOffset->setGeometry(twipsRect(1800, 3480, 1455, 285));
    txtOffset->setEnabled(false);
    txtOffset->setToolTip(QStringLiteral("Offset of the palette in the ROM image, in hexadecimal"));
    Label1->setBuddy(txtOffset);

    Command2 = new QPushButton(QStringLiteral("Find"), client);
    Command2->setGeometry(twipsRect(3480, 3480, 855, 255));
    Command2->setEnabled(false);
    connect(Command2, &QPushButton::clicked, this, &frmMain::Command2_Click);
    // Enter in the offset box reads the palette, as pressing "Find" does.
    connect(txtOffset, &QLineEdit::returnPressed, Command2, &QPushButton::click);

    Frame3 = new QGroupBox(QStringLiteral("Palette"), client);
    Frame3->setGeometry(twipsRect(120, 3960, 6045, 2175));
    for (int i = 0; i < 16; ++i) {
        const int column = i % 8;
        const int rowTop = i < 8 ? 420 : 1080;
        const int left = 240 + 720 * column;
        auto *box = new QLineEdit(Frame3);
        box->setMaxLength(4);
        box->setGeometry(twipsRect(left, rowTop, 600, 300));
        box->setAlignment(Qt::AlignCenter);
        txtChgPal[i] = box;
        connect(box, &QLineEdit::textChanged, this, [this, i] { txtChgPal_Change(i); });

        auto *swatch = new ColorSwatch(Frame3);
        swatch->setGeometry(twipsRect(left, rowTop + 360, i == 0 ? 585 : 600, 145));
        picChgPreview[i] = swatch;
    }

    Command1 = new QPushButton(QStringLiteral("OK"), client);
    Command1->setGeometry(twipsRect(2760, 5700, 735, 255));
    Command1->setEnabled(false);
    Command1->raise();
    connect(Command1, &QPushButton::clicked, this, &frmMain::Command1_Click);

    // Offset, Find, the sixteen boxes in reading order, then OK.
    QWidget *previous = txtOffset;
    setTabOrder(previous, Command2);
    previous = Command2;
    for (QLineEdit *box : txtChgPal) {
        setTabOrder(previous, box);
        previous = box;
    }
    setTabOrder(previous, Command1);
}

void frmMain::buildMenus()
{
    auto addItem = [this](QMenu *menu, const QString &caption, const QKeySequence &shortcut,
                          void (frmMain::*handler)()) {
        QAction *action = menu->addAction(caption);
        action->setShortcut(shortcut);
        if (handler)
            connect(action, &QAction::triggered, this, handler);
        return action;
    };

    QMenu *file = menuBar()->addMenu(QStringLiteral("&File"));
    Apri = addItem(file, QStringLiteral("&Open ROM"), QKeySequence(Qt::CTRL | Qt::Key_O),
                   &frmMain::Apri_Click);
    update = addItem(file, QStringLiteral("&Live Update"), QKeySequence(Qt::CTRL | Qt::Key_L),
                     &frmMain::update_Click);
    file->addSeparator();
    mnuImportPalette = addItem(file, QStringLiteral("&Import Palette\u2026"), QKeySequence(),
                               &frmMain::mnuImportPalette_Click);
    mnuExportPalette = addItem(file, QStringLiteral("&Export Palette\u2026"), QKeySequence(),
                               &frmMain::mnuExportPalette_Click);
    file->addSeparator();
    Chiudi = addItem(file, QStringLiteral("E&xit"), QKeySequence(Qt::CTRL | Qt::Key_Q),
                     &frmMain::Chiudi_Click);

    QMenu *edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    mnuFind = addItem(edit, QStringLiteral("&Find"), QKeySequence(Qt::CTRL | Qt::Key_F),
                      &frmMain::mnuFind_Click);
    mnuSostituisci = addItem(edit, QStringLiteral("&Sostituisci"),
                             QKeySequence(Qt::CTRL | Qt::Key_S), &frmMain::mnuSostituisci_Click);
    mnuNextPalette = addItem(edit, QStringLiteral("&Next Palette"), QKeySequence(Qt::Key_PageDown),
                             &frmMain::mnuNextPalette_Click);
    mnuPreviousPalette = addItem(edit, QStringLiteral("&Previous Palette"),
                                 QKeySequence(Qt::Key_PageUp), &frmMain::mnuPreviousPalette_Click);
    mnuWriteHistory = addItem(edit, QStringLiteral("Write &History"),
                              QKeySequence(Qt::CTRL | Qt::Key_H), &frmMain::mnuWriteHistory_Click);
    mnuFind->setEnabled(false);
    mnuSostituisci->setEnabled(false);
    mnuNextPalette->setEnabled(false);
    mnuPreviousPalette->setEnabled(false);
    mnuWriteHistory->setEnabled(false);

    QMenu *tools = menuBar()->addMenu(QStringLiteral("&Tools"));
    SelectCol = addItem(tools, QStringLiteral("&Color Picker"), QKeySequence(Qt::CTRL | Qt::Key_P),
                        &frmMain::SelectCol_Click);
    mnuData = addItem(tools, QStringLiteral("&Database"), QKeySequence(), &frmMain::mnuData_Click);
    mnuRomPalettes = addItem(tools, QStringLiteral("Palettes in &ROM"),
                             QKeySequence(Qt::CTRL | Qt::Key_G), &frmMain::mnuRomPalettes_Click);

    QMenu *info = menuBar()->addMenu(QStringLiteral("&Info"));
    Info = addItem(info, QStringLiteral("&Info About..."), QKeySequence(Qt::CTRL | Qt::Key_I),
                   &frmMain::Info_Click);
}

void frmMain::LoadMenuBitmaps()
{
    // A missing picture only leaves its item without one.
    const std::pair<QAction *, const char *> bitmaps[] = {
        { Apri, ":/icons/open.png" },   { update, ":/icons/update.png" },
        { Chiudi, ":/icons/exit.png" }, { mnuFind, ":/icons/find.png" },
        { mnuSostituisci, ":/icons/write.png" },
        { SelectCol, ":/icons/colorpicker.png" },
        { Info, ":/icons/info.png" },
    };
    for (const auto &[action, path] : bitmaps)
        action->setIcon(QIcon(QString::fromLatin1(path)));
}

void frmMain::Apri_Click()
{
    // ROM dumps often end in .bin, hence the second filter.
    const QString chosen = m_services.files->getOpenFileName(
            this, QStringLiteral("Open ROM"),
            QStringLiteral("Nintendo DS (*.nds) (*.nds *.gba);;All files (*)"));
    // A cancelled dialog changes nothing.
    if (chosen.isEmpty() || !mayDiscardEdits())
        return;
    chooseRom(chosen);
}

bool frmMain::chooseRomFromCommandLine(const QString &argument)
{
    QFile file(argument);
    const QString reason = QFileInfo(argument).isDir() ? QStringLiteral("It is a folder, not a file")
            : file.open(QIODevice::ReadOnly)          ? QString()
                                                      : file.errorString();
    if (!reason.isEmpty()) {
        warn(QStringLiteral("Cannot open \"%1\": %2. No ROM image is open.").arg(argument, reason));
        return false;
    }
    chooseRom(QFileInfo(argument).absoluteFilePath());
    return true;
}

void frmMain::chooseRom(const QString &path)
{
    m_romPath = path;
    const QString fileTitle = QFileInfo(path).fileName();
    // "[*]" in a title is Qt's modified mark unless doubled.
    setWindowTitle(windowCaption + QStringLiteral(" - ")
                   + QString(fileTitle).replace(QLatin1String("[*]"), QLatin1String("[*][*]")));
    Label4->setText(QStringLiteral("Loaded ROM: ") + fileTitle);
    mnuFind->setEnabled(true);
    mnuSostituisci->setEnabled(true);
    mnuNextPalette->setEnabled(true);
    mnuPreviousPalette->setEnabled(true);
    mnuWriteHistory->setEnabled(true);
    if (m_history)
        m_history->showRom(m_romPath);
    txtOffset->setEnabled(true);
    Command2->setEnabled(true);
    for (QLineEdit *box : txtChgPal)
        box->setText(QString());
    m_unedited = boxTexts();
    m_editing->reset();
    updateWriteButton();
    if (m_romPalettes)
        m_romPalettes->setRom(path);
}

void frmMain::Chiudi_Click()
{
    close();
}

void frmMain::closeEvent(QCloseEvent *event)
{
    if (mayDiscardEdits())
        event->accept();
    else
        event->ignore();
}

bool frmMain::mayDiscardEdits()
{
    const RomPalette::WordTexts texts = boxTexts();
    bool edited = false;
    for (int i = 0; i < RomPalette::WordCount; ++i)
        edited = edited || texts[i].compare(m_unedited[i], Qt::CaseInsensitive) != 0;
    if (m_editing->isWide())
        edited = m_editing->hasUnwrittenRows();
    if (!edited)
        return true;
    const QString where = m_romPath.isEmpty()
            ? QString()
            : QStringLiteral(" to \"%1\"").arg(QFileInfo(m_romPath).fileName());
    // Enter keeps the edits: only a deliberate Yes throws them away.
    return m_services.messages->ask(
                   this,
                   QStringLiteral("The palette in the boxes has not been written%1. Discard it?")
                           .arg(where),
                   Platform::programTitle(), QMessageBox::Yes | QMessageBox::No,
                   QMessageBox::Question, QMessageBox::No)
            == QMessageBox::Yes;
}

void frmMain::update_Click()
{
    if (!m_network)
        m_network = new QNetworkAccessManager(this);
    showShared(m_update, [this] { return new frmUPDATE(m_services, m_network); });
}

void frmMain::Info_Click()
{
    showShared(m_info, [] { return new frmInfo; });
}

frmColorPicker *frmMain::colorPickerWindow() const
{
    return m_colorPicker;
}

void frmMain::SelectCol_Click()
{
    // Each opening builds the picker afresh, so it starts as it opens.
    showShared(m_colorPicker, [this] {
        auto *picker = new frmColorPicker(m_services);
        picker->setAttribute(Qt::WA_DeleteOnClose);
        return picker;
    });
    m_editing->pickerShown(m_colorPicker);
}

void frmMain::mnuData_Click()
{
    showShared(m_database, [this] {
        auto *database = new frmDatabase(m_services);
        connect(database, &frmDatabase::offsetChosen, this, &frmMain::loadPaletteAt);
        return database;
    });
}

frmRomPalettes *frmMain::romPalettesWindow() const
{
    return m_romPalettes;
}

void frmMain::mnuRomPalettes_Click()
{
    showShared(m_romPalettes, [this] {
        auto *window = new frmRomPalettes(
                m_services, [this](const QString &offset, int colours) {
                    m_editing->openFound(offset, colours);
                });
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->setRom(m_romPath);
        return window;
    });
}

void frmMain::mnuNextPalette_Click()
{
    stepPalette(m_editing->paletteBytes());
}

void frmMain::mnuPreviousPalette_Click()
{
    stepPalette(-m_editing->paletteBytes());
}

// One palette on or back, kept between 0 and the last offset allowed.
void frmMain::stepPalette(qint64 step)
{
    if (m_romPath.isEmpty())
        return;
    const auto offset = offsetOrComplain();
    if (!offset)
        return;
    const qint64 next = std::clamp<qint64>(qint64(*offset) + step, 0, RomPalette::MaxOffset);
    loadPaletteAt(QString::number(next, 16).toUpper());
}

void frmMain::loadPaletteAt(const QString &offsetText)
{
    txtOffset->setText(offsetText);
    loadPalette();
}

void frmMain::Command2_Click()
{
    loadPalette();
}

void frmMain::mnuFind_Click()
{
    loadPalette();
}

void frmMain::Command1_Click()
{
    writePalette();
}

void frmMain::mnuSostituisci_Click()
{
    writePalette();
}

void frmMain::txtChgPal_Change(int Index)
{
    const QString text = txtChgPal[Index]->text();
    // Only a text the write reads the same way gets a colour.
    if (RomPalette::isWordText(text)) {
        const uint value = Module1::GBAColorToRGBHex(text, true).toUInt(nullptr, 16);
        picChgPreview[Index]->setColor(QColor(value & 0xFF, (value >> 8) & 0xFF, value >> 16));
    } else {
        picChgPreview[Index]->setNoColor();
    }
    updateWriteButton();
}

bool frmMain::paletteCompleteOrComplain()
{
    const int box = firstIncompleteBox();
    if (box < 0)
        return true;
    const QString text = txtChgPal[box]->text();
    const QString which = text.isEmpty()
            ? QStringLiteral("Box %1 is empty.").arg(box + 1)
            : QStringLiteral("Box %1 holds \"%2\", not four hexadecimal digits.")
                      .arg(box + 1)
                      .arg(text);
    m_services.messages->showMessage(
            this, QStringLiteral("Every palette box must hold four characters. ") + which,
            QStringLiteral("Error"), QMessageBox::Ok, QMessageBox::Critical);
    return false;
}

int frmMain::firstIncompleteBox() const
{
    const auto box = std::find_if(txtChgPal.begin(), txtChgPal.end(), [](const QLineEdit *box) {
        return !RomPalette::isWordText(box->text());
    });
    return box == txtChgPal.end() ? -1 : int(box - txtChgPal.begin());
}

RomPalette::WordTexts frmMain::boxTexts() const
{
    RomPalette::WordTexts texts;
    for (int i = 0; i < RomPalette::WordCount; ++i)
        texts[i] = txtChgPal[i]->text();
    return texts;
}

void frmMain::updateWriteButton()
{
    const bool complete = m_editing && m_editing->isWide() ? m_editing->allRowsComplete()
                                                           : firstIncompleteBox() < 0;
    Command1->setEnabled(complete && !m_romPath.isEmpty());
}

std::optional<quint32> frmMain::offsetOrComplain()
{
    const auto offset = RomPalette::parseOffset(txtOffset->text());
    if (!offset) {
        m_services.messages->showMessage(
                this,
                QStringLiteral("The offset must be a hexadecimal number from 0 to %1.")
                        .arg(QString::number(RomPalette::MaxOffset, 16).toUpper()),
                QStringLiteral("Error"), QMessageBox::Ok, QMessageBox::Critical);
    }
    return offset;
}

void frmMain::warn(const QString &text)
{
    m_services.messages->showMessage(this, text, QStringLiteral("Warning"), QMessageBox::Ok,
                                     QMessageBox::Warning);
}

void frmMain::loadPalette()
{
    if (m_romPath.isEmpty())
        return;
    const auto offset = offsetOrComplain();
    if (!offset || !mayDiscardEdits())
        return;
    if (m_editing->isWide()) {
        m_editing->loadWide(*offset);
        return;
    }
    RomPalette::Bytes bytes{};
    int pastEnd = 0;
    const auto result = RomPalette::readPalette(m_romPath, *offset, bytes, &pastEnd);
    if (!result.ok) {
        warn(QStringLiteral("Cannot read the palette from \"%1\": %2.").arg(m_romPath, result.reason));
        return;
    }
    const auto texts = RomPalette::wordTextsOf(bytes);
    for (int i = 0; i < RomPalette::WordCount; ++i)
        txtChgPal[i]->setText(texts[i]);
    m_unedited = texts;
    m_editing->reset();
    if (pastEnd > 0) {
        warn(QStringLiteral("The palette at %1 runs past the end of \"%2\": %3 of its %4 bytes "
                            "are not in the file and are shown as 0.")
                     .arg(txtOffset->text(), QFileInfo(m_romPath).fileName())
                     .arg(pastEnd)
                     .arg(RomPalette::ByteCount));
    }
}

void frmMain::writePalette()
{
    if (m_romPath.isEmpty())
        return;
    const auto offset = offsetOrComplain();
    if (!offset)
        return;
    if (m_editing->isWide()) {
        m_editing->writeWide(*offset);
        return;
    }
    // The menu item is enabled with any box contents; a box that is not
    // four hexadecimal digits would write bytes other than its swatch shows.
    if (!paletteCompleteOrComplain())
        return;
    const QFileInfo rom(m_romPath);
    const qint64 growth = qint64(*offset) + RomPalette::ByteCount - rom.size();
    if (rom.isFile() && growth > 0
        && m_services.messages->ask(
                   this,
                   QStringLiteral("The palette at %1 runs past the end of \"%2\": writing it "
                                  "makes the file %3 bytes longer. Write it?")
                           .arg(txtOffset->text(), rom.fileName())
                           .arg(growth),
                   Platform::programTitle(), QMessageBox::Yes | QMessageBox::No,
                   QMessageBox::Question, QMessageBox::No)
                != QMessageBox::Yes) {
        return;
    }
    const RomPalette::WordTexts texts = boxTexts();
    const RomPalette::Bytes bytes = RomPalette::bytesOf(texts);
    if (!writeRom(*offset, QByteArray(reinterpret_cast<const char *>(bytes.data()),
                                      RomPalette::ByteCount)))
        return;
    m_unedited = texts;
    m_services.messages->showMessage(
            this, QStringLiteral("Palette ") + txtOffset->text() + QStringLiteral(" Edited"),
            Platform::programTitle(), QMessageBox::Ok, QMessageBox::NoIcon);
}

WriteJournal::Journal &frmMain::journal()
{
    if (!m_journal)
        m_journal = std::make_unique<WriteJournal::Journal>(WriteJournal::Journal::defaultPath());
    return *m_journal;
}

// Every write of the ROM image goes through here and into the journal. A
// journal that fails is reported once and never stops the write.
bool frmMain::writeRom(quint32 offset, const QByteArray &bytes)
{
    const auto outcome = WriteJournal::write(journal(), m_romPath, offset, bytes);
    // A failed write is the news; a journal failing with it (a full disk)
    // is told with the next write that succeeds.
    if (!outcome.file.ok) {
        warn(QStringLiteral("Cannot write the palette to \"%1\": %2.")
                     .arg(m_romPath, outcome.file.reason));
        return false;
    }
    if (!outcome.journalError.isEmpty() && journal().firstWarning())
        warn(outcome.journalError + QStringLiteral(".\nWrites go on without being recorded."));
    if (m_history)
        m_history->refresh();
    return true;
}

void frmMain::mnuExportPalette_Click()
{
    if (m_editing->isWide() ? !m_editing->wideCompleteOrComplain() : !paletteCompleteOrComplain())
        return;
    const QString path = m_services.files->getSaveFileName(this, QStringLiteral("Export Palette"),
                                                           PaletteFile::dialogFilter());
    if (path.isEmpty())
        return;
    // The size shown: the grid's rows in the file, or the sixteen boxes.
    PaletteFile::Words words = m_editing->wideWords();
    for (const QLineEdit *box : txtChgPal) {
        if (m_editing->isWide())
            break;
        const auto pair = RomPalette::WordTextToBytes(box->text());
        words.append(quint16(pair[0] | (pair[1] << 8)));
    }
    const QString name = QFileInfo(m_romPath).fileName() + QLatin1Char(' ') + txtOffset->text();
    const QString error = PaletteFile::writeFile(path, words, name.trimmed());
    if (!error.isEmpty())
        m_services.messages->showMessage(this, error, QStringLiteral("Error"), QMessageBox::Ok,
                                         QMessageBox::Critical);
}

void frmMain::mnuImportPalette_Click()
{
    const QString path = m_services.files->getOpenFileName(this, QStringLiteral("Import Palette"),
                                                           PaletteFile::dialogFilter());
    if (path.isEmpty())
        return;
    const PaletteFile::Decoded decoded = PaletteFile::readFile(path);
    if (!decoded.error.isEmpty()) {
        m_services.messages->showMessage(this, decoded.error, QStringLiteral("Error"),
                                         QMessageBox::Ok, QMessageBox::Critical);
        return;
    }
    if (m_editing->isWide()) {
        m_editing->importWords(decoded.words);
        return;
    }
    // Only the boxes change; OK writes them, as after any edit.
    for (qsizetype i = 0; i < decoded.words.size() && i < RomPalette::WordCount; ++i) {
        const quint16 word = decoded.words.at(i);
        txtChgPal[i]->setText(RomPalette::BytesToWordText(word & 0xFF, word >> 8));
    }
    m_editing->commitChange();
}

void frmMain::mnuWriteHistory_Click()
{
    if (m_romPath.isEmpty())
        return;
    showShared(m_history, [this] {
        auto *history = new frmWriteHistory(m_services, &journal());
        connect(history, &frmWriteHistory::restored, this, [this](quint32 offset) {
            // The boxes show the restored colours when they show that palette.
            if (RomPalette::parseOffset(txtOffset->text()) == offset)
                loadPalette();
        });
        return history;
    });
    m_history->showRom(m_romPath);
}
