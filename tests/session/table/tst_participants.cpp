// Participant names end to end: the list model, own-name confirmation, the
// join, rename and expel sequences read from the wire, and the local address.

#include "localaddress.h"
#include "namebounds.h"
#include "sessiontestkit.h"

#include <QHostAddress>
#include <QItemSelectionModel>
#include <QSignalSpy>
#include <QStringListModel>

using namespace testkit;

class TestParticipants : public QObject
{
    Q_OBJECT
private slots:
    void addChangeRemoveByTag();
    void changeAddNameForAMissingTagAdds();
    void selectionFollowsTheEntries();
    void selectionSurvivesARefreshByName();

    void confirmingTheSameNameSendsNothing();
    void emptyNameIsUndone();
    void takenNameIsRefused();
    void nameChangeOutsideASessionIsOnlyKept();

    void joinSequenceByteForByte();
    void uniqueNamesOnJoin();
    void clientRenameKeepsItsTag();
    void hostRename();
    void expellingTwoSelectedClients();
    void sendPeopleListCounts();
    void localAddressIsDottedIPv4();
    void overlongNamesAreCutOnEveryPath_data();
    void overlongNamesAreCutOnEveryPath();
};

void TestParticipants::addChangeRemoveByTag()
{
    session::ParticipantList list;
    list.AddName(-1, QStringLiteral("Oste"));
    list.AddName(3, QStringLiteral("Anna"));
    list.AddName(5, QStringLiteral("Bruno"));
    QCOMPARE(list.names(), (QStringList{"Oste", "Anna", "Bruno"}));
    QCOMPARE(list.data(list.index(1), session::ParticipantList::TagRole).toInt(), 3);
    QCOMPARE(list.sConnectionName(5), QStringLiteral("Bruno"));
    QCOMPARE(list.sConnectionName(4), QString());

    // Renaming the entry tagged 3 keeps tag 3; the entry moves to the end.
    list.ChangeAddName(3, QStringLiteral("Annabella"));
    QCOMPARE(list.names(), (QStringList{"Oste", "Bruno", "Annabella"}));
    QCOMPARE(list.tagAt(2), 3);
    QCOMPARE(list.sConnectionName(3), QStringLiteral("Annabella"));

    list.RemoveName(9); // not there: nothing happens
    QCOMPARE(list.count(), 3);
    list.RemoveName(-1);
    QCOMPARE(list.names(), (QStringList{"Bruno", "Annabella"}));
    list.clear();
    QCOMPARE(list.count(), 0);
    QCOMPARE(list.rowCount(), 0);
}

void TestParticipants::changeAddNameForAMissingTagAdds()
{
    session::ParticipantList list;
    list.AddName(-1, QStringLiteral("Oste"));
    list.ChangeAddName(7, QStringLiteral("Nuovo"));
    QCOMPARE(list.count(), 2);
    QCOMPARE(list.tagAt(1), 7);
    // Two entries with the same name but different tags are both kept.
    list.ChangeAddName(8, QStringLiteral("Nuovo"));
    QCOMPARE(list.count(), 3);
    QCOMPARE(list.sConnectionName(8), QStringLiteral("Nuovo"));
}

void TestParticipants::selectionFollowsTheEntries()
{
    session::ParticipantList list;
    for (int i = 1; i <= 4; ++i)
        list.AddName(i, QStringLiteral("P%1").arg(i));
    list.setSelected(1, true);
    list.setSelected(3, true);
    QVERIFY(list.isSelected(1));
    QVERIFY(!list.isSelected(2));
    QCOMPARE(list.selectionModel()->selectedIndexes().size(), 2);
    list.removeAt(0);
    QVERIFY(list.isSelected(0)); // P2 moved up and stays selected
    QVERIFY(list.isSelected(2)); // P4
    QVERIFY(!list.isSelected(1));
    list.deselectAll();
    QVERIFY(!list.isSelected(0));
    QVERIFY(!list.isSelected(7));
}

void TestParticipants::selectionSurvivesARefreshByName()
{
    session::ParticipantList list;
    list.AddName(-1, QStringLiteral("Oste"));
    list.AddName(1, QStringLiteral("Anna"));
    list.AddName(2, QStringLiteral("Bruno"));
    list.AddName(3, QStringLiteral("Carla"));
    list.setSelected(1, true); // Anna
    list.setSelected(3, true); // Carla
    auto chosen = [&list] {
        QStringList names;
        for (int row = 0; row < list.count(); ++row)
            if (list.isSelected(row))
                names << list.nameAt(row);
        return names;
    };

    // The host's fresh copy comes in another order, with Carla gone and a
    // newcomer; the entries come back through the rename-or-add path.
    list.clearForRefresh();
    QCOMPARE(list.count(), 0);
    QCOMPARE(chosen(), QStringList());
    list.ChangeAddName(2, QStringLiteral("Bruno"));
    list.ChangeAddName(4, QStringLiteral("Dario"));
    list.ChangeAddName(1, QStringLiteral("Anna"));
    list.ChangeAddName(-1, QStringLiteral("Oste"));
    QCOMPARE(chosen(), QStringList{"Anna"});

    // Carla comes back in the next refresh only: the earlier choice is
    // forgotten by then, since that refresh found her gone.
    list.clearForRefresh();
    list.ChangeAddName(1, QStringLiteral("Anna"));
    list.ChangeAddName(2, QStringLiteral("Bruno"));
    list.ChangeAddName(4, QStringLiteral("Dario"));
    QCOMPARE(chosen(), QStringList{"Anna"});
    list.clearForRefresh();
    list.ChangeAddName(3, QStringLiteral("Carla"));
    list.ChangeAddName(1, QStringLiteral("Anna"));
    QCOMPARE(chosen(), QStringList{"Anna"});

    // A rename keeps the participant chosen; a name like the old one does
    // not inherit the choice.
    list.ChangeAddName(1, QStringLiteral("Annabella"));
    QCOMPARE(chosen(), QStringList{"Annabella"});
    list.AddName(5, QStringLiteral("Anna"));
    QCOMPARE(chosen(), QStringList{"Annabella"});

    // A session's end forgets the choice, and so does "Deseleziona tutto"
    // between a refresh and the names coming back.
    list.clear();
    list.AddName(1, QStringLiteral("Annabella"));
    QCOMPARE(chosen(), QStringList());
    list.setSelected(0, true);
    list.clearForRefresh();
    list.deselectAll();
    list.AddName(1, QStringLiteral("Annabella"));
    QCOMPARE(chosen(), QStringList());
}

void TestParticipants::confirmingTheSameNameSendsNothing()
{
    Peer host(QStringLiteral("Oste"));
    const quint16 port = host.host();
    Peer client(QStringLiteral("Tizio"));
    QVERIFY(client.join(port));
    const qsizetype sent = client->sentLog()->size();
    QVERIFY(!client->confirmOwnName());
    QCOMPARE(client->sentLog()->size(), sent);
    const qsizetype hostSent = host->sentLog()->size();
    QVERIFY(!host->confirmOwnName());
    QCOMPARE(host->sentLog()->size(), hostSent);
    QVERIFY(client.messages.shown.isEmpty());
    QVERIFY(host.messages.shown.isEmpty());
}

void TestParticipants::emptyNameIsUndone()
{
    Peer idle(QStringLiteral("Primo"));
    QVERIFY(idle->confirmOwnName());
    QCOMPARE(idle->sMyName(), QStringLiteral("Primo"));
    QSignalSpy named(idle.chat.get(), &ChatSession::nameChanged);
    idle->setName(QString());
    QVERIFY(!idle->confirmOwnName());
    QCOMPARE(idle->name(), QStringLiteral("Primo"));
    QCOMPARE(named.size(), 1);
    QCOMPARE(named.first().first().toString(), QStringLiteral("Primo"));
    QVERIFY(idle.messages.shown.isEmpty());
}

void TestParticipants::takenNameIsRefused()
{
    Peer host(QStringLiteral("Oste"));
    const quint16 port = host.host();
    Peer client(QStringLiteral("Tizio"));
    QVERIFY(client.join(port));
    QVERIFY(settle([&] { return client.people()->count() == 2; }));
    QSignalSpy named(client.chat.get(), &ChatSession::nameChanged);
    const qsizetype sent = client->sentLog()->size();
    client->setName(QStringLiteral("Oste"));
    QVERIFY(!client->confirmOwnName());
    QCOMPARE(client.messages.shown.size(), 1);
    QCOMPARE(client.messages.shown.first().text,
             QStringLiteral("Il nome è gia' in uso! Quanta poca fantasia.."));
    QCOMPARE(client.messages.shown.first().title, QStringLiteral("Vellumara"));
    QCOMPARE(client.messages.shown.first().icon, MessageService::Icon::None);
    QCOMPARE(client->name(), QStringLiteral("Tizio"));
    QCOMPARE(named.last().first().toString(), QStringLiteral("Tizio"));
    QCOMPARE(client->sentLog()->size(), sent);

    // Letter case matters: "oste" is another name.
    client->setName(QStringLiteral("oste"));
    QVERIFY(client->confirmOwnName());
    QCOMPARE(client->sMyName(), QStringLiteral("oste"));
    QCOMPARE(client.messages.shown.size(), 1);
}

void TestParticipants::nameChangeOutsideASessionIsOnlyKept()
{
    Peer idle(QStringLiteral("Solo"));
    QVERIFY(idle->confirmOwnName());
    QCOMPARE(idle->sMyName(), QStringLiteral("Solo"));
    QCOMPARE(idle->sentLog()->size(), 0);
    QCOMPARE(idle->receivedLog()->size(), 0);
    QVERIFY(idle.messages.shown.isEmpty());
}

void TestParticipants::joinSequenceByteForByte()
{
    Peer host(QStringLiteral("Oste"));
    const quint16 port = host.host();
    Peer anna(QStringLiteral("Anna"));
    QVERIFY(anna.join(port));
    const QString hostIp = session::sLocalIP(nullptr);
    const QString annaIp = session::sLocalIP(nullptr);

    RawClient rex;
    QVERIFY(rex.connectTo(port));
    rex.send(QStringLiteral("[Connessione]Rex"));
    rex.send(QStringLiteral("[Aggiorna Listato InviaFile]"));
    QVERIFY(rex.waitForLines(8));
    QList<QByteArray> expected{"[Connessione]Rex",
                               "[Nuovo Nome in Lista]",
                               "[Riordina Nomi in Lista]-000000001Oste",
                               "[Riordina Nomi in Lista]0000000001Anna",
                               "[Riordina Nomi in Lista]0000000002Rex",
                               "[Linea]0000012500000001250000000125000000012500255",
                               "[Rename di Connessione]Rex",
                               "[Aggiorna Listato InviaFile]"};
    QCOMPARE(rex.lines, expected);

    rex.send(QStringLiteral("[Aggiorna ComboIP]Rex - 10.9.8.7"));
    rex.send(QStringLiteral("[Aggiorna NeoConnesso]"));
    expected += QList<QByteArray>{"[Aggiorna ComboIP]Rex - 10.9.8.7",
                                  ("[Aggiorna NeoConnesso]Oste - " + hostIp).toLatin1(),
                                  ("[Aggiorna NeoConnesso]Anna - " + annaIp).toLatin1(),
                                  "[Aggiorna NeoConnesso]Rex - 10.9.8.7"};
    QVERIFY(rex.waitForLines(int(expected.size())));
    settle([] { return false; }, 100); // nothing more may follow
    QCOMPARE(rex.lines, expected);

    // Anna saw the newcomer arrive and holds the full list.
    QVERIFY(settle([&] { return anna.people()->count() == 3; }));
    QVERIFY(anna.conversation.status.contains(QStringLiteral("Rex si è connesso.")));
    QCOMPARE(anna.people()->sConnectionName(2), QStringLiteral("Rex"));
    QCOMPARE(anna.people()->sConnectionName(-1), QStringLiteral("Oste"));
    QVERIFY(settle([&] {
        return anna->addressList()->stringList().contains(QStringLiteral("Rex - 10.9.8.7"));
    }));
    QCOMPARE(anna->transferRecipients()->stringList(), (QStringList{"Oste", "Anna", "Rex"}));
    QCOMPARE(host.conversation.status.last(), QStringLiteral("Rex si è connesso."));
    QCOMPARE(host->addressList()->stringList().last(), QStringLiteral("Rex - 10.9.8.7"));

    // What a real client sends while joining, as the host logged it.
    const QStringList hostReceived = logFrom(host->receivedLog());
    const int first =
        int(hostReceived.indexOf(QStringLiteral("sckConnection(1): [Connessione]Anna")));
    QVERIFY(first >= 0);
    QCOMPARE(hostReceived.mid(first, 4),
             (QStringList{"sckConnection(1): [Connessione]Anna",
                          "sckConnection(1): [Aggiorna Listato InviaFile]",
                          "sckConnection(1): [Aggiorna ComboIP]Anna - " + annaIp,
                          "sckConnection(1): [Aggiorna NeoConnesso]"}));
    QCOMPARE(anna->sMyName(), QStringLiteral("Anna"));
    QCOMPARE(anna->phase(), ChatSession::Phase::Connected);
}

void TestParticipants::uniqueNamesOnJoin()
{
    Peer host(QStringLiteral("Rex"));
    const quint16 port = host.host();
    RawClient a, b, c;
    QVERIFY(a.joinAs(port, QStringLiteral("Rex")));
    QVERIFY(b.joinAs(port, QStringLiteral("Rex")));
    QVERIFY(c.joinAs(port, QStringLiteral("Rex")));
    QVERIFY(a.lines.contains("[Rename di Connessione]Rex[2]"));
    QVERIFY(b.lines.contains("[Rename di Connessione]Rex[3]"));
    QVERIFY(c.lines.contains("[Rename di Connessione]Rex[4]"));
    QCOMPARE(host.people()->names(), (QStringList{"Rex", "Rex[2]", "Rex[3]", "Rex[4]"}));
    QCOMPARE(
        host.conversation.status.mid(1),
        (QStringList{"Rex[2] si è connesso.", "Rex[3] si è connesso.", "Rex[4] si è connesso."}));

    // A real client takes the name it was given.
    Peer d(QStringLiteral("Rex"));
    QVERIFY(d.join(port));
    QCOMPARE(d->sMyName(), QStringLiteral("Rex[5]"));
    QCOMPARE(d->name(), QStringLiteral("Rex[5]"));
}

void TestParticipants::clientRenameKeepsItsTag()
{
    Peer host(QStringLiteral("Oste"));
    const quint16 port = host.host();
    RawClient watcher;
    QVERIFY(watcher.joinAs(port, QStringLiteral("Guardone")));
    Peer anna(QStringLiteral("Anna"));
    QVERIFY(anna.join(port));
    QCOMPARE(host.people()->sConnectionName(2), QStringLiteral("Anna"));
    const qsizetype annaSent = anna->sentLog()->size();
    watcher.lines.clear();

    anna->setName(QStringLiteral("Annabella"));
    QVERIFY(anna->confirmOwnName());
    const QString ip = session::sLocalIP(nullptr);
    QCOMPARE(logFrom(anna->sentLog(), annaSent),
             (QStringList{"sckConnect: [Cambia Nome]Annabella",
                          "sckConnect: [Aggiorna Listato InviaFile]",
                          "sckConnect: [Aggiorna ComboIP]Annabella - " + ip}));
    QVERIFY(watcher.waitForLines(6));
    QCOMPARE(watcher.lines.mid(0, 5),
             (QList<QByteArray>{"[Nuovo Nome in Lista]", "[Riordina Nomi in Lista]-000000001Oste",
                                "[Riordina Nomi in Lista]0000000001Guardone",
                                "[Riordina Nomi in Lista]0000000002Annabella",
                                "[Aggiorna Listato InviaFile]"}));
    QCOMPARE(watcher.lines.at(5), ("[Aggiorna ComboIP]Annabella - " + ip).toLatin1());
    QCOMPARE(host.people()->sConnectionName(2), QStringLiteral("Annabella"));

    // A second rename: the host keeps one address entry per name used.
    anna->setName(QStringLiteral("Anna Terza"));
    QVERIFY(anna->confirmOwnName());
    QVERIFY(
        settle([&] { return host.people()->sConnectionName(2) == QStringLiteral("Anna Terza"); }));
    QVERIFY(
        settle([&] { return host->addressList()->stringList().contains("Anna Terza - " + ip); }));
    const QStringList combo = host->addressList()->stringList();
    QVERIFY(combo.contains("Anna - " + ip));
    QVERIFY(combo.contains("Annabella - " + ip));
    QVERIFY(
        settle([&] { return anna.people()->sConnectionName(2) == QStringLiteral("Anna Terza"); }));
}

void TestParticipants::hostRename()
{
    Peer host(QStringLiteral("Oste"));
    const quint16 port = host.host();
    RawClient c;
    QVERIFY(c.joinAs(port, QStringLiteral("Cliente")));
    QVERIFY(c.waitForLine("[Aggiorna Listato InviaFile]"));
    c.lines.clear();
    host->setName(QStringLiteral("Locandiere"));
    QVERIFY(host->confirmOwnName());
    const QString ip = session::sLocalIP(nullptr);
    QVERIFY(c.waitForLines(5));
    QCOMPARE(c.lines, (QList<QByteArray>{"[Nuovo Nome in Lista]",
                                         "[Riordina Nomi in Lista]0000000001Cliente",
                                         "[Riordina Nomi in Lista]-000000001Locandiere",
                                         "[Aggiorna Listato InviaFile]",
                                         ("[Aggiorna ComboIP]Locandiere - " + ip).toLatin1()}));
    QCOMPARE(host.people()->sConnectionName(-1), QStringLiteral("Locandiere"));
    QCOMPARE(host->transferRecipients()->stringList(), (QStringList{"Cliente", "Locandiere"}));
}

void TestParticipants::expellingTwoSelectedClients()
{
    Peer host(QStringLiteral("Oste"));
    const quint16 port = host.host();
    std::vector<std::unique_ptr<RawClient>> c;
    for (const char *name : {"A", "B", "C", "D"}) {
        c.push_back(std::make_unique<RawClient>());
        QVERIFY(c.back()->joinAs(port, QString::fromLatin1(name)));
    }
    QVERIFY(c[0]->waitForLine("[Riordina Nomi in Lista]0000000004D"));
    settle([] { return false; }, 100);
    for (auto &r : c)
        r->lines.clear();
    QCOMPARE(host.people()->names(), (QStringList{"Oste", "A", "B", "C", "D"}));
    host.people()->setSelected(2, true); // B
    host.people()->setSelected(3, true); // C
    host.people()->setSelected(0, true); // the host itself cannot be expelled
    const int status = host.conversation.status.size();
    host->cmdKick_Click();

    QCOMPARE(host.conversation.status.mid(status),
             (QStringList{"Espulsione dalla chat di: C.", "Espulsione dalla chat di: B."}));
    QCOMPARE(host.people()->names(), (QStringList{"Oste", "A", "D"}));
    QVERIFY(!host.people()->isSelected(0));
    QCOMPARE(host->connectionState(2), ChatSession::kClosed);
    QCOMPARE(host->connectionState(3), ChatSession::kClosed);

    const QList<QByteArray> notices{"[Espulsione]0000000003", "[Espulsione]0000000002"};
    QVERIFY(c[0]->waitForLines(2));
    QVERIFY(c[3]->waitForLines(2));
    QVERIFY(settle([&] {
        return c[1]->socket.state() == QAbstractSocket::UnconnectedState &&
               c[2]->socket.state() == QAbstractSocket::UnconnectedState;
    }));
    QVERIFY(c[1]->lines.isEmpty());
    QVERIFY(c[2]->lines.isEmpty());
    host->SendToAll(QStringLiteral("[Messaggio]fine"), false);
    QVERIFY(c[0]->waitForLine("[Messaggio]fine"));
    QVERIFY(c[3]->waitForLine("[Messaggio]fine"));
    QCOMPARE(c[0]->lines, notices + QList<QByteArray>{"[Messaggio]fine"});
    QCOMPARE(c[3]->lines, notices + QList<QByteArray>{"[Messaggio]fine"});
    // Closing them ourselves is no close event: no "[Disconnessione]" follows.
    QVERIFY(!host.conversation.status.last().contains(QStringLiteral("realtà")));
}

void TestParticipants::sendPeopleListCounts()
{
    Peer host(QStringLiteral("Oste"));
    const quint16 port = host.host();
    RawClient a, b;
    QVERIFY(a.joinAs(port, QStringLiteral("A")));
    QVERIFY(b.joinAs(port, QStringLiteral("B")));
    QVERIFY(a.waitForLine("[Riordina Nomi in Lista]0000000002B"));
    const qsizetype sent = host->sentLog()->size();
    host->SendPeopleList();
    const QStringList out = logFrom(host->sentLog(), sent);
    QCOMPARE(out.size(), 8);
    QCOMPARE(out.filter(QStringLiteral("sckConnection(1): ")).size(), 4);
    QCOMPARE(out.filter(QStringLiteral("sckConnection(2): ")).size(), 4);
    QCOMPARE(out.at(0), QStringLiteral("sckConnection(1): [Nuovo Nome in Lista]"));
    QCOMPARE(out.at(1), QStringLiteral("sckConnection(1): [Riordina Nomi in Lista]-000000001Oste"));
    QCOMPARE(out.filter(QStringLiteral("[Nuovo Nome in Lista]")).size(), 2);

    // A client does not send lists.
    Peer idle(QStringLiteral("Solo"));
    idle->SendPeopleList();
    QCOMPARE(idle->sentLog()->size(), 0);
}

void TestParticipants::localAddressIsDottedIPv4()
{
    RecordingMessages messages;
    const QString ip = session::sLocalIP(&messages);
    if (ip.isEmpty()) {
        // Then the failure was reported the way users see it.
        QCOMPARE(messages.shown.size(), 1);
        QCOMPARE(messages.shown.first().icon, MessageService::Icon::Warning);
        QVERIFY(messages.shown.first().text.contains(
            QStringLiteral("Impossibile recuperare il nome dell'host.")));
        return;
    }
    QHostAddress address;
    QVERIFY(address.setAddress(ip));
    QCOMPARE(address.protocol(), QAbstractSocket::IPv4Protocol);
    QCOMPARE(ip.count(QLatin1Char('.')), 3);
    QVERIFY(messages.shown.isEmpty());
}

void TestParticipants::overlongNamesAreCutOnEveryPath_data()
{
    // role: "host" (a raw client at index 1 sends the line; "join" rows
    // introduce themselves with it, others join as Anna first), "client" (the
    // line arrives from our host), "own" (the line is the name typed).
    // probe: the participant entry tagged 1 or -1, our confirmed name, the
    // last address entry.
    QTest::addColumn<QString>("role");
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("probe");
    QTest::addColumn<QString>("expected");
    const QString x70(70, u'x');
    const QString x64(64, u'x');
    const QString emoji = QStringLiteral("\U0001F409");
    QTest::newRow("join") << "host" << "[Connessione]" + x70 << "tag1" << x64;
    QTest::newRow("join clashing with a 64-character name")
        << "host" << "[Connessione]" + QString(70, u'G') << "tag1" << QString(61, u'G') + "[2]";
    QTest::newRow("rename") << "host" << "[Cambia Nome]" + x70 << "tag1" << x64;
    QTest::newRow("address entry from a client")
        << "host" << "[Aggiorna ComboIP]" + x70 + " - 10.0.0.2" << "address" << x64 + " - 10.0.0.2";
    QTest::newRow("address entry with an address longer than any")
        << "host" << "[Aggiorna ComboIP]Anna - " + QString(46, u'1') << "address"
        << QString(64, u'G') + " - " + session::sLocalIP(nullptr);
    QTest::newRow("list entry received") << "client" << "[Riordina Nomi in Lista]0000000001" + x70
                                         << "tag1" << x64;
    QTest::newRow("list entry cut before a character outside the basic plane")
        << "client" << "[Riordina Nomi in Lista]0000000001" + QString(63, u'a') + emoji + "b"
        << "tag1" << QString(63, u'a');
    QTest::newRow("name confirmed by the host") << "client" << "[Rename di Connessione]" + x70
                                                << "own" << x64;
    QTest::newRow("address entry received") << "client" << "[Aggiorna NeoConnesso]" + x70 + " - 10.0.0.3"
                                            << "address" << x64 + " - 10.0.0.3";
    QTest::newRow("own name typed") << "own" << x70 << "tag-1" << x64;
}

void TestParticipants::overlongNamesAreCutOnEveryPath()
{
    QFETCH(QString, role);
    QFETCH(QString, line);
    QFETCH(QString, probe);
    QFETCH(QString, expected);

    Peer peer(role == "own" ? line : QString(64, u'G'));
    RawClient raw;
    if (role == "client") {
        peer->ProcessData(line + "\r\n", -1);
    } else {
        const quint16 port = peer.host();
        QVERIFY(port != 0);
        if (role == "host") {
            if (line.startsWith("[Connessione]")) {
                QVERIFY(raw.connectTo(port));
                raw.send(line);
            } else {
                QVERIFY(raw.joinAs(port, QStringLiteral("Anna")));
                QVERIFY(raw.waitForLine("[Aggiorna Listato InviaFile]"));
                raw.send(line);
            }
            // The line has been acted on once the host answers a later one.
            raw.lines.clear();
            raw.send(QStringLiteral("[Aggiorna Listato InviaFile]"));
            QVERIFY(raw.waitForLine("[Aggiorna Listato InviaFile]"));
        }
    }
    QString seen;
    if (probe == "tag1")
        seen = peer.people()->sConnectionName(1);
    else if (probe == "tag-1")
        seen = peer.people()->sConnectionName(-1);
    else if (probe == "own")
        seen = peer->sMyName();
    else
        seen = peer->addressList()->stringList().value(peer->addressList()->rowCount() - 1);
    QCOMPARE(seen, expected);
    // Whatever the host sends on carries the cut name only.
    for (const QByteArray &l : raw.lines)
        QVERIFY2(!l.contains(QString(65, u'x').toLatin1()), l.constData());
}

QTEST_GUILESS_MAIN(TestParticipants)
#include "tst_participants.moc"
