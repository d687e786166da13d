// The three files the program saves (a ROM image's palette, also through
// the write journal, Colorpicker.dat, the bookmark store) against what can
// go wrong beneath them: a kill at any moment, a full disk, a blocked folder
// or file, a ROM image gone, a sync that fails. Each leaves the old contents
// or the new, never a torn or empty file, is reported, and the same save
// works once the fault is gone. A journal entry is marked done only then.

#include "bookmarkstore.h"
#include "pickersettings.h"
#include "rompalette.h"
#include "testfiles.h"
#include "teststore.h"
#include "writejournal.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <linux/capability.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <optional>
#include <thread>

namespace {

RomPalette::Bytes palette(quint8 seed)
{
    RomPalette::Bytes bytes {};
    for (int i = 0; i < RomPalette::ByteCount; ++i)
        bytes[i] = quint8(seed + 7 * i);
    return bytes;
}
QByteArray bytesOf(const RomPalette::Bytes& p)
{
    return QByteArray((const char*)p.data(), p.size());
}

PickerSettings::Settings settings(bool changed)
{
    PickerSettings::Settings s;
    for (int i = 0; changed && i < PickerSettings::HistorySlots; ++i)
        s.history[i] = { 0x10101 * (i + 1), QString::number(0x10101 * (i + 1)) };
    s.autoCopy = !changed;
    return s;
}

// One saved file ("palette", "journal": a palette through the journal,
// "settings" or "store"): a good one to start from, a change (the step-th;
// odd steps give the same as the first), what it holds.
struct SavedFile {
    QString kind, path;
    quint32 offset = 0x1A0;
    mutable std::optional<WriteJournal::Entry> entry; // the journal's, of the last save

    bool rom() const { return kind == u"palette" || kind == u"journal"; }
    bool create() const
    {
        QString reason;
        // The journal's own files need room where the palette has none.
        const int size = kind == u"journal" ? 0x100000 : 0x1000;
        return (!rom() || TestFiles::writeFile(path, TestFiles::romImage(size)))
            && save(&reason, 0);
    }
    bool save(QString* reason, int step = 1, Bookmarks::RecordSet* table = nullptr) const
    {
        if (kind == u"journal") {
            const QString folder = QFileInfo(path).path();
            WriteJournal::Journal journal(
                QFileInfo(folder).path() + QStringLiteral("/Journal.sqlite"));
            const auto w
                = WriteJournal::write(journal, path, offset, bytesOf(palette(step % 2 ? 0x80 : 1)));
            entry = journal.entry(w.entryId);
            return (
                *reason = w.file.reason + w.journalError, w.file.ok && w.journalError.isEmpty());
        }
        if (kind == u"palette") {
            const auto r = RomPalette::writePalette(path, offset, palette(step % 2 ? 0x80 : 1));
            return (*reason = r.reason, r.ok);
        }
        if (kind == u"settings")
            return PickerSettings::save(path, settings(step % 2), reason);
        Bookmarks::Database db;
        Bookmarks::RecordSet own
            = !table && db.open(path) ? db.openTable() : Bookmarks::RecordSet();
        Bookmarks::RecordSet& set = table ? *table : own;
        set.addNew();
        set.setValue(Bookmarks::RecordSet::Surname, QStringLiteral("row%1").arg(step));
        return set.update() || (*reason = set.lastError() + db.lastError(), false);
    }
    QByteArray contents() const
    {
        return kind == u"store" ? TestStore::names(path).join(u'\n').toUtf8()
                                : TestFiles::readFile(path);
    }
    QByteArray changed(const QByteArray& before) const
    {
        if (kind == u"store")
            return before + "\nrow1";
        if (kind == u"settings")
            return PickerSettings::serialize(settings(true));
        return before.left(offset) + bytesOf(palette(0x80)) + before.mid(offset + 32);
    }
};

// Saves over and over; writes "ready" to fd before the first save and a
// line after each that returned. Every fourth store child says "ready"
// before opening the store, so a kill may fall while it recovers the log.
int saveUntilKilled(const SavedFile& file, int cycle, int fd)
{
    auto ready = [fd] { return ::write(fd, "ready\n", 6) == 6; };
    Bookmarks::Database db;
    Bookmarks::RecordSet table;
    const bool store = file.kind == u"store";
    if ((!store || cycle % 4 == 0) && !ready())
        return 10;
    if (store && !(db.open(file.path) && (table = db.openTable(), cycle % 4 == 0 || ready())))
        return 11;
    QString reason;
    for (int step = cycle * 100000; file.save(&reason, step, &table); ++step)
        (void)!::write(fd, "saved\n", 6);
    return 12;
}

// Forks a child saving, lets it finish up to two saves, kills it at a
// random moment of a save's length after that, and gives how many saves
// returned; -1 when it did not get ready or ended by itself.
int runAndKill(const SavedFile& file, int cycle)
{
    static qint64 saveNs = 20'000'000; // as last measured
    int fds[2];
    if (::pipe(fds) != 0)
        return -1;
    const pid_t pid = ::fork();
    if (pid == 0)
        ::_exit(saveUntilKilled(file, cycle, fds[1]));
    ::close(fds[1]);
    FILE* lines = ::fdopen(fds[0], "r");
    char line[16];
    const bool ready = std::fgets(line, sizeof line, lines) && line == QByteArray("ready\n");
    const int first = QRandomGenerator::global()->bounded(3);
    int status = 0, saved = 0;
    QElapsedTimer clock;
    clock.start();
    while (ready && saved < first && std::fgets(line, sizeof line, lines))
        ++saved;
    saveNs = saved > 0 ? clock.nsecsElapsed() / saved : saveNs;
    if (ready)
        std::this_thread::sleep_for(
            std::chrono::nanoseconds(QRandomGenerator::global()->bounded(saveNs * 3 / 2 + 1)));
    ::kill(pid, SIGKILL);
    ::waitpid(pid, &status, 0);
    while (std::fgets(line, sizeof line, lines))
        ++saved;
    std::fclose(lines);
    return ready && WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL ? saved : -1;
}

// Root passes every mode check; while this lives, root's overrides are
// dropped from this thread, so mode bits bind it as any user.
struct ModeBitsBind {
    __user_cap_header_struct header { _LINUX_CAPABILITY_VERSION_3, 0 };
    __user_cap_data_struct saved[2] {}, lowered[2] {};
    bool ok = ::geteuid() != 0, restore = false;
    ModeBitsBind()
    {
        if (ok || ::syscall(SYS_capget, &header, saved) != 0)
            return;
        std::copy(saved, saved + 2, lowered);
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

} // namespace

class tst_Faults : public QObject {
    Q_OBJECT
    std::optional<QTemporaryDir> m_dir;
    SavedFile file(const QString& kind) const
    {
        QDir(m_dir->path()).mkdir(kind);
        return { kind, m_dir->filePath(kind + QStringLiteral("/file")), 0x1A0, std::nullopt };
    }

private slots:
    void init() { QVERIFY(m_dir.emplace().isValid()); }
    void killedSave_data();
    void killedSave();
    void saveMeetsAFault_data();
    void saveMeetsAFault();
    void failedSyncIsAFailedWrite();
};

void tst_Faults::killedSave_data()
{
    QTest::addColumn<QString>("kind");
    for (const char* kind : { "palette", "settings", "store" })
        QTest::newRow(kind) << QString::fromLatin1(kind);
}

// A child saving over and over is killed with SIGKILL: after every kill
// the file holds one of its two contents, and the store every bookmark
// whose save had returned (and perhaps the one in flight).
void tst_Faults::killedSave()
{
    QFETCH(QString, kind);
    const SavedFile file = this->file(kind);
    QVERIFY(file.create());
    const QByteArray start = file.contents();
    QStringList known = TestStore::names(file.path);
    const int set = qEnvironmentVariableIntValue("CINDRAL_CRASH_KILLS_PER_KIND");
    const int kills = set > 0 ? set : 400;
    int interrupted = 0; // kills after at least one save had returned
    for (int cycle = 0; cycle < kills; ++cycle) {
        const int saved = runAndKill(file, cycle);
        QVERIFY2(saved >= 0, "the child did not start, or ended by itself");
        interrupted += saved > 0;
        const QByteArray now = file.contents();
        if (kind != u"store") {
            QVERIFY2(now == start || now == file.changed(start), now.toHex().constData());
            continue;
        }
        QCOMPARE(TestStore::query(file.path, "PRAGMA integrity_check"), QStringList { "ok" });
        const QStringList names = TestStore::names(file.path), added = names.mid(known.size());
        QCOMPARE(names.mid(0, known.size()), known);
        QVERIFY2(added.size() >= saved && added.size() <= saved + 1, qPrintable(added.join(u' ')));
        for (int i = 0; i < added.size(); ++i)
            QCOMPARE(added.at(i), QStringLiteral("row%1").arg(cycle * 100000 + i));
        known = names;
    }
    qInfo("%d kills, %d after a save had returned", kills, interrupted);
    QVERIFY(interrupted > kills / 3); // kills before any save prove nothing
}

void tst_Faults::saveMeetsAFault_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("fault");
    const QList<std::pair<const char*, QStringList>> rows = {
        { "full disk", { "palette", "journal", "settings", "store" } },
        { "read-only folder", { "settings", "store" } },
        { "unreadable folder", { "settings", "store" } },
        { "read-only file", { "palette", "journal", "store" } },
        { "file deleted", { "palette" } },
        { "file replaced by a folder", { "palette" } },
        { "folder deleted", { "palette" } },
    };
    for (const auto& [fault, kinds] : rows) {
        for (const QString& kind : kinds)
            QTest::addRow("%s, %s", qPrintable(kind), fault) << kind << QString::fromLatin1(fault);
    }
}

// The save fails and says why, creates no file that was gone, and leaves
// the file as it was with no temporary file beside it. Once the fault is
// gone the same save works, also for a store opened while it could only be
// read. A full disk (no file may grow: RLIMIT_FSIZE, SIGXFSZ ignored) takes
// the palette past the end of the image, as an in-place write needs no room.
void tst_Faults::saveMeetsAFault()
{
    QFETCH(QString, kind);
    QFETCH(QString, fault);
    SavedFile file = this->file(kind);
    const QString folder = QFileInfo(file.path).path();
    QVERIFY(file.create());
    const QByteArray before = file.contents();
    const bool full = fault == u"full disk",
               gone = fault.contains(u"deleted") || fault.contains(u"replaced");
    file.offset = file.rom() && full ? quint32(before.size()) : file.offset;
    const QString blocked = fault.endsWith(u"folder") ? folder : file.path;
    const QFile::Permissions mode = QFile::permissions(blocked);
    ModeBitsBind bind;
    if (!bind.ok)
        QSKIP("cannot drop root's permission overrides here");

    // No QVERIFY while the fault is on: it would stay for the next test.
    rlimit normal {};
    rlimit limit { rlim_t(file.rom() ? before.size() : 0), RLIM_INFINITY };
    std::signal(SIGXFSZ, SIG_IGN);
    bool on = !full
        || (::getrlimit(RLIMIT_FSIZE, &normal) == 0 && ::setrlimit(RLIMIT_FSIZE, &limit) == 0);
    if (fault.startsWith(u"read-only") || fault.startsWith(u"unreadable"))
        on = QFile::setPermissions(blocked,
            fault.startsWith(u"unreadable") ? QFile::Permissions()
                : fault.endsWith(u"file")   ? QFile::ReadOwner
                                            : QFile::ReadOwner | QFile::ExeOwner);
    if (gone)
        on = fault == u"folder deleted" ? QDir(folder).removeRecursively()
                                        : QFile::remove(file.path);
    if (fault.contains(u"replaced"))
        on = QDir().mkdir(file.path);
    RomPalette::Bytes read {};
    const bool readable = RomPalette::readPalette(file.path, 0x1A0, read).ok;
    QString reason;
    const bool saved = file.save(&reason);
    if (full)
        ::setrlimit(RLIMIT_FSIZE, &normal);
    QFile::setPermissions(blocked, mode);
    const bool isFile = QFileInfo(file.path).isFile();
    if (gone)
        (void)(QDir(folder).removeRecursively() && QDir().mkpath(folder)
            && TestFiles::writeFile(file.path, before));

    QVERIFY2(on, "the fault could not be made");
    QVERIFY2(!saved, "the save reported success");
    QVERIFY(!reason.isEmpty());
    if (kind == u"journal") // recorded, never marked done, nor judged done
        QVERIFY(file.entry && !file.entry->markedDone
            && file.entry->state != WriteJournal::State::Done);
    QCOMPARE(isFile, !gone);
    QVERIFY(!gone || !readable);
    QCOMPARE(file.contents(), before);
    if (kind != u"store") // SQLite's own log files may stay
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden),
            QStringList { QStringLiteral("file") });
    QVERIFY2(file.save(&reason), qPrintable(reason));
    QCOMPARE(file.contents(), file.changed(before));
    QVERIFY(kind != u"journal" || (file.entry && file.entry->markedDone));
}

// The built program's write meets a sync that fails (EIO): it says so,
// never "Edited", and the journal's entry is not marked done.
void tst_Faults::failedSyncIsAFailedWrite()
{
    const QString rom = m_dir->filePath(QStringLiteral("game.nds"));
    QVERIFY(TestFiles::writeFile(rom, TestFiles::romImage(0x1000)));
    QProcess cindral;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("CINDRAL_DATA_DIR", m_dir->path());
    env.insert("LD_PRELOAD", FAIL_SYNC_LIBRARY);
    env.insert("CINDRAL_FAIL_SYNC", QFileInfo(rom).canonicalFilePath());
    env.insert("ASAN_OPTIONS", "verify_asan_link_order=0:" + env.value("ASAN_OPTIONS"));
    cindral.setProcessEnvironment(env);
    cindral.start(CINDRAL_BINARY, { "--write-palette", rom, "1A0", "1F00" });
    QVERIFY(cindral.waitForFinished(30000));
    const QString out = cindral.readAllStandardOutput(), err = cindral.readAllStandardError();
    QCOMPARE(cindral.exitCode(), 1);
    QVERIFY2(err.contains(rom) && err.contains(std::strerror(EIO)) && !out.contains("Edited"),
        qPrintable(err + out));
    const auto entries = WriteJournal::Journal(m_dir->filePath("Journal.sqlite")).entries(rom);
    QVERIFY(entries.size() == 1 && !entries.first().markedDone);
}

QTEST_GUILESS_MAIN(tst_Faults)
#include "tst_faults.moc"
