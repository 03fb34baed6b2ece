#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class QLocalServer;
class QLocalSocket;

namespace orvel {

/// Keeps one application per user: a later launch hands its arguments to the running one over
/// a local socket only this user can open, then exits.
///
/// A message is a 4-byte big-endian length, then that many bytes of a JSON array of strings
/// (UTF-8). The running instance drops any message that is longer than `maxMessageSize`, not
/// such an array, or not complete within `receiveTimeoutMs`.
class SingleInstance final : public QObject {
    Q_OBJECT

public:
    /// The largest message body accepted, in bytes.
    static constexpr int maxMessageSize = 64 * 1024;
    /// How long a connection may take to deliver its message.
    static constexpr int receiveTimeoutMs = 2000;

    /// The socket in the user's runtime folder.
    static QString defaultServerName();

    /// An instance that meets the others at `serverName`.
    explicit SingleInstance(QString serverName = defaultServerName(), QObject* parent = nullptr);

    /// Sends `arguments` to the running instance; false when none answers.
    bool forwardToRunningInstance(const QStringList& arguments);
    /// Becomes the running instance, replacing a socket a crashed one left behind; false when
    /// another instance answers or the socket cannot be made.
    bool listen();

signals:
    /// A later launch's arguments, delivered on this object's thread.
    void argumentsReceived(const QStringList& arguments);

private:
    /// Takes the pending connections and gives each its deadline.
    void acceptConnections();
    /// Handles the message once it is complete, or drops a connection announcing too much.
    void readMessage(QLocalSocket* socket);

    QString m_serverName;
    QLocalServer* m_server = nullptr;
};

} // namespace orvel
