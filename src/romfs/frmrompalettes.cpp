#include "frmrompalettes.h"

#include "colourstrip.h"
#include "rompalette.h"

#include <QAbstractTableModel>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QVBoxLayout>

namespace {

enum Column { OffsetColumn, ColoursColumn, SourceColumn, StripColumn, ColumnCount };

} // namespace

class PaletteListModel : public QAbstractTableModel
{
public:
    using QAbstractTableModel::QAbstractTableModel;

    void setPalettes(std::vector<RomFs::FoundPalette> palettes)
    {
        beginResetModel();
        m_palettes = std::move(palettes);
        endResetModel();
    }
    const RomFs::FoundPalette &palette(int row) const { return m_palettes[size_t(row)]; }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override
    {
        return parent.isValid() ? 0 : int(m_palettes.size());
    }
    int columnCount(const QModelIndex &parent = QModelIndex()) const override
    {
        return parent.isValid() ? 0 : ColumnCount;
    }

    QVariant data(const QModelIndex &index, int role) const override
    {
        const RomFs::FoundPalette &found = m_palettes[size_t(index.row())];
        if (role == Qt::DisplayRole) {
            switch (index.column()) {
            case OffsetColumn:
                return RomFs::offsetText(found.offset);
            case ColoursColumn:
                return found.colours;
            case SourceColumn:
                return found.compressed ? found.source + QStringLiteral(" (compressed)")
                                        : found.source;
            default:
                return QVariant();
            }
        }
        if (role == Qt::UserRole && index.column() == StripColumn) {
            QVariantList words;
            for (quint32 i = 0; i < std::min<quint32>(found.colours, 16); ++i)
                words.append(uint(found.first[i]));
            return words;
        }
        if (role == Qt::TextAlignmentRole && index.column() != SourceColumn)
            return int(Qt::AlignRight | Qt::AlignVCenter);
        if (role == Qt::ToolTipRole && found.compressed)
            return QStringLiteral("Inside a compressed file: cannot be edited in place");
        return QVariant();
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
            return QVariant();
        static const char *const captions[] = { "Offset", "Colours", "Source", "First colours" };
        return QString::fromLatin1(captions[section]);
    }

    void reread(const QString &path, quint64 offset, qint64 length)
    {
        for (size_t row = 0; row < m_palettes.size(); ++row) {
            RomFs::FoundPalette &found = m_palettes[row];
            const qint64 shown = std::min<quint32>(found.colours, 16);
            if (found.compressed || found.offset >= offset + quint64(length)
                || found.offset + 2 * shown <= offset)
                continue;
            QByteArray bytes;
            // A strip that cannot be read again keeps what it showed.
            if (!RomPalette::readBytes(path, quint32(found.offset), 2 * shown, bytes).ok)
                continue;
            const auto *data = reinterpret_cast<const uchar *>(bytes.constData());
            for (qint64 i = 0; i < shown; ++i)
                found.first[size_t(i)] = quint16(data[2 * i] | data[2 * i + 1] << 8);
            emit dataChanged(index(int(row), StripColumn), index(int(row), StripColumn));
        }
    }

private:
    std::vector<RomFs::FoundPalette> m_palettes;
};

frmRomPalettes::frmRomPalettes(const Platform::Services &services,
                               std::function<void(const QString &, int)> activate, QWidget *parent)
    : QWidget(parent, Qt::Window), m_services(services), m_activate(std::move(activate))
{
    setWindowTitle(QStringLiteral("Palettes in ROM"));
    resize(620, 440);

    lblGame = new QLabel(this);
    QFont bold = lblGame->font();
    bold.setBold(true);
    lblGame->setFont(bold);

    auto *filterLabel = new QLabel(QStringLiteral("&Filter by source:"), this);
    txtFilter = new QLineEdit(this);
    txtFilter->setClearButtonEnabled(true);
    txtFilter->setPlaceholderText(QStringLiteral("part of a file name, e.g. .narc"));
    filterLabel->setBuddy(txtFilter);
    connect(txtFilter, &QLineEdit::textChanged, this, &frmRomPalettes::txtFilter_Change);

    m_model = new PaletteListModel(this);
    m_filter = new QSortFilterProxyModel(this);
    m_filter->setSourceModel(m_model);
    m_filter->setFilterKeyColumn(SourceColumn);
    m_filter->setFilterCaseSensitivity(Qt::CaseInsensitive);

    lstPalettes = makeFoundList(this, m_filter, SourceColumn);
    lstPalettes->setItemDelegateForColumn(StripColumn, new ColourStripDelegate(lstPalettes));
    lstPalettes->setColumnWidth(OffsetColumn, 80);
    lstPalettes->setColumnWidth(ColoursColumn, 60);
    lstPalettes->setColumnWidth(StripColumn, ColourStripDelegate::ColumnWidth);
    connect(lstPalettes, &QTableView::activated, this, &frmRomPalettes::lstPalettes_Activated);

    lblStatus = new QLabel(this);

    auto *filterRow = new QHBoxLayout;
    filterRow->addWidget(filterLabel);
    filterRow->addWidget(txtFilter, 1);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(lblGame);
    layout->addLayout(filterRow);
    layout->addWidget(lstPalettes, 1);
    buildGraphicsList(layout);
    layout->addWidget(lblStatus);
    setRom(QString());
}

frmRomPalettes::~frmRomPalettes() = default;

void frmRomPalettes::setRom(const QString &path)
{
    m_path = path;
    const int generation = m_work.restart();
    m_model->setPalettes({});
    showGraphics(generation, {}, {});
    lblGame->clear();
    if (path.isEmpty()) {
        lblStatus->setText(QStringLiteral("No ROM image is open."));
        return;
    }
    lblStatus->setText(QStringLiteral("Looking for palettes in %1...")
                               .arg(QFileInfo(path).fileName()));
    m_work.run([this, path, generation](const std::atomic<bool> &cancel) {
        RomFs::Listing listing;
        std::vector<RomFs::FoundGraphics> graphics;
        QString reason;
        const bool ok = RomFs::listRomFilesInFile(path, listing, graphics, &reason, &cancel);
        if (cancel.load())
            return;
        QMetaObject::invokeMethod(
                this,
                [this, generation, graphics = std::move(graphics), palettes = listing.palettes] {
                    showGraphics(generation, graphics, palettes);
                },
                Qt::QueuedConnection);
        QMetaObject::invokeMethod(
                this,
                [this, generation, ok, listing = std::move(listing), reason] {
                    showListing(generation, ok, listing, reason);
                },
                Qt::QueuedConnection);
    });
}

void frmRomPalettes::showListing(int generation, bool ok, const RomFs::Listing &listing,
                                 const QString &reason)
{
    if (!m_work.isCurrent(generation))
        return;
    const QString fileName = QFileInfo(m_path).fileName();
    if (!ok) {
        lblStatus->setText(QStringLiteral("Cannot read \"%1\": %2.").arg(m_path, reason));
        emit listed();
        return;
    }
    QString game = listing.title.isEmpty() ? QStringLiteral("(no title)") : listing.title;
    if (!listing.gameCode.isEmpty())
        game += QStringLiteral("  [%1]").arg(listing.gameCode);
    lblGame->setText(game);
    const size_t count = listing.palettes.size();
    const QString how = listing.fileSystem ? QStringLiteral("in its file system")
                                           : QStringLiteral("by scanning it");
    lblStatus->setText(count == 1 ? QStringLiteral("1 palette found in %1 %2.").arg(fileName, how)
                                  : QStringLiteral("%1 palettes found in %2 %3.")
                                            .arg(count)
                                            .arg(fileName, how));
    m_model->setPalettes(listing.palettes);
    emit listed();
}

void frmRomPalettes::lstPalettes_Activated(const QModelIndex &index)
{
    const QModelIndex row = m_filter->mapToSource(index);
    if (!row.isValid())
        return;
    const RomFs::FoundPalette &found = m_model->palette(row.row());
    if (found.compressed) {
        m_services.messages->showMessage(
                this,
                QStringLiteral("The palette in %1 lies in a compressed file at %2; it cannot be "
                               "edited in place.")
                        .arg(found.source, RomFs::offsetText(found.offset)),
                windowTitle(), QMessageBox::Ok, QMessageBox::Information);
        return;
    }
    if (m_activate)
        m_activate(RomFs::offsetText(found.offset), int(found.colours));
}

void frmRomPalettes::bytesWritten(quint64 offset, qint64 length)
{
    m_model->reread(m_path, offset, length);
}

void frmRomPalettes::txtFilter_Change(const QString &text)
{
    m_filter->setFilterFixedString(text);
    m_graphicsFilter->setFilterFixedString(text);
}
