#include <QLocalSocket>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include "AppTest.h"
#include "platform/SingleInstance.h"

namespace orvel {
namespace {

QByteArray frame(const QByteArray& body) {
    QByteArray message(4, '\0');
    qToBigEndian(static_cast<quint32>(body.size()), message.data());
    return message + body;
}

// A JSON array of one string, `size` bytes long.
QByteArray arrayOfSize(int size) { return "[\"" + QByteArray(size - 4, 'a') + "\"]"; }

} // namespace

class SingleInstanceTests : public QObject {
    Q_OBJECT

private slots:
    void laterLaunchesForwardToThePrimary() {
        const QTemporaryDir folder;
        const QString name = folder.filePath("orvel.socket");
        SingleInstance later(name);
        QVERIFY(!later.forwardToRunningInstance({"--scan"}));
        SingleInstance primary(name);
        QVERIFY(primary.listen());
        QVERIFY(!SingleInstance(name).listen());
        QSignalSpy received(&primary, &SingleInstance::argumentsReceived);
        QVERIFY(later.forwardToRunningInstance({"--scan", "🔒 on-device"}));
        QVERIFY(received.wait());
        QCOMPARE(received.at(0).at(0).toStringList(), QStringList({"--scan", "🔒 on-device"}));
    }

    void messagesAreCheckedBeforeUse_data() {
        QTest::addColumn<QByteArray>("message");
        QTest::addColumn<QStringList>("arguments");
        const QStringList dropped;
        QTest::newRow("invalid UTF-8") << frame("[\"a\xFF\"]") << QStringList{QStringLiteral("a\uFFFD")};
        QTest::newRow("at the limit") << frame(arrayOfSize(SingleInstance::maxMessageSize))
                                      << QStringList{QString(SingleInstance::maxMessageSize - 4, 'a')};
        QTest::newRow("over the limit") << frame(arrayOfSize(SingleInstance::maxMessageSize + 1)) << dropped;
        QTest::newRow("not JSON") << frame("--scan") << dropped;
        QTest::newRow("not an array") << frame("{\"a\":\"b\"}") << dropped;
        QTest::newRow("not strings") << frame("[\"a\",1]") << dropped;
        QTest::newRow("silent client") << QByteArray() << dropped;
        QTest::newRow("cut short") << frame("[\"--scan\"]").chopped(1) << dropped;
    }

    void messagesAreCheckedBeforeUse() {
        QFETCH(QByteArray, message);
        QFETCH(QStringList, arguments);
        const QTemporaryDir folder;
        const QString name = folder.filePath("orvel.socket");
        SingleInstance primary(name);
        QVERIFY(primary.listen());
        QSignalSpy received(&primary, &SingleInstance::argumentsReceived);
        QLocalSocket client;
        client.connectToServer(name);
        QVERIFY(client.waitForConnected());
        client.write(message);
        QVERIFY(client.waitForBytesWritten() || message.isEmpty());
        QTRY_COMPARE_WITH_TIMEOUT(client.state(), QLocalSocket::UnconnectedState, 5000);
        QCOMPARE(received.size(), arguments.isEmpty() ? 0 : 1);
        if (!arguments.isEmpty()) QCOMPARE(received.at(0).at(0).toStringList(), arguments);

        QVERIFY(SingleInstance(name).forwardToRunningInstance({"--scan"}));
        QTRY_COMPARE(received.size(), arguments.isEmpty() ? 1 : 2);
    }
};

ORVEL_APP_TEST(SingleInstanceTests);

} // namespace orvel

#include "SingleInstanceTests.moc"
