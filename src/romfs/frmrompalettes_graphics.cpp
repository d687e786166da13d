// The Palettes in ROM window's second list: the graphics files of a DS
// image; activating one shows it in the Graphics window.
#include "frmrompalettes.h"

#include "colourstrip.h"

#include <QAbstractTableModel>
#include <QHeaderView>
#include <QLabel>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QVBoxLayout>

namespace {

enum GraphicsColumn { GOffset, GDepth, GSize, GLayout, GSource, GColumnCount };

} // namespace

// The graphics files found, one row each.
class GraphicsListModel : public QAbstractTableModel
{
public:
    using QAbstractTableModel::QAbstractTableModel;

    void setGraphics(std::vector<RomFs::FoundGraphics> graphics)
    {
        beginResetModel();
        m_graphics = std::move(graphics);
        endResetModel();
    }
    const RomFs::FoundGraphics &graphics(int row) const { return m_graphics[size_t(row)]; }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override
    {
        return parent.isValid() ? 0 : int(m_graphics.size());
    }
    int columnCount(const QModelIndex &parent = QModelIndex()) const override
    {
        return parent.isValid() ? 0 : GColumnCount;
    }

    QVariant data(const QModelIndex &index, int role) const override
    {
        const RomFs::FoundGraphics &found = m_graphics[size_t(index.row())];
        if (role == Qt::DisplayRole) {
            switch (index.column()) {
            case GOffset:
                return RomFs::offsetText(found.offset);
            case GDepth:
                return QStringLiteral("%1 bpp").arg(found.bitsPerPixel);
            case GSize:
                return QStringLiteral("%1x%2").arg(found.widthTiles).arg(found.heightTiles);
            case GLayout:
                return found.tiled ? QStringLiteral("tiled") : QStringLiteral("bitmap");
            default:
                return found.compressed ? found.source + QStringLiteral(" (compressed)")
                                        : found.source;
            }
        }
        if (role == Qt::TextAlignmentRole && index.column() != GSource)
            return int(Qt::AlignRight | Qt::AlignVCenter);
        if (role == Qt::ToolTipRole && index.column() == GSize)
            return QStringLiteral("Width x height in tiles, as the file's header gives them");
        if (role == Qt::ToolTipRole && found.compressed)
            return QStringLiteral("Inside a compressed file: shown from its decompressed bytes");
        return QVariant();
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
            return QVariant();
        static const char *const captions[] = { "Offset", "Depth", "Tiles", "Layout", "Source" };
        return QString::fromLatin1(captions[section]);
    }

private:
    std::vector<RomFs::FoundGraphics> m_graphics;
};

void frmRomPalettes::buildGraphicsList(QVBoxLayout *layout)
{
    lblGraphics = new QLabel(QStringLiteral("Graphics"), this);
    QFont bold = lblGraphics->font();
    bold.setBold(true);
    lblGraphics->setFont(bold);

    m_graphicsModel = new GraphicsListModel(this);
    m_graphicsFilter = new QSortFilterProxyModel(this);
    m_graphicsFilter->setSourceModel(m_graphicsModel);
    m_graphicsFilter->setFilterKeyColumn(GSource);
    m_graphicsFilter->setFilterCaseSensitivity(Qt::CaseInsensitive);

    lstGraphics = makeFoundList(this, m_graphicsFilter, GSource);
    lstGraphics->setColumnWidth(GOffset, 80);
    lstGraphics->setColumnWidth(GDepth, 60);
    lstGraphics->setColumnWidth(GSize, 60);
    lstGraphics->setColumnWidth(GLayout, 60);
    lstGraphics->setToolTip(QStringLiteral("Activate a row to show it in the Graphics window"));
    lblGraphics->setBuddy(lstGraphics);
    connect(lstGraphics, &QTableView::activated, this, &frmRomPalettes::lstGraphics_Activated);

    layout->addWidget(lblGraphics);
    layout->addWidget(lstGraphics, 1);
}

void frmRomPalettes::showGraphics(int generation, std::vector<RomFs::FoundGraphics> graphics,
                                  std::vector<RomFs::FoundPalette> palettes)
{
    if (!m_work.isCurrent(generation))
        return;
    const size_t count = graphics.size();
    lblGraphics->setText(count == 0 ? QStringLiteral("Graphics")
                                    : QStringLiteral("Graphics (%1)").arg(count));
    m_graphicsModel->setGraphics(std::move(graphics));
    m_graphicsPalettes = std::move(palettes);
}

void frmRomPalettes::lstGraphics_Activated(const QModelIndex &index)
{
    const QModelIndex row = m_graphicsFilter->mapToSource(index);
    if (!row.isValid() || !m_activateGraphics)
        return;
    // Copies: what the main window does may list the image again.
    const RomFs::FoundGraphics found = m_graphicsModel->graphics(row.row());
    const auto beside = RomFs::paletteBeside(found, m_graphicsPalettes);
    const std::optional<RomFs::FoundPalette> palette =
            beside ? std::optional(m_graphicsPalettes[*beside]) : std::nullopt;
    m_activateGraphics(found, palette ? &*palette : nullptr);
}
