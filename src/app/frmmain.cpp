#include "frmmain.h"

#include "colorswatch.h"
#include "frmcolorpicker.h"
#include "frmdatabase.h"
#include "frmfindcolours.h"
#include "frminfo.h"
#include "frmrompalettes.h"
#include "frmupdate.h"
#include "frmwritehistory.h"
#include "module1.h"
#include "paletteediting.h"
#include "sharedwindow.h"
#include "twips.h"
#include "windowresources.h"
#include "writejournal.h"

#include <QAction>
#include <QApplication>
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
    // Its event filters read this window's controls, which go next.
    delete m_editing;
    m_editing = nullptr;
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
    mnuFindColours = addItem(edit, QStringLiteral("Find Co&lours"),
                             QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F),
                             &frmMain::mnuFindColours_Click);
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
    mnuGraphics = addItem(tools, QStringLiteral("&Graphics"), QKeySequence(Qt::CTRL | Qt::Key_T),
                          &frmMain::mnuGraphics_Click);

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
    // ROM dumps often end in .bin, hence "All files".
    const QString chosen = m_services.files->getOpenFileName(
            this, QStringLiteral("Open ROM"),
            QStringLiteral("ROM images (*.nds *.gba);;All files (*)"));
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
    m_loadedOffset.reset();
    m_editing->reset();
    updateWriteButton();
    if (m_romPalettes)
        m_romPalettes->setRom(path);
    if (m_findColours)
        m_findColours->setRom(path);
    showRomInGraphics();
}

void frmMain::Chiudi_Click()
{
    close();
}

void frmMain::closeEvent(QCloseEvent *event)
{
    if (!mayDiscardEdits()) {
        event->ignore();
        return;
    }
    closeToolWindows();
    event->accept();
}

// The tool windows have no owner, so an open one would keep the program
// running; every ownerless window is one this window opened.
void frmMain::closeToolWindows()
{
    QList<QPointer<QWidget>> tools;
    const QWidgetList topLevels = QApplication::topLevelWidgets();
    for (QWidget *widget : topLevels) {
        if (widget != this && !widget->parentWidget() && widget->isVisible())
            tools.append(widget);
    }
    for (const QPointer<QWidget> &tool : std::as_const(tools)) {
        if (tool)
            tool->close();
    }
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
        window->setGraphicsActivate([this](const auto &found, const auto *beside) {
            showRomGraphicsFile(found, beside);
        });
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->setRom(m_romPath);
        return window;
    });
}

void frmMain::mnuWriteHistory_Click()
{
    if (m_romPath.isEmpty())
        return;
    showShared(m_history, [this] {
        auto *history = new frmWriteHistory(m_services, &journal());
        connect(history, &frmWriteHistory::restored, this, [this](quint32 offset) {
            // The boxes show the restored colours when they show that palette.
            if (m_loadedOffset == offset)
                loadPalette(QString::number(offset, 16).toUpper());
        });
        return history;
    });
    m_history->showRom(m_romPath);
}
