#pragma once

#include "rompalette.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <memory>
#include <optional>

// The write journal: before the program writes to a ROM image it records
// what was there and what is about to go there, and marks the entry done
// once the write is complete, so every write can be taken back, also after
// a restart or a crash.
namespace WriteJournal {

// The journal's file name in the program's data folder.
inline QString fileName()
{
    return QStringLiteral("Journal.sqlite");
}

// How many entries of one ROM image are kept; older ones go.
constexpr int KeptPerImage = 10000;

// Where an entry stands. An entry not marked done (the program died during
// the write) is judged by what the image holds now.
enum class State { Done, NotWritten, Changed };

struct Entry
{
    qint64 id = 0;
    QString time; // UTC, ISO 8601 to the second
    QString romPath;
    quint32 offset = 0;
    QByteArray oldBytes;
    QByteArray newBytes;
    bool markedDone = false;
    State state = State::Done;
    qint64 restores = 0;   // the entry whose old bytes this one wrote back
    qint64 restoredBy = 0; // the newest entry that restored this one (lists only)
};

// "done", "not-written", "changed".
QString stateName(State state);

// The path a journal records for a ROM image: absolute, links resolved.
QString romKey(const QString &path);

class Journal
{
public:
    // The journal at path; the file is opened, and created when create is
    // set, on first use.
    explicit Journal(QString path, bool create = true);
    ~Journal();
    Journal(const Journal &) = delete;
    Journal &operator=(const Journal &) = delete;

    // The journal in the data folder.
    static QString defaultPath();

    // Records a write about to happen (restores: the entry whose old bytes
    // it writes back, 0 for none); the entry's id, or nothing when the
    // journal cannot be opened or written (lastError() says why).
    std::optional<qint64> record(const QString &romPath, quint32 offset, const QByteArray &oldBytes,
                                 const QByteArray &newBytes, qint64 restores = 0);
    bool markDone(qint64 id);

    // The entries of one ROM image, newest first, with their states.
    QList<Entry> entries(const QString &romPath);
    std::optional<Entry> entry(qint64 id);

    QString lastError() const { return m_lastError; }

    // The user hears of a failing journal once; this answers true the
    // first time it is asked.
    bool firstWarning();

private:
    struct Connection;
    bool ensureOpen();
    void fail(const QString &reason);

    QString m_path;
    bool m_create;
    std::unique_ptr<Connection> m_connection;
    QString m_lastError;
    bool m_warned = false;
};

// A write through the journal: the bytes at offset are read and recorded,
// written, and the entry marked done. Bytes equal to those there already
// are neither recorded nor written (entryId stays 0). A journal that fails
// never stops the write; its reason comes back in journalError.
struct WriteOutcome
{
    RomPalette::FileResult file;
    QString journalError;
    qint64 entryId = 0;
};
WriteOutcome write(Journal &journal, const QString &romPath, quint32 offset,
                   const QByteArray &bytes, qint64 restores = 0);

// Writes an entry's old bytes back, when the image still holds its new
// bytes (all of them: a file cut short since is refused); otherwise
// refused with a sentence that says what is there now.
struct RestoreOutcome
{
    bool refused = false;
    QString refusal;
    WriteOutcome write;
    Entry entry;
};
RestoreOutcome restore(Journal &journal, const QString &romPath, qint64 id);

// What taking the image back to an entry's old bytes takes when later
// entries wrote over some of its bytes (entries overlap when their byte
// ranges do): those later entries, newest first, each restored in turn
// before the entry itself. Only as many as are needed: the walk stops
// where the entry's own new bytes are back. blockedBy is the first entry
// of the walk that would not find its new bytes in place (the entry
// itself when nothing in the journal explains what the image holds); the
// plan may then not run, and laterEntries names every later entry in the
// way.
struct RestorePlan
{
    QList<qint64> laterEntries; // to restore first, newest first
    qint64 blockedBy = 0;
};
// entries: the image's entries, newest first, as Journal::entries gives them.
RestorePlan planRestore(const QList<Entry> &entries, qint64 id);
// "Entry 18 wrote here since; restore it first." for a plan's later entries.
QString wroteHereSince(QList<qint64> laterEntries);

// Bytes as word texts separated by single spaces ("FF7F 1F00").
QString wordTexts(const QByteArray &bytes);

} // namespace WriteJournal
