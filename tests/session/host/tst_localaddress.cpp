// The address a participant announces in its address entry, on machines
// with and without IPv4. Each row runs inside a network namespace of its own
// (see local_address_namespaces.sh), which sets TVX_LOCAL_ADDRESS_ROW and
// gives the namespace only the interfaces that row describes.
#include "localaddress.h"

#include <QTest>

class TestLocalAddress : public QObject
{
    Q_OBJECT
private slots:
    void announced_data();
    void announced();
};

void TestLocalAddress::announced_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("global6");
    // An IPv4 address keeps coming first: peers that know only IPv4 read it.
    QTest::newRow("both") << "10.9.8.7" << "2001:db8:9::7";
    // With no IPv4 of its own the global IPv6 address is the one to reach.
    QTest::newRow("v6only") << "2001:db8:9::7" << "2001:db8:9::7";
    // A link-local or unique-local address is no use outside: not announced.
    QTest::newRow("v6local") << "" << "";
}

void TestLocalAddress::announced()
{
    const QString row = qEnvironmentVariable("TVX_LOCAL_ADDRESS_ROW");
    if (row.isEmpty())
        QSKIP("runs inside a network namespace made by local_address_namespaces.sh");
    if (row != QString::fromLatin1(QTest::currentDataTag()))
        QSKIP("another namespace's row");
    QFETCH(QString, entry);
    QFETCH(QString, global6);
    QCOMPARE(session::sGlobalIPv6(), global6);
    if (!entry.isEmpty())
        QCOMPARE(session::sLocalIP(nullptr), entry);
    else
        QVERIFY(!session::sLocalIP(nullptr).startsWith(QLatin1String("fd")));
}

QTEST_GUILESS_MAIN(TestLocalAddress)
#include "tst_localaddress.moc"
