#pragma once

#include "liveupdate.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QRect>
#include <QString>
#include <QWidget>

#include <array>
#include <memory>

class AsyncDownload;
class QGroupBox;
class QLabel;
class QNetworkAccessManager;
class QPushButton;
class QTemporaryDir;

namespace Platform {
class MessageService;
}

// The three-page update wizard: a welcome page; a page that fetches the
// update configuration from ConfigFileURL and says whether a newer version
// exists; a page that downloads that version into the desktop folder. When
// the user closes it, it closes its window and hands the path of the
// finished download (or an empty text) to its host in CloseRequest.
class vcUPDATECTL : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(QString ConfigFileURL READ ConfigFileURL WRITE setConfigFileURL)
public:
    // What a download notice carries: the local path it is meant for is
    // its name; BytesMax 0 on completion means nothing usable arrived, and
    // Failure then says why when it is more than a failed connection.
    struct AsyncProperty
    {
        qint64 BytesRead = 0;
        qint64 BytesMax = 0;
        QString PropertyName;
        QByteArray Value;
        QString Failure;
    };

    vcUPDATECTL(QNetworkAccessManager *network, Platform::MessageService *messages,
                QWidget *parent = nullptr);
    ~vcUPDATECTL() override;

    QString ConfigFileURL() const { return strConfigFileURL; }
    void setConfigFileURL(const QString &pstr);

    // The page shown: 0, 1 or 2.
    int step() const { return lngStep; }
    QString downloadedFile() const { return strDownloadedFile; }
    // How long a transfer may stall before it is given up.
    void setTransferTimeout(int milliseconds) { m_transferTimeoutMs = milliseconds; }
    // The largest update accepted (the build's choice unless set).
    void setMaxUpdateBytes(qint64 bytes) { m_maxUpdateBytes = bytes; }
    bool isDownloading() const;

    QLabel *Image1 = nullptr;
    std::array<QGroupBox *, 3> fraFRAME{};
    QLabel *lblSTEP1 = nullptr;
    QLabel *lblSTEP2 = nullptr;
    QLabel *lblPROGRESS = nullptr;
    QLabel *lblVERSION = nullptr;
    QLabel *lblNO = nullptr;
    QLabel *lblYES = nullptr;
    QLabel *lblPROGRESSUPDATE = nullptr;
    QLabel *lblUPDATE = nullptr;
    QPushButton *cmdNEXT = nullptr;
    QPushButton *cmdCANCEL = nullptr;

signals:
    void CloseRequest(const QString &DownloadedFile);

public slots:
    void cmdNEXT_Click();
    void cmdCANCEL_Click();
    void UserControl_AsyncReadProgress(const vcUPDATECTL::AsyncProperty &AsyncProp);
    void UserControl_AsyncReadComplete(const vcUPDATECTL::AsyncProperty &AsyncProp);

protected:
    void changeEvent(QEvent *event) override;

private:
    void UserControl_Initialize();
    void buildControls();
    void BeginDownload(const QString &address, const QString &localPath);
    void ShowProgress(qint64 bytesRead, qint64 bytesMax, const QString &localPath);
    void DownloadComplete(qint64 bytesMax, const QString &localPath);
    void ReadConfigFile(const QByteArray &bytes);
    bool makeConfigFolder();
    void showStartError(int number, const QString &description);
    int reservedLines(const QLabel *label) const;
    void fitTexts();
    void ErrorMessage();
    void showFailure(const QString &text);
    void setProgressText(QLabel *label, const QString &text);
    QString configCopyPath() const;
    void onDownloadComplete(qint64 bytesMax, const QString &propertyName);

    QString strTempFolder;
    QString strConfigFileURL;
    QString strVersionInUse;
    int lngStep = 0;
    QString strUpdateTitle;
    QString strNewestVersion;
    QString strUpdateURL;
    QString strDesktopFolder;
    QString strUpdateFileName;
    QString strDownloadedFile;
    qint64 lngBytesMax = 0;

    LiveUpdate::Checksum m_checksum = LiveUpdate::Checksum::None;
    QByteArray m_sha256;
    Platform::MessageService *m_messages;
    AsyncDownload *m_download;
    int m_transferTimeoutMs = LiveUpdate::DefaultTransferTimeoutMs;
    qint64 m_maxUpdateBytes = LiveUpdate::maxUpdateBytes();
    // Private to this program while the configuration is fetched, so no
    // other user of the machine can put a file in the copy's place.
    std::unique_ptr<QTemporaryDir> m_configFolder;
    // Each page's labels from top to bottom, and the designed geometry of
    // the controls that fitTexts() moves.
    std::array<QList<QLabel *>, 3> m_pages;
    QHash<QWidget *, QRect> m_designed;
    int m_extra = 0; // the height added to the design, which only grows
};
