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
    void firstUseThenChange();
    void unusableStore();
};

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
