#include "accesstags.h"
#include "joinguard.h"

#include <QSignalSpy>
#include <QTest>

using namespace secure;
using Fate = JoinGuard::Fate;

class TestJoinGuard : public QObject
{
    Q_OBJECT
private slots:
    void door_data();
    void door();
    void goneWhileChecked();
};

void TestJoinGuard::door_data()
{
    // Which access lets whom in is Admission's rule (tst_admission); these
    // rows are about what the guard does with the lines meanwhile.
    QTest::addColumn<QByteArray>("brings"); // a line; "KEY" is the table's key
    QTest::addColumn<QString>("refusal");   // empty: admitted
    QTest::newRow("stranger") << QByteArray() << "invito";
    QTest::newRow("key") << QByteArray(tag::Accesso) + "kKEY" << QString();
    QTest::newRow("password, checked aside") << QByteArray(tag::Accesso) + "pdrago rosso" << QString();
    // A lost seat's token lets its player back past a new invitation.
    QTest::newRow("seat token") << QByteArray("[Tavernix Ritorno]posto-di-ada") << QString();
    QTest::newRow("someone else's token") << QByteArray("[Tavernix Ritorno]posto-di-bea") << "invito";
}

void TestJoinGuard::door()
{
    QFETCH(QByteArray, brings);
    QFETCH(QString, refusal);
    Admission admission;
    admission.setAccess(Access::LanOpen);
    static const PasswordHash password = PasswordHash::make(QStringLiteral("drago rosso"));
    admission.setPassword(password);
    JoinGuard guard(&admission);
    guard.setSeatCheck([](const QString &token) { return token == QLatin1String("posto-di-ada"); });
    QSignalSpy admitted(&guard, &JoinGuard::admitted);
    QSignalSpy refused(&guard, &JoinGuard::refused);
    guard.accepted(1, QHostAddress(QStringLiteral("203.0.113.5")));
    guard.setEncrypted(1);
    QList<QByteArray> delivered;
    auto say = [&](const QByteArray &line) {
        if (guard.line(1, line) == Fate::Deliver)
            delivered << line;
    };
    say("[Tavernix]1");
    say("[Messaggio]prima di entrare");
    if (!brings.isEmpty())
        say(brings.replace("KEY", admission.key().toLinkText().toLatin1()));
    say("[Connessione]Ada");
    QTRY_VERIFY(!admitted.isEmpty() || !refused.isEmpty());
    say("[Messaggio]dentro");
    QCOMPARE(guard.isAdmitted(1), refusal.isEmpty());
    if (!refusal.isEmpty()) {
        QCOMPARE(refused.at(0).at(1).toString(), refusal);
        QVERIFY(delivered.isEmpty()); // nothing of a refused joiner reaches the table
        return;
    }
    // Everything in order, and the key or password never among it (the
    // token is, so the dispatcher lets the lost connection go).
    QList<QByteArray> expected{"[Tavernix]1", "[Messaggio]prima di entrare", "[Connessione]Ada", "[Messaggio]dentro"};
    if (brings.startsWith("[Tavernix Ritorno]"))
        expected.insert(2, brings);
    QCOMPARE(admitted.at(0).at(1).value<QList<QByteArray>>() + delivered, expected);
    QVERIFY(guard.isTavernix(1));
}

void TestJoinGuard::goneWhileChecked()
{
    Admission admission;
    admission.setAccess(Access::Invited);
    admission.setPassword(PasswordHash::make(QStringLiteral("giusta")));
    JoinGuard guard(&admission);
    QSignalSpy admitted(&guard, &JoinGuard::admitted);
    guard.accepted(3, QHostAddress(QStringLiteral("203.0.113.9")));
    guard.setEncrypted(3);
    guard.line(3, QByteArray(tag::Accesso) + "pgiusta");
    QCOMPARE(guard.line(3, "[Connessione]Ada"), Fate::Hold);
    QVERIFY(!guard.isAdmitted(3));
    // While the check runs the joiner is still a stranger: its lines wait.
    QCOMPARE(guard.line(3, "[Aggiorna Listato InviaFile]"), Fate::Hold);
    guard.closed(3);
    guard.accepted(3, QHostAddress(QStringLiteral("203.0.113.10"))); // someone new on the same index
    QTest::qWait(1000);
    QVERIFY(admitted.isEmpty());
    QVERIFY(!guard.isAdmitted(3));
}

QTEST_GUILESS_MAIN(TestJoinGuard)
#include "tst_joinguard.moc"
