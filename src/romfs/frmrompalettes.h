#pragma once

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
class QThread;
class PaletteListModel;

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

signals:
    // A listing arrived (or failed) for the current ROM image.
    void listed();

public slots:
    void lstPalettes_Activated(const QModelIndex &index);
    void txtFilter_Change(const QString &text);

private:
    void showListing(int generation, bool ok, const RomFs::Listing &listing,
                     const QString &reason);

    Platform::Services m_services;
    std::function<void(const QString &, int)> m_activate;
    PaletteListModel *m_model = nullptr;
    QSortFilterProxyModel *m_filter = nullptr;
    QString m_path;
    int m_generation = 0;
    std::shared_ptr<std::atomic<bool>> m_cancel;
    QList<QPointer<QThread>> m_workers;
};
