#include "scriptedhttpserver.h"

#include <QSslServer>
#include <QTcpSocket>

ScriptedResponse ScriptedResponse::ok(const QByteArray &body)
{
    ScriptedResponse response;
    response.body = body;
    return response;
}

ScriptedResponse ScriptedResponse::withStatus(int code, const QByteArray &body)
{
    ScriptedResponse response;
    response.status = code;
    response.body = body;
    return response;
}

ScriptedResponse ScriptedResponse::redirect(const QByteArray &location)
{
    ScriptedResponse response;
    response.status = 302;
    response.headers.append({ "Location", location });
    return response;
}

ScriptedHttpServer::ScriptedHttpServer(QObject *parent) : QObject(parent) { }

bool ScriptedHttpServer::listen(const QSslConfiguration &tls)
{
    m_tls = !tls.isNull();
    if (m_tls) {
        auto server = std::make_unique<QSslServer>();
        server->setSslConfiguration(tls);
        m_server = std::move(server);
    } else {
        m_server = std::make_unique<QTcpServer>();
    }
    connect(m_server.get(), &QTcpServer::pendingConnectionAvailable, this,
            &ScriptedHttpServer::onNewConnection);
    return m_server->listen(QHostAddress::LocalHost, 0);
}

QUrl ScriptedHttpServer::url(const QString &path) const
{
    return QUrl(QStringLiteral("%1://127.0.0.1:%2%3")
                        .arg(m_tls ? QStringLiteral("https") : QStringLiteral("http"))
                        .arg(m_server->serverPort())
                        .arg(path));
}

void ScriptedHttpServer::route(const QString &path, const ScriptedResponse &response)
{
    m_routes.insert(path, response);
}

void ScriptedHttpServer::reset()
{
    m_routes.clear();
    requestedPaths.clear();
    requestHeads.clear();
}

void ScriptedHttpServer::onNewConnection()
{
    while (QTcpSocket *socket = m_server->nextPendingConnection()) {
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            m_pending.remove(socket);
            socket->deleteLater();
        });
    }
}

static QByteArray reasonPhrase(int status)
{
    switch (status) {
    case 200: return "OK";
    case 302: return "Found";
    case 404: return "Not Found";
    case 500: return "Internal Server Error";
    default: return "Status";
    }
}

void ScriptedHttpServer::onReadyRead(QTcpSocket *socket)
{
    QByteArray &buffer = m_pending[socket];
    buffer += socket->readAll();
    const qsizetype end = buffer.indexOf("\r\n\r\n");
    if (end < 0)
        return;
    const QByteArray head = buffer.left(end);
    buffer.remove(0, end + 4);
    const QList<QByteArray> requestLine = head.left(head.indexOf("\r\n")).split(' ');
    const QString path =
            requestLine.size() >= 2 ? QString::fromLatin1(requestLine.at(1)) : QString();
    requestedPaths.append(path);
    requestHeads.append(head);

    const ScriptedResponse response =
            m_routes.value(path, ScriptedResponse::withStatus(404, "<html>Not Found</html>"));
    if (response.behaviour == ScriptedResponse::Behaviour::Silent)
        return;

    QByteArray out = "HTTP/1.1 " + QByteArray::number(response.status) + ' '
            + reasonPhrase(response.status) + "\r\n";
    if (response.contentLength != -2) {
        const qint64 length = response.contentLength == -1 ? response.body.size()
                                                            : response.contentLength;
        out += "Content-Length: " + QByteArray::number(length) + "\r\n";
    }
    for (const auto &[name, value] : response.headers)
        out += name + ": " + value + "\r\n";
    out += "Connection: close\r\n\r\n";

    switch (response.behaviour) {
    case ScriptedResponse::Behaviour::Complete:
        socket->write(out + response.body);
        socket->disconnectFromHost();
        break;
    case ScriptedResponse::Behaviour::StallAfter:
        socket->write(out + response.body.left(response.cut));
        break;
    case ScriptedResponse::Behaviour::DropAfter:
        socket->write(out + response.body.left(response.cut));
        socket->disconnectFromHost();
        break;
    case ScriptedResponse::Behaviour::Silent:
        break;
    }
}
