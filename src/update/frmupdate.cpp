#include "frmupdate.h"

#include "liveupdate.h"
#include "twips.h"

#include <QIcon>

frmUPDATE::frmUPDATE(const Platform::Services &services, QNetworkAccessManager *network,
                     QWidget *parent)
    : QWidget(parent, Qt::Window), m_services(services)
{
    setWindowTitle(QStringLiteral("Live Update"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/cindral-256.png")));
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(Platform::twipsSize(5970, 3810));

    vcUPDATECTL = new ::vcUPDATECTL(network, services.messages, this);
    vcUPDATECTL->move(0, 0);
    vcUPDATECTL->setConfigFileURL(LiveUpdate::configFileUrl());
    connect(vcUPDATECTL, &::vcUPDATECTL::CloseRequest, this, &frmUPDATE::vcUPDATECTL_CloseRequest);
}

void frmUPDATE::vcUPDATECTL_CloseRequest(const QString &DownloadedFile)
{
    if (!DownloadedFile.isEmpty())
        JumpTo(DownloadedFile);
    close();
}

void frmUPDATE::JumpTo(const QString &target)
{
    if (target.isEmpty())
        return;
    if (!m_services.launcher->openFile(target)) {
        m_services.messages->showMessage(this, QStringLiteral("Error jumping to:") + target,
                                         QStringLiteral("Warning"), QMessageBox::Ok,
                                         QMessageBox::Warning);
    }
}
