#include "platform/SingleInstance.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QTimer>
#include <QtEndian>

#include <optional>

namespace orvel {

namespace {

constexpr int headerSize = 4;
constexpr int connectTimeoutMs = 1000;

QByteArray encode(const QStringList& arguments) {
    const QByteArray body = QJsonDocument(QJsonArray::fromStringList(arguments)).toJson(QJsonDocument::Compact);
    QByteArray message(headerSize, '\0');
    qToBigEndian(static_cast<quint32>(body.size()), message.data());
    return message + body;
}

std::optional<QStringList> decode(const QByteArray& body) {
    // The JSON reader refuses invalid UTF-8; a pass through QString repairs it to U+FFFD first.
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(QString::fromUtf8(body).toUtf8(), &error);
    if (error.error != QJsonParseError::NoError || !document.isArray()) return std::nullopt;
    QStringList arguments;
    for (const QJsonValue& value : document.array()) {
        if (!value.isString()) return std::nullopt;
        arguments.append(value.toString());
    }
    return arguments;
}

bool connectTo(QLocalSocket& socket, const QString& serverName) {
    socket.connectToServer(serverName);
    return socket.waitForConnected(connectTimeoutMs);
}

void drop(QLocalSocket* socket) {
    socket->abort();
    socket->deleteLater();
}

} // namespace

QString SingleInstance::defaultServerName() {
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation) + QStringLiteral("/orvel-app.socket");
}

SingleInstance::SingleInstance(QString serverName, QObject* parent)
    : QObject(parent), m_serverName(std::move(serverName)) {}

bool SingleInstance::forwardToRunningInstance(const QStringList& arguments) {
    QLocalSocket socket;
    if (!connectTo(socket, m_serverName)) return false;
    socket.write(encode(arguments));
    // Flushes the message. A running instance that stops reading loses it, but this launch still
    // leaves the work to it.
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState) socket.waitForDisconnected(receiveTimeoutMs);
    return true;
}

bool SingleInstance::listen() {
    // Qt moves a new socket into place over whatever has the name, so the running instance is
    // asked first; a socket nobody answers on is a crashed one's leftover.
    QLocalSocket probe;
    if (connectTo(probe, m_serverName)) return false;
    QLocalServer::removeServer(m_serverName);
    auto* server = new QLocalServer(this);
    server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server->listen(m_serverName)) {
        delete server;
        return false;
    }
    m_server = server;
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::acceptConnections);
    return true;
}

void SingleInstance::acceptConnections() {
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        // A client that stops short of a whole message is dropped rather than waited for.
        QTimer::singleShot(receiveTimeoutMs, socket, [socket] { drop(socket); });
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readMessage(socket); });
    }
}

void SingleInstance::readMessage(QLocalSocket* socket) {
    if (socket->bytesAvailable() < headerSize) return;
    const quint32 size = qFromBigEndian<quint32>(socket->peek(headerSize).constData());
    if (size > maxMessageSize) return drop(socket);
    if (socket->bytesAvailable() < headerSize + qint64{size}) return;
    socket->skip(headerSize);
    const std::optional<QStringList> arguments = decode(socket->read(size));
    drop(socket);
    if (arguments) emit argumentsReceived(*arguments);
}

} // namespace orvel
