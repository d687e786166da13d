#pragma once

#include "graphicsfinder.h"
#include "backgroundwork.h"
#include "palettefinder.h"
#include "services.h"

#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>

class QLabel;
class QLineEdit;
class QModelIndex;
class QSortFilterProxyModel;
class QTableView;
class PaletteListModel;
class GraphicsListModel;
class QVBoxLayout;

// "Palettes in ROM": every palette found in the chosen ROM image, filtered
// by source; activating one loads it in the main window.
class frmRomPalettes : public QWidget
{
    Q_OBJECT
public:
    // `activate` receives the offset text and the colour count of a row the
    // user activates.
    frmRomPalettes(const Platform::Services &services,
                   std::function<void(const QString &, int)> activate, QWidget *parent = nullptr);
    ~frmRomPalettes() override;

    // Lists path in the background; a newer call cancels an older listing.
    void setRom(const QString &path);
    QString rom() const { return m_path; }

    QLabel *lblGame = nullptr;
    QLineEdit *txtFilter = nullptr;
    QTableView *lstPalettes = nullptr;
    QLabel *lblStatus = nullptr;

    // The graphics files of a DS image (frmrompalettes_graphics.cpp).
    // `activate` receives the row the user activates and the palette beside
    // it, if any.
    using GraphicsActivate = std::function<void(const RomFs::FoundGraphics &,
                                                const RomFs::FoundPalette *beside)>;
    void setGraphicsActivate(GraphicsActivate activate) { m_activateGraphics = std::move(activate); }
    QLabel *lblGraphics = nullptr;
    QTableView *lstGraphics = nullptr;

signals:
    // A listing arrived (or failed) for the current ROM image.
    void listed();

public slots:
    void lstPalettes_Activated(const QModelIndex &index);
    void txtFilter_Change(const QString &text);
    // This program wrote length bytes at offset of the listed image: the
    // strips of the rows among them are read again.
    void bytesWritten(quint64 offset, qint64 length);
    void lstGraphics_Activated(const QModelIndex &index);

private:
    void buildGraphicsList(QVBoxLayout *layout);
    void showGraphics(int generation, std::vector<RomFs::FoundGraphics> graphics,
                      std::vector<RomFs::FoundPalette> palettes);
    void showListing(int generation, bool ok, const RomFs::Listing &listing,
                     const QString &reason);

    Platform::Services m_services;
    std::function<void(const QString &, int)> m_activate;
    PaletteListModel *m_model = nullptr;
    QSortFilterProxyModel *m_filter = nullptr;
    QString m_path;
    BackgroundWork m_work;
    GraphicsActivate m_activateGraphics;
    GraphicsListModel *m_graphicsModel = nullptr;
    QSortFilterProxyModel *m_graphicsFilter = nullptr;
    std::vector<RomFs::FoundPalette> m_graphicsPalettes;
};
