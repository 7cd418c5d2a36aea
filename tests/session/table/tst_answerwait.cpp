// A connection that reaches something which is not a Tavernix host: the
// host's rename never comes, and the status box says so once.

#include "sessiontestkit.h"

#include <QTcpServer>

using namespace testkit;

namespace
{

constexpr int kAnswerWaitMs = 200;

/// What listens on the other side.
enum class Other {
    Silent,       ///< accepts and never says a word
    WrongProgram, ///< answers every line, but not as a host would
    ClosesSoon,   ///< accepts, reads the introduction, hangs up
    Tavernix,     ///< a real host
};

/// A listener that is not a Tavernix host.
struct Stranger {
    QTcpServer server;
    Other kind;
    explicit Stranger(Other k) : kind(k)
    {
        server.listen(QHostAddress::LocalHost);
        QObject::connect(&server, &QTcpServer::newConnection, [this] {
            while (QTcpSocket *s = server.nextPendingConnection()) {
                QObject::connect(s, &QTcpSocket::readyRead, s, [this, s] {
                    s->readAll();
                    if (kind == Other::WrongProgram)
                        s->write("HTTP/1.1 400 Bad Request\r\nConnection: keep-alive\r\n\r\n");
                    else if (kind == Other::ClosesSoon)
                        s->disconnectFromHost();
                });
            }
        });
    }
};

int noAnswerCount(const Peer &client)
{
    return int(client.conversation.status.count(ChatSession::kNoAnswer));
}

} // namespace

class TestAnswerWait : public QObject
{
    Q_OBJECT
private slots:
    void defaultIsFifteenSeconds();
    void noRenameWithinTheWait_data();
    void noRenameWithinTheWait();
    void disconnectingStopsTheWait();
    void reconnectingStartsAFreshWait();
};

void TestAnswerWait::defaultIsFifteenSeconds()
{
    ChatSession chat;
    QCOMPARE(chat.answerWaitMs(), 15000);
    chat.setAnswerWait(-5);
    QCOMPARE(chat.answerWaitMs(), 0);
}

void TestAnswerWait::noRenameWithinTheWait_data()
{
    QTest::addColumn<int>("other");
    QTest::addColumn<bool>("toldNoAnswer");
    QTest::newRow("silent listener") << int(Other::Silent) << true;
    QTest::newRow("another program") << int(Other::WrongProgram) << true;
    // A connection that ends is reported as ended, not as a silent host.
    QTest::newRow("hangs up") << int(Other::ClosesSoon) << false;
    QTest::newRow("tavernix host") << int(Other::Tavernix) << false;
}

void TestAnswerWait::noRenameWithinTheWait()
{
    QFETCH(int, other);
    QFETCH(bool, toldNoAnswer);

    std::unique_ptr<Stranger> stranger;
    std::unique_ptr<Peer> host;
    quint16 port = 0;
    if (Other(other) == Other::Tavernix) {
        host = std::make_unique<Peer>(QStringLiteral("Oste"));
        port = host->host();
    } else {
        stranger = std::make_unique<Stranger>(Other(other));
        port = stranger->server.serverPort();
    }
    QVERIFY(port != 0);

    Peer client(QStringLiteral("Tizio"));
    client->setAnswerWait(kAnswerWaitMs);
    client->setPort(port);
    client->cmdConnect_Click(QStringLiteral("127.0.0.1"));
    // The introduction goes out once the connect wait is over.
    QVERIFY(settle([&] { return client->sentLog()->size() > 0 || !client.messages.shown.isEmpty(); }));
    QVERIFY(client.messages.shown.isEmpty());

    switch (Other(other)) {
    case Other::Silent:
    case Other::WrongProgram:
        QVERIFY(settle([&] { return noAnswerCount(client) > 0; }));
        break;
    case Other::ClosesSoon:
        QVERIFY(settle([&] { return client.conversation.status.contains("Disconnessione."); }));
        break;
    case Other::Tavernix:
        // The host's rename makes our name the confirmed one.
        QVERIFY(settle([&] { return client->sMyName() == QLatin1String("Tizio"); }));
        break;
    }
    // Several waits later it has been said once, or never.
    QTest::qWait(kAnswerWaitMs * 4);
    QCOMPARE(noAnswerCount(client), toldNoAnswer ? 1 : 0);
    if (toldNoAnswer) {
        QCOMPARE(client.conversation.status.last(), ChatSession::kNoAnswer);
        // The connection stays: the user decides whether to wait or leave.
        QCOMPARE(client->phase(), ChatSession::Phase::Connected);
        QCOMPARE(client->clientState(), ChatSession::kConnected);
    }
}

void TestAnswerWait::disconnectingStopsTheWait()
{
    Stranger stranger(Other::Silent);
    Peer client(QStringLiteral("Tizio"));
    client->setAnswerWait(kAnswerWaitMs);
    client->setPort(stranger.server.serverPort());
    client->cmdConnect_Click(QStringLiteral("127.0.0.1"));
    QVERIFY(settle([&] { return client->phase() == ChatSession::Phase::Connected; }));
    client->cmdDisconnect_Click();
    QTest::qWait(kAnswerWaitMs * 4);
    QCOMPARE(noAnswerCount(client), 0);
    QCOMPARE(client.conversation.status.last(), QStringLiteral("Disconnessione."));
}

void TestAnswerWait::reconnectingStartsAFreshWait()
{
    // A wait left from a silent listener must not speak about the real host
    // joined afterwards, and the real host's answer ends the new wait.
    Stranger stranger(Other::Silent);
    Peer host(QStringLiteral("Oste"));
    const quint16 hostPort = host.host();
    Peer client(QStringLiteral("Tizio"));
    client->setAnswerWait(kAnswerWaitMs * 3);
    client->setPort(stranger.server.serverPort());
    client->cmdConnect_Click(QStringLiteral("127.0.0.1"));
    QVERIFY(settle([&] { return client->phase() == ChatSession::Phase::Connected; }));
    client->cmdDisconnect_Click();
    QVERIFY(client.join(hostPort));
    QTest::qWait(kAnswerWaitMs * 6);
    QCOMPARE(noAnswerCount(client), 0);
    QCOMPARE(client->phase(), ChatSession::Phase::Connected);
}

QTEST_GUILESS_MAIN(TestAnswerWait)
#include "tst_answerwait.moc"
