// Faults of the file system met by the real windows: a full disk, read-only
// and unreadable files and folders, a ROM image that went away after it was
// chosen. Each must show its message, lose nothing, and leave the program
// usable once the fault is gone.

#include "bookmarkstore.h"
#include "datafolder.h"
#include "frmdatabase.h"
#include "frmmain.h"
#include "listbox.h"
#include "pickersettings.h"
#include "testservices.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <linux/capability.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sched.h>
#include <unistd.h>

#include <csignal>
#include <functional>
#include <memory>

namespace {

// Set in main: the test runs in a mount namespace of its own, so it may
// mount a small tmpfs that nobody else sees and that goes with the process.
bool g_privateMounts = false;

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate)
            && file.write(bytes) == bytes.size();
}

// Root passes every permission check. As root, the checks that let it read
// and write any file are dropped from this thread's effective set while the
// object lives (they stay permitted and come back after), so mode bits bind
// it as they bind every user. Nothing to do for other users.
class PermissionBitsBind
{
public:
    PermissionBitsBind()
    {
        if (::geteuid() != 0) {
            m_ok = true;
            return;
        }
        if (!get(m_saved))
            return;
        Caps lowered = m_saved;
        for (int cap : { CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER })
            lowered.data[cap / 32].effective &= ~(1u << (cap % 32));
        m_ok = set(lowered);
        m_restore = m_ok;
    }
    ~PermissionBitsBind()
    {
        if (m_restore)
            set(m_saved);
    }
    bool ok() const { return m_ok; }

private:
    struct Caps
    {
        __user_cap_header_struct header{ _LINUX_CAPABILITY_VERSION_3, 0 };
        __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3]{};
    };
    static bool get(Caps &caps)
    {
        return ::syscall(SYS_capget, &caps.header, caps.data) == 0;
    }
    static bool set(Caps &caps)
    {
        caps.header = { _LINUX_CAPABILITY_VERSION_3, 0 };
        return ::syscall(SYS_capset, &caps.header, caps.data) == 0;
    }
    Caps m_saved;
    bool m_ok = false;
    bool m_restore = false;
};

// How the disk is made full.
enum class FullDisk { FileSizeLimit, SmallTmpfs };

// A folder on which writing beyond a point fails as on a full disk: either
// the process may not grow any file past a size (RLIMIT_FSIZE, with SIGXFSZ
// ignored so the write fails with EFBIG instead of ending the process), or
// the folder is a 1 MiB tmpfs filled to the last page (ENOSPC).
class DiskFiller
{
public:
    DiskFiller(FullDisk how, const QString &folder) : m_how(how), m_folder(folder) { }
    ~DiskFiller()
    {
        lift();
        if (m_mounted)
            ::umount2(QFile::encodeName(m_folder).constData(), MNT_DETACH);
    }

    // Empty, or why this way of filling cannot be used here.
    QString prepare()
    {
        if (!QDir().mkpath(m_folder))
            return QStringLiteral("cannot create %1").arg(m_folder);
        if (m_how == FullDisk::FileSizeLimit)
            return QString();
        if (!g_privateMounts)
            return QStringLiteral("mounting a tmpfs needs root with CAP_SYS_ADMIN and a mount "
                                  "namespace of its own, not available here");
        if (::mount("cindral-test", QFile::encodeName(m_folder).constData(), "tmpfs", 0,
                    "size=1m,mode=0755")
            != 0)
            return QStringLiteral("mount tmpfs: %1").arg(qt_error_string(errno));
        m_mounted = true;
        return QString();
    }

    // From now on no file grows beyond sizeLimit bytes (with the size
    // limit), or the tmpfs has no free page.
    bool fill(qint64 sizeLimit)
    {
        if (m_how == FullDisk::FileSizeLimit) {
            std::signal(SIGXFSZ, SIG_IGN);
            if (::getrlimit(RLIMIT_FSIZE, &m_oldLimit) != 0)
                return false;
            rlimit limited = m_oldLimit;
            limited.rlim_cur = rlim_t(sizeLimit);
            m_limited = ::setrlimit(RLIMIT_FSIZE, &limited) == 0;
            return m_limited;
        }
        QFile filler(m_folder + QStringLiteral("/filler"));
        if (!filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            return false;
        const QByteArray chunk(4096, 'F');
        while (filler.write(chunk) == chunk.size()) { }
        // The last write may have taken part of a chunk: the disk is full.
        return true;
    }

    void lift()
    {
        if (m_limited) {
            ::setrlimit(RLIMIT_FSIZE, &m_oldLimit);
            m_limited = false;
        }
        QFile::remove(m_folder + QStringLiteral("/filler"));
    }

private:
    FullDisk m_how;
    QString m_folder;
    bool m_mounted = false;
    bool m_limited = false;
    rlimit m_oldLimit{};
};

// A ROM image of one page with a known palette at 1A0.
QByteArray sampleRom()
{
    QByteArray rom(4096, '\0');
    for (int i = 0; i < rom.size(); ++i)
        rom[i] = char(i * 13);
    const char palette[] = "\xFF\x7F\x1F\x00\xE0\x03\x00\x7C";
    for (int i = 0; i < 8; ++i)
        rom[0x1A0 + i] = palette[i];
    return rom;
}

PickerSettings::Settings otherSettings()
{
    PickerSettings::Settings s;
    s.newColour = 0x336699;
    s.zoomIndex = 4;
    s.autoCopy = false;
    s.history[0] = { 0x112233, QString::number(0x112233) };
    return s;
}

} // namespace

Q_DECLARE_METATYPE(FullDisk)

class tst_Faults : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void paletteWriteOnAFullDisk_data();
    void paletteWriteOnAFullDisk();
    void bookmarkWriteOnAFullDisk_data();
    void bookmarkWriteOnAFullDisk();
    void settingsSaveOnAFullDisk_data();
    void settingsSaveOnAFullDisk();

    void readOnlyRomIsRefusedAndKept();
    void romGoneAfterChoosing_data();
    void romGoneAfterChoosing();

    void storeInABlockedDataFolder_data();
    void storeInABlockedDataFolder();
    void settingsInABlockedDataFolder_data();
    void settingsInABlockedDataFolder();

private:
    std::unique_ptr<frmDatabase> openBookmarks();
    void seedStore(const QStringList &names);
    QStringList storedNames();
    void openRom(frmMain &window, const QString &path);
    void typeOffset(frmMain &window, const QString &text);
    QStringList warnings() const;

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_data;
    TestServices m_services;
};

void tst_Faults::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_data = m_dir->filePath(QStringLiteral("data"));
    QVERIFY(QDir().mkpath(m_data));
    qputenv("CINDRAL_DATA_DIR", QFile::encodeName(m_data));
    m_services.messages.messages.clear();
    m_services.messages.answers.clear();
    m_services.files.answers.clear();
}

void tst_Faults::cleanup()
{
    // Whatever a test blocked, the folder must be removable again.
    for (const QString &path : { m_data, m_dir->path() }) {
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    m_dir.reset();
}

std::unique_ptr<frmDatabase> tst_Faults::openBookmarks()
{
    auto window = std::make_unique<frmDatabase>(m_services.services());
    window->setAttribute(Qt::WA_DeleteOnClose, false);
    window->setEndProgram([] { QFAIL("End must not run here"); });
    window->show();
    return window;
}

void tst_Faults::seedStore(const QStringList &names)
{
    Bookmarks::Database db;
    QVERIFY2(db.open(Platform::dataFile(Bookmarks::storeFileName())), qPrintable(db.lastError()));
    Bookmarks::RecordSet table = db.openTable();
    for (const QString &name : names) {
        table.addNew();
        table.setValue(Bookmarks::RecordSet::Surname, name);
        table.setValue(Bookmarks::RecordSet::Forename, QStringLiteral("1A0"));
        QVERIFY2(table.update(), qPrintable(table.lastError()));
    }
}

QStringList tst_Faults::storedNames()
{
    Bookmarks::Database db;
    if (!db.open(Platform::dataFile(Bookmarks::storeFileName())))
        return { QStringLiteral("<cannot open: %1>").arg(db.lastError()) };
    QStringList names;
    const Bookmarks::RecordSet table = db.openTable();
    for (const Bookmarks::Row &row : table.rows())
        names << row.surname;
    return names;
}

void tst_Faults::openRom(frmMain &window, const QString &path)
{
    m_services.files.answers = { path };
    window.Apri->trigger();
}

void tst_Faults::typeOffset(frmMain &window, const QString &text)
{
    window.txtOffset->clear();
    QTest::keyClicks(window.txtOffset, text);
}

QStringList tst_Faults::warnings() const
{
    QStringList texts;
    for (const RecordedMessage &m : m_services.messages.messages) {
        if (m.title == QLatin1String("Warning") && m.icon == QMessageBox::Warning)
            texts << m.text;
    }
    return texts;
}

// --- a full disk -------------------------------------------------------

static void fullDiskRows()
{
    QTest::addColumn<FullDisk>("how");
    QTest::newRow("RLIMIT_FSIZE") << FullDisk::FileSizeLimit;
    QTest::newRow("full tmpfs") << FullDisk::SmallTmpfs;
}

void tst_Faults::paletteWriteOnAFullDisk_data()
{
    fullDiskRows();
}

// A palette written at the end of the image makes it grow; the disk
// refuses that. In-place writes need no space and are not at risk.
void tst_Faults::paletteWriteOnAFullDisk()
{
    QFETCH(FullDisk, how);
    DiskFiller disk(how, m_dir->filePath(QStringLiteral("disk")));
    if (const QString skip = disk.prepare(); !skip.isEmpty())
        QSKIP(qPrintable(skip));
    const QString rom = m_dir->filePath(QStringLiteral("disk/game.nds"));
    const QByteArray before = sampleRom();
    QVERIFY(writeFile(rom, before));

    frmMain window(m_services.services());
    openRom(window, rom);
    typeOffset(window, QStringLiteral("1A0"));
    window.Command2->click();
    QCOMPARE(window.txtChgPal[0]->text(), QStringLiteral("FF7F"));
    typeOffset(window, QStringLiteral("1000"));

    QVERIFY(disk.fill(before.size()));
    m_services.messages.answers = { QMessageBox::Yes }; // grow the image
    window.Command1->click();
    disk.lift();
    QCOMPARE(warnings().size(), 1);
    QVERIFY2(warnings().first().startsWith(QStringLiteral("Cannot write the palette to \"%1\": ")
                                                   .arg(rom)),
             qPrintable(warnings().first()));
    QCOMPARE(m_services.messages.messages.size(), 2); // the question, no "Edited"
    QCOMPARE(fileBytes(rom).left(before.size()), before);
    QCOMPARE(window.txtChgPal[0]->text(), QStringLiteral("FF7F"));
    QVERIFY(window.Command1->isEnabled());

    // With room again, the same OK writes.
    m_services.messages.answers = { QMessageBox::Yes };
    window.Command1->click();
    QCOMPARE(m_services.messages.messages.size(), 4);
    QCOMPARE(m_services.messages.messages.last().text, QStringLiteral("Palette 1000 Edited"));
    const QByteArray after = fileBytes(rom);
    QCOMPARE(after.size(), before.size() + 32);
    QCOMPARE(after.left(before.size()), before);
    QCOMPARE(after.mid(before.size(), 32), before.mid(0x1A0, 32));
}

void tst_Faults::bookmarkWriteOnAFullDisk_data()
{
    QTest::addColumn<FullDisk>("how");
    QTest::addColumn<QString>("operation");
    const std::pair<const char *, FullDisk> disks[] = { { "RLIMIT_FSIZE", FullDisk::FileSizeLimit },
                                                        { "full tmpfs", FullDisk::SmallTmpfs } };
    for (const auto &[disk, how] : disks) {
        for (const char *operation : { "add", "change", "delete" })
            QTest::addRow("%s, %s", operation, disk) << how << QString::fromLatin1(operation);
    }
}

// Adding, changing and deleting each write one transaction; on a full disk
// it fails, the window says so and keeps what the user typed, and the same
// button works once there is room again.
void tst_Faults::bookmarkWriteOnAFullDisk()
{
    QFETCH(FullDisk, how);
    QFETCH(QString, operation);
    DiskFiller disk(how, m_data);
    if (const QString skip = disk.prepare(); !skip.isEmpty())
        QSKIP(qPrintable(skip));
    const QStringList seeded{ QStringLiteral("title screen"), QStringLiteral("hero") };
    seedStore(seeded);

    auto window = openBookmarks();
    QCOMPARE(window->lstdata->items(), seeded);
    QStringList expected;
    QString warning;
    std::function<void()> press;
    if (operation == QLatin1String("add")) {
        window->cmdAdd->click();
        QTest::keyClicks(window->txtSurname, QStringLiteral("boss"));
        QTest::keyClicks(window->txtForename, QStringLiteral("4C0"));
        expected = seeded + QStringList{ QStringLiteral("boss") };
        warning = QStringLiteral("Cannot save the bookmark in");
        press = [&] { window->cmdsave->click(); };
    } else if (operation == QLatin1String("change")) {
        window->lstdata->setCurrentRow(1);
        window->cmdEdit->click();
        window->txtSurname->selectAll();
        QTest::keyClicks(window->txtSurname, QStringLiteral("villain"));
        expected = QStringList{ seeded.first(), QStringLiteral("villain") };
        warning = QStringLiteral("Cannot save the bookmark in");
        press = [&] { window->cmdsave->click(); };
    } else {
        window->lstdata->setCurrentRow(1);
        expected = QStringList{ seeded.first() };
        warning = QStringLiteral("Cannot delete the bookmark from");
        press = [&] {
            m_services.messages.answers = { QMessageBox::Yes };
            window->cmdDelete->click();
        };
    }
    const QString typed = window->txtSurname->text();

    // Not a byte more for any file: the write-ahead log cannot take it.
    QVERIFY(disk.fill(0));
    press();
    disk.lift();
    QCOMPARE(warnings().size(), 1);
    QVERIFY2(warnings().first().startsWith(warning), qPrintable(warnings().first()));
    // Nothing stored is lost, and what was typed waits in its box.
    QCOMPARE(storedNames(), seeded);
    QCOMPARE(window->lstdata->items(), seeded);
    QCOMPARE(window->txtSurname->text(), typed);

    const qsizetype messagesBefore = m_services.messages.messages.size();
    press();
    QCOMPARE(warnings().size(), 1);
    if (operation != QLatin1String("delete")) // only the question
        QCOMPARE(m_services.messages.messages.size(), messagesBefore);
    QCOMPARE(window->lstdata->items(), expected);
    window.reset();
    QCOMPARE(storedNames(), expected);
}
void tst_Faults::settingsSaveOnAFullDisk_data()
{
    fullDiskRows();
}

void tst_Faults::settingsSaveOnAFullDisk()
{
    QFETCH(FullDisk, how);
    DiskFiller disk(how, m_data);
    if (const QString skip = disk.prepare(); !skip.isEmpty())
        QSKIP(qPrintable(skip));
    const QString path = Platform::dataFile(QStringLiteral("Colorpicker.dat"));
    QVERIFY(PickerSettings::save(path, PickerSettings::Settings{}));
    const QByteArray before = fileBytes(path);

    QVERIFY(disk.fill(0));
    QString reason;
    const bool saved = PickerSettings::save(path, otherSettings(), &reason);
    disk.lift();
    QVERIFY2(!saved, "a save on a full disk must not report success");
    QVERIFY(!reason.isEmpty());
    QCOMPARE(fileBytes(path), before);
    // No half-written temporary file stays behind.
    QCOMPARE(QDir(m_data).entryList(QDir::Files | QDir::Hidden),
             QStringList{ QStringLiteral("Colorpicker.dat") });

    QVERIFY(PickerSettings::save(path, otherSettings(), &reason));
    QCOMPARE(fileBytes(path), PickerSettings::serialize(otherSettings()));
}

// --- the ROM image -----------------------------------------------------

void tst_Faults::readOnlyRomIsRefusedAndKept()
{
    PermissionBitsBind bits;
    if (!bits.ok())
        QSKIP("cannot drop root's permission override here");
    const QString rom = m_dir->filePath(QStringLiteral("game.nds"));
    const QByteArray before = sampleRom();
    QVERIFY(writeFile(rom, before));
    QVERIFY(QFile::setPermissions(rom, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));

    frmMain window(m_services.services());
    openRom(window, rom);
    typeOffset(window, QStringLiteral("1A0"));
    window.Command2->click(); // reading works
    QCOMPARE(window.txtChgPal[1]->text(), QStringLiteral("1F00"));
    window.txtChgPal[1]->setText(QStringLiteral("0000"));
    window.Command1->click();
    QCOMPARE(warnings().size(), 1);
    QVERIFY(warnings().first().startsWith(QStringLiteral("Cannot write the palette to")));
    QCOMPARE(fileBytes(rom), before);
    QCOMPARE(window.txtChgPal[1]->text(), QStringLiteral("0000"));

    QVERIFY(QFile::setPermissions(rom, QFile::ReadOwner | QFile::WriteOwner));
    window.Command1->click();
    QCOMPARE(m_services.messages.messages.last().text, QStringLiteral("Palette 1A0 Edited"));
    QCOMPARE(fileBytes(rom).mid(0x1A2, 2), QByteArray(2, '\0'));
}

void tst_Faults::romGoneAfterChoosing_data()
{
    QTest::addColumn<bool>("folder");
    QTest::newRow("deleted") << false;
    QTest::newRow("replaced by a folder") << true;
}

// Both buttons warn and keep the boxes; once the image is back, both work.
void tst_Faults::romGoneAfterChoosing()
{
    QFETCH(bool, folder);
    const QString rom = m_dir->filePath(QStringLiteral("game.nds"));
    const QByteArray before = sampleRom();
    QVERIFY(writeFile(rom, before));
    frmMain window(m_services.services());
    openRom(window, rom);
    typeOffset(window, QStringLiteral("1A0"));
    window.Command2->click();
    QVERIFY(QFile::remove(rom));
    if (folder)
        QVERIFY(QDir().mkdir(rom));

    window.Command2->click();
    window.Command1->click();
    QCOMPARE(warnings().size(), 2);
    QVERIFY(warnings().at(0).startsWith(QStringLiteral("Cannot read the palette from")));
    QVERIFY(warnings().at(1).startsWith(QStringLiteral("Cannot write the palette to")));
    QCOMPARE(m_services.messages.messages.size(), 2);
    QCOMPARE(window.txtChgPal[0]->text(), QStringLiteral("FF7F"));
    QCOMPARE(QFileInfo(rom).isDir(), folder);
    QCOMPARE(QFileInfo::exists(rom), folder);

    if (folder)
        QVERIFY(QDir().rmdir(rom));
    QByteArray changed = before;
    changed[0x1A0] = 0x00;
    QVERIFY(writeFile(rom, changed));
    window.Command2->click();
    QCOMPARE(window.txtChgPal[0]->text(), QStringLiteral("007F"));
    window.Command1->click();
    QCOMPARE(m_services.messages.messages.last().text, QStringLiteral("Palette 1A0 Edited"));
    QCOMPARE(fileBytes(rom), changed);
}

// --- the data folder ---------------------------------------------------

static void blockedFolderRows()
{
    QTest::addColumn<QString>("blocked"); // "folder" or the file's name
    QTest::addColumn<int>("permissions");
    const int readOnly = int(QFile::ReadOwner | QFile::ExeOwner);
    QTest::newRow("read-only folder") << "folder" << readOnly;
    QTest::newRow("unreadable folder") << "folder" << 0;
    QTest::newRow("read-only store file") << Bookmarks::storeFileName()
                                          << int(QFile::ReadOwner);
}

void tst_Faults::storeInABlockedDataFolder_data()
{
    blockedFolderRows();
}

// The bookmark window warns, at opening or at saving, keeps what it could
// not save in its boxes, and the store is whole once the folder is back.
void tst_Faults::storeInABlockedDataFolder()
{
    QFETCH(QString, blocked);
    QFETCH(int, permissions);
    const QStringList seeded{ QStringLiteral("title screen"), QStringLiteral("hero") };
    seedStore(seeded);
    const QString target = blocked == QLatin1String("folder") ? m_data : Platform::dataFile(blocked);
    const QFile::Permissions normal = QFile::permissions(target);
    // Also for the time after the fault: what the blocked run left behind
    // must not block a later one.
    PermissionBitsBind bits;
    if (!bits.ok())
        QSKIP("cannot drop root's permission override here");
    {
        QVERIFY(QFile::setPermissions(target, QFile::Permissions(permissions)));
        auto window = openBookmarks();
        if (warnings().isEmpty()) {
            // The store opened (to read): saving must fail plainly.
            QCOMPARE(window->lstdata->items(), seeded);
            window->cmdAdd->click();
            QTest::keyClicks(window->txtSurname, QStringLiteral("boss"));
            QTest::keyClicks(window->txtForename, QStringLiteral("4C0"));
            window->cmdsave->click();
            QCOMPARE(warnings().size(), 1);
            QVERIFY2(warnings().first().startsWith(QStringLiteral("Cannot save the bookmark in")),
                     qPrintable(warnings().first()));
            QVERIFY(window->isAdding());
            QCOMPARE(window->txtSurname->text(), QStringLiteral("boss"));
        } else {
            QCOMPARE(warnings().size(), 1);
            QVERIFY2(warnings().first().startsWith(QStringLiteral("Cannot open the bookmark database")),
                     qPrintable(warnings().first()));
            QVERIFY(!window->cmdAdd->isEnabled());
            QVERIFY(window->isVisible());
        }
        QVERIFY(QFile::setPermissions(target, normal));
    }
    qInfo("%s", qPrintable(warnings().join(u'\n')));
    QCOMPARE(storedNames(), seeded);

    // The folder is back: a new window lists and saves.
    m_services.messages.messages.clear();
    auto window = openBookmarks();
    QCOMPARE(window->lstdata->items(), seeded);
    window->cmdAdd->click();
    QTest::keyClicks(window->txtSurname, QStringLiteral("boss"));
    QTest::keyClicks(window->txtForename, QStringLiteral("4C0"));
    window->cmdsave->click();
    QVERIFY2(m_services.messages.messages.isEmpty(),
             qPrintable(m_services.messages.messages.value(0).text));
    window.reset();
    QCOMPARE(storedNames(), seeded + QStringList{ QStringLiteral("boss") });
}

void tst_Faults::settingsInABlockedDataFolder_data()
{
    QTest::addColumn<int>("permissions");
    QTest::newRow("read-only folder") << int(QFile::ReadOwner | QFile::ExeOwner);
    QTest::newRow("unreadable folder") << 0;
}

void tst_Faults::settingsInABlockedDataFolder()
{
    QFETCH(int, permissions);
    const QString path = Platform::dataFile(QStringLiteral("Colorpicker.dat"));
    QVERIFY(PickerSettings::save(path, PickerSettings::Settings{}));
    const QByteArray before = fileBytes(path);
    const QFile::Permissions normal = QFile::permissions(m_data);
    PermissionBitsBind bits;
    if (!bits.ok())
        QSKIP("cannot drop root's permission override here");
    {
        QVERIFY(QFile::setPermissions(m_data, QFile::Permissions(permissions)));
        QString reason;
        const bool saved = PickerSettings::save(path, otherSettings(), &reason);
        QVERIFY(QFile::setPermissions(m_data, normal));
        QVERIFY2(!saved, "a save into a blocked folder must not report success");
        QVERIFY(!reason.isEmpty());
    }
    QCOMPARE(fileBytes(path), before);
    QCOMPARE(QDir(m_data).entryList(QDir::Files | QDir::Hidden),
             QStringList{ QStringLiteral("Colorpicker.dat") });
    QVERIFY(PickerSettings::save(path, otherSettings()));
    QCOMPARE(fileBytes(path), PickerSettings::serialize(otherSettings()));
}

int main(int argc, char **argv)
{
    // Mounts made by this test stay inside it. Must happen while the
    // process still has a single thread.
    if (::geteuid() == 0 && ::unshare(CLONE_NEWNS) == 0
        && ::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0)
        g_privateMounts = true;
    QApplication app(argc, argv);
    tst_Faults test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_faults.moc"
