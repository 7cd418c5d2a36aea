#include "secureinvite.h"
#include "truststore.h"

#include <QTemporaryDir>
#include <QTest>

using namespace secure;

namespace
{
Fingerprint fp(char fill)
{
    return *Fingerprint::fromHex(QString(64, QLatin1Char(fill)));
}
} // namespace

class TestTrust : public QObject
{
    Q_OBJECT
private slots:
    void inviteRoundTrip();
    void inviteRefused_data();
    void inviteRefused();
    void firstUseThenChange();
    void unusableStore();
};

void TestTrust::inviteRoundTrip()
{
    const TableKey key = TableKey::generate();
    const QString link = SecureInvite::format(QStringLiteral("2001:db8::1"), 2600, fp('a'), key);
    QVERIFY2(link.size() < 120, qPrintable(link)); // fits a chat line
    const auto got = SecureInvite::parse(link);
    QVERIFY(got);
    QCOMPARE(got->host, QStringLiteral("2001:db8::1"));
    QCOMPARE(got->port, 2600);
    QCOMPARE(got->fingerprint, fp('a'));
    QVERIFY(got->key && got->key->matches(key.bytes()));
    // The old form still works, carrying neither.
    const auto plain = SecureInvite::parse(QStringLiteral("tavernix://192.168.1.20:600/"));
    QVERIFY(plain && !plain->fingerprint && !plain->key);
    QCOMPARE(plain->host, QStringLiteral("192.168.1.20"));
}

void TestTrust::inviteRefused_data()
{
    const QString f = fp('b').toLinkText();
    const QString k = TableKey::generate().toLinkText();
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

void TestTrust::inviteRefused()
{
    QFETCH(QString, link);
    QFETCH(QString, why);
    QString error;
    QVERIFY(!SecureInvite::parse(link, &error));
    QVERIFY2(error.contains(why), qPrintable(error));
}

void TestTrust::firstUseThenChange()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(TrustStore::kFileName);
    {
        TrustStore store(path);
        QVERIFY(store.load());
        QCOMPARE(store.compare(QStringLiteral("Tavola.example"), 600, fp('1')), TrustStore::Meeting::FirstTime);
        QVERIFY(store.remember(QStringLiteral("Tavola.example"), 600, fp('1')));
    }
    QCOMPARE(QFileInfo(path).permissions() & (QFileDevice::ReadOther | QFileDevice::ReadGroup), QFileDevice::Permissions());
    TrustStore store(path);
    QVERIFY(store.load());
    QCOMPARE(store.compare(QStringLiteral("tavola.example"), 600, fp('1')), TrustStore::Meeting::Known);
    QCOMPARE(store.compare(QStringLiteral("tavola.example"), 600, fp('2')), TrustStore::Meeting::Changed);
    // Another port is another table.
    QCOMPARE(store.compare(QStringLiteral("tavola.example"), 601, fp('2')), TrustStore::Meeting::FirstTime);
    QVERIFY(store.remember(QStringLiteral("tavola.example"), 600, fp('2')));
    TrustStore reread(path);
    QVERIFY(reread.load());
    QCOMPARE(reread.known(QStringLiteral("tavola.example"), 600), fp('2'));
}

void TestTrust::unusableStore()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(TrustStore::kFileName);
    const QString target = dir.filePath(QStringLiteral("altro"));
    QFile t(target);
    QVERIFY(t.open(QIODevice::WriteOnly) && t.write("not a store\n") > 0);
    t.close();
    QFile::link(target, path);
    TrustStore store(path);
    QVERIFY(!store.load());
    QVERIFY(!store.error().isEmpty());
    // Nothing is written over what could not be read, nor through it.
    QVERIFY(!store.remember(QStringLiteral("h"), 1, fp('3')));
    QVERIFY(t.open(QIODevice::ReadOnly));
    QCOMPARE(t.readAll(), QByteArray("not a store\n"));
}

QTEST_GUILESS_MAIN(TestTrust)
#include "tst_trust.moc"
