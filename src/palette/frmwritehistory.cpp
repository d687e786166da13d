#include "frmwritehistory.h"

#include "module1.h"
#include "writejournal.h"

#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

enum Column { Id, Time, Offset, Before, After, State, ColumnCount };
const QSize stripSize(192, 14);

// The colours of a run of colour words side by side, as wide as the strip
// whatever their number.
QPixmap swatchStrip(const QByteArray &bytes)
{
    QImage strip(stripSize, QImage::Format_RGB32);
    strip.fill(Qt::white);
    const int count = int(bytes.size() / 2);
    QPainter painter(&strip);
    for (int i = 0; i < count; ++i) {
        const QString text = QString::fromLatin1(bytes.mid(2 * i, 2).toHex());
        const uint value = Module1::GBAColorToRGBHex(text, false).toUInt(nullptr, 16);
        const int left = i * stripSize.width() / count;
        const int right = (i + 1) * stripSize.width() / count;
        painter.fillRect(left, 0, right - left, stripSize.height(), QColor(QRgb(value)));
    }
    painter.setPen(Qt::gray);
    painter.drawRect(strip.rect().adjusted(0, 0, -1, -1));
    return QPixmap::fromImage(strip);
}

QString stateText(const WriteJournal::Entry &entry)
{
    using WriteJournal::State;
    if (entry.markedDone)
        return QStringLiteral("Done");
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
    lstEntries->setHorizontalHeaderLabels({ QStringLiteral("Id"), QStringLiteral("Time (UTC)"),
                                            QStringLiteral("Offset"), QStringLiteral("Before"),
                                            QStringLiteral("After"), QStringLiteral("State") });
    lstEntries->setSelectionBehavior(QAbstractItemView::SelectRows);
    lstEntries->setSelectionMode(QAbstractItemView::SingleSelection);
    lstEntries->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lstEntries->setIconSize(stripSize);
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
    resize(760, 360);
}

void frmWriteHistory::showRom(const QString &romPath)
{
    m_romPath = romPath;
    setWindowTitle(QStringLiteral("Write History - ") + QFileInfo(romPath).fileName());
    refresh();
}

void frmWriteHistory::refresh()
{
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
        text(Time, entry.time);
        text(Offset, QString::number(entry.offset, 16).toUpper());
        for (const auto &[column, bytes] :
             { std::pair{ Before, entry.oldBytes }, std::pair{ After, entry.newBytes } }) {
            auto *item = new QTableWidgetItem;
            item->setData(Qt::DecorationRole, swatchStrip(bytes));
            item->setToolTip(WriteJournal::wordTexts(bytes));
            lstEntries->setItem(row, column, item);
        }
        text(State, stateText(entry));
    }
    lstEntries->resizeColumnsToContents();
    cmdRestore->setEnabled(!lstEntries->selectedItems().isEmpty());
}

void frmWriteHistory::cmdRestore_Click()
{
    const QList<QTableWidgetItem *> selected = lstEntries->selectedItems();
    if (selected.isEmpty())
        return;
    const qint64 id
            = lstEntries->item(selected.first()->row(), Id)->data(Qt::UserRole).toLongLong();
    auto warn = [this](const QString &text) {
        m_services.messages->showMessage(this, text, QStringLiteral("Warning"), QMessageBox::Ok,
                                         QMessageBox::Warning);
    };
    const WriteJournal::RestoreOutcome outcome = WriteJournal::restore(*m_journal, m_romPath, id);
    if (outcome.refused) {
        warn(outcome.refusal);
        return;
    }
    if (!outcome.write.file.ok) {
        warn(QStringLiteral("Cannot write the palette to \"%1\": %2.")
                     .arg(m_romPath, outcome.write.file.reason));
        return;
    }
    if (!outcome.write.journalError.isEmpty() && m_journal->firstWarning())
        warn(outcome.write.journalError);
    refresh();
    emit restored(outcome.entry.offset);
    m_services.messages->showMessage(
            this,
            QStringLiteral("Palette %1 Restored")
                    .arg(QString::number(outcome.entry.offset, 16).toUpper()),
            Platform::programTitle(), QMessageBox::Ok, QMessageBox::NoIcon);
}
