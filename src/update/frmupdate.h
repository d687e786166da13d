#pragma once

#include "services.h"
#include "vcupdatectl.h"

#include <QWidget>

class QNetworkAccessManager;

// The "Live Update" window: hosts the update wizard, gives it the address
// of the update configuration, and opens the downloaded file when the
// wizard asks to close.
class frmUPDATE : public QWidget
{
    Q_OBJECT
public:
    frmUPDATE(const Platform::Services &services, QNetworkAccessManager *network,
              QWidget *parent = nullptr);

    ::vcUPDATECTL *vcUPDATECTL = nullptr;

public slots:
    void vcUPDATECTL_CloseRequest(const QString &DownloadedFile);

private:
    void JumpTo(const QString &target);

    Platform::Services m_services;
};
