// The connection manager over loopback: hosting, accepting into reused
// elements, connecting with its wait and failure path, disconnecting on
// either side, and connections that misbehave.

#include "sessiontestkit.h"

#include <QSslSocket>

#include <QSignalSpy>
#include <QStringListModel>
#include <QTcpServer>

#include <unistd.h>

using namespace testkit;

class TestConnections : public QObject
{
    Q_OBJECT
private slots:
    void hostingStartsTheSession();
    void hostingWithoutNameDoesNothing();
    void listeningOnAPortInUseIsRefused();
    void listeningOnAPrivilegedPortIsRefused();
    void thirdClientAfterTwoLeftReusesElementOne();
    void requestWithEveryElementBusyCreatesANewOne();
    void connectToAClosedPortFailsAfterTheWait();
    void connectToAnUnresolvableNameFailsAfterTheWait();
    void disconnectDuringTheWaitCancelsIt();
    void hostDisconnectLeavesEveryClientItsTable();
    void clientDisconnectIsAnnounced();
    void bothEndsSendWithoutWaitingForAcknowledgements();
    void disconnectWhileIdleStillResets();
    void connectAndCloseAtOnceLeavesNoTrace();
    void burstOfTwoHundredClients();
    void portChangeRefusedWhileConnected();
    void peerThatStopsReadingIsDropped();
    void framingOverTheWire();
    void invalidBytesOverTheWire();
    void fiveMegabytesWithoutCrLfOverTheWire();
};

void TestConnections::hostingStartsTheSession()
{
    Peer host(QStringLiteral("Oste"));
    QSignalSpy opened(host.chat.get(), &ChatSession::connectionOpened);
    QSignalSpy kick(host.chat.get(), &ChatSession::kickVisibleChanged);
    QVERIFY(host.host() != 0);
    QCOMPARE(opened.size(), 1);
    QVERIFY(host->bHost());
    QCOMPARE(host->phase(), ChatSession::Phase::Hosting);
    QCOMPARE(host.conversation.status, QStringList{"Server in attesa..."});
    QCOMPARE(host.people()->count(), 1);
    QCOMPARE(host.people()->nameAt(0), QStringLiteral("Oste"));
    QCOMPARE(host.people()->tagAt(0), -1);
    QCOMPARE(host->sMyName(), QStringLiteral("Oste"));
    QCOMPARE(kick.last().first().toBool(), true);
    QCOMPARE(host.conversation.clears, 1);
    QCOMPARE(host.board.clears, 1);
    // Both self-sent messages went through the dispatcher.
    QCOMPARE(host->receivedLog()->size(), 2);
    QCOMPARE(host->receivedLog()->at(0),
             QStringLiteral("sckConnect: [Aggiorna Listato InviaFile]"));
    QVERIFY(host->receivedLog()->at(1).startsWith(
        QLatin1String("sckConnect: [Aggiorna ComboIP]Oste - ")));
    QCOMPARE(host->transferRecipients()->stringList(), QStringList{"Oste"});
    QCOMPARE(host->addressList()->rowCount(), 1);
    QVERIFY(host->addressList()->stringList().first().startsWith(QLatin1String("Oste - ")));
    // Element 0 listens but counts as no connection.
    QCOMPARE(host->connectionState(0), 2);
    QVERIFY(!host->bConnected());
    QCOMPARE(host->iConnections(), 0);
}

void TestConnections::hostingWithoutNameDoesNothing()
{
    Peer host{QString()};
    QSignalSpy opened(host.chat.get(), &ChatSession::connectionOpened);
    host->setPort(0);
    host->cmdHost_Click();
    QCOMPARE(opened.size(), 0);
    QVERIFY(!host->bHost());
    QCOMPARE(host->listeningPort(), quint16(0));
    QVERIFY(host.conversation.status.isEmpty());
    QVERIFY(host.messages.shown.isEmpty());

    Peer client{QString()};
    client->cmdConnect_Click(QStringLiteral("127.0.0.1"));
    QCOMPARE(client->phase(), ChatSession::Phase::Idle);
    QVERIFY(client.conversation.status.isEmpty());
}

void TestConnections::listeningOnAPortInUseIsRefused()
{
    QTcpServer blocker;
    QVERIFY(blocker.listen(QHostAddress::Any, 0));
    Peer host(QStringLiteral("Oste"));
    QSignalSpy opened(host.chat.get(), &ChatSession::connectionOpened);
    QSignalSpy phase(host.chat.get(), &ChatSession::phaseChanged);
    host->setPort(blocker.serverPort());
    host->cmdHost_Click();
    QCOMPARE(host.messages.shown.size(), 1);
    const auto box = host.messages.shown.first();
    QCOMPARE(box.icon, MessageService::Icon::Warning);
    QCOMPARE(box.title, QStringLiteral("Vellumara"));
    QVERIFY2(box.text.contains(QString::number(blocker.serverPort())), qPrintable(box.text));
    QVERIFY(box.text.contains(QStringLiteral("già in uso")));
    QCOMPARE(opened.size(), 0);
    QCOMPARE(phase.size(), 0);
    QVERIFY(!host->bHost());
    QCOMPARE(host->phase(), ChatSession::Phase::Idle);
    QVERIFY(host.conversation.status.isEmpty());
    QCOMPARE(host.people()->count(), 0);
    QCOMPARE(host.conversation.clears, 0);
}

void TestConnections::listeningOnAPrivilegedPortIsRefused()
{
    if (::geteuid() == 0)
        QSKIP("running as root: ports below 1024 are allowed");
    Peer host(QStringLiteral("Oste"));
    host->setPort(600);
    host->cmdHost_Click();
    QCOMPARE(host.messages.shown.size(), 1);
    QVERIFY(host.messages.shown.first().text.contains(QStringLiteral("600")));
    QCOMPARE(host->phase(), ChatSession::Phase::Idle);
}

void TestConnections::thirdClientAfterTwoLeftReusesElementOne()
{
    Peer host(QStringLiteral("Oste"));
    const quint16 port = host.host();
    {
        Peer a(QStringLiteral("Anna"));
        Peer b(QStringLiteral("Bruno"));
        QVERIFY(a.join(port));
        QVERIFY(b.join(port));
        QCOMPARE(host->iConnections(), 2);
        QCOMPARE(host.people()->sConnectionName(1), QStringLiteral("Anna"));
        QCOMPARE(host.people()->sConnectionName(2), QStringLiteral("Bruno"));
        a->cmdDisconnect_Click();
        b->cmdDisconnect_Click();
        QVERIFY(settle([&] { return !host->bConnected(); }));
    }
    QCOMPARE(host.people()->count(), 1);
    Peer c(QStringLiteral("Carla"));
    QVERIFY(c.join(port));
    QCOMPARE(host.people()->sConnectionName(1), QStringLiteral("Carla"));
    QCOMPARE(host->iConnections(), 2);
    QCOMPARE(host->connectionState(1), ChatSession::kConnected);
    QCOMPARE(host->connectionState(2), ChatSession::kClosed);
}

void TestConnections::requestWithEveryElementBusyCreatesANewOne()
{
    Peer host(QStringLiteral("Oste"));
    const quint16 port = host.host();
    RawClient one, two, three;
    QVERIFY(one.connectTo(port));
    QVERIFY(settle([&] { return host->iConnections() == 1; }));
    QVERIFY(two.connectTo(port));
    QVERIFY(settle([&] { return host->iConnections() == 2; }));
    one.socket.abort();
    QVERIFY(settle([&] { return host->connectionState(1) == ChatSession::kClosed; }));
    QVERIFY(three.connectTo(port));
    QVERIFY(settle([&] { return host->connectionState(1) == ChatSession::kConnected; }));
    QCOMPARE(host->iConnections(), 2);
    RawClient four;
    QVERIFY(four.connectTo(port));
    QVERIFY(settle([&] { return host->iConnections() == 3; }));
    QVERIFY(settle([&] { return host->connectionState(3) == ChatSession::kConnected; }));
}

namespace
{
quint16 closedPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const quint16 port = probe.serverPort();
    probe.close();
    return port;
}

/// @p where: the address and port the message names as tried.
void checkFailurePath(Peer &client, QSignalSpy &closed, const QString &where)
{
    QVERIFY(settle([&] { return !client.messages.shown.isEmpty(); }, 15000));
    QCOMPARE(client.messages.shown.size(), 1);
    const auto box = client.messages.shown.first();
    QCOMPARE(box.text, QStringLiteral("Impossibile stabilire una connessione.\nIndirizzo: ") + where);
    QCOMPARE(box.icon, MessageService::Icon::Warning);
    QCOMPARE(box.title, QStringLiteral("Vellumara"));
    QCOMPARE(client.conversation.status,
             (QStringList{"Connessione in corso...", "Disconnessione."}));
    QCOMPARE(client->phase(), ChatSession::Phase::Idle);
    QCOMPARE(client->clientState(), ChatSession::kClosed);
    QCOMPARE(closed.size(), 1);
    QCOMPARE(client->sentLog()->size(), 0);
}
} // namespace

void TestConnections::connectToAClosedPortFailsAfterTheWait()
{
    Peer client(QStringLiteral("Tizio"));
    client->setConnectWait(ChatSession::kDefaultConnectWaitMs);
    QSignalSpy closed(client.chat.get(), &ChatSession::connectionClosed);
    QSignalSpy opened(client.chat.get(), &ChatSession::connectionOpened);
    const quint16 port = closedPort();
    client->setPort(port);
    client->cmdConnect_Click(QStringLiteral("127.0.0.1"));
    QCOMPARE(opened.size(), 1);
    QCOMPARE(client->phase(), ChatSession::Phase::Connecting);
    // The refusal comes long before the wait ends and is not a close event.
    QVERIFY(settle([&] { return client->clientState() == ChatSession::kClosed; }));
    QVERIFY(client.messages.shown.isEmpty());
    QCOMPARE(client.conversation.status, QStringList{"Connessione in corso..."});
    QCOMPARE(closed.size(), 0);
    checkFailurePath(client, closed, QStringLiteral("127.0.0.1, porta %1.").arg(port));
}

void TestConnections::connectToAnUnresolvableNameFailsAfterTheWait()
{
    Peer client(QStringLiteral("Tizio"));
    client->setConnectWait(ChatSession::kDefaultConnectWaitMs);
    QSignalSpy closed(client.chat.get(), &ChatSession::connectionClosed);
    client->setPort(4321);
    client->cmdConnect_Click(QStringLiteral("no-such-host.invalid"));
    checkFailurePath(client, closed, QStringLiteral("no-such-host.invalid, porta 4321."));
}

void TestConnections::disconnectDuringTheWaitCancelsIt()
{
    Peer host(QStringLiteral("Oste"));
    const quint16 port = host.host();
    Peer client(QStringLiteral("Tizio"));
    client->setConnectWait(200);
    client->setPort(port);
    client->cmdConnect_Click(QStringLiteral("127.0.0.1"));
    client->cmdDisconnect_Click();
    QTest::qWait(600);
    QVERIFY(client.messages.shown.isEmpty());
    QCOMPARE(client->phase(), ChatSession::Phase::Idle);
    QCOMPARE(client->sentLog()->size(), 0);
    QCOMPARE(client.conversation.status,
             (QStringList{"Connessione in corso...", "Disconnessione."}));
    // A new connect after a cancelled one works normally.
    QVERIFY(client.join(port));
    QCOMPARE(client->phase(), ChatSession::Phase::Connected);
}

void TestConnections::hostDisconnectLeavesEveryClientItsTable()
{
    Peer host(QStringLiteral("Oste"));
    const quint16 port = host.host();
    Peer a(QStringLiteral("Anna"));
    Peer b(QStringLiteral("Bruno"));
    QVERIFY(a.join(port));
    QVERIFY(b.join(port));
    QVERIFY(settle([&] { return a.people()->count() == 3; }));
    QSignalSpy aClosed(a.chat.get(), &ChatSession::connectionClosed);
    const int aClears = a.conversation.clears;
    const int aBoard = a.board.clears;

    host->cmdDisconnect_Click();
    QCOMPARE(host.conversation.status.last(), QStringLiteral("Disconnessione."));
    QVERIFY(!host->bHost());
    QCOMPARE(host->phase(), ChatSession::Phase::Idle);
    QCOMPARE(host.people()->count(), 0);
    QCOMPARE(host->listeningPort(), quint16(0));
    QVERIFY(!host->bConnected());

    // The host closed its table: each client keeps its pane and board,
    // empties its list, is told the table is closed and does not try again.
    for (Peer *p : {&a, &b}) {
        QVERIFY(settle([&] { return (*p)->phase() == ChatSession::Phase::Idle; }));
        QVERIFY(p->conversation.status.contains(QStringLiteral("Disconnessione.")));
        QVERIFY(!p->conversation.status.filter(QStringLiteral("L'host ha chiuso il tavolo")).isEmpty());
        QCOMPARE(p->people()->count(), 0);
        QCOMPARE((*p)->clientState(), ChatSession::kClosed);
    }
    QCOMPARE(aClosed.size(), 1);
    QCOMPARE(a.conversation.clears, aClears);
    QCOMPARE(a.board.clears, aBoard);
    QVERIFY(a.messages.shown.isEmpty());
}

void TestConnections::bothEndsSendWithoutWaitingForAcknowledgements()
{
    // A burst relayed in several writes must not wait out the peer's delayed
    // acknowledgement between them: the host's element and the client's
    // socket both have Nagle off.
    Peer host(QStringLiteral("Oste"));
    Peer a(QStringLiteral("Anna"));
    QVERIFY(a.join(host.host()));
    for (const Peer *peer : {&host, &a}) {
        int connected = 0;
        for (QTcpSocket *s : peer->chat->findChildren<QTcpSocket *>()) {
            // A TLS-capable socket carries a plain one inside: one connection.
            if (s->state() != QAbstractSocket::ConnectedState || qobject_cast<QSslSocket *>(s->parent()))
                continue;
            ++connected;
            QCOMPARE(s->socketOption(QAbstractSocket::LowDelayOption).toInt(), 1);
        }
        QCOMPARE(connected, 1);
    }
}

void TestConnections::clientDisconnectIsAnnounced()
{
    Peer host(QStringLiteral("Oste"));
    const quint16 port = host.host();
    Peer a(QStringLiteral("Anna"));
    Peer b(QStringLiteral("Bruno"));
    QVERIFY(a.join(port));
    QVERIFY(b.join(port));
    QVERIFY(settle([&] { return b.people()->count() == 3; }));

    a->cmdDisconnect_Click();
    QCOMPARE(a.conversation.status.last(), QStringLiteral("Disconnessione."));
    QCOMPARE(a.people()->count(), 0);
    QVERIFY(settle([&] { return host.people()->count() == 2; }));
    QCOMPARE(host.conversation.status.last(),
             QStringLiteral("Anna ha perso il contatto con la realtà."));
    QVERIFY(logFrom(host->sentLog())
                .contains(QStringLiteral("sckConnection(2): [Disconnessione]0000000001")));
    QVERIFY(settle([&] { return b.people()->count() == 2; }));
    QCOMPARE(b.conversation.status.last(),
             QStringLiteral("Anna ha perso il contatto con la realtà."));
    QCOMPARE(b.people()->sConnectionName(1), QString());
    QCOMPARE(b.people()->sConnectionName(2), QStringLiteral("Bruno"));
    QCOMPARE(host->connectionState(1), ChatSession::kClosed);
}

void TestConnections::disconnectWhileIdleStillResets()
{
    Peer idle(QStringLiteral("Solo"));
    QSignalSpy closed(idle.chat.get(), &ChatSession::connectionClosed);
    idle.people()->AddName(5, QStringLiteral("left over"));
    idle->cmdDisconnect_Click();
    QCOMPARE(idle.conversation.status, QStringList{"Disconnessione."});
    QCOMPARE(idle.people()->count(), 0);
    QCOMPARE(idle.conversation.clears, 1);
    QCOMPARE(idle.board.clears, 1);
    QCOMPARE(closed.size(), 1);
}

void TestConnections::connectAndCloseAtOnceLeavesNoTrace()
{
    Peer host(QStringLiteral("Oste"));
    const quint16 port = host.host();
    const QStringList statusBefore = host.conversation.status;
    const qsizetype sentBefore = host->sentLog()->size();
    for (int i = 0; i < 5; ++i) {
        QTcpSocket quick;
        quick.connectToHost(QHostAddress::LocalHost, port);
        QVERIFY(quick.waitForConnected(5000));
        quick.abort();
    }
    // A request already closed when the host takes it is closed at once and
    // takes no element; one taken just before its close does, for a while.
    QTest::qWait(200);
    QVERIFY(settle([&] { return !host->bConnected(); }));
    QCOMPARE(host.conversation.status, statusBefore);
    QCOMPARE(host->sentLog()->size(), sentBefore);
    QCOMPARE(host.people()->count(), 1);
    Peer late(QStringLiteral("Tardi"));
    QVERIFY(late.join(port));
    QCOMPARE(host.people()->count(), 2);
}

void TestConnections::burstOfTwoHundredClients()
{
    Peer host(QStringLiteral("Oste"));
    // All two hundred wait for their introduction at once, more than the
    // host lets wait by default.
    host->setMaxPendingJoins(200);
    const quint16 port = host.host();
    std::vector<std::unique_ptr<QTcpSocket>> burst;
    for (int i = 0; i < 200; ++i) {
        auto socket = std::make_unique<QTcpSocket>();
        socket->connectToHost(QHostAddress::LocalHost, port);
        burst.push_back(std::move(socket));
    }
    QVERIFY(settle(
        [&] {
            for (auto &s : burst)
                if (s->state() != QAbstractSocket::ConnectedState)
                    return false;
            return true;
        },
        20000));
    // Half of them introduce themselves before leaving.
    for (int i = 0; i < 200; i += 2)
        burst[size_t(i)]->write(session::encodeLine(QStringLiteral("[Connessione]Ospite")));
    for (auto &s : burst)
        s->flush();
    QVERIFY(settle([&] { return host.people()->count() == 101; }, 20000));
    QCOMPARE(host.people()->sConnectionName(qint16(host.people()->tagAt(100))),
             QStringLiteral("Ospite[100]"));
    for (auto &s : burst)
        s->disconnectFromHost();
    QVERIFY(settle([&] { return !host->bConnected() && host.people()->count() == 1; }, 20000));
    QVERIFY(host->iConnections() <= 200);
    QVERIFY(host->iConnections() >= 1);
    const qint16 elements = host->iConnections();

    // Still responsive, and the next client reuses element 1.
    Peer after(QStringLiteral("Dopo"));
    QVERIFY(after.join(port));
    QCOMPARE(host.people()->sConnectionName(1), QStringLiteral("Dopo"));
    QCOMPARE(host->iConnections(), elements);
    QCOMPARE(after.people()->count(), 2);
}

void TestConnections::portChangeRefusedWhileConnected()
{
    Peer idle(QStringLiteral("Solo"));
    QVERIFY(idle->cmdPorts_Click());
    QVERIFY(idle.messages.shown.isEmpty());

    Peer host(QStringLiteral("Oste"));
    const quint16 port = host.host();
    Peer client(QStringLiteral("Tizio"));
    QVERIFY(client.join(port));
    QVERIFY(!client->cmdPorts_Click());
    QCOMPARE(client.messages.shown.size(), 1);
    QCOMPARE(client.messages.shown.first().icon, MessageService::Icon::Information);
    QCOMPARE(client.messages.shown.first().text,
             QStringLiteral("Una o più connessioni sono attualmente aperte. Occorre disconnettersi "
                            "prima di mutare porta."));
    QVERIFY(!host->cmdPorts_Click());
}

void TestConnections::peerThatStopsReadingIsDropped()
{
    Peer host(QStringLiteral("Oste"));
    host->setWriteBacklogLimit(1024 * 1024);
    const quint16 port = host.host();
    Peer listener(QStringLiteral("Attento"));
    QVERIFY(listener.join(port));

    // Reads one byte and then nothing more: the kernel buffers fill, then ours.
    QTcpSocket deaf;
    deaf.setReadBufferSize(1);
    deaf.connectToHost(QHostAddress::LocalHost, port);
    QVERIFY(deaf.waitForConnected(5000));
    deaf.write(session::encodeLine(QStringLiteral("[Connessione]Sordo")));
    QVERIFY(settle([&] { return host.people()->containsName(QStringLiteral("Sordo")); }));

    const QString filler = QStringLiteral("[Messaggio]") + QString(1000, QLatin1Char('x'));
    const QString gone = QStringLiteral("Sordo ha perso il contatto con la realtà.");
    int sent = 0;
    // Paced by the reading client, so only the deaf one falls behind.
    while (!host.conversation.status.contains(gone) && sent < 100000) {
        host->SendToAll(filler, false);
        if (++sent % 50 == 0)
            QVERIFY(settle([&] { return listener.conversation.dialog.size() >= sent; }));
    }
    QVERIFY2(host.conversation.status.contains(gone), qPrintable(QString::number(sent)));
    QVERIFY(!host.people()->containsName(QStringLiteral("Sordo")));
    // The reading client is still there and learns of the departure.
    QVERIFY2(settle([&] { return listener.conversation.status.contains(gone); }, 20000),
             qPrintable(QString::number(sent) + QLatin1Char(' ') +
                        listener.conversation.status.join(QLatin1Char('|')) + QLatin1Char(' ') +
                        host.conversation.status.join(QLatin1Char('|'))));
    QCOMPARE(listener->phase(), ChatSession::Phase::Connected);
    QVERIFY(host.people()->containsName(QStringLiteral("Attento")));
}

void TestConnections::framingOverTheWire()
{
    Peer host(QStringLiteral("Oste"));
    const quint16 port = host.host();
    RawClient c;
    QVERIFY(c.joinAs(port, QStringLiteral("Pezzi")));
    auto &dialog = host.conversation.dialog;
    c.sendRaw("[Messaggio]uno\r\n[Messaggio]due\r\n[Messaggio]tre\r\n");
    QVERIFY(settle([&] { return dialog.size() == 3; }));
    c.sendRaw("[Messaggio]quat");
    QTest::qWait(50);
    QCOMPARE(dialog.size(), 3); // half a line waits for its end
    c.sendRaw("tro\r\n[Messaggio]cin");
    QVERIFY(settle([&] { return dialog.size() == 4; }));
    c.sendRaw("q");
    QTest::qWait(20);
    c.sendRaw("ue\r");
    QTest::qWait(20);
    c.sendRaw("\n");
    QVERIFY(settle([&] { return dialog.size() == 5; }));
    QCOMPARE(dialog, (QStringList{"uno", "due", "tre", "quattro", "cinque"}));
}

void TestConnections::invalidBytesOverTheWire()
{
    Peer host(QStringLiteral("Oste"));
    const quint16 port = host.host();
    RawClient speaker, hearer;
    QVERIFY(speaker.joinAs(port, QStringLiteral("Parla")));
    QVERIFY(hearer.joinAs(port, QStringLiteral("Ascolta")));
    QVERIFY(settle([&] { return hearer.lines.contains("[Aggiorna Listato InviaFile]"); }));
    const QByteArray odd("[Messaggio]\x00\xff\x81\x9d\xe8\x80\n\r", 19);
    speaker.sendRaw(odd + "\r\n");
    QVERIFY(hearer.waitForLine(odd));
    QCOMPARE(host.conversation.dialog.size(), 1);
    QCOMPARE(session::encodeText(host.conversation.dialog.first()), odd.mid(11));
}

void TestConnections::fiveMegabytesWithoutCrLfOverTheWire()
{
    Peer host(QStringLiteral("Oste"));
    const quint16 port = host.host();
    RawClient c;
    QVERIFY(c.joinAs(port, QStringLiteral("Fiume")));
    const qsizetype logged = host->receivedLog()->size();
    const QByteArray chunk(256 * 1024, 'A');
    for (int i = 0; i < 20; ++i) { // 5 MiB in pieces, no CR LF
        c.sendRaw(chunk);
        QVERIFY(settle([&] { return c.socket.bytesToWrite() == 0; }));
    }
    c.sendRaw("\r\n[Messaggio]dopo il fiume\r\n");
    QVERIFY(
        settle([&] { return host.conversation.dialog.contains(QStringLiteral("dopo il fiume")); }));
    // The over-long line never reached the dispatcher.
    QCOMPARE(host->receivedLog()->size(), logged + 1);
    QCOMPARE(host.people()->sConnectionName(1), QStringLiteral("Fiume"));
}

QTEST_GUILESS_MAIN(TestConnections)
#include "tst_connections.moc"
