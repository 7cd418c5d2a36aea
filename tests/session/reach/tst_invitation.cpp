#include "duallisten.h"
#include "invitation.h"
#include "raisechannel.h"
#include "secureinvite.h"

#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

#include <thread>

using session::Invitation;

namespace
{
secure::Fingerprint fp(char fill)
{
    return *secure::Fingerprint::fromHex(QString(64, QLatin1Char(fill)));
}
} // namespace

class tst_Invitation : public QObject
{
    Q_OBJECT
private slots:
    void accepted_data();
    void accepted();
    void refused_data();
    void refused();
    void secureRoundTrip();
    void secureRefused_data();
    void secureRefused();
    void handedToTheRunningCopy_data();
    void handedToTheRunningCopy();
    void listensOnBothFamilies();
    void takenPortIsNotHiddenByIPv4Alone();
};

void tst_Invitation::accepted_data()
{
    QTest::addColumn<QString>("link");
    QTest::addColumn<QString>("host");
    QTest::addColumn<int>("port");
    QTest::newRow("ipv4") << "tavernix://203.0.113.5:2600" << "203.0.113.5" << 2600;
    QTest::newRow("ipv6") << "tavernix://[2001:db8::1]:2600" << "2001:db8::1" << 2600;
    QTest::newRow("ipv6 written long") << "tavernix://[2001:0db8:0:0:0:0:0:1]:600"
                                       << "2001:db8::1" << 600;
    QTest::newRow("name") << "tavernix://tavola.example.org:65535" << "tavola.example.org" << 65535;
    QTest::newRow("scheme in capitals") << "TAVERNIX://10.0.0.1:1" << "10.0.0.1" << 1;
    QTest::newRow("trailing slash") << "tavernix://10.0.0.1:2600/" << "10.0.0.1" << 2600;
    QTest::newRow("spaces around") << "  tavernix://10.0.0.1:2600\n" << "10.0.0.1" << 2600;
}

void tst_Invitation::accepted()
{
    QFETCH(QString, link);
    QFETCH(QString, host);
    QFETCH(int, port);
    QVERIFY(Invitation::isLink(link));
    QString why;
    const auto parsed = Invitation::parse(link, &why);
    QVERIFY2(parsed.has_value(), qPrintable(why));
    QCOMPARE(parsed->host, host);
    QCOMPARE(int(parsed->port), port);
    // Written as a link again (IPv6 in brackets), it reads back the same.
    const auto back = Invitation::parse(Invitation::format(host, quint16(port)));
    QVERIFY(back);
    QCOMPARE(back->host, host);
    QCOMPARE(int(back->port), port);
}

void tst_Invitation::refused_data()
{
    QTest::addColumn<QString>("link");
    QTest::addColumn<QString>("reason");
    const QString noPort = QStringLiteral("manca la porta");
    const QString badPort = QStringLiteral("la porta deve essere un numero da 1 a 65535");
    const QString badHost = QStringLiteral("non è un indirizzo né un nome");
    QTest::newRow("port 0") << "tavernix://10.0.0.1:0" << badPort;
    QTest::newRow("port 65536") << "tavernix://10.0.0.1:65536" << badPort;
    QTest::newRow("absurd port") << "tavernix://10.0.0.1:99999999999999999999" << badPort;
    QTest::newRow("negative port") << "tavernix://10.0.0.1:-5" << badPort;
    QTest::newRow("port with sign") << "tavernix://10.0.0.1:+80" << badPort;
    QTest::newRow("empty port") << "tavernix://10.0.0.1:" << badPort;
    QTest::newRow("no port") << "tavernix://10.0.0.1" << noPort;
    QTest::newRow("ipv6 without port") << "tavernix://[::1]" << noPort;
    QTest::newRow("no host") << "tavernix://:2600" << "manca l'indirizzo";
    QTest::newRow("nothing") << "tavernix://" << noPort;
    QTest::newRow("shell: semicolon") << "tavernix://a;rm -rf ~:2600" << badHost;
    QTest::newRow("shell: substitution") << "tavernix://$(reboot):2600" << badHost;
    QTest::newRow("shell: backticks") << "tavernix://`id`.example:2600" << badHost;
    QTest::newRow("shell: pipe") << "tavernix://a|b:2600" << badHost;
    QTest::newRow("user info") << "tavernix://user@10.0.0.1:2600" << badHost;
    QTest::newRow("path") << "tavernix://10.0.0.1:2600/stanza" << badPort;
    QTest::newRow("query") << "tavernix://10.0.0.1:2600?x=1" << badPort;
    QTest::newRow("percent") << "tavernix://10%2E0.0.1:2600" << badHost;
    QTest::newRow("ipv6 without brackets") << "tavernix://2001:db8::1:2600"
                                           << "tra parentesi quadre";
    QTest::newRow("bracket not closed") << "tavernix://[2001:db8::1:2600" << "parentesi ]";
    QTest::newRow("ipv4 in brackets") << "tavernix://[10.0.0.1]:2600" << "non c'è un indirizzo IPv6";
    QTest::newRow("zone") << "tavernix://[fe80::1%eth0]:2600" << "non c'è un indirizzo IPv6";
    QTest::newRow("three bytes") << "tavernix://10.0.1:2600" << badHost;
    QTest::newRow("byte over 255") << "tavernix://999.1.1.1:2600" << badHost;
    QTest::newRow("label too long") << "tavernix://" + QString(64, 'a') + ".it:2600" << badHost;
    QTest::newRow("hyphen first") << "tavernix://-x.it:2600" << badHost;
    QTest::newRow("empty label") << "tavernix://a..b:2600" << badHost;
    QTest::newRow("other scheme") << "http://10.0.0.1:2600" << "non comincia";
    QTest::newRow("one slash") << "tavernix:/10.0.0.1:2600" << "non comincia";
    QTest::newRow("100 KB") << "tavernix://" + QString(100 * 1024, 'a') + ":2600" << "troppo lungo";
    QTest::newRow("line break inside") << "tavernix://10.0.0.1\n:2600" << badHost;
    QTest::newRow("non-latin") << "tavernix://tàvola.it:2600" << badHost;
}

// A link that is not exactly an address and a port is refused with a reason
// the user can act on; nothing of it is taken.
void tst_Invitation::refused()
{
    QFETCH(QString, link);
    QFETCH(QString, reason);
    QString why;
    QVERIFY(!Invitation::parse(link, &why).has_value());
    QVERIFY2(why.contains(reason), qPrintable(why));
    QVERIFY(Invitation::refusal(why).startsWith(QLatin1String("Invito non valido: ")));
}

void tst_Invitation::secureRoundTrip()
{
    const secure::TableKey key = secure::TableKey::generate();
    const QString link = session::SecureInvite::format(QStringLiteral("2001:db8::1"), 2600, fp('a'), key);
    QVERIFY2(link.size() < 120, qPrintable(link)); // fits a chat line
    const auto got = session::SecureInvite::parse(link);
    QVERIFY(got);
    QCOMPARE(got->host, QStringLiteral("2001:db8::1"));
    QCOMPARE(got->port, 2600);
    QCOMPARE(got->fingerprint, fp('a'));
    QVERIFY(got->key && got->key->matches(key.bytes()));
    // The old form still works, carrying neither.
    const auto plain = session::SecureInvite::parse(QStringLiteral("tavernix://192.168.1.20:600/"));
    QVERIFY(plain && !plain->fingerprint && !plain->key);
    QCOMPARE(plain->host, QStringLiteral("192.168.1.20"));
}

void tst_Invitation::secureRefused_data()
{
    const QString f = fp('b').toLinkText();
    const QString k = secure::TableKey::generate().toLinkText();
    const QString base = QStringLiteral("tavernix://example.org:2600/?");
    QTest::addColumn<QString>("link");
    QTest::addColumn<QString>("why");
    QTest::newRow("short fingerprint") << base + "fp=" + f.left(40) << "fp=";
    QTest::newRow("fingerprint with +") << base + "fp=" + f.left(42) + "+" << "fp=";
    // 43 characters hold 258 bits: one fingerprint, one text, spare bits zero.
    QTest::newRow("spare bits set") << base + "fp=" + f.left(42) + QChar(f.at(42).unicode() + 1) << "fp=";
    QTest::newRow("empty fingerprint") << base + "fp=&k=" + k << "fp=";
    QTest::newRow("key too long") << base + "fp=" + f + "&k=" + k + "A" << "k=";
    QTest::newRow("key percent-encoded") << base + "fp=" + f + "&k=%41" + k.mid(1) << "k=";
    QTest::newRow("key alone") << base + "k=" + k << "impronta";
    QTest::newRow("fingerprint twice") << base + "fp=" + f + "&fp=" + f << "due volte";
    QTest::newRow("bad port") << QStringLiteral("tavernix://example.org:0/?fp=") + f << "porta";
    QTest::newRow("too long") << base + "fp=" + f + "&x=" + QString(300, u'a') << "lungo";
}

void tst_Invitation::secureRefused()
{
    QFETCH(QString, link);
    QFETCH(QString, why);
    QString error;
    QVERIFY(!session::SecureInvite::parse(link, &error));
    QVERIFY2(error.contains(why), qPrintable(error));
}

void tst_Invitation::handedToTheRunningCopy_data()
{
    QTest::addColumn<QString>("link");
    QTest::addColumn<QString>("arrives");
    QTest::newRow("link") << "tavernix://203.0.113.5:2600" << "tavernix://203.0.113.5:2600";
    // A line break would cut the request in two; it arrives as a space.
    QTest::newRow("line break") << "tavernix://a\nraise:1" << "tavernix://a raise:1";
    const QString huge = QStringLiteral("tavernix://") + QString(100 * 1024, 'a');
    QTest::newRow("100 KB, cut") << huge << huge.left(1024 - 2 - 5);
}

// The second start's link reaches the running copy whole (or cut to the
// channel's limit, which the copy then refuses as too long), and is answered.
void tst_Invitation::handedToTheRunningCopy()
{
    QFETCH(QString, link);
    QFETCH(QString, arrives);
    QTemporaryDir dir;
    platform::RaiseChannel channel(dir.path());
    QVERIFY(channel.listen());
    QSignalSpy opened(&channel, &platform::RaiseChannel::openRequested);
    QSignalSpy raised(&channel, &platform::RaiseChannel::raiseRequested);
    std::atomic<int> answered{-1};
    std::thread second([&] { answered = platform::RaiseChannel::askToOpen(link, dir.path(), 5000); });
    QTRY_VERIFY(answered != -1);
    second.join();
    QCOMPARE(answered.load(), 1);
    QCOMPARE(opened.size(), 1);
    QCOMPARE(opened.first().first().toString(), arrives);
    QCOMPARE(raised.size(), 0);
}

void tst_Invitation::listensOnBothFamilies()
{
    QTcpServer server;
    QVERIFY(session::listenDualStack(&server, 0));
    QTcpSocket v4, v6;
    v4.connectToHost(QHostAddress(QHostAddress::LocalHost), server.serverPort());
    QVERIFY(v4.waitForConnected(3000));
    v6.connectToHost(QHostAddress(QHostAddress::LocalHostIPv6), server.serverPort());
    if (!v6.waitForConnected(3000))
        QSKIP("no IPv6 loopback on this machine");
    QTRY_VERIFY(server.hasPendingConnections());
}

void tst_Invitation::takenPortIsNotHiddenByIPv4Alone()
{
    QTcpServer other;
    QVERIFY(other.listen(QHostAddress::AnyIPv4, 0));
    QTcpServer server;
    QVERIFY(!session::listenDualStack(&server, other.serverPort()));
    QCOMPARE(server.serverError(), QAbstractSocket::AddressInUseError);
    QVERIFY(!server.isListening());
}

QTEST_MAIN(tst_Invitation)
#include "tst_invitation.moc"
