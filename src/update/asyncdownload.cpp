#include "asyncdownload.h"

#include <QDir>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSaveFile>
#include <QStorageInfo>

AsyncDownload::AsyncDownload(QNetworkAccessManager *network, QObject *parent)
    : QObject(parent), m_network(network)
{
}

AsyncDownload::~AsyncDownload()
{
    abort();
}

bool AsyncDownload::start(const QString &address, const QString &propertyName,
                          const Options &options, StartError *error)
{
    abort();
    m_options = options;
    m_propertyName = propertyName;
    m_outcome = Outcome::Running;
    m_value.clear();
    m_received = 0;
    m_hash.reset();
    m_failureReason.clear();
    m_failedAddress.clear();
    m_announced = m_free = -1;

    const QUrl url(address);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty()
        || (scheme != QLatin1String("http") && scheme != QLatin1String("https"))) {
        m_outcome = Outcome::NothingReceived;
        if (error)
            *error = { InvalidAddress,
                       QStringLiteral("\"%1\" is not an http or https address.").arg(address) };
        return false;
    }
    if (!m_network) {
        m_outcome = Outcome::NothingReceived;
        if (error)
            *error = { InvalidAddress, QStringLiteral("No network access is available.") };
        return false;
    }

    if (options.mode == Mode::File) {
        m_file = std::make_unique<QSaveFile>(propertyName);
        if (!m_file->open(QIODevice::WriteOnly)) {
            const QString reason = m_file->errorString();
            m_file.reset();
            m_outcome = Outcome::SaveFailed;
            if (error)
                *error = { FileAccessError, QStringLiteral("Cannot create \"%1\": %2.")
                                                    .arg(QDir::toNativeSeparators(propertyName),
                                                         reason) };
            return false;
        }
    }

    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(10);
    request.setTransferTimeout(options.transferTimeoutMs);
    // The bytes as the server holds them: the length check and the checksum
    // are about the file, not a compressed form of it.
    request.setRawHeader("Accept-Encoding", "identity");

    m_reply = m_network->get(request);
    connect(m_reply, &QNetworkReply::metaDataChanged, this, &AsyncDownload::onMetaData);
    connect(m_reply, &QNetworkReply::readyRead, this, &AsyncDownload::onReadyRead);
    connect(m_reply, &QNetworkReply::finished, this, &AsyncDownload::onFinished);
    connect(m_reply, &QNetworkReply::redirected, this, [this](const QUrl &to) { m_url = to; });
    m_url = url;
    return true;
}

void AsyncDownload::abort()
{
    fail(Outcome::Aborted);
}

bool AsyncDownload::statusIsSuccess() const
{
    if (!m_reply)
        return false;
    const QVariant status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    return status.isValid() && status.toInt() >= 200 && status.toInt() <= 299;
}

void AsyncDownload::onMetaData()
{
    if (m_outcome != Outcome::Running || !statusIsSuccess())
        return;
    const QVariant length = m_reply->header(QNetworkRequest::ContentLengthHeader);
    if (!length.isValid())
        return;
    m_announced = length.toLongLong();
    if (m_options.maxBytes >= 0 && m_announced > m_options.maxBytes) {
        fail(Outcome::TooLarge);
        return;
    }
    if (m_options.mode == Mode::File) {
        const QStorageInfo storage(QFileInfo(m_propertyName).absolutePath());
        m_free = storage.bytesAvailable();
        if (storage.isValid() && m_free >= 0 && m_announced > m_free)
            fail(Outcome::NoSpace);
    }
}

void AsyncDownload::onReadyRead()
{
    if (m_outcome != Outcome::Running || !m_reply)
        return;
    const QByteArray data = m_reply->readAll();
    // The body of an error page is never taken for the file asked for.
    if (data.isEmpty() || !statusIsSuccess())
        return;
    m_received += data.size();
    if (m_options.maxBytes >= 0 && m_received > m_options.maxBytes) {
        fail(Outcome::TooLarge);
        return;
    }
    if (m_options.mode == Mode::Memory) {
        m_value.append(data);
    } else {
        m_hash.addData(data);
        if (m_file->write(data) != data.size()) {
            fail(Outcome::SaveFailed, m_file->errorString());
            return;
        }
    }
    // Reported for every piece that arrives: QNetworkReply's own progress
    // signal is held back for a while after each one, so a transfer that
    // stalls would go on showing an old count.
    const QVariant length = m_reply->header(QNetworkRequest::ContentLengthHeader);
    emit progress(m_received, length.isValid() ? length.toLongLong() : 0, m_propertyName);
}

void AsyncDownload::onFinished()
{
    if (m_outcome != Outcome::Running || !m_reply)
        return;
    if (m_reply->bytesAvailable() > 0)
        onReadyRead();
    if (m_outcome != Outcome::Running)
        return;

    const QVariant length = m_reply->header(QNetworkRequest::ContentLengthHeader);
    const QVariant status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    QString reason;
    if (status.toInt() >= 300 && status.toInt() <= 399) // one not followed
        reason = QStringLiteral("a redirect to %1 was refused")
                         .arg(m_url.resolved(QUrl::fromEncoded(m_reply->rawHeader("Location")))
                                      .toDisplayString(QUrl::RemoveUserInfo));
    else if (status.isValid() && !statusIsSuccess())
        reason = QStringLiteral("the server answered %1 %2")
                         .arg(status.toInt())
                         .arg(m_reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute)
                                      .toString());
    else if (m_reply->error() == QNetworkReply::OperationCanceledError)
        // Qt's own word for a transfer that timed out.
        reason = QStringLiteral("no data arrived for %1 seconds")
                         .arg(m_options.transferTimeoutMs / 1000.0);
    else if (m_reply->error() != QNetworkReply::NoError)
        reason = m_reply->errorString();
    else if (m_received == 0)
        reason = QStringLiteral("the server sent no data");
    else if (length.isValid() && length.toLongLong() != m_received)
        reason = QStringLiteral("the connection ended after %1 of %2 bytes")
                         .arg(m_received)
                         .arg(length.toLongLong());
    if (!reason.isEmpty()) {
        m_failedAddress = m_url.toDisplayString(QUrl::RemoveUserInfo);
        fail(Outcome::NothingReceived, reason);
        return;
    }
    if (m_options.mode == Mode::File) {
        if (!m_options.sha256.isEmpty() && m_hash.result() != m_options.sha256) {
            fail(Outcome::ChecksumMismatch);
            return;
        }
        if (!m_file->commit()) {
            fail(Outcome::SaveFailed, m_file->errorString());
            return;
        }
        m_file.reset();
    }
    m_outcome = Outcome::Complete;
    m_reply->deleteLater();
    m_reply = nullptr;
    emit complete(m_received, m_propertyName);
}

void AsyncDownload::fail(Outcome outcome, const QString &reason)
{
    if (m_outcome != Outcome::Running)
        return;
    m_outcome = outcome;
    m_failureReason = reason;
    discardFile();
    if (QNetworkReply *reply = m_reply) {
        m_reply = nullptr;
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
    }
    if (outcome != Outcome::Aborted)
        emit complete(0, m_propertyName);
}

void AsyncDownload::discardFile()
{
    // A QSaveFile that is not committed removes its temporary file.
    if (m_file) {
        m_file->cancelWriting();
        m_file.reset();
    }
}
