// A child process saves over and over and is killed with SIGKILL at a random
// moment; after every kill the file it was writing must be whole: the ROM
// image holds the old or the new palette and nothing else changed,
// Colorpicker.dat is the old or the new file, the bookmark store is sound
// and holds every bookmark whose save had returned.

#include "bookmarkstore.h"
#include "pickersettings.h"
#include "rompalette.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

namespace {

constexpr quint32 PaletteOffset = 0x1A0;
constexpr int RomSize = 0x1000;
// The child's report channel, placed where nothing else lives.
constexpr int ReportFd = 100;
constexpr quint32 ReadyMark = 0xFFFFFFFFu;

RomPalette::Bytes palette(quint8 seed)
{
    RomPalette::Bytes bytes{};
    for (int i = 0; i < RomPalette::ByteCount; ++i)
        bytes[i] = quint8(seed + 7 * i);
    return bytes;
}

const RomPalette::Bytes paletteA = palette(0x11);
const RomPalette::Bytes paletteB = palette(0x80);

PickerSettings::Settings settingsA()
{
    return {};
}

PickerSettings::Settings settingsB()
{
    PickerSettings::Settings s;
    s.newColour = 0x123456;
    s.widthTwips = 12000;
    s.zoomIndex = 7;
    s.autoCopy = false;
    s.autoPaste = false;
    s.historyPointer = 4;
    for (int i = 0; i < PickerSettings::HistorySlots; ++i)
        s.history[i] = { qint32(0x10101 * (i + 1)), QString::number(0x10101 * (i + 1)) };
    return s;
}

QString bookmarkName(int cycle, quint32 row)
{
    return QStringLiteral("c%1r%2").arg(cycle).arg(row);
}

bool report(quint32 value)
{
    return ::write(ReportFd, &value, sizeof value) == ssize_t(sizeof value);
}

// --- the child ---------------------------------------------------------

int childMain(const QString &kind, const QString &path, int cycle)
{
    // The pause before the kill starts at the ready mark. The bookmark
    // child mostly marks after opening its store, so that most kills fall
    // among the saves; every fourth run marks first and may die while
    // opening, in the middle of recovering the log the last one left.
    const bool readyAfterOpening = kind == QLatin1String("bookmark") && cycle % 4 != 0;
    if (!readyAfterOpening && !report(ReadyMark))
        return 10;
    if (kind == QLatin1String("palette")) {
        for (quint32 i = 0;; ++i) {
            if (!RomPalette::writePalette(path, PaletteOffset, i % 2 ? paletteA : paletteB).ok)
                return 11;
            report(i);
        }
    }
    if (kind == QLatin1String("settings")) {
        const PickerSettings::Settings a = settingsA();
        const PickerSettings::Settings b = settingsB();
        for (quint32 i = 0;; ++i) {
            if (!PickerSettings::save(path, i % 2 ? a : b))
                return 12;
            report(i);
        }
    }
    if (kind == QLatin1String("bookmark")) {
        Bookmarks::Database db;
        if (!db.open(path))
            return 13;
        Bookmarks::RecordSet table = db.openTable();
        if (readyAfterOpening && !report(ReadyMark))
            return 10;
        for (quint32 i = 0;; ++i) {
            table.addNew();
            table.setValue(Bookmarks::RecordSet::Surname, bookmarkName(cycle, i));
            table.setValue(Bookmarks::RecordSet::Forename, QString::number(i, 16));
            if (!table.update())
                return 14;
            report(i);
        }
    }
    return 15;
}

// --- the parent --------------------------------------------------------

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

struct Outcome
{
    QString failure; // empty when the child ran and was killed as planned
    QList<quint32> reported;
};

// Starts a child saving kind into path, kills it after a random pause once
// it is running, and collects every save it reported.
Outcome runAndKill(const QByteArray &program, const QString &kind, const QString &path,
                   int cycle, int maxPauseMicroseconds)
{
    Outcome outcome;
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        outcome.failure = QStringLiteral("pipe: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
        return outcome;
    }
    const QByteArray kindArg = kind.toLocal8Bit();
    const QByteArray pathArg = QFile::encodeName(path);
    const QByteArray cycleArg = QByteArray::number(cycle);
    char *argv[] = { const_cast<char *>(program.constData()), const_cast<char *>("--child"),
                     const_cast<char *>(kindArg.constData()),
                     const_cast<char *>(pathArg.constData()),
                     const_cast<char *>(cycleArg.constData()), nullptr };
    const pid_t pid = ::fork();
    if (pid == 0) {
        // Only async-signal-safe calls between fork and exec.
        if (::dup2(fds[1], ReportFd) < 0)
            ::_exit(20);
        ::execv(argv[0], argv);
        ::_exit(21);
    }
    ::close(fds[1]);
    if (pid < 0) {
        ::close(fds[0]);
        outcome.failure = QStringLiteral("fork failed");
        return outcome;
    }

    auto readValue = [&](int timeoutMs, quint32 &value) {
        pollfd p{ fds[0], POLLIN, 0 };
        if (timeoutMs >= 0 && ::poll(&p, 1, timeoutMs) <= 0)
            return false;
        return ::read(fds[0], &value, sizeof value) == ssize_t(sizeof value);
    };
    quint32 ready = 0;
    const bool started = readValue(10000, ready) && ready == ReadyMark;
    if (started) {
        const int pause = QRandomGenerator::global()->bounded(maxPauseMicroseconds + 1);
        std::this_thread::sleep_for(std::chrono::microseconds(pause));
    }
    ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
    // The write end is closed now: read what is left up to the end.
    quint32 value = 0;
    while (readValue(-1, value))
        outcome.reported.append(value);
    ::close(fds[0]);
    if (!started)
        outcome.failure = QStringLiteral("the child did not start");
    else if (!WIFSIGNALED(status) || WTERMSIG(status) != SIGKILL)
        outcome.failure = QStringLiteral("the child ended by itself with status %1")
                                  .arg(WIFEXITED(status) ? WEXITSTATUS(status) : -1);
    return outcome;
}

int killsPerKind()
{
    bool ok = false;
    const int n = qEnvironmentVariableIntValue("CINDRAL_CRASH_KILLS_PER_KIND", &ok);
    return ok && n > 0 ? n : 400;
}

// The longest random pause before a kill; long enough to span several saves.
constexpr int MaxPauseUs = 25000;

struct SqliteCheck
{
    QString failure;
    QStringList names;
};

SqliteCheck checkStore(const QString &path)
{
    SqliteCheck check;
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr)
        != SQLITE_OK) {
        check.failure = QStringLiteral("cannot open: %1").arg(QString::fromUtf8(sqlite3_errmsg(db)));
        sqlite3_close(db);
        return check;
    }
    sqlite3_stmt *stmt = nullptr;
    QStringList integrity;
    if (sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &stmt, nullptr) == SQLITE_OK) {
        while (sqlite3_step(stmt) == SQLITE_ROW)
            integrity << QString::fromUtf8(
                    reinterpret_cast<const char *>(sqlite3_column_text(stmt, 0)));
    }
    sqlite3_finalize(stmt);
    if (integrity != QStringList{ QStringLiteral("ok") })
        check.failure = QStringLiteral("integrity_check: %1").arg(integrity.join(u"; "));
    stmt = nullptr;
    if (check.failure.isEmpty()) {
        if (sqlite3_prepare_v2(db, "SELECT surname FROM tbldata ORDER BY rowid", -1, &stmt,
                               nullptr)
            != SQLITE_OK) {
            check.failure = QString::fromUtf8(sqlite3_errmsg(db));
        } else {
            int rc;
            while ((rc = sqlite3_step(stmt)) == SQLITE_ROW)
                check.names << QString::fromUtf8(
                        reinterpret_cast<const char *>(sqlite3_column_text(stmt, 0)));
            if (rc != SQLITE_DONE)
                check.failure = QString::fromUtf8(sqlite3_errmsg(db));
        }
        sqlite3_finalize(stmt);
    }
    sqlite3_close(db);
    return check;
}

} // namespace

class tst_Crash : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void killedPaletteWrite();
    void killedSettingsSave();
    void killedBookmarkSave();
    void cleanupTestCase();

private:
    QByteArray m_program;
    QTemporaryDir m_dir;
    int m_kills = 0;
};

void tst_Crash::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_program = QFile::encodeName(QCoreApplication::applicationFilePath());
    if (m_program.isEmpty())
        m_program = QFile::encodeName(QFile::symLinkTarget(QStringLiteral("/proc/self/exe")));
    QVERIFY(!m_program.isEmpty());
    // A child that dies holding the pipe's other end must not kill us.
    std::signal(SIGPIPE, SIG_IGN);
}

void tst_Crash::killedPaletteWrite()
{
    const QString path = m_dir.filePath(QStringLiteral("game.nds"));
    QByteArray rom(RomSize, '\0');
    for (int i = 0; i < RomSize; ++i)
        rom[i] = char(QRandomGenerator::global()->bounded(256));
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(rom), qint64(rom.size()));
    }
    QVERIFY(RomPalette::writePalette(path, PaletteOffset, paletteA).ok);
    const QByteArray before = fileBytes(path);
    const QByteArray a(reinterpret_cast<const char *>(paletteA.data()), RomPalette::ByteCount);
    const QByteArray b(reinterpret_cast<const char *>(paletteB.data()), RomPalette::ByteCount);

    const int kills = killsPerKind();
    int interrupted = 0; // kills after at least one save had returned
    for (int cycle = 0; cycle < kills; ++cycle) {
        const Outcome outcome = runAndKill(m_program, QStringLiteral("palette"), path, cycle, MaxPauseUs);
        QVERIFY2(outcome.failure.isEmpty(), qPrintable(outcome.failure));
        interrupted += !outcome.reported.isEmpty();
        const QByteArray after = fileBytes(path);
        QCOMPARE(after.size(), before.size());
        QVERIFY2(after.left(PaletteOffset) == before.left(PaletteOffset),
                 qPrintable(QStringLiteral("bytes before the palette changed, kill %1").arg(cycle)));
        QVERIFY2(after.mid(PaletteOffset + RomPalette::ByteCount)
                         == before.mid(PaletteOffset + RomPalette::ByteCount),
                 qPrintable(QStringLiteral("bytes after the palette changed, kill %1").arg(cycle)));
        const QByteArray written = after.mid(PaletteOffset, RomPalette::ByteCount);
        QVERIFY2(written == a || written == b,
                 qPrintable(QStringLiteral("torn palette after kill %1: %2")
                                    .arg(cycle)
                                    .arg(QString::fromLatin1(written.toHex()))));
    }
    m_kills += kills;
    qInfo("palette writes: %d kills, %d of them after a save had returned", kills, interrupted);
    // Kills that all came before the first save would prove nothing; how
    // many came later depends on the disk's speed.
    QVERIFY(interrupted > kills / 4);
}

void tst_Crash::killedSettingsSave()
{
    const QString path = m_dir.filePath(QStringLiteral("Colorpicker.dat"));
    const QByteArray a = PickerSettings::serialize(settingsA());
    const QByteArray b = PickerSettings::serialize(settingsB());
    QVERIFY(a != b);
    QVERIFY(PickerSettings::save(path, settingsA()));

    const int kills = killsPerKind();
    int interrupted = 0;
    for (int cycle = 0; cycle < kills; ++cycle) {
        const Outcome outcome = runAndKill(m_program, QStringLiteral("settings"), path, cycle, MaxPauseUs);
        QVERIFY2(outcome.failure.isEmpty(), qPrintable(outcome.failure));
        interrupted += !outcome.reported.isEmpty();
        const QByteArray after = fileBytes(path);
        QVERIFY2(after == a || after == b,
                 qPrintable(QStringLiteral("Colorpicker.dat after kill %1 is neither file: %2")
                                    .arg(cycle)
                                    .arg(QString::fromLatin1(after.toPercentEncoding()))));
        QVERIFY(!PickerSettings::parse(after).usedDefaults);
    }
    m_kills += kills;
    const int leftovers = QDir(m_dir.path())
                                  .entryList({ QStringLiteral("Colorpicker.dat.*") }, QDir::Files)
                                  .size();
    qInfo("settings saves: %d kills, %d of them after a save had returned; "
          "%d temporary files left behind by killed saves",
          kills, interrupted, leftovers);
    QVERIFY(interrupted > kills / 4);
}

void tst_Crash::killedBookmarkSave()
{
    const QString path = m_dir.filePath(QStringLiteral("Database.sqlite"));
    {
        Bookmarks::Database db;
        QVERIFY2(db.open(path), qPrintable(db.lastError()));
    }
    QStringList known;
    const int kills = killsPerKind();
    int interrupted = 0;
    int rowsSaved = 0;
    for (int cycle = 0; cycle < kills; ++cycle) {
        const Outcome outcome = runAndKill(m_program, QStringLiteral("bookmark"), path, cycle, MaxPauseUs);
        QVERIFY2(outcome.failure.isEmpty(), qPrintable(outcome.failure));
        interrupted += !outcome.reported.isEmpty();
        const SqliteCheck check = checkStore(path);
        QVERIFY2(check.failure.isEmpty(),
                 qPrintable(QStringLiteral("after kill %1: %2").arg(cycle).arg(check.failure)));
        QVERIFY2(check.names.mid(0, known.size()) == known,
                 qPrintable(QStringLiteral("earlier bookmarks lost after kill %1").arg(cycle)));
        const QStringList added = check.names.mid(known.size());
        // Every save that returned is there; at most the one in flight too.
        const qsizetype returned = outcome.reported.size();
        QVERIFY2(added.size() >= returned && added.size() <= returned + 1,
                 qPrintable(QStringLiteral("kill %1: %2 saves returned, %3 rows added")
                                    .arg(cycle)
                                    .arg(returned)
                                    .arg(added.size())));
        for (qsizetype i = 0; i < added.size(); ++i)
            QCOMPARE(added.at(i), bookmarkName(cycle, quint32(i)));
        for (qsizetype i = 0; i < returned; ++i)
            QCOMPARE(outcome.reported.at(i), quint32(i));
        rowsSaved += int(added.size());
        known = check.names;
    }
    m_kills += kills;
    qInfo("bookmark saves: %d kills, %d of them after a save had returned, %d rows kept",
          kills, interrupted, rowsSaved);
    QVERIFY(interrupted > kills / 4);
}

void tst_Crash::cleanupTestCase()
{
    qInfo("%d kills in all", m_kills);
}

int main(int argc, char **argv)
{
    if (argc == 5 && std::strcmp(argv[1], "--child") == 0)
        return childMain(QString::fromLocal8Bit(argv[2]), QFile::decodeName(argv[3]),
                         std::atoi(argv[4]));
    QCoreApplication app(argc, argv);
    tst_Crash test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_crash.moc"
