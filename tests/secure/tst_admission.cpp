#include "admission.h"

#include <QTemporaryDir>
#include <QTest>

using namespace secure;
using V = Admission::Verdict;

class TestAdmission : public QObject
{
    Q_OBJECT
private slots:
    void localNetwork_data();
    void localNetwork();
    void decide_data();
    void decide();
    void password();
    void limiter();
    void bansOutliveTheHost();
};

void TestAdmission::localNetwork_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("local");
    for (const char *a : {"127.8.9.10", "::1", "10.1.2.3", "172.31.255.255", "192.168.1.20", "169.254.7.7",
                          "fe80::1", "fd12:3456::1", "::ffff:192.168.1.2"})
        QTest::newRow(a) << QString::fromLatin1(a) << true;
    for (const char *a : {"203.0.113.5", "172.32.0.1", "100.64.1.1", "2001:db8::1", "::ffff:203.0.113.5"})
        QTest::newRow(a) << QString::fromLatin1(a) << false;
}

void TestAdmission::localNetwork()
{
    QFETCH(QString, address);
    QFETCH(bool, local);
    QCOMPARE(isLocalNetwork(QHostAddress(address)), local);
}

void TestAdmission::decide_data()
{
    QTest::addColumn<Access>("access");
    QTest::addColumn<QString>("from");
    QTest::addColumn<bool>("encrypted");
    QTest::addColumn<int>("presents"); // 0 nothing, 1 the key, 2 a wrong key, 3 a password, 4 a seat here
    QTest::addColumn<V>("verdict");
    const QString lan = QStringLiteral("192.168.1.9"), wan = QStringLiteral("203.0.113.5");
    QTest::newRow("anyone, wan, plain") << Access::Anyone << wan << false << 0 << V::Admitted;
    QTest::newRow("lan-open, lan, plain") << Access::LanOpen << lan << false << 0 << V::Admitted;
    QTest::newRow("lan-open, wan, nothing") << Access::LanOpen << wan << true << 0 << V::NeedsKey;
    QTest::newRow("lan-open, wan, key") << Access::LanOpen << wan << true << 1 << V::Admitted;
    QTest::newRow("lan-open, wan, key in clear") << Access::LanOpen << wan << false << 1 << V::NeedsEncryption;
    QTest::newRow("lan-open, wan, wrong key") << Access::LanOpen << wan << true << 2 << V::WrongKey;
    QTest::newRow("invited, lan, nothing") << Access::Invited << lan << true << 0 << V::NeedsKey;
    QTest::newRow("invited, wan, password") << Access::Invited << wan << true << 3 << V::CheckPassword;
    QTest::newRow("invited, password in clear") << Access::Invited << lan << false << 3 << V::NeedsEncryption;
    QTest::newRow("invited, seated before the new key") << Access::Invited << wan << true << 4 << V::Admitted;
    QTest::newRow("invited, seat in clear") << Access::Invited << wan << false << 4 << V::NeedsEncryption;
}

void TestAdmission::decide()
{
    QFETCH(Access, access);
    QFETCH(QString, from);
    QFETCH(bool, encrypted);
    QFETCH(int, presents);
    QFETCH(V, verdict);
    Admission admission;
    admission.setAccess(access);
    static const PasswordHash password = PasswordHash::make(QStringLiteral("drago rosso"));
    admission.setPassword(password);
    Admission::Credentials c;
    c.encrypted = encrypted;
    if (presents == 1)
        c.key = admission.key().bytes();
    else if (presents == 2)
        c.key = TableKey::generate().bytes();
    else if (presents == 3)
        c.password = QStringLiteral("drago rosso");
    c.seated = presents == 4;
    QCOMPARE(admission.decide(QHostAddress(from), c, 0), verdict);
    // A new invitation makes the old key worthless.
    if (presents == 1 && verdict == V::Admitted && access != Access::Anyone) {
        admission.renewKey();
        QCOMPARE(admission.decide(QHostAddress(from), c, 0), V::WrongKey);
    }
}

void TestAdmission::password()
{
    const PasswordHash hash = PasswordHash::make(QStringLiteral("drago rosso"));
    QVERIFY(!hash.isNull());
    QVERIFY(!hash.stored().contains(QStringLiteral("drago")));
    const auto again = PasswordHash::fromStored(hash.stored());
    QVERIFY(again);
    QVERIFY(again->verify(QStringLiteral("drago rosso")));
    QVERIFY(!again->verify(QStringLiteral("drago rossO")));
    QVERIFY(!again->verify(QString()));
    // The same password hashes differently each time (its own salt).
    QVERIFY(PasswordHash::make(QStringLiteral("drago rosso")).stored() != hash.stored());
    QVERIFY(PasswordHash::make(QString()).isNull());
    const QStringList parts = hash.stored().split(u'$');
    for (const QString &bad : {QString(), QStringLiteral("scrypt$32768$abc"), QString(hash.stored()).replace(u'$', u'#'),
                               QStringList{parts[0], QStringLiteral("1073741824"), parts[2], parts[3]}.join(u'$'),
                               QStringList{parts[0], QStringLiteral("1000"), parts[2], parts[3]}.join(u'$'),
                               QStringList{parts[0], parts[1], parts[2].left(8), parts[3]}.join(u'$')})
        QVERIFY2(!PasswordHash::fromStored(bad), qPrintable(bad));
}

void TestAdmission::limiter()
{
    Admission admission;
    admission.setAccess(Access::Invited);
    admission.setPassword(PasswordHash::make(QStringLiteral("giusta")));
    const QHostAddress pest(QStringLiteral("2001:db8:1:2::7"));
    const QHostAddress neighbour(QStringLiteral("2001:db8:1:2::8")); // same /64
    const QHostAddress elsewhere(QStringLiteral("2001:db8:9:9::1"));
    Admission::Credentials wrong{true, {}, QStringLiteral("sbagliata")};
    qint64 now = 1000;
    for (int i = 0; i < AttemptLimiter::kMaxTries; ++i) {
        QCOMPARE(admission.decide(pest, wrong, now), V::CheckPassword);
        QCOMPARE(admission.passwordChecked(pest, false), V::WrongKey);
    }
    QCOMPARE(admission.decide(neighbour, wrong, now), V::TooManyTries);
    QCOMPARE(admission.decide(pest, {true, {}, QStringLiteral("giusta")}, now + 1000), V::TooManyTries);
    QCOMPARE(admission.decide(elsewhere, wrong, now), V::CheckPassword);
    // The invitation's key is never kept waiting, even from the pest's network.
    QCOMPARE(admission.decide(neighbour, {true, admission.key().bytes(), {}}, now), V::Admitted);
    now += AttemptLimiter::kPauseMs + 1;
    QCOMPARE(admission.decide(pest, {true, {}, QStringLiteral("giusta")}, now), V::CheckPassword);
    QCOMPARE(admission.passwordChecked(pest, true), V::Admitted);

    AttemptLimiter crowd;
    for (int i = 0; i < AttemptLimiter::kMaxTracked + 10; ++i)
        crowd.tryNow(QHostAddress(quint32(0x0b000000 + i)), i);
    QVERIFY(crowd.tracked() <= AttemptLimiter::kMaxTracked);
}

void TestAdmission::bansOutliveTheHost()
{
    QTemporaryDir dir;
    const QString file = dir.filePath(BanList::kFileName);
    {
        Admission host(file);
        QVERIFY(host.bans().load());
        for (const char *troll : {"::ffff:198.51.100.4", "2001:db8:1:2::7"})
            QVERIFY(host.bans().ban(QHostAddress(QLatin1String(troll)), QStringLiteral("Troll\tuno"), {}));
    }
    Admission resumed(file);
    QVERIFY(resumed.bans().load());
    resumed.setAccess(Access::Anyone);
    QCOMPARE(resumed.decide(QHostAddress(QStringLiteral("198.51.100.4")), {}, 0), V::Banned);
    QCOMPARE(resumed.decide(QHostAddress(QStringLiteral("2001:db8:1:2::99")), {}, 0), V::Banned);
    QCOMPARE(resumed.decide(QHostAddress(QStringLiteral("198.51.100.5")), {}, 0), V::Admitted);
    QCOMPARE(resumed.bans().entries().at(1).address, QStringLiteral("2001:db8:1:2::/64"));
    QVERIFY(!resumed.bans().unban(QStringLiteral("198.51.100.5")));
    QVERIFY(resumed.bans().unban(QStringLiteral("2001:db8:1:2::/64")));
    QCOMPARE(resumed.decide(QHostAddress(QStringLiteral("2001:db8:1:2::99")), {}, 0), V::Admitted);
    // A ban file that is a link is not read, and not written through.
    QFile::remove(file);
    QFile::link(dir.filePath(QStringLiteral("altrove")), file);
    Admission linked(file);
    QVERIFY(!linked.bans().load());
    QVERIFY(!linked.bans().ban(QHostAddress(QStringLiteral("198.51.100.4")), {}, {}));
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("altrove"))));
}

QTEST_GUILESS_MAIN(TestAdmission)
#include "tst_admission.moc"
