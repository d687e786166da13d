#include "bookmarkstore.h"
#include "datafolder.h"
#include "frmdatabase.h"
#include "frmmain.h"
#include "listbox.h"
#include "testservices.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <memory>

using namespace Qt::StringLiterals;

using Bookmarks::Database;
using Bookmarks::RecordSet;

namespace {

using Bookmark = std::pair<QString, QString>;

// Which controls are on, in one comparable text:
// "boxes add delete edit end save cancel", each 1 or 0.
QString enabledState(const frmDatabase &w)
{
    QString state;
    state += w.txtSurname->isEnabled() && w.txtForename->isEnabled() ? u'1' : u'0';
    for (const QPushButton *b :
         { w.cmdAdd, w.cmdDelete, w.cmdEdit, w.cmdend, w.cmdsave, w.cmdCANCEL })
        state += (u' ') + QString(b->isEnabled() ? u'1' : u'0');
    return state;
}

QString storePath()
{
    return Platform::dataFile(Bookmarks::storeFileName());
}

QList<Bookmark> storedBookmarks()
{
    Database db;
    if (!db.open(storePath()))
        qFatal("cannot open the store: %s", qPrintable(db.lastError()));
    QList<Bookmark> rows;
    const RecordSet table = db.openTable();
    for (const Bookmarks::Row &row : table.rows())
        rows.append({ row.surname, row.forename });
    return rows;
}

void clickEntry(frmDatabase &w, int row)
{
    QTest::mouseClick(w.lstdata->viewport(), Qt::LeftButton, {},
                      w.lstdata->itemRect(row).center());
}

RecordedMessage message(const QString &text, const QString &title,
                        QMessageBox::StandardButtons buttons, QMessageBox::Icon icon)
{
    return { text, title, buttons, icon };
}

const RecordedMessage noRecords =
        message("No Records Found", "Error", QMessageBox::Ok, QMessageBox::NoIcon);
const RecordedMessage emptyBox =
        message("All Fields Must Contain Data", "Error", QMessageBox::Ok, QMessageBox::Critical);
const RecordedMessage deleteQuestion =
        message("Are You Sure You Want To Delete This Record", "Delete Record",
                QMessageBox::Yes | QMessageBox::No, QMessageBox::NoIcon);

} // namespace

namespace QTest {
template<>
char *toString(const RecordedMessage &m)
{
    return qstrdup(QStringLiteral("%1 / %2 / buttons %3 / icon %4")
                           .arg(m.text, m.title)
                           .arg(int(m.buttons))
                           .arg(int(m.icon))
                           .toUtf8()
                           .constData());
}
} // namespace QTest

bool operator==(const RecordedMessage &a, const RecordedMessage &b)
{
    return a.text == b.text && a.title == b.title && a.buttons == b.buttons && a.icon == b.icon;
}

class tst_frmDatabase : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void loadListsTableInItsOrder();
    void emptyTableAtLoadSaysSoOnce();
    void layoutAndTabOrder();
    void listClickShowsTheBookmark();
    void keyboardChoosesAnEntryToo();
    void addThenSaveAppendsTheBookmark();
    void saveIsRefusedWhileABoxIsEmpty_data();
    void saveIsRefusedWhileABoxIsEmpty();
    void editThenSaveChangesTheChosenRow();
    void cancelWritesNothing();
    void deleteAsksFirst_data();
    void deleteAsksFirst();
    void searchNarrowsByTheBeginning_data();
    void searchNarrowsByTheBeginning();
    void searchDropsCharactersThatFindNothing();
    void searchInAnEmptyTableSaysSoTwice();
    void duplicatesShowTheFirstRow();
    void saveAfterAClickListsTheClickedRowsAndTheNewOne();
    void quotesInNamesAreSafe();
    void clickOnAVanishedNameEmptiesTheBoxes();
    void editOrDeleteWithoutCurrentRowIsRefused();
    void damagedStoreWarnsAndStaysOpen();
    void endClosesTheStoreAndEndsTheProgram();
    void endEndsTheWholeProgramAtOnce();
    void mainWindowOpensOneSharedWindow();

private:
    std::unique_ptr<frmDatabase> openWindow();
    void seed(const QList<Bookmark> &rows);

    std::unique_ptr<QTemporaryDir> m_dir;
    TestServices m_services;
};

void tst_frmDatabase::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    qputenv("CINDRAL_DATA_DIR", m_dir->path().toUtf8());
    m_services.messages.messages.clear();
    m_services.messages.answers.clear();
}

void tst_frmDatabase::cleanup()
{
    m_dir.reset();
}

void tst_frmDatabase::seed(const QList<Bookmark> &rows)
{
    Database db;
    QVERIFY(db.open(storePath()));
    RecordSet table = db.openTable();
    for (const auto &[name, offset] : rows) {
        table.addNew();
        table.setValue(u"surname", name);
        table.setValue(u"forename", offset);
        QVERIFY(table.update());
    }
}

std::unique_ptr<frmDatabase> tst_frmDatabase::openWindow()
{
    auto window = std::make_unique<frmDatabase>(m_services.services());
    window->setAttribute(Qt::WA_DeleteOnClose, false);
    window->setEndProgram([] { QFAIL("End must not run here"); });
    window->show();
    if (!QTest::qWaitForWindowExposed(window.get()))
        qWarning("window not exposed");
    return window;
}

void tst_frmDatabase::loadListsTableInItsOrder()
{
    seed({ { "zeta", "10" }, { "Alpha", "20" }, { "mid", "30" } });
    const auto w = openWindow();
    QCOMPARE(w->lstdata->items(), (QStringList{ "zeta", "Alpha", "mid" }));
    QCOMPARE(w->lstdata->currentRow(), -1);
    QCOMPARE(enabledState(*w), QStringLiteral("0 1 0 0 1 0 0"));
    QVERIFY(w->txtSurname->text().isEmpty() && w->txtForename->text().isEmpty());
    QVERIFY(!w->isAdding() && !w->isEditing());
    QVERIFY(m_services.messages.messages.isEmpty());
}

void tst_frmDatabase::emptyTableAtLoadSaysSoOnce()
{
    const auto w = openWindow();
    QCOMPARE(m_services.messages.messages, QList<RecordedMessage>{ noRecords });
    QCOMPARE(w->lstdata->count(), 0);
    QVERIFY(QFile::exists(storePath())); // created on first use
    QCOMPARE(enabledState(*w), QStringLiteral("0 1 0 0 1 0 0"));
}

void tst_frmDatabase::layoutAndTabOrder()
{
    seed({ { "a", "1" } });
    const auto w = openWindow();
    QCOMPARE(w->windowTitle(), QStringLiteral("Bookmark's Database"));
    QVERIFY(w->isWindow());
    QCOMPARE(w->size(), QSize(390, 220));
    QCOMPARE(w->Label1->text(), QStringLiteral("Name :"));
    QCOMPARE(w->Label2->text(), QStringLiteral("Offset :"));
    QCOMPARE(w->cmdDelete->geometry(), QRect(280, 128, 81, 17));
    // A caption wider than designed widens its control, never over the next.
    QCOMPARE(w->cmdAdd->pos(), QPoint(184, 128));
    QVERIFY(w->cmdAdd->width() >= 81);
    QVERIFY(w->cmdAdd->geometry().right() < w->cmdDelete->x());
    QVERIFY(w->Label2->geometry().right() < w->txtForename->x());
    QCOMPARE(w->lstdata->geometry(), QRect(8, 40, 137, 173));
    const QStringList captions = { w->cmdAdd->text(), w->cmdDelete->text(), w->cmdEdit->text(),
                                   w->cmdend->text(), w->cmdsave->text(), w->cmdCANCEL->text() };
    QCOMPARE(captions, (QStringList{ "Add Bookmark", "Delete", "Edit", "End", "Save", "Cancel" }));

    // Enable everything, then walk the focus chain from the list.
    for (QWidget *c : std::initializer_list<QWidget *>{ w->txtSurname, w->txtForename, w->cmdDelete,
                                                        w->cmdEdit, w->cmdsave, w->cmdCANCEL })
        c->setEnabled(true);
    const QList<QWidget *> expected = { w->lstdata, w->txtSurname, w->txtForename, w->txtSearch,
                                        w->cmdAdd,  w->cmdDelete,  w->cmdEdit,     w->cmdend,
                                        w->cmdsave, w->cmdCANCEL };
    QWidget *at = w->lstdata;
    for (int i = 1; i < expected.size(); ++i) {
        at = at->nextInFocusChain();
        while (at->focusPolicy() == Qt::NoFocus)
            at = at->nextInFocusChain();
        QCOMPARE(at, expected[i]);
    }
}

void tst_frmDatabase::listClickShowsTheBookmark()
{
    seed({ { "first", "100" }, { "second", "2A0" } });
    const auto w = openWindow();
    clickEntry(*w, 1);
    QCOMPARE(w->txtSurname->text(), QStringLiteral("second"));
    QCOMPARE(w->txtForename->text(), QStringLiteral("2A0"));
    QCOMPARE(enabledState(*w), QStringLiteral("0 1 1 1 1 0 0"));
    QCOMPARE(w->lstdata->items(), (QStringList{ "first", "second" })); // not refilled
}

void tst_frmDatabase::keyboardChoosesAnEntryToo()
{
    seed({ { "first", "100" }, { "second", "2A0" } });
    const auto w = openWindow();
    w->lstdata->setFocus();
    QTest::keyClick(w->lstdata, Qt::Key_Down);
    QTest::keyClick(w->lstdata, Qt::Key_Down);
    QCOMPARE(w->txtSurname->text(), QStringLiteral("second"));
    QCOMPARE(w->txtForename->text(), QStringLiteral("2A0"));
}

void tst_frmDatabase::addThenSaveAppendsTheBookmark()
{
    seed({ { "old", "1" } });
    const auto w = openWindow();
    QTest::mouseClick(w->cmdAdd, Qt::LeftButton);
    QCOMPARE(enabledState(*w), QStringLiteral("1 0 0 0 0 1 1"));
    QVERIFY(w->isAdding() && !w->isEditing());
    QTest::keyClicks(w->txtSurname, QStringLiteral("Title screen"));
    QTest::keyClicks(w->txtForename, QStringLiteral("1F2E00"));
    QTest::mouseClick(w->cmdsave, Qt::LeftButton);

    QCOMPARE(storedBookmarks(), (QList<Bookmark>{ { "old", "1" }, { "Title screen", "1F2E00" } }));
    QCOMPARE(w->lstdata->items(), (QStringList{ "old", "Title screen" }));
    QCOMPARE(enabledState(*w), QStringLiteral("0 1 0 0 1 0 0"));
    QVERIFY(w->txtSurname->text().isEmpty() && w->txtForename->text().isEmpty());
    QVERIFY(m_services.messages.messages.isEmpty());
}

void tst_frmDatabase::saveIsRefusedWhileABoxIsEmpty_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("offset");
    QTest::addColumn<bool>("refused");
    QTest::newRow("name only") << "Title" << "" << true;
    QTest::newRow("offset only") << "" << "100" << true;
    QTest::newRow("both empty") << "" << "" << true;
    QTest::newRow("blanks are data") << " " << " " << false;
}

void tst_frmDatabase::saveIsRefusedWhileABoxIsEmpty()
{
    QFETCH(QString, name);
    QFETCH(QString, offset);
    QFETCH(bool, refused);
    seed({ { "old", "1" } });
    const auto w = openWindow();
    w->cmdAdd_Click();
    QTest::keyClicks(w->txtSurname, name);
    QTest::keyClicks(w->txtForename, offset);
    QTest::mouseClick(w->cmdsave, Qt::LeftButton);
    if (refused) {
        QCOMPARE(m_services.messages.messages, QList<RecordedMessage>{ emptyBox });
        QCOMPARE(storedBookmarks(), (QList<Bookmark>{ { "old", "1" } }));
        QCOMPARE(w->txtSurname->text(), name);
        QCOMPARE(w->txtForename->text(), offset);
        QCOMPARE(enabledState(*w), QStringLiteral("1 0 0 0 0 1 1"));
    } else {
        QVERIFY(m_services.messages.messages.isEmpty());
        QCOMPARE(storedBookmarks(), (QList<Bookmark>{ { "old", "1" }, { name, offset } }));
    }
}

void tst_frmDatabase::editThenSaveChangesTheChosenRow()
{
    seed({ { "one", "1" }, { "two", "2" } });
    const auto w = openWindow();
    w->cmdAdd_Click();
    w->txtSurname->setText(QStringLiteral("three"));
    w->txtForename->setText(QStringLiteral("3"));
    w->cmdsave_Click();

    clickEntry(*w, 1);
    QTest::mouseClick(w->cmdEdit, Qt::LeftButton);
    QCOMPARE(enabledState(*w), QStringLiteral("1 0 0 0 0 1 1"));
    QVERIFY(w->isEditing() && !w->isAdding());
    QCOMPARE(w->txtSurname->text(), QStringLiteral("two")); // texts kept
    w->txtSurname->selectAll();
    QTest::keyClicks(w->txtSurname, QStringLiteral("deux"));
    QTest::mouseClick(w->cmdsave, Qt::LeftButton);

    QCOMPARE(storedBookmarks(),
             (QList<Bookmark>{ { "one", "1" }, { "deux", "2" }, { "three", "3" } }));
    QCOMPARE(w->lstdata->items(), (QStringList{ "one", "deux", "three" }));
    QCOMPARE(enabledState(*w), QStringLiteral("0 1 0 0 1 0 0")); // Edit, Delete stay off
    QVERIFY(m_services.messages.messages.isEmpty());
}

void tst_frmDatabase::cancelWritesNothing()
{
    seed({ { "one", "1" }, { "two", "2" } });
    const auto w = openWindow();
    w->txtSearch->setText(QStringLiteral("t"));
    clickEntry(*w, 0);
    w->cmdEdit_Click();
    w->txtSurname->setText(QStringLiteral("changed"));
    QTest::mouseClick(w->cmdCANCEL, Qt::LeftButton);
    QCOMPARE(storedBookmarks(), (QList<Bookmark>{ { "one", "1" }, { "two", "2" } }));
    QCOMPARE(enabledState(*w), QStringLiteral("0 1 0 0 1 0 0"));
    QVERIFY(w->txtSurname->text().isEmpty() && w->txtForename->text().isEmpty());
    QVERIFY(w->txtSearch->text().isEmpty());
    QCOMPARE(w->lstdata->items(), (QStringList{ "one", "two" }));
}

void tst_frmDatabase::deleteAsksFirst_data()
{
    QTest::addColumn<QMessageBox::StandardButton>("answer");
    QTest::newRow("yes") << QMessageBox::Yes;
    QTest::newRow("no") << QMessageBox::No;
}

void tst_frmDatabase::deleteAsksFirst()
{
    QFETCH(QMessageBox::StandardButton, answer);
    seed({ { "one", "1" }, { "two", "2" }, { "three", "3" } });
    const auto w = openWindow();
    w->txtSearch->setText(QStringLiteral("t"));
    clickEntry(*w, 0);
    m_services.messages.answers = { answer };
    QTest::mouseClick(w->cmdDelete, Qt::LeftButton);
    QCOMPARE(m_services.messages.messages, QList<RecordedMessage>{ deleteQuestion });
    if (answer == QMessageBox::Yes) {
        QCOMPARE(storedBookmarks(), (QList<Bookmark>{ { "one", "1" }, { "three", "3" } }));
        QCOMPARE(w->lstdata->items(), (QStringList{ "one", "three" }));
        QCOMPARE(enabledState(*w), QStringLiteral("0 1 1 1 1 0 0"));
        QVERIFY(w->txtSurname->text().isEmpty() && w->txtSearch->text().isEmpty());
    } else {
        QCOMPARE(storedBookmarks(),
                 (QList<Bookmark>{ { "one", "1" }, { "two", "2" }, { "three", "3" } }));
        QCOMPARE(w->txtSurname->text(), QStringLiteral("two"));
        QCOMPARE(w->lstdata->items(), (QStringList{ "two", "three" }));
        QCOMPARE(enabledState(*w), QStringLiteral("0 1 1 1 1 0 0"));
    }
}

void tst_frmDatabase::searchNarrowsByTheBeginning_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("listed");
    QTest::newRow("small letters") << "ab" << QStringList{ "Abc", "abd" };
    QTest::newRow("capitals") << "AB" << QStringList{ "Abc", "abd" };
    QTest::newRow("accented capital") << u"É"_s << QStringList{ u"école"_s };
    QTest::newRow("pattern character") << "?a" << QStringList{ "cab" };
}

void tst_frmDatabase::searchNarrowsByTheBeginning()
{
    QFETCH(QString, typed);
    QFETCH(QStringList, listed);
    seed({ { "Abc", "1" }, { "abd", "2" }, { "cab", "3" }, { u"école"_s, "4" } });
    const auto w = openWindow();
    QTest::keyClicks(w->txtSearch, typed);
    QCOMPARE(w->lstdata->items(), listed);
    QVERIFY(m_services.messages.messages.isEmpty());
    // Emptying the box lists the whole table again.
    w->txtSearch->clear();
    QCOMPARE(w->lstdata->count(), 4);
}

void tst_frmDatabase::searchDropsCharactersThatFindNothing()
{
    seed({ { "Abc", "1" }, { "abd", "2" }, { "cab", "3" } });
    const auto w = openWindow();
    QTest::keyClicks(w->txtSearch, QStringLiteral("abx"));
    QCOMPARE(m_services.messages.messages, QList<RecordedMessage>{ noRecords });
    QCOMPARE(w->txtSearch->text(), QStringLiteral("ab"));
    QCOMPARE(w->lstdata->items(), (QStringList{ "Abc", "abd" }));

    // A pasted text loses one character per failing search, one message each.
    m_services.messages.messages.clear();
    w->txtSearch->setText(QStringLiteral("cabxyz"));
    QCOMPARE(m_services.messages.messages.size(), 3);
    QCOMPARE(w->txtSearch->text(), QStringLiteral("cab"));
    QCOMPARE(w->lstdata->items(), QStringList{ "cab" });

    // Down to the empty text: the whole table.
    m_services.messages.messages.clear();
    w->txtSearch->setText(QStringLiteral("zz"));
    QCOMPARE(m_services.messages.messages.size(), 2);
    QVERIFY(w->txtSearch->text().isEmpty());
    QCOMPARE(w->lstdata->items(), (QStringList{ "Abc", "abd", "cab" }));

    // A character beyond the BMP goes as a whole.
    m_services.messages.messages.clear();
    w->txtSearch->setText(u"ab\U0001F600"_s);
    QCOMPARE(m_services.messages.messages.size(), 1);
    QCOMPARE(w->txtSearch->text(), QStringLiteral("ab"));
}

void tst_frmDatabase::searchInAnEmptyTableSaysSoTwice()
{
    seed({ { "gone", "1" } });
    const auto w = openWindow();
    clickEntry(*w, 0);
    m_services.messages.answers = { QMessageBox::Yes };
    w->cmdDelete_Click(); // the table is empty now; the list keeps the name
    QCOMPARE(w->lstdata->items(), QStringList{ "gone" });
    m_services.messages.messages.clear();

    QTest::keyClick(w->txtSearch, Qt::Key_G);
    QCOMPARE(m_services.messages.messages, (QList<RecordedMessage>{ noRecords, noRecords }));
    QVERIFY(w->txtSearch->text().isEmpty());
    QCOMPARE(w->lstdata->items(), QStringList{ "gone" });
}

void tst_frmDatabase::duplicatesShowTheFirstRow()
{
    seed({ { "Boss", "first" }, { "other", "x" }, { "Boss", "second" } });
    const auto w = openWindow();
    clickEntry(*w, 2);
    QCOMPARE(w->txtForename->text(), QStringLiteral("first"));
    clickEntry(*w, 0);
    QCOMPARE(w->txtForename->text(), QStringLiteral("first"));
}

void tst_frmDatabase::saveAfterAClickListsTheClickedRowsAndTheNewOne()
{
    seed({ { "one", "1" }, { "two", "2" }, { "three", "3" } });
    const auto w = openWindow();
    clickEntry(*w, 1);
    w->cmdAdd_Click();
    w->txtSurname->setText(QStringLiteral("four"));
    w->txtForename->setText(QStringLiteral("4"));
    w->cmdsave_Click();
    QCOMPARE(w->lstdata->items(), (QStringList{ "two", "four" }));
    QCOMPARE(storedBookmarks().size(), 4);
    w->cmdAdd_Click();
    w->cmdCANCEL_Click();
    QCOMPARE(w->lstdata->items(), (QStringList{ "one", "two", "three", "four" }));
}

void tst_frmDatabase::quotesInNamesAreSafe()
{
    seed({ { "plain", "1" } });
    const auto w = openWindow();
    const QString name = QStringLiteral("O'Brien\"; DROP TABLE tbldata; --");
    w->cmdAdd_Click();
    w->txtSurname->setText(name);
    w->txtForename->setText(QStringLiteral("50%_"));
    w->cmdsave_Click();
    QTest::keyClicks(w->txtSearch, QStringLiteral("o'b"));
    QCOMPARE(w->lstdata->items(), QStringList{ name });
    clickEntry(*w, 0);
    QCOMPARE(w->txtSurname->text(), name);
    QCOMPARE(w->txtForename->text(), QStringLiteral("50%_"));
    QVERIFY(m_services.messages.messages.isEmpty());
    QCOMPARE(storedBookmarks().size(), 2);
}

void tst_frmDatabase::clickOnAVanishedNameEmptiesTheBoxes()
{
    seed({ { "stays", "1" }, { "goes", "2" } });
    const auto w = openWindow();
    clickEntry(*w, 0);
    { // another copy of the program deletes a row
        Database other;
        QVERIFY(other.open(storePath()));
        RecordSet chosen = other.openSelection(QStringLiteral("goes"));
        chosen.moveFirst();
        QVERIFY(chosen.deleteCurrent());
    }
    clickEntry(*w, 1);
    QVERIFY(w->txtSurname->text().isEmpty() && w->txtForename->text().isEmpty());
    QCOMPARE(enabledState(*w), QStringLiteral("0 1 0 0 1 0 0"));
    QVERIFY(m_services.messages.messages.isEmpty());

    // A name stored with blanks around it is still found.
    w->cmdAdd_Click();
    w->txtSurname->setText(QStringLiteral("  padded "));
    w->txtForename->setText(QStringLiteral("3"));
    w->cmdsave_Click();
    clickEntry(*w, w->lstdata->count() - 1);
    QCOMPARE(w->txtSurname->text(), QStringLiteral("  padded "));
    QCOMPARE(w->txtForename->text(), QStringLiteral("3"));
}

void tst_frmDatabase::editOrDeleteWithoutCurrentRowIsRefused()
{
    seed({ { "one", "1" }, { "two", "2" } });
    const auto w = openWindow();
    clickEntry(*w, 0);
    m_services.messages.answers = { QMessageBox::Yes };
    w->cmdDelete_Click();
    QCOMPARE(enabledState(*w), QStringLiteral("0 1 1 1 1 0 0")); // still on
    m_services.messages.messages.clear();

    QTest::mouseClick(w->cmdDelete, Qt::LeftButton);
    QCOMPARE(m_services.messages.messages.size(), 1);
    QCOMPARE(m_services.messages.messages[0].title, QStringLiteral("Error"));
    QCOMPARE(storedBookmarks(), (QList<Bookmark>{ { "two", "2" } }));

    m_services.messages.messages.clear();
    QTest::mouseClick(w->cmdEdit, Qt::LeftButton);
    w->txtSurname->setText(QStringLiteral("x"));
    w->txtForename->setText(QStringLiteral("y"));
    QTest::mouseClick(w->cmdsave, Qt::LeftButton);
    QCOMPARE(m_services.messages.messages.size(), 1);
    QCOMPARE(m_services.messages.messages[0].title, QStringLiteral("Error"));
    QCOMPARE(m_services.messages.messages[0].icon, QMessageBox::Critical);
    QCOMPARE(storedBookmarks(), (QList<Bookmark>{ { "two", "2" } }));
    QCOMPARE(enabledState(*w), QStringLiteral("1 0 0 0 0 1 1")); // still editing
}

void tst_frmDatabase::damagedStoreWarnsAndStaysOpen()
{
    {
        QFile file(storePath());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(2048, 'x'));
    }
    const auto w = openWindow();
    QCOMPARE(m_services.messages.messages.size(), 1);
    const RecordedMessage warning = m_services.messages.messages[0];
    QCOMPARE(warning.title, QStringLiteral("Warning"));
    QCOMPARE(warning.icon, QMessageBox::Warning);
    QVERIFY2(warning.text.contains(QDir::toNativeSeparators(storePath())), qPrintable(warning.text));
    QVERIFY2(warning.text.contains(QStringLiteral("file is not a database")),
             qPrintable(warning.text));
    QVERIFY(w->isVisible());
    QCOMPARE(w->lstdata->count(), 0);
    QVERIFY(!w->cmdAdd->isEnabled());
    QVERIFY(!w->isStoreOpen());
    QTest::keyClicks(w->txtSearch, QStringLiteral("ab"));
    QCOMPARE(m_services.messages.messages.size(), 1);
}

void tst_frmDatabase::endClosesTheStoreAndEndsTheProgram()
{
    seed({ { "one", "1" } });
    const auto w = openWindow();
    int ended = 0;
    bool storeOpenAtEnd = true;
    w->setEndProgram([&] {
        ++ended;
        storeOpenAtEnd = w->isStoreOpen();
    });
    QTest::mouseClick(w->cmdend, Qt::LeftButton);
    QCOMPARE(ended, 1);
    QVERIFY(!storeOpenAtEnd);
}

void tst_frmDatabase::endEndsTheWholeProgramAtOnce()
{
    QProcess program;
    program.start(QCoreApplication::applicationFilePath(), { QStringLiteral("--press-end") });
    QVERIFY(program.waitForFinished(20000));
    const QByteArray said = program.readAllStandardOutput();
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);
    // The main window was still open and saw no close event.
    QCOMPARE(said.trimmed(), QByteArray("main window visible, 0 close events, store closed"));
}

void tst_frmDatabase::mainWindowOpensOneSharedWindow()
{
    seed({ { "one", "1" } });
    frmMain main(m_services.services());
    QVERIFY(main.mnuData->isEnabled());
    QCOMPARE(main.mnuData->text().remove(QLatin1Char('&')), QStringLiteral("Database"));
    QVERIFY(!main.databaseWindow());
    main.mnuData->trigger();
    QPointer<frmDatabase> first = main.databaseWindow();
    QVERIFY(first);
    QVERIFY(first->isVisible());
    QVERIFY(!first->parentWidget());
    QVERIFY(!first->isModal());
    main.mnuData->trigger();
    QCOMPARE(main.databaseWindow(), first.data());
    first->close();
    QTRY_VERIFY(!first); // deleted on close
    QVERIFY(!main.databaseWindow());
    main.mnuData->trigger();
    QVERIFY(main.databaseWindow());
    QCOMPARE(main.databaseWindow()->lstdata->items(), QStringList{ "one" });
    main.databaseWindow()->setAttribute(Qt::WA_DeleteOnClose, false);
    delete main.databaseWindow();
}

namespace {

// The program as main() builds it, with "End" pressed in the bookmark
// window; run as a child process by endEndsTheWholeProgramAtOnce.
class CloseCounter : public QObject
{
public:
    int closes = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Close)
            ++closes;
        return false;
    }
};

int pressEnd(int argc, char **argv)
{
    QApplication app(argc, argv);
    TestServices services;
    frmMain main(services.services());
    CloseCounter counter;
    main.installEventFilter(&counter);
    main.show();
    QTimer::singleShot(0, &main, [&] {
        main.mnuData->trigger();
        QTimer::singleShot(0, &main, [&] { main.databaseWindow()->cmdend->click(); });
    });
    QTimer::singleShot(15000, &app, [] { QCoreApplication::exit(3); });
    const int code = app.exec();
    std::printf("main window %s, %d close events, store %s\n",
                main.isVisible() ? "visible" : "hidden", counter.closes,
                main.databaseWindow()->isStoreOpen() ? "open" : "closed");
    return code;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 2 && qstrcmp(argv[1], "--press-end") == 0)
        return pressEnd(argc, argv);
    QApplication app(argc, argv);
    QTEST_DISABLE_KEYPAD_NAVIGATION
    tst_frmDatabase test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_frmdatabase.moc"
