#include "frmdatabase.h"

#include "datafolder.h"
#include "listbox.h"
#include "twips.h"

#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>

#include <algorithm>
#include <iterator>

using Platform::twipsRect;

namespace {

const QString errorTitle = QStringLiteral("Error");
const QString warningTitle = QStringLiteral("Warning");

// Blanks (spaces only, as the list's names were always trimmed) removed
// from both ends.
QString trimBlanks(const QString &text)
{
    qsizetype first = 0, last = text.size();
    while (first < last && text[first] == u' ')
        ++first;
    while (last > first && text[last - 1] == u' ')
        --last;
    return text.mid(first, last - first);
}

// The text without its last character; a character outside the Basic
// Multilingual Plane goes as a whole, never half of it.
// Widens a control whose caption does not fit the designed width, as far
// as the space up to its right-hand neighbour allows: the layout was drawn
// for a narrower system font.
void fitCaption(QWidget *control, int rightLimitTwips)
{
    const int room = Platform::fromTwips(rightLimitTwips) - control->x();
    const int wanted = std::min(control->sizeHint().width(), room);
    if (wanted > control->width())
        control->resize(wanted, control->height());
}

QString withoutLastCharacter(const QString &text)
{
    qsizetype cut = text.size() - 1;
    if (cut > 0 && text[cut].isLowSurrogate() && text[cut - 1].isHighSurrogate())
        --cut;
    return text.left(cut);
}

} // namespace

frmDatabase::frmDatabase(const Platform::Services &services, QWidget *parent)
    : QWidget(parent, Qt::Window),
      m_services(services),
      m_endProgram([] { QCoreApplication::exit(0); })
{
    setWindowTitle(QStringLiteral("Bookmark's Database"));
    setAttribute(Qt::WA_DeleteOnClose);
    buildControls();
    Form_Load();
}

frmDatabase::~frmDatabase() = default;

void frmDatabase::setEndProgram(std::function<void()> endProgram)
{
    m_endProgram = std::move(endProgram);
}

void frmDatabase::buildControls()
{
    setFixedSize(Platform::twipsSize(5850, 3300));

    lstdata = new ListBox(this);
    lstdata->setGeometry(twipsRect(120, 600, 2055, 2595));
    connect(lstdata, &ListBox::itemClicked, this, &frmDatabase::lstdata_Click);
    connect(lstdata, &ListBox::itemActivated, this, &frmDatabase::lstdata_DblClick);

    txtSurname = new QLineEdit(this);
    txtSurname->setGeometry(twipsRect(3720, 360, 1935, 285));
    txtForename = new QLineEdit(this);
    txtForename->setGeometry(twipsRect(3720, 840, 1935, 285));
    txtSurname->setEnabled(false);
    txtForename->setEnabled(false);

    txtSearch = new QLineEdit(this);
    txtSearch->setGeometry(twipsRect(120, 120, 2055, 285));
    txtSearch->setToolTip(QStringLiteral("Type the beginning of a name"));
    // textChanged, not textEdited: the window's own changes of the box
    // search as well.
    connect(txtSearch, &QLineEdit::textChanged, this, &frmDatabase::txtSearch_Change);

    Label1 = new QLabel(QStringLiteral("Name :"), this);
    Label1->setGeometry(twipsRect(3000, 360, 615, 255));
    Label1->setBuddy(txtSurname);
    Label2 = new QLabel(QStringLiteral("Offset :"), this);
    Label2->setGeometry(twipsRect(3000, 840, 615, 255));
    Label2->setBuddy(txtForename);

    auto button = [this](const QString &caption, int left, int top, bool enabled,
                         void (frmDatabase::*handler)()) {
        auto *b = new QPushButton(caption, this);
        b->setGeometry(twipsRect(left, top, 1215, 255));
        b->setEnabled(enabled);
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, handler);
        return b;
    };
    cmdAdd = button(QStringLiteral("Add Bookmark"), 2760, 1920, true, &frmDatabase::cmdAdd_Click);
    cmdDelete = button(QStringLiteral("Delete"), 4200, 1920, false, &frmDatabase::cmdDelete_Click);
    cmdEdit = button(QStringLiteral("Edit"), 2760, 2280, false, &frmDatabase::cmdEdit_Click);
    cmdend = button(QStringLiteral("End"), 4200, 2280, true, &frmDatabase::cmdend_Click);
    cmdsave = button(QStringLiteral("Save"), 2760, 2640, false, &frmDatabase::cmdsave_Click);
    cmdCANCEL = button(QStringLiteral("Cancel"), 4200, 2640, false, &frmDatabase::cmdCANCEL_Click);

    fitCaption(Label1, 3720 - 30);
    fitCaption(Label2, 3720 - 30);
    fitCaption(cmdAdd, 4200 - 60);
    fitCaption(cmdEdit, 4200 - 60);
    fitCaption(cmdsave, 4200 - 60);

    QWidget *order[] = { lstdata, txtSurname, txtForename, txtSearch, cmdAdd, cmdDelete,
                         cmdEdit, cmdend, cmdsave, cmdCANCEL };
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
    lstdata->setFocus();
}

QMessageBox::StandardButton frmDatabase::message(const QString &text, const QString &title,
                                                 QMessageBox::StandardButtons buttons,
                                                 QMessageBox::Icon icon,
                                                 QMessageBox::StandardButton defaultButton)
{
    if (defaultButton != QMessageBox::NoButton)
        return m_services.messages->ask(this, text, title, buttons, icon, defaultButton);
    return m_services.messages->showMessage(this, text, title, buttons, icon);
}

void frmDatabase::warn(const QString &what, const QString &reason)
{
    message(QStringLiteral("%1 \"%2\": %3.")
                    .arg(what, QDir::toNativeSeparators(dbBookmarks.path()), reason),
            warningTitle, QMessageBox::Ok, QMessageBox::Warning);
}

void frmDatabase::Form_Load()
{
    if (!dbBookmarks.open(Platform::dataFile(Bookmarks::storeFileName()))) {
        // The window stays usable for looking, with nothing to look at.
        cmdAdd->setEnabled(false);
        warn(QStringLiteral("Cannot open the bookmark database"), dbBookmarks.lastError());
        return;
    }
    if (!openTable())
        return;
    FillList();
}

bool frmDatabase::openTable()
{
    Bookmarks::RecordSet set = dbBookmarks.openTable();
    if (!set.isOpen()) {
        warn(QStringLiteral("Cannot read the bookmark database"), dbBookmarks.lastError());
        return false;
    }
    rsCurrent = std::move(set);
    return true;
}

bool frmDatabase::openForSearchText()
{
    const QString text = txtSearch->text();
    if (text.isEmpty())
        return openTable();
    Bookmarks::RecordSet set = dbBookmarks.openSearch(text);
    if (!set.isOpen()) {
        warn(QStringLiteral("Cannot search the bookmark database"), dbBookmarks.lastError());
        return false;
    }
    rsCurrent = std::move(set);
    return true;
}

void frmDatabase::FillList()
{
    if (!rsCurrent.isOpen())
        return;
    // A search that finds nothing loses its last character and searches
    // again, until something is found or the box is empty. Setting the box
    // would run the search by itself, one nested call per character; the
    // loop does the same without nesting, so a long pasted text cannot
    // exhaust the stack.
    while (rsCurrent.recordCount() == 0) {
        varAnswer = message(QStringLiteral("No Records Found"), errorTitle, QMessageBox::Ok,
                            QMessageBox::NoIcon);
        const QString text = txtSearch->text();
        if (text.isEmpty())
            return; // the list keeps what it showed
        {
            const QSignalBlocker quiet(txtSearch);
            txtSearch->setText(withoutLastCharacter(text));
        }
        if (!openForSearchText())
            return;
    }

    // The list shows the set's rows as the set holds them; like a walk
    // through every row, this leaves the set past its last row.
    lstdata->setRows(rsCurrent.packedRows());
    rsCurrent.moveLast();
    rsCurrent.moveNext();
}

void frmDatabase::txtSearch_Change()
{
    if (!dbBookmarks.isOpen())
        return;
    if (!openForSearchText())
        return;
    FillList();
}

void frmDatabase::lstdata_Click()
{
    if (!dbBookmarks.isOpen())
        return;
    Bookmarks::RecordSet set = dbBookmarks.openSelection(trimBlanks(lstdata->currentText()));
    if (!set.isOpen()) {
        warn(QStringLiteral("Cannot read the bookmark database"), dbBookmarks.lastError());
        return;
    }
    rsCurrent = std::move(set);
    rsCurrent.moveFirst();
    if (!rsCurrent.hasCurrent()) {
        // The name is gone (deleted, or changed elsewhere): nothing to show.
        txtForename->clear();
        txtSurname->clear();
        cmdEdit->setEnabled(false);
        cmdDelete->setEnabled(false);
        return;
    }
    txtForename->setText(rsCurrent.value(u"forename").toString());
    txtSurname->setText(rsCurrent.value(u"surname").toString());
    cmdEdit->setEnabled(true);
    cmdDelete->setEnabled(true);
}

void frmDatabase::lstdata_DblClick(int row)
{
    if (!dbBookmarks.isOpen())
        return;
    // Looked up on its own, so the current record set and the boxes stay
    // as they are (also while adding or editing).
    Bookmarks::RecordSet chosen = dbBookmarks.openSelection(trimBlanks(lstdata->itemText(row)));
    if (!chosen.isOpen()) {
        warn(QStringLiteral("Cannot read the bookmark database"), dbBookmarks.lastError());
        return;
    }
    chosen.moveFirst();
    if (chosen.hasCurrent())
        emit offsetChosen(chosen.value(u"forename").toString());
}

void frmDatabase::cmdAdd_Click()
{
    txtSurname->clear();
    txtForename->clear();
    openBoxesForTyping();
    blnAdding = true;
    blnEditing = false;
}

void frmDatabase::cmdEdit_Click()
{
    openBoxesForTyping();
    blnEditing = true;
    blnAdding = false;
}

void frmDatabase::openBoxesForTyping()
{
    txtSurname->setEnabled(true);
    txtForename->setEnabled(true);
    for (QPushButton *off : { cmdAdd, cmdDelete, cmdEdit, cmdend })
        off->setEnabled(false);
    cmdsave->setEnabled(true);
    cmdCANCEL->setEnabled(true);
    txtSurname->setFocus();
}

void frmDatabase::cmdsave_Click()
{
    if (blnAdding)
        add();
    else if (blnEditing)
        edit();
}

void frmDatabase::add()
{
    save(true);
}

void frmDatabase::edit()
{
    save(false);
}

void frmDatabase::save(bool adding)
{
    if (txtSurname->text().isEmpty() || txtForename->text().isEmpty()) {
        varAnswer = message(QStringLiteral("All Fields Must Contain Data"), errorTitle,
                            QMessageBox::Ok, QMessageBox::Critical);
        return;
    }
    if (adding) {
        rsCurrent.addNew();
    } else if (!rsCurrent.edit()) {
        // The list was refilled or searched since the bookmark was chosen.
        varAnswer = message(
                QStringLiteral("No bookmark is chosen: choose the bookmark in the list first."),
                errorTitle, QMessageBox::Ok, QMessageBox::Critical);
        return;
    }
    rsCurrent.setValue(u"surname", txtSurname->text());
    rsCurrent.setValue(u"forename", txtForename->text());
    if (!rsCurrent.update()) {
        rsCurrent.cancelUpdate();
        // The boxes keep the texts, so the user can try again or cancel.
        warn(QStringLiteral("Cannot save the bookmark in"), rsCurrent.lastError());
        return;
    }

    endEditing();
    cmdend->setEnabled(true);
    if (!adding && !openTable())
        return;
    FillList();
}

// The boxes and buttons after a save, Cancel or deletion.
void frmDatabase::endEditing()
{
    txtSurname->clear();
    txtSurname->setEnabled(false);
    txtForename->clear();
    txtForename->setEnabled(false);
    txtSearch->clear();
    cmdsave->setEnabled(false);
    cmdCANCEL->setEnabled(false);
    cmdAdd->setEnabled(dbBookmarks.isOpen());
}

void frmDatabase::cmdCANCEL_Click()
{
    endEditing();
    cmdend->setEnabled(true);
    if (!openTable())
        return;
    FillList();
}

void frmDatabase::cmdDelete_Click()
{
    if (!rsCurrent.hasCurrent()) {
        varAnswer = message(
                QStringLiteral("No bookmark is chosen: choose the bookmark in the list first."),
                errorTitle, QMessageBox::Ok, QMessageBox::Critical);
        return;
    }
    // Named, and No by default: Enter alone must not delete.
    varAnswer = message(QStringLiteral("Are You Sure You Want To Delete The Bookmark \"%1\"?")
                                .arg(rsCurrent.value(u"surname").toString()),
                        QStringLiteral("Delete Record"), QMessageBox::Yes | QMessageBox::No,
                        QMessageBox::NoIcon, QMessageBox::No);
    if (varAnswer != QMessageBox::Yes)
        return;
    if (!rsCurrent.deleteCurrent()) {
        warn(QStringLiteral("Cannot delete the bookmark from"), rsCurrent.lastError());
        return;
    }
    if (openTable())
        FillList();
    endEditing();
}

void frmDatabase::cmdend_Click()
{
    rsCurrent = Bookmarks::RecordSet();
    dbBookmarks.close();
    if (m_endProgram)
        m_endProgram();
}
