// Composer and dice delivery between a host and two clients over real
// sockets on 127.0.0.1.

#include "chatsession.h"
#include "colouring.h"
#include "composer.h"
#include "dialogpane.h"
#include "diceroller.h"
#include "participantlist.h"
#include "protocol.h"
#include "sessiontestkit.h"
#include "trafficlog.h"

#include <QRegularExpression>
#include <QTest>
#include <QTextBlock>
#include <QPlainTextEdit>

#include <memory>

using conversation::Composer;
using conversation::DiceRoller;

namespace
{

// The session tests' peer, with the selection helpers these tests need.
struct Peer : testkit::Peer {
    using testkit::Peer::Peer;

    int rowOf(const QString &name) const { return int(people()->names().indexOf(name)); }
    void select(const QStringList &names)
    {
        people()->deselectAll();
        for (const QString &n : names)
            people()->setSelected(rowOf(n), true);
    }
    QString lastSent() const { return chat->sentLog()->last(); }
};

} // namespace

class TestLoopback : public QObject
{
    Q_OBJECT

    std::unique_ptr<Peer> m_host, m_lia, m_ugo;

    bool everyoneHas(const QString &line)
    {
        return QTest::qWaitFor(
            [&] {
                return m_host->conversation.dialog.contains(line) &&
                       m_lia->conversation.dialog.contains(line) &&
                       m_ugo->conversation.dialog.contains(line);
            },
            5000);
    }

    // A public line from the host that every peer must receive, so later
    // checks that something did not arrive are not just early.
    void fence(const QString &tag)
    {
        const QString text = "fence " + tag;
        Composer::send(*m_host->chat, text, false);
        QVERIFY(everyoneHas("Oste: " + text));
    }

private slots:
    void init()
    {
        m_host = std::make_unique<Peer>("Oste");
        const quint16 port = m_host->host();
        QVERIFY(port != 0);
        m_lia = std::make_unique<Peer>("Lia");
        QVERIFY(m_lia->join(port));
        QVERIFY(QTest::qWaitFor(
            [&] {
                return m_host->chat->participants()->count() == 2 &&
                       m_lia->chat->participants()->count() == 2;
            },
            10000));
        m_ugo = std::make_unique<Peer>("Ugo");
        QVERIFY(m_ugo->join(port));
        QVERIFY(QTest::qWaitFor(
            [&] {
                return m_host->chat->participants()->count() == 3 &&
                       m_lia->chat->participants()->count() == 3 &&
                       m_ugo->chat->participants()->count() == 3;
            },
            10000));
        QVERIFY(m_host->chat->bHost());
        QVERIFY(m_lia->chat->isClientConnected());
        QVERIFY(m_ugo->chat->isClientConnected());
        m_host->conversation.dialog.clear();
        m_lia->conversation.dialog.clear();
        m_ugo->conversation.dialog.clear();
    }

    void cleanup()
    {
        m_ugo.reset();
        m_lia.reset();
        m_host.reset();
    }

    void publicLinesReachTheRoom()
    {
        QCOMPARE(Composer::send(*m_lia->chat, "Salve a tutti", false), Composer::Outcome::Done);
        QCOMPARE(m_lia->lastSent(), QString("sckConnect: [Messaggio]Lia: Salve a tutti"));
        QVERIFY(everyoneHas("Lia: Salve a tutti"));
        // the echo is the sender's own line, shown once
        QCOMPARE(m_lia->conversation.dialog.count("Lia: Salve a tutti"), 1);

        Composer::send(*m_host->chat, ", si alza dal tavolo", false);
        QVERIFY(everyoneHas("Oste si alza dal tavolo"));
        QCOMPARE(m_host->conversation.dialog.count("Oste si alza dal tavolo"), 1);
        Composer::send(*m_ugo->chat, "# Cala la notte.", false);
        QVERIFY(everyoneHas("Cala la notte."));
    }

    void hostPrivateGoesToSelectedClientsOnly()
    {
        m_host->select({"Ugo"});
        Composer::send(*m_host->chat, "psst", true);
        QVERIFY(QTest::qWaitFor([&] { return m_ugo->conversation.dialog.contains("*Oste*: psst"); },
                                5000));
        QVERIFY(m_host->conversation.dialog.contains("*Oste*: psst"));
        fence("1");
        QVERIFY(!m_lia->conversation.dialog.contains("*Oste*: psst"));

        // the host's own entry is never addressed: nothing goes out, and
        // the line is not shown as if it had gone
        m_host->select({"Oste"});
        const qsizetype sent = m_host->chat->sentLog()->size();
        const qsizetype shown = m_host->conversation.dialog.size();
        QCOMPARE(Composer::send(*m_host->chat, "solo io", true), Composer::Outcome::NoRecipient);
        QCOMPARE(m_host->chat->sentLog()->size(), sent);
        QCOMPARE(m_host->conversation.dialog.size(), shown);
        QCOMPARE(m_host->conversation.status.last(), Composer::noRecipientText());
    }

    void clientPrivateToTheHostEntry()
    {
        m_lia->select({"Oste"});
        Composer::send(*m_lia->chat, "psst", true);
        QCOMPARE(m_lia->lastSent(),
                 QString("sckConnect: [Messaggio Privato]0000000001-000000001*Lia*: psst"));
        QVERIFY(QTest::qWaitFor([&] { return m_host->conversation.dialog.contains("*Lia*: psst"); },
                                5000));
        QCOMPARE(m_lia->conversation.dialog.last(), QString("*Lia*: psst"));
        fence("2");
        QVERIFY(!m_ugo->conversation.dialog.contains("*Lia*: psst"));
    }

    void clientPrivateToSelectedEntries()
    {
        const qint32 ugoTag = m_lia->chat->participants()->tagAt(m_lia->rowOf("Ugo"));
        m_lia->select({"Ugo", "Oste"});
        Composer::send(*m_lia->chat, ", sussurra", true);
        // the indexes in list order
        QStringList fields;
        for (int row = 0; row < m_lia->chat->participants()->count(); ++row)
            if (m_lia->chat->participants()->isSelected(row))
                fields << session::sFormatSend(m_lia->chat->participants()->tagAt(row));
        QCOMPARE(fields.size(), 2);
        QVERIFY(fields.contains(session::sFormatSend(ugoTag)));
        QCOMPARE(m_lia->lastSent(),
                 "sckConnect: [Messaggio Privato]0000000002" + fields.join("") + "*Lia sussurra*");
        QVERIFY(everyoneHas("*Lia sussurra*"));

        // nobody selected: not sent, not shown, and the status box says why
        m_lia->select({});
        const qsizetype sent = m_lia->chat->sentLog()->size();
        const qsizetype shown = m_lia->conversation.dialog.size();
        QCOMPARE(Composer::send(*m_lia->chat, "a nessuno", true), Composer::Outcome::NoRecipient);
        QCOMPARE(m_lia->chat->sentLog()->size(), sent);
        QCOMPARE(m_lia->conversation.dialog.size(), shown);
        QCOMPARE(m_lia->conversation.status.last(), Composer::noRecipientText());
        // a private roll with nobody chosen is refused the same way
        DiceRoller roller(11);
        const DiceRoller::Result r = roller.rollAndAnnounce(*m_lia->chat, "1", "6", false, true);
        QVERIFY(!r.delivered);
        QCOMPARE(m_lia->chat->sentLog()->size(), sent);
        QCOMPARE(m_lia->conversation.dialog.size(), shown);
        QCOMPARE(m_lia->conversation.status.count(Composer::noRecipientText()), 2);
    }

    void recipientsSurviveListRefreshes()
    {
        // Lia chooses Ugo; a join and a rename elsewhere refresh her list.
        m_lia->select({"Ugo"});
        Peer eva("Eva");
        QVERIFY(eva.join(m_host->chat->listeningPort()));
        QVERIFY(QTest::qWaitFor([&] { return m_lia->rowOf("Eva") >= 0; }, 10000));
        eva.chat->setName("Evelina");
        QVERIFY(eva.chat->confirmOwnName());
        QVERIFY(QTest::qWaitFor([&] { return m_lia->rowOf("Evelina") >= 0; }, 10000));
        QVERIFY(m_lia->rowOf("Eva") < 0);

        const session::ParticipantList *people = m_lia->chat->participants();
        QStringList chosen;
        for (int row = 0; row < people->count(); ++row)
            if (people->isSelected(row))
                chosen << people->nameAt(row);
        QCOMPARE(chosen, QStringList{"Ugo"});

        QCOMPARE(Composer::send(*m_lia->chat, "ancora tu", true), Composer::Outcome::Done);
        QVERIFY(QTest::qWaitFor([&] { return m_ugo->conversation.dialog.contains("*Lia*: ancora tu"); },
                                5000));
        fence("r");
        QVERIFY(!eva.conversation.dialog.contains("*Lia*: ancora tu"));
        QVERIFY(!m_host->conversation.dialog.contains("*Lia*: ancora tu"));

        // A chosen participant who leaves takes the choice along.
        m_lia->select({"Evelina"});
        eva.chat->cmdDisconnect_Click();
        QVERIFY(QTest::qWaitFor([&] { return m_lia->rowOf("Evelina") < 0; }, 10000));
        QCOMPARE(Composer::send(*m_lia->chat, "e ora?", true), Composer::Outcome::NoRecipient);
    }

    void forgedRollIsNotSent()
    {
        const qsizetype sent = m_lia->chat->sentLog()->size();
        QCOMPARE(Composer::send(*m_lia->chat, "# Ugo lancia 3d6 ed ottiene 18.", false),
                 Composer::Outcome::Refused);
        QCOMPARE(m_lia->messages.texts(), QStringList{"Non si fanno queste cose Lia..."});
        QCOMPARE(m_lia->chat->sentLog()->size(), sent);
        fence("3");
        QVERIFY(!m_ugo->conversation.dialog.contains("Ugo lancia 3d6 ed ottiene 18."));
    }

    void pastedBreakTravelsAsASpace()
    {
        // What Lia sees in her own pane is what the others receive: one line.
        const QString shown = "Lia: ok Ugo lancia 3d6 ed ottiene 18.";
        QCOMPARE(Composer::send(*m_lia->chat, "ok\nUgo lancia 3d6 ed ottiene 18.", false),
                 Composer::Outcome::Done);
        QCOMPARE(m_lia->lastSent(), "sckConnect: [Messaggio]" + shown);
        QVERIFY(everyoneHas(shown));
        QCOMPARE(m_lia->conversation.dialog.last(), shown);
    }

    void rollWithDetailsTravelsAsOneLine()
    {
        DiceRoller roller(77);
        const DiceRoller::Result r = roller.rollAndAnnounce(*m_lia->chat, "3", "6", true, false);
        QCOMPARE(r.dice.size(), size_t(3));
        const QString expected =
            QString("Lia lancia 3d6 ed ottiene %1.").arg(r.total) +
            QString::fromUtf8("\n« %1, %2, %3 »").arg(r.dice[0]).arg(r.dice[1]).arg(r.dice[2]);
        QCOMPARE(r.publicLine, expected);
        QCOMPARE(m_lia->lastSent(), "sckConnect: [Messaggio]" + expected);
        QVERIFY(everyoneHas(expected));
        // one line at the host, not two
        QStringList rolls;
        const session::TrafficLog *log = m_host->chat->receivedLog();
        for (qsizetype i = 0; i < log->size(); ++i)
            if (log->at(i).contains(" lancia "))
                rolls << log->at(i);
        QCOMPARE(rolls, QStringList{"sckConnection(1): [Messaggio]" + expected});
    }

    void remoteRollShowsTwoLinesColouredAsOne()
    {
        QWidget window;
        conversation::DialogPane pane(&window, m_ugo->chat.get());
        m_ugo->chat->setConversationSink(&pane);
        pane.Command19_Click();
        DiceRoller roller(5);
        const DiceRoller::Result r = roller.rollAndAnnounce(*m_lia->chat, "2", "10", true, false);
        QVERIFY(
            QTest::qWaitFor([&] { return pane.txtDialog()->document()->blockCount() >= 2; }, 5000));
        const QTextDocument *doc = pane.txtDialog()->document();
        QCOMPARE(pane.txtDialog()->toPlainText(), r.publicLine);
        for (QTextBlock b = doc->begin(); b.isValid(); b = b.next())
            for (auto it = b.begin(); !it.atEnd(); ++it)
                QCOMPARE(it.fragment().charFormat().foreground().color(),
                         conversation::Colouring::kAction);
        m_ugo->chat->setConversationSink(&m_ugo->conversation);
    }

    // Lines a client writes at once reach the host in one read (or a few):
    // its pane shows them in order, each with its own stamp and colours.
    void linesOfOneReadKeepTheirStampsAndColours()
    {
        QWidget window;
        conversation::DialogPane pane(&window, m_host->chat.get());
        m_host->chat->setConversationSink(&pane);
        int minute = 0;
        pane.setClockText([&minute] { return QString("9.%1.00").arg(++minute, 2, 10, QChar('0')); });
        pane.Command21_Click();
        pane.Command19_Click();
        for (const char *text : {"Lia: uno", "Lia si siede", "Cala la notte."})
            QVERIFY(m_lia->chat->SendToServer(QString("[Messaggio]") + text));
        QVERIFY(QTest::qWaitFor(
            [&] { return pane.waitingLines() == 0 && pane.txtDialog()->document()->blockCount() == 3; },
            5000));
        QCOMPARE(pane.txtDialog()->toPlainText(),
                 QString("[9.01] Lia: uno\n[9.02] Lia si siede\n[9.03] Cala la notte."));
        using conversation::Colouring;
        const QList<QPair<int, QColor>> expected{
            {7, Qt::black}, {3, Colouring::kSpeaker}, {5, Qt::black},   // [9.01] Lia: uno
            {7, Qt::black}, {12, Colouring::kAction},                   // [9.02] Lia si siede
            {7, Qt::black}, {14, Colouring::kOther}};                   // [9.03] Cala la notte.
        QList<QColor> want, got;
        for (const auto &[n, c] : expected)
            want += QList<QColor>(n, c);
        const QTextDocument *doc = pane.txtDialog()->document();
        for (QTextBlock b = doc->begin(); b.isValid(); b = b.next())
            for (auto it = b.begin(); !it.atEnd(); ++it)
                got += QList<QColor>(it.fragment().length(),
                                     it.fragment().charFormat().foreground().color());
        QCOMPARE(got, want);
        m_host->chat->setConversationSink(&m_host->conversation);
    }

    void privateAndAnonymousRolls()
    {
        // an anonymous private roll from a client to the host's entry
        m_lia->chat->setName("");
        m_lia->select({"Oste"});
        DiceRoller roller(3);
        const DiceRoller::Result r = roller.rollAndAnnounce(*m_lia->chat, "1", "20", true, true);
        const QString line = QString("*Qualcuno lancia 1d20 ed ottiene %1.*").arg(r.total);
        QCOMPARE(r.privateLine, line);
        QCOMPARE(m_lia->lastSent(), "sckConnect: [Messaggio Privato]0000000001-000000001" + line);
        QVERIFY(QTest::qWaitFor([&] { return m_host->conversation.dialog.contains(line); }, 5000));
        QCOMPARE(m_lia->conversation.dialog.last(), line);

        // the host rolls publicly: both clients see it, the host echoes once
        const DiceRoller::Result h = roller.rollAndAnnounce(*m_host->chat, "", "6", false, false);
        QCOMPARE(h.publicLine, QString("Oste lancia 0d6 ed ottiene 0."));
        QVERIFY(everyoneHas(h.publicLine));
        QCOMPARE(m_host->conversation.dialog.count(h.publicLine), 1);

        // the host rolls privately to Lia only
        m_host->select({"Lia", "Oste"});
        const DiceRoller::Result p = roller.rollAndAnnounce(*m_host->chat, "2", "4", false, true);
        QVERIFY(QTest::qWaitFor([&] { return m_lia->conversation.dialog.contains(p.privateLine); },
                                5000));
        fence("4");
        QVERIFY(!m_ugo->conversation.dialog.contains(p.privateLine));
    }

    void notConnectedRollIsShownOnlyAtHome()
    {
        Peer alone("Solo");
        DiceRoller roller(9);
        const DiceRoller::Result r = roller.rollAndAnnounce(*alone.chat, "2", "6", false, false);
        QCOMPARE(alone.conversation.dialog, QStringList{r.publicLine});
        QCOMPARE(alone.chat->sentLog()->size(), 0);
    }
};

QTEST_MAIN(TestLoopback)
#include "tst_loopback.moc"
