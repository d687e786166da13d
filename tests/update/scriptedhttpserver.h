#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPair>
#include <QStringList>
#include <QSslConfiguration>
#include <QTcpServer>
#include <QUrl>

#include <memory>

class QTcpSocket;

// What the server answers for one path.
struct ScriptedResponse
{
    enum class Behaviour {
        Complete,  // the whole body, then the connection is closed
        StallAfter, // the head and the first `cut` body bytes, then silence
        DropAfter, // the head and the first `cut` body bytes, then a close
        Silent,    // reads the request and never answers
    };

    int status = 200;
    QByteArray body;
    QList<QPair<QByteArray, QByteArray>> headers;
    Behaviour behaviour = Behaviour::Complete;
    qint64 cut = 0;
    // Content-Length to announce; -1 announces the body's size, -2 none
    // (the body then ends with the connection).
    qint64 contentLength = -1;

    static ScriptedResponse ok(const QByteArray &body);
    static ScriptedResponse withStatus(int code, const QByteArray &body = QByteArray());
    static ScriptedResponse redirect(const QByteArray &location);
};

// A tiny HTTP/1.1 server on 127.0.0.1 that answers each path as scripted
// and records the requests it saw. Unscripted paths get a 404. Given a TLS
// configuration it speaks https.
class ScriptedHttpServer : public QObject
{
    Q_OBJECT
public:
    explicit ScriptedHttpServer(QObject *parent = nullptr);

    bool listen(const QSslConfiguration &tls = QSslConfiguration());
    QUrl url(const QString &path) const;
    void route(const QString &path, const ScriptedResponse &response);
    void reset();

    // The paths requested, in order, and the head of each request.
    QStringList requestedPaths;
    QList<QByteArray> requestHeads;

private:
    void onNewConnection();
    void onReadyRead(QTcpSocket *socket);

    std::unique_ptr<QTcpServer> m_server;
    bool m_tls = false;
    QHash<QString, ScriptedResponse> m_routes;
    QHash<QTcpSocket *, QByteArray> m_pending;
};
