// The three files the program saves (a ROM image's palette, Colorpicker.dat,
// the bookmark store) against what can go wrong underneath: a kill at any
// moment, a full disk, a blocked folder or file, a ROM image gone. Each
// fault leaves the old contents or the new, never a torn or empty file, is
// reported rather than passed as success, and the same save works once the
// fault is gone.

#include "bookmarkstore.h"
#include "pickersettings.h"
#include "rompalette.h"
#include "testfiles.h"

#include <QDir>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

#include <linux/capability.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <sched.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <thread>

using TestFiles::readFile;

namespace {

constexpr quint32 PaletteOffset = 0x1A0;
bool g_privateMounts = false; // set in main: a mount namespace of our own

QByteArray paletteBytes(quint8 seed)
{
    QByteArray bytes(RomPalette::ByteCount, '\0');
    for (int i = 0; i < bytes.size(); ++i)
        bytes[i] = char(seed + 7 * i);
    return bytes;
}

RomPalette::Bytes asPalette(const QByteArray &bytes)
{
    RomPalette::Bytes palette{};
    std::memcpy(palette.data(), bytes.constData(), palette.size());
    return palette;
}

PickerSettings::Settings changedSettings()
{
    PickerSettings::Settings s;
    s.newColour = 0x123456;
    s.zoomIndex = 7;
    s.autoCopy = false;
    for (int i = 0; i < PickerSettings::HistorySlots; ++i)
        s.history[i] = { qint32(0x10101 * (i + 1)), QString::number(0x10101 * (i + 1)) };
    return s;
}

// One saved file: a good one to start from, one change to save into it, and
// what it holds (the bytes; for the store, its names one a line).
struct SavedFile
{
    QString kind; // "palette", "settings" or "store"
    QString path;
    quint32 offset = PaletteOffset; // where the palette goes

    bool create() const
    {
        if (kind == QLatin1String("palette"))
            return TestFiles::writeFile(path, TestFiles::romImage(0x1000, { { PaletteOffset, paletteBytes(0x11) } }));
        if (kind == QLatin1String("settings"))
            return PickerSettings::save(path, PickerSettings::Settings{});
        Bookmarks::Database db;
        Bookmarks::RecordSet table = db.open(path) ? db.openTable() : Bookmarks::RecordSet();
        for (const char *name : { "title screen", "hero" }) {
            table.addNew();
            table.setValue(Bookmarks::RecordSet::Surname, QString::fromLatin1(name));
            if (!table.update())
                return false;
        }
        return true;
    }
    bool save(QString *reason) const
    {
        if (kind == QLatin1String("palette")) {
            const RomPalette::FileResult r = RomPalette::writePalette(path, offset, asPalette(paletteBytes(0x80)));
            *reason = r.reason;
            return r.ok;
        }
        if (kind == QLatin1String("settings"))
            return PickerSettings::save(path, changedSettings(), reason);
        Bookmarks::Database db;
        if (!db.open(path))
            return (*reason = db.lastError(), false);
        Bookmarks::RecordSet table = db.openTable();
        table.addNew();
        table.setValue(Bookmarks::RecordSet::Surname, QStringLiteral("boss"));
        const bool ok = table.update();
        *reason = table.lastError();
        return ok;
    }
    QByteArray contents() const
    {
        if (kind != QLatin1String("store"))
            return readFile(path);
        Bookmarks::Database db;
        if (!db.open(path))
            return "<cannot open: " + db.lastError().toUtf8() + '>';
        QByteArray names;
        const Bookmarks::RecordSet table = db.openTable();
        for (const Bookmarks::Row &row : table.rows())
            names += row.surname.toUtf8() + '\n';
        return names;
    }
    QByteArray changed(const QByteArray &before) const
    {
        if (kind == QLatin1String("palette"))
            return before.left(offset) + paletteBytes(0x80) + before.mid(offset + RomPalette::ByteCount);
        if (kind == QLatin1String("settings"))
            return PickerSettings::serialize(changedSettings());
        return before + "boss\n";
    }
    // A failed save leaves no temporary file beside the file (the store's
    // own log files are SQLite's).
    QStringList strayFiles() const
    {
        QStringList files = QFileInfo(path).dir().entryList(QDir::Files | QDir::Hidden);
        files.removeAll(QFileInfo(path).fileName());
        return kind == QLatin1String("store") ? QStringList() : files;
    }
};

// Root passes every permission check. While this lives, root's overrides
// are dropped from this thread's effective set, so mode bits bind it as
// they bind every user. Nothing to do for other users.
struct ModeBitsBind
{
    __user_cap_header_struct header{ _LINUX_CAPABILITY_VERSION_3, 0 };
    __user_cap_data_struct saved[_LINUX_CAPABILITY_U32S_3]{};
    bool ok = ::geteuid() != 0;
    bool restore = false;
    ModeBitsBind()
    {
        if (ok || ::syscall(SYS_capget, &header, saved) != 0)
            return;
        __user_cap_data_struct lowered[_LINUX_CAPABILITY_U32S_3] = { saved[0], saved[1] };
        for (int cap : { CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER })
            lowered[cap / 32].effective &= ~(1u << (cap % 32));
        ok = restore = ::syscall(SYS_capset, &header, lowered) == 0;
    }
    ~ModeBitsBind()
    {
        if (restore)
            ::syscall(SYS_capset, &header, saved);
    }
};

// A folder where writing stops as on a full disk: either no file may grow
// past a size (RLIMIT_FSIZE; SIGXFSZ ignored, so the write fails with
// EFBIG), or the folder is a 1 MiB tmpfs filled to its last page (ENOSPC).
enum class FullDisk { FileSizeLimit, SmallTmpfs };

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
    // Empty, or why this way cannot be used here.
    QString prepare()
    {
        if (!QDir().mkpath(m_folder))
            return QStringLiteral("cannot create ") + m_folder;
        if (m_how == FullDisk::FileSizeLimit)
            return QString();
        if (!g_privateMounts)
            return QStringLiteral("a private tmpfs needs root and a mount namespace");
        m_mounted = ::mount("cindral-test", QFile::encodeName(m_folder).constData(), "tmpfs", 0,
                            "size=1m,mode=0755") == 0;
        return m_mounted ? QString() : QStringLiteral("mount tmpfs: ") + qt_error_string(errno);
    }
    bool fill(qint64 sizeLimit)
    {
        if (m_how == FullDisk::FileSizeLimit) {
            std::signal(SIGXFSZ, SIG_IGN);
            rlimit limited{};
            if (::getrlimit(RLIMIT_FSIZE, &m_oldLimit) != 0)
                return false;
            limited = m_oldLimit;
            limited.rlim_cur = rlim_t(sizeLimit);
            return m_limited = ::setrlimit(RLIMIT_FSIZE, &limited) == 0;
        }
        QFile filler(m_folder + QStringLiteral("/filler"));
        if (!filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            return false;
        const QByteArray chunk(4096, 'F');
        while (filler.write(chunk) == chunk.size()) { }
        return true;
    }
    void lift()
    {
        if (m_limited)
            ::setrlimit(RLIMIT_FSIZE, &m_oldLimit);
        m_limited = false;
        QFile::remove(m_folder + QStringLiteral("/filler"));
    }

private:
    FullDisk m_how;
    QString m_folder;
    bool m_mounted = false;
    bool m_limited = false;
    rlimit m_oldLimit{};
};

// --- the child that is killed -------------------------------------------

// Saves kind into path over and over, alternating between two contents,
// and writes "ready" to fd before the first and the number of each save
// that returned. The bookmark child mostly says "ready" after opening its
// store, so most kills fall among the saves; every fourth run says it first
// and may die while opening, recovering the log the last one left.
int childMain(const QString &kind, const QString &path, int cycle, int fd)
{
    auto say = [fd](const QByteArray &line) { return ::write(fd, line.constData(), size_t(line.size())) == line.size(); };
    const bool readyAfterOpening = kind == QLatin1String("store") && cycle % 4 != 0;
    if (!readyAfterOpening && !say("ready\n"))
        return 10;
    const RomPalette::Bytes palettes[] = { asPalette(paletteBytes(0x11)), asPalette(paletteBytes(0x80)) };
    const PickerSettings::Settings settings[] = { PickerSettings::Settings{}, changedSettings() };
    Bookmarks::Database db;
    Bookmarks::RecordSet table;
    if (kind == QLatin1String("store")) {
        if (!db.open(path))
            return 11;
        table = db.openTable();
        if (readyAfterOpening && !say("ready\n"))
            return 10;
    }
    for (int i = 0;; ++i) {
        bool ok;
        if (kind == QLatin1String("palette")) {
            ok = RomPalette::writePalette(path, PaletteOffset, palettes[i % 2]).ok;
        } else if (kind == QLatin1String("settings")) {
            ok = PickerSettings::save(path, settings[i % 2]);
        } else {
            table.addNew();
            table.setValue(Bookmarks::RecordSet::Surname, QStringLiteral("c%1r%2").arg(cycle).arg(i));
            ok = table.update();
        }
        if (!ok)
            return 12;
        say(QByteArray::number(i) + '\n');
    }
}

// Forks a child saving kind into path, kills it after a random pause once
// it is ready, and gives the number of saves it reported, or -1.
int runAndKill(const QString &kind, const QString &path, int cycle)
{
    int fds[2];
    if (::pipe(fds) != 0)
        return -1;
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        ::_exit(childMain(kind, path, cycle, fds[1]));
    }
    ::close(fds[1]);
    FILE *reports = ::fdopen(fds[0], "r");
    char line[32];
    const bool ready = std::fgets(line, sizeof line, reports) && std::strcmp(line, "ready\n") == 0;
    if (ready) // long enough to span several saves
        std::this_thread::sleep_for(std::chrono::microseconds(QRandomGenerator::global()->bounded(25000)));
    ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
    int returned = 0;
    while (std::fgets(line, sizeof line, reports))
        ++returned;
    std::fclose(reports);
    return ready && WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL ? returned : -1;
}

QString integrityOf(const QString &path)
{
    sqlite3 *db = nullptr;
    QString result;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK)
        sqlite3_exec(db, "PRAGMA integrity_check", [](void *out, int, char **values, char **) {
            *static_cast<QString *>(out) += QString::fromUtf8(values[0]);
            return 0;
        }, &result, nullptr);
    else
        result = QString::fromUtf8(sqlite3_errmsg(db));
    sqlite3_close(db);
    return result;
}

int killsPerKind()
{
    bool ok = false;
    const int n = qEnvironmentVariableIntValue("CINDRAL_CRASH_KILLS_PER_KIND", &ok);
    return ok && n > 0 ? n : 400;
}

} // namespace

Q_DECLARE_METATYPE(FullDisk)

class tst_Faults : public QObject
{
    Q_OBJECT
private slots:
    void init() { m_dir = std::make_unique<QTemporaryDir>(); QVERIFY(m_dir->isValid()); }
    void killedSave_data();
    void killedSave();
    void fullDisk_data();
    void fullDisk();
    void blocked_data();
    void blocked();
    void romImageGone_data();
    void romImageGone();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
};

void tst_Faults::killedSave_data()
{
    QTest::addColumn<QString>("kind");
    for (const char *kind : { "palette", "settings", "store" })
        QTest::newRow(kind) << QString::fromLatin1(kind);
}

// A child saves over and over and is killed with SIGKILL after a random
// pause: after every kill the file holds the old or the new contents, and
// the store also every bookmark whose save had returned.
void tst_Faults::killedSave()
{
    QFETCH(QString, kind);
    const SavedFile file{ kind, m_dir->filePath(kind) };
    QVERIFY(file.create());
    const QByteArray start = file.contents();
    const QByteArray other = file.changed(start);
    QByteArray known = start; // the store: what earlier kills left
    const int kills = killsPerKind();
    int interrupted = 0; // kills after at least one save had returned
    for (int cycle = 0; cycle < kills; ++cycle) {
        const int returned = runAndKill(kind, file.path, cycle);
        QVERIFY2(returned >= 0, "the child did not start, or ended by itself");
        interrupted += returned > 0;

        const QByteArray after = file.contents();
        const QString where = QStringLiteral("%1 after kill %2").arg(kind).arg(cycle);
        if (kind != QLatin1String("store")) {
            QVERIFY2(after == start || after == other, qPrintable(where + ": " + after.toHex()));
            continue;
        }
        QCOMPARE(integrityOf(file.path), QStringLiteral("ok"));
        QVERIFY2(after.startsWith(known), qPrintable(where + ": earlier bookmarks lost"));
        QList<QByteArray> added = after.mid(known.size()).split('\n');
        added.removeLast(); // each name ends its line
        QVERIFY2(added.size() >= returned && added.size() <= returned + 1, // the one in flight
                 qPrintable(where + QStringLiteral(": %1 saves returned, %2 rows added").arg(returned).arg(added.size())));
        for (int i = 0; i < added.size(); ++i)
            QCOMPARE(added.at(i), QStringLiteral("c%1r%2").arg(cycle).arg(i).toUtf8());
        known = after;
    }
    qInfo("%s: %d kills, %d after a save had returned", qPrintable(kind), kills, interrupted);
    // Kills that all came before the first save would prove nothing.
    QVERIFY(interrupted > kills / 4);
}

void tst_Faults::fullDisk_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<FullDisk>("how");
    for (const auto &[suffix, how] : { std::pair{ ", RLIMIT_FSIZE", FullDisk::FileSizeLimit },
                                       std::pair{ ", full tmpfs", FullDisk::SmallTmpfs } }) {
        for (const char *kind : { "palette", "settings", "store" })
            QTest::addRow("%s%s", kind, suffix) << QString::fromLatin1(kind) << how;
    }
}

// The palette goes at the end of the image, which must grow; an in-place
// write needs no room. The others may not grow any file at all.
void tst_Faults::fullDisk()
{
    QFETCH(QString, kind);
    QFETCH(FullDisk, how);
    DiskFiller disk(how, m_dir->filePath(QStringLiteral("disk")));
    if (const QString why = disk.prepare(); !why.isEmpty())
        QSKIP(qPrintable(why));
    SavedFile file{ kind, m_dir->filePath(QStringLiteral("disk/") + kind) };
    QVERIFY(file.create());
    const QByteArray before = file.contents();
    const bool palette = kind == QLatin1String("palette");
    if (palette)
        file.offset = quint32(before.size());

    QVERIFY(disk.fill(palette ? before.size() : 0));
    QString reason;
    const bool saved = file.save(&reason);
    disk.lift();
    QVERIFY2(!saved, "a save on a full disk reported success");
    QVERIFY(!reason.isEmpty());
    QCOMPARE(file.contents(), before);
    QCOMPARE(file.strayFiles(), QStringList());

    QVERIFY2(file.save(&reason), qPrintable(reason));
    QCOMPARE(file.contents(), file.changed(before));
}

void tst_Faults::blocked_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("fileOnly"); // the file is blocked, not its folder
    QTest::addColumn<int>("mode");
    const int readOnly = int(QFile::ReadOwner | QFile::ExeOwner);
    for (const char *kind : { "settings", "store" }) {
        QTest::addRow("%s, read-only folder", kind) << QString::fromLatin1(kind) << false << readOnly;
        QTest::addRow("%s, unreadable folder", kind) << QString::fromLatin1(kind) << false << 0;
    }
    for (const char *kind : { "palette", "store" })
        QTest::addRow("%s, read-only file", kind) << QString::fromLatin1(kind) << true << int(QFile::ReadOwner);
}

// The save fails plainly and changes nothing; once the mode is back, the
// same save works, also for a store that was opened while it could only
// be read (its log files must not stay read-only).
void tst_Faults::blocked()
{
    QFETCH(QString, kind);
    QFETCH(bool, fileOnly);
    QFETCH(int, mode);
    const SavedFile file{ kind, m_dir->filePath(QStringLiteral("data/") + kind) };
    QVERIFY(QDir().mkpath(m_dir->filePath(QStringLiteral("data"))));
    QVERIFY(file.create());
    const QByteArray before = file.contents();
    const QString target = fileOnly ? file.path : QFileInfo(file.path).path();
    const QFile::Permissions normal = QFile::permissions(target);
    {
        ModeBitsBind bind;
        if (!bind.ok)
            QSKIP("cannot drop root's permission override here");
        QVERIFY(QFile::setPermissions(target, QFile::Permissions(mode)));
        QString reason;
        const bool saved = file.save(&reason);
        QVERIFY(QFile::setPermissions(target, normal));
        QVERIFY2(!saved, "a save into a blocked file reported success");
        QVERIFY(!reason.isEmpty());
        QCOMPARE(file.contents(), before);
        QCOMPARE(file.strayFiles(), QStringList());
        QVERIFY2(file.save(&reason), qPrintable(reason));
    }
    QCOMPARE(file.contents(), file.changed(before));
}

void tst_Faults::romImageGone_data()
{
    QTest::addColumn<QString>("replacement"); // what stands at the path
    QTest::newRow("deleted") << "";
    QTest::newRow("replaced by a folder") << "folder";
    QTest::newRow("its folder deleted") << "no folder";
}

// A ROM image that went away after it was chosen is never created by
// reading or writing its palette; once it is back, both work again.
void tst_Faults::romImageGone()
{
    QFETCH(QString, replacement);
    const QString folder = m_dir->filePath(QStringLiteral("roms"));
    const SavedFile file{ QStringLiteral("palette"), folder + QStringLiteral("/game.nds") };
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(file.create());
    const QByteArray before = file.contents();
    QVERIFY(QFile::remove(file.path));
    if (replacement == QLatin1String("folder"))
        QVERIFY(QDir().mkdir(file.path));
    else if (replacement == QLatin1String("no folder"))
        QVERIFY(QDir(folder).removeRecursively());

    RomPalette::Bytes read{};
    QVERIFY(!RomPalette::readPalette(file.path, PaletteOffset, read).ok);
    QString reason;
    QVERIFY(!file.save(&reason));
    QVERIFY(!reason.isEmpty());
    QVERIFY(!QFileInfo(file.path).isFile());
    QCOMPARE(QFileInfo(file.path).isDir(), replacement == QLatin1String("folder"));
    QCOMPARE(QFileInfo::exists(folder), replacement != QLatin1String("no folder"));

    QDir().rmdir(file.path);
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(TestFiles::writeFile(file.path, before));
    QVERIFY(RomPalette::readPalette(file.path, PaletteOffset, read).ok);
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(read.data()), RomPalette::ByteCount), paletteBytes(0x11));
    QVERIFY2(file.save(&reason), qPrintable(reason));
    QCOMPARE(file.contents(), file.changed(before));
}

int main(int argc, char **argv)
{
    // Mounts made here stay inside this process; only while it has one thread.
    g_privateMounts = ::geteuid() == 0 && ::unshare(CLONE_NEWNS) == 0
            && ::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
    QCoreApplication app(argc, argv);
    tst_Faults test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_faults.moc"
