#include "frmwritehistory.h"

#include "module1.h"
#include "writejournal.h"

#include <algorithm>

#include <QDateTime>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

enum Column { Id, Time, Offset, Colours, Before, After, State, ColumnCount };

// Sixteen swatches to a line, as many lines as the colours need.
constexpr int swatchesPerLine = 16;
const QSize swatchSize(12, 12);

// One swatch for each colour word, in the order the image holds them.
QPixmap swatchStrip(const QByteArray &bytes)
{
    const int count = int(bytes.size() / 2);
    const int lines = std::max(1, (count + swatchesPerLine - 1) / swatchesPerLine);
    QImage strip(swatchesPerLine * swatchSize.width() + 1, lines * swatchSize.height() + 1,
                 QImage::Format_RGB32);
    strip.fill(Qt::white);
    QPainter painter(&strip);
    painter.setPen(Qt::gray);
    for (int i = 0; i < count; ++i) {
        const QString text = QString::fromLatin1(bytes.mid(2 * i, 2).toHex());
        const uint value = Module1::GBAColorToRGBHex(text, false).toUInt(nullptr, 16);
        const QRect cell(QPoint((i % swatchesPerLine) * swatchSize.width(),
                                (i / swatchesPerLine) * swatchSize.height()),
                         swatchSize);
        painter.setBrush(QColor(QRgb(value)));
        painter.drawRect(cell);
    }
    return QPixmap::fromImage(strip);
}

QString stateText(const WriteJournal::Entry &entry)
{
    using WriteJournal::State;
    if (entry.restoredBy)
        return QStringLiteral("Restored by %1").arg(entry.restoredBy);
    if (entry.markedDone)
        return entry.restores ? QStringLiteral("Done (restores %1)").arg(entry.restores)
                              : QStringLiteral("Done");
    // The program stopped during this write; the image tells how far it got.
    switch (entry.state) {
    case State::Done:
        return QStringLiteral("Written (not confirmed)");
    case State::NotWritten:
        return QStringLiteral("Not written");
    case State::Changed:
        break;
    }
    return QStringLiteral("Changed since");
}

} // namespace

frmWriteHistory::frmWriteHistory(const Platform::Services &services, WriteJournal::Journal *journal,
                                 QWidget *parent)
    : QWidget(parent)
    , m_services(services)
    , m_journal(journal)
{
    setWindowTitle(QStringLiteral("Write History"));
    lstEntries = new QTableWidget(0, ColumnCount, this);
    lstEntries->setHorizontalHeaderLabels({ QStringLiteral("Id"), QStringLiteral("Time"),
                                            QStringLiteral("Offset"), QStringLiteral("Colours"),
                                            QStringLiteral("Before"), QStringLiteral("After"),
                                            QStringLiteral("State") });
    lstEntries->setSelectionBehavior(QAbstractItemView::SelectRows);
    lstEntries->setSelectionMode(QAbstractItemView::SingleSelection);
    lstEntries->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lstEntries->setIconSize(swatchStrip(QByteArray(2 * swatchesPerLine, 0)).size());
    lstEntries->verticalHeader()->hide();
    lstEntries->horizontalHeader()->setStretchLastSection(true);
    lblProblem = new QLabel(this);
    lblProblem->setWordWrap(true);
    lblProblem->hide();
    cmdRestore = new QPushButton(QStringLiteral("Restore"), this);
    cmdRestore->setEnabled(false);
    connect(cmdRestore, &QPushButton::clicked, this, &frmWriteHistory::cmdRestore_Click);
    connect(lstEntries, &QTableWidget::itemSelectionChanged, this,
            [this] { cmdRestore->setEnabled(!lstEntries->selectedItems().isEmpty()); });

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(lstEntries);
    layout->addWidget(lblProblem);
    layout->addWidget(cmdRestore, 0, Qt::AlignRight);
    resize(900, 420); // two strips of sixteen swatches and the state in full
}

void frmWriteHistory::showRom(const QString &romPath)
{
    m_romPath = romPath;
    setWindowTitle(QStringLiteral("Write History - ") + QFileInfo(romPath).fileName());
    refresh();
}

void frmWriteHistory::refresh()
{
    const qint64 selected = selectedId();
    const QList<WriteJournal::Entry> entries = m_journal->entries(m_romPath);
    lblProblem->setText(m_journal->lastError());
    lblProblem->setVisible(entries.isEmpty() && !m_journal->lastError().isEmpty());
    lstEntries->setRowCount(int(entries.size()));
    for (int row = 0; row < entries.size(); ++row) {
        const WriteJournal::Entry &entry = entries.at(row);
        auto text = [&](int column, const QString &value) {
            lstEntries->setItem(row, column, new QTableWidgetItem(value));
        };
        text(Id, QString::number(entry.id));
        lstEntries->item(row, Id)->setData(Qt::UserRole, entry.id);
        // The journal keeps UTC; the user reads the clock on the wall.
        const QDateTime time = QDateTime::fromString(entry.time, Qt::ISODate);
        text(Time,
             time.isValid() ? time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))
                            : entry.time);
        text(Offset, QString::number(entry.offset, 16).toUpper());
        text(Colours, QString::number(entry.newBytes.size() / 2));
        for (const auto &[column, bytes] :
             { std::pair{ Before, entry.oldBytes }, std::pair{ After, entry.newBytes } }) {
            auto *item = new QTableWidgetItem;
            item->setData(Qt::DecorationRole, swatchStrip(bytes));
            item->setToolTip(WriteJournal::wordTexts(bytes));
            lstEntries->setItem(row, column, item);
        }
        text(State, stateText(entry));
        if (entry.id == selected)
            lstEntries->selectRow(row);
    }
    lstEntries->resizeColumnsToContents();
    lstEntries->resizeRowsToContents();
    cmdRestore->setEnabled(!lstEntries->selectedItems().isEmpty());
}

qint64 frmWriteHistory::selectedId() const
{
    const QList<QTableWidgetItem *> selected = lstEntries->selectedItems();
    if (selected.isEmpty())
        return 0;
    return lstEntries->item(selected.first()->row(), Id)->data(Qt::UserRole).toLongLong();
}

void frmWriteHistory::warn(const QString &text)
{
    m_services.messages->showMessage(this, text, QStringLiteral("Warning"), QMessageBox::Ok,
                                     QMessageBox::Warning);
}

bool frmWriteHistory::restoreEntry(qint64 id)
{
    const WriteJournal::RestoreOutcome outcome = WriteJournal::restore(*m_journal, m_romPath, id);
    if (outcome.refused) {
        warn(outcome.refusal);
        return false;
    }
    if (!outcome.write.file.ok) {
        warn(QStringLiteral("Cannot write the palette to \"%1\": %2.")
                     .arg(m_romPath, outcome.write.file.reason));
        return false;
    }
    if (!outcome.write.journalError.isEmpty() && m_journal->firstWarning())
        warn(outcome.write.journalError);
    emit restored(outcome.entry.offset);
    return true;
}

void frmWriteHistory::cmdRestore_Click()
{
    const qint64 id = selectedId();
    if (!id)
        return;
    const auto entry = m_journal->entry(id);
    const WriteJournal::RestorePlan plan
            = WriteJournal::planRestore(m_journal->entries(m_romPath), id);
    // Later writes over this entry's colours: they go back first, in one
    // step the user agrees to, and only when each finds its own colours.
    if (!plan.laterEntries.isEmpty()) {
        const QString since = WriteJournal::wroteHereSince(plan.laterEntries);
        if (plan.blockedBy) {
            warn(since
                 + QStringLiteral("\n\nThey cannot be taken back in one step: the image no "
                                  "longer holds what entry %1 wrote.")
                           .arg(plan.blockedBy));
            return;
        }
        QStringList order;
        for (const qint64 later : plan.laterEntries)
            order.append(QString::number(later));
        order.append(QString::number(id));
        const QString question = since
                + QStringLiteral("\n\nRestore entries %1 in this order now, each as an entry of "
                                 "its own? The palette then holds the colours it had before "
                                 "entry %2.")
                          .arg(order.join(QStringLiteral(", ")))
                          .arg(id);
        if (m_services.messages->ask(this, question, QStringLiteral("Restore"),
                                     QMessageBox::Yes | QMessageBox::No, QMessageBox::Question,
                                     QMessageBox::No)
            != QMessageBox::Yes)
            return;
        for (const qint64 later : plan.laterEntries) {
            if (!restoreEntry(later)) {
                refresh();
                return;
            }
        }
    }
    const bool done = restoreEntry(id);
    refresh(); // the selection stays on the entry restored
    if (done && entry)
        m_services.messages->showMessage(this,
                                         QStringLiteral("Palette %1 Restored")
                                                 .arg(QString::number(entry->offset, 16).toUpper()),
                                         Platform::programTitle(), QMessageBox::Ok,
                                         QMessageBox::NoIcon);
}
