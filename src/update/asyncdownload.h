#pragma once

#include <QByteArray>
#include <QCryptographicHash>
#include <QNetworkReply>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>

#include <memory>

class QNetworkAccessManager;
class QSaveFile;

// One asynchronous download over http or https, named by the local path its
// data is meant for (its property name), with progress and one completion
// notice on the thread of the network access manager.
//
// In memory the data is kept for the caller to write. Either way a size
// limit stops it as soon as the announced length or the bytes received
// pass it. To a
// file it is streamed into a temporary file beside the local path and
// renamed into place only when it arrived complete (and matches its
// checksum, when one is given); anything else removes the temporary file
// and leaves whatever was at the local path untouched.
class AsyncDownload : public QObject
{
    Q_OBJECT
public:
    enum class Mode { Memory, File };

    enum class Outcome {
        Running,
        Complete,
        NothingReceived,  // no connection, an HTTP error status, an empty or cut-off body
        TooLarge,         // more than maxBytes, announced or received
        NoSpace,          // announced as larger than the free space where it goes
        ChecksumMismatch, // the file arrived but is not the one announced
        SaveFailed,       // the file could not be written or renamed into place
        Aborted,          // abort() was called
    };

    struct Options
    {
        Mode mode = Mode::Memory;
        qint64 maxBytes = -1;  // -1 for no limit
        QByteArray sha256;     // File only; empty for no check
        int transferTimeoutMs = 30 * 1000;
    };

    // Why a download could not start, numbered as the wizard reports it.
    struct StartError
    {
        int number = 0;
        QString description;
    };
    static constexpr int InvalidAddress = 5;
    static constexpr int FileAccessError = 75;

    explicit AsyncDownload(QNetworkAccessManager *network, QObject *parent = nullptr);
    ~AsyncDownload() override;

    // Starts fetching address afresh (never from a cache). Redirects are
    // followed, but never from https to http. Answers false, with the
    // reason in error, when the address is not http or https or the
    // temporary file cannot be created.
    bool start(const QString &address, const QString &propertyName, const Options &options,
               StartError *error);

    // Stops a running download without a completion notice; a temporary
    // file is removed.
    void abort();

    bool isRunning() const { return m_outcome == Outcome::Running && m_reply; }
    Outcome outcome() const { return m_outcome; }
    QString propertyName() const { return m_propertyName; }
    QByteArray value() const { return m_value; }
    qint64 bytesReceived() const { return m_received; }
    // For NothingReceived and SaveFailed: the system's reason, and the
    // address that failed (the last one of a redirect chain).
    QString failureReason() const { return m_failureReason; }
    QString failedAddress() const { return m_failedAddress; }
    // For NoSpace: the announced length and the free space found.
    qint64 bytesAnnounced() const { return m_announced; }
    qint64 bytesFree() const { return m_free; }

signals:
    // bytesMax is 0 while the total is unknown.
    void progress(qint64 bytesRead, qint64 bytesMax, const QString &propertyName);
    // bytesMax is the number of bytes saved, 0 when the download failed
    // (outcome() says why).
    void complete(qint64 bytesMax, const QString &propertyName);

private:
    void onMetaData();
    void onReadyRead();
    void onFinished();
    bool statusIsSuccess() const;
    void fail(Outcome outcome, const QString &reason = QString());
    void discardFile();

    QNetworkAccessManager *m_network;
    QPointer<QNetworkReply> m_reply;
    Options m_options;
    QString m_propertyName;
    Outcome m_outcome = Outcome::Running;
    QByteArray m_value;
    qint64 m_received = 0;
    std::unique_ptr<QSaveFile> m_file;
    QCryptographicHash m_hash{ QCryptographicHash::Sha256 };
    QString m_failureReason;
    QString m_failedAddress;
    QUrl m_url; // the address asked for last, after the redirects followed
    qint64 m_announced = -1;
    qint64 m_free = -1;
};
