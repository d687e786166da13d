#pragma once

#include "services.h"

#include <QWidget>

class QLabel;
class QPushButton;
class QTableWidget;

namespace WriteJournal {
class Journal;
}

// Edit > Write History: the journal's entries for the open ROM image,
// newest first, with the colours before and after each write, and Restore,
// which writes an entry's old colours back, after the later entries that
// wrote over them when the user agrees.
class frmWriteHistory : public QWidget
{
    Q_OBJECT
public:
    // journal is owned by the caller and outlives the window.
    frmWriteHistory(const Platform::Services &services, WriteJournal::Journal *journal,
                    QWidget *parent = nullptr);

    // Shows the entries of romPath.
    void showRom(const QString &romPath);
    void refresh();

    QTableWidget *lstEntries = nullptr;
    QPushButton *cmdRestore = nullptr;
    QLabel *lblProblem = nullptr;

public slots:
    void cmdRestore_Click();

signals:
    // A restore wrote the image at offset.
    void restored(quint32 offset);

private:
    qint64 selectedId() const;
    void warn(const QString &text);
    // Restores one entry; false when refused or failed (the user was told).
    bool restoreEntry(qint64 id);

    Platform::Services m_services;
    WriteJournal::Journal *m_journal;
    QString m_romPath;
};
