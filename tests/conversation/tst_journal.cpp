// The conversation kept in files: line by line into a folder while a real
// session runs on 127.0.0.1, and whole from the pane's "Salva dialogo…";
// both give the same HTML and text. A folder that cannot be written.

#include "chatsession.h"
#include "composer.h"
#include "dialogpane.h"
#include "dialogsaver.h"
#include "diceroller.h"
#include "journal.h"
#include "messagerecorder.h"
#include "participantlist.h"
#include "sessiontestkit.h"

#include <QAction>
#include <QFile>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <QPlainTextEdit>

#include <memory>

using conversation::ColourRun;
using conversation::Composer;
using conversation::DialogPane;
using conversation::DialogSaver;
using conversation::Journal;
using session::ChatSession;

namespace
{

const QDateTime kStart(QDate(2026, 12, 7), QTime(21, 5, 30));

// Without the dice's own comments (the lines a check needs): what the pane
// showed is what these tests compare.
QByteArray shownOnly(const QByteArray &file)
{
    static const QRegularExpression dice(QStringLiteral("<!--dadi [^\n]*-->\n"));
    return QString::fromUtf8(file).remove(dice).toUtf8();
}

/// A participant's window: the session, its pane with stamps and colours on,
/// and a journal kept in a folder of its own.
struct Member {
    QWidget window;
    std::unique_ptr<ChatSession> chat = std::make_unique<ChatSession>();
    DialogPane pane{&window, chat.get()};
    MessageRecorder boxes;
    Journal journal{&boxes};
    DialogSaver saver{&pane, &journal};
    QTemporaryDir folder;

    explicit Member(const QString &name)
    {
        chat->setConversationSink(&pane);
        chat->setMessageService(&boxes);
        chat->setName(name);
        chat->setConnectWait(30);
        pane.setClockText([] { return QStringLiteral("21.05.30"); });
        pane.Command21_Click();
        pane.Command19_Click();
        journal.beginSession(kStart);
        QVERIFY(journal.setFolder(folder.path()));
    }
    ~Member() { chat->setConversationSink(nullptr); }

    QByteArray read(const QString &suffix) const
    {
        QFile f(folder.filePath(QStringLiteral("dialogo_2026-12-07_21-05-30") + suffix));
        return f.open(QIODevice::ReadOnly) ? shownOnly(f.readAll()) : QByteArray("<missing>");
    }
    bool shows(const QString &text) const { return pane.dialogText().contains(text); }
};

QByteArray html(const QStringList &rows)
{
    QByteArray out = Journal::htmlHead(kStart);
    for (const QString &r : rows)
        out += ("<p>" + r + "</p>\n").toUtf8();
    return out;
}

QByteArray text(const QStringList &rows)
{
    return (rows.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8();
}

} // namespace

class TestJournal : public QObject
{
    Q_OBJECT
private slots:
    void aShortSessionIsKeptAsShown();
    void rowsOfALine_data();
    void rowsOfALine();
    void unwritableFolderSaysSoAndTheConversationGoesOn();
    void separateSessionsGetSeparateFiles();
    void journalSaysWhenItStopsAndComesBack_data();
    void journalSaysWhenItStopsAndComesBack();
};

void TestJournal::aShortSessionIsKeptAsShown()
{
    Member oste(QStringLiteral("Oste"));
    const quint16 port = [&] {
        oste.chat->setPort(0);
        oste.chat->cmdHost_Click();
        return oste.chat->listeningPort();
    }();
    QVERIFY(port);
    Member lia(QStringLiteral("Lia"));
    Member ugo(QStringLiteral("Ugo"));
    for (Member *m : {&lia, &ugo}) {
        m->chat->setPort(port);
        m->chat->cmdConnect_Click(QStringLiteral("127.0.0.1"));
    }
    QVERIFY(QTest::qWaitFor(
        [&] {
            return oste.chat->participants()->count() == 3 &&
                   lia.chat->participants()->count() == 3 &&
                   ugo.chat->participants()->count() == 3;
        },
        10000));

    auto everyone = [&](const QString &line) {
        return QTest::qWaitFor(
            [&] { return oste.shows(line) && lia.shows(line) && ugo.shows(line); }, 5000);
    };
    Composer::send(*lia.chat, QStringLiteral("buonasera <a tutti> & benvenuti"), false);
    QVERIFY(everyone(QStringLiteral("Lia: buonasera")));
    Composer::send(*ugo.chat, QStringLiteral(", sguaina la spada"), false);
    QVERIFY(everyone(QStringLiteral("Ugo sguaina la spada")));
    Composer::send(*oste.chat, QStringLiteral("# Cala la notte sulla taverna."), false);
    QVERIFY(everyone(QStringLiteral("Cala la notte")));
    // To Lia alone.
    oste.chat->participants()->deselectAll();
    oste.chat->participants()->setSelected(
        int(oste.chat->participants()->names().indexOf(QStringLiteral("Lia"))), true);
    Composer::send(*oste.chat, QStringLiteral("la chiave è sotto il tavolo"), true);
    QVERIFY(QTest::qWaitFor([&] { return lia.shows(QStringLiteral("*Oste*: la chiave")); }));
    oste.chat->participants()->deselectAll();
    conversation::DiceRoller roller(7);
    const auto roll = roller.rollAndAnnounce(*oste.chat, QStringLiteral("3"),
                                             QStringLiteral("6"), true, false);
    QVERIFY(everyone(QStringLiteral("Oste lancia 3d6 ed ottiene")));
    QVERIFY(roll.publicLine.contains(QLatin1Char('\n')));
    const QStringList rollRows = roll.publicLine.split(QLatin1Char('\n'));

    const QString speech = QStringLiteral(
        "[21.05] <span style=\"color: #7d7dd7\">Lia</span>: buonasera &lt;a tutti&gt; &amp; "
        "benvenuti");
    const QString action =
        QStringLiteral("[21.05] <span style=\"color: #cd7d90\">Ugo sguaina la spada</span>");
    const QString narration = QStringLiteral(
        "[21.05] <span style=\"color: #699678\">Cala la notte sulla taverna.</span>");
    const QString secret = QStringLiteral(
        "[21.05] *<span style=\"color: #7d7dd7\">Oste</span>*: la chiave è sotto il tavolo");
    const QStringList rollHtml{
        QStringLiteral("[21.05] <span style=\"color: #cd7d90\">%1</span>").arg(rollRows[0]),
        // A roll the host did not roll, at a host that rolls checkable dice.
        QStringLiteral("<span style=\"color: #cd7d90\">%1</span> <span style=\"color: "
                       "#808080\">[non verificabile]</span>")
            .arg(rollRows[1])};
    const QStringList plain{QStringLiteral("[21.05] Lia: buonasera <a tutti> & benvenuti"),
                            QStringLiteral("[21.05] Ugo sguaina la spada"),
                            QStringLiteral("[21.05] Cala la notte sulla taverna.")};
    const QString plainSecret = QStringLiteral("[21.05] *Oste*: la chiave è sotto il tavolo");
    const QStringList plainRoll{QStringLiteral("[21.05] ") + rollRows[0],
                                rollRows[1] + QStringLiteral(" [non verificabile]")};

    // Each journal holds what its pane showed: the private line only where
    // it was seen.
    const QStringList everyonesHtml{speech, action, narration};
    QCOMPARE(oste.read(".html"), html(everyonesHtml + QStringList{secret} + rollHtml));
    QCOMPARE(lia.read(".html"), html(everyonesHtml + QStringList{secret} + rollHtml));
    QCOMPARE(ugo.read(".html"), html(everyonesHtml + rollHtml));
    QCOMPARE(lia.read(".txt"), text(plain + QStringList{plainSecret} + plainRoll));
    QCOMPARE(ugo.read(".txt"), text(plain + plainRoll));
    QVERIFY(QString::fromUtf8(lia.read(".txt")).contains(QStringLiteral("« ")));

    // Saving from the menu writes the pane whole: the same two files.
    QMenu *menu = lia.saver.contextMenu(QPoint());
    QVERIFY(menu->actions().contains(lia.saver.saveAction()));
    QCOMPARE(lia.saver.saveAction()->text(), QStringLiteral("Salva dialogo…"));
    delete menu;
    QCOMPARE(lia.saver.proposedName(),
             lia.folder.filePath(QStringLiteral("dialogo_2026-12-07_21-05-30.html")));
    QTemporaryDir saved;
    QVERIFY(lia.saver.saveTo(saved.filePath(QStringLiteral("serata.html"))));
    QFile savedHtml(saved.filePath(QStringLiteral("serata.html")));
    QFile savedText(saved.filePath(QStringLiteral("serata.txt")));
    QVERIFY(savedHtml.open(QIODevice::ReadOnly));
    QVERIFY(savedText.open(QIODevice::ReadOnly));
    QCOMPARE(shownOnly(savedHtml.readAll()), lia.read(".html"));
    QCOMPARE(savedText.readAll(), lia.read(".txt"));
    QVERIFY(lia.boxes.shown.isEmpty());
}

void TestJournal::rowsOfALine_data()
{
    QTest::addColumn<QString>("stamp");
    QTest::addColumn<QString>("line");
    QTest::addColumn<int>("runStart");
    QTest::addColumn<int>("runLength");
    QTest::addColumn<QByteArray>("html");
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("no stamp, no colour")
        << "" << "ciao" << 0 << 0 << QByteArray("<p>ciao</p>\n") << QByteArray("ciao\n");
    QTest::newRow("a run at the end")
        << "[9.05] " << "Al dice" << 3 << 4
        << QByteArray("<p>[9.05] Al <span style=\"color: #7d7dd7\">dice</span></p>\n")
        << QByteArray("[9.05] Al dice\n");
    QTest::newRow("an empty line")
        << "" << "" << 0 << 0 << QByteArray("<p><br></p>\n") << QByteArray("\n");
    QTest::newRow("a run across the detail's break")
        << "" << "a b\n« 1, 2 »" << 2 << 4
        << QByteArray("<p>a <span style=\"color: #7d7dd7\">b</span></p>\n"
                      "<p><span style=\"color: #7d7dd7\">« </span>1, 2 »</p>\n")
        << QByteArray("a b\n« 1, 2 »\n");
    QTest::newRow("a run past the end is cut")
        << "" << "xy" << 1 << 50 << QByteArray("<p>x<span style=\"color: #7d7dd7\">y</span></p>\n")
        << QByteArray("xy\n");
}

void TestJournal::rowsOfALine()
{
    QFETCH(QString, stamp);
    QFETCH(QString, line);
    QFETCH(int, runStart);
    QFETCH(int, runLength);
    QFETCH(QByteArray, html);
    QFETCH(QByteArray, text);
    std::vector<ColourRun> runs;
    if (runLength > 0)
        runs.push_back({runStart, runLength, conversation::Colouring::kSpeaker});
    QByteArray gotHtml, gotText;
    for (const auto &row : Journal::rowsOf(stamp, line, runs)) {
        gotHtml += Journal::htmlRow(row);
        gotText += Journal::textRow(row);
    }
    QCOMPARE(gotHtml, html);
    QCOMPARE(gotText, text);

    // The pane shows the same rows it reports.
    QWidget window;
    DialogPane pane(&window);
    pane.setNames([] { return QStringList{QStringLiteral("Al")}; });
    QList<conversation::JournalRow> reported;
    QObject::connect(&pane, &DialogPane::lineShown,
                     [&](const QString &s, const QString &l, const std::vector<ColourRun> &r) {
                         reported += Journal::rowsOf(s, l, r);
                     });
    pane.Command19_Click();
    pane.UpdateDialog(line);
    // (An empty first line leaves the pane empty: there is no row to show.)
    if (!line.isEmpty())
        QCOMPARE(pane.shownRows(), reported);
}

void TestJournal::unwritableFolderSaysSoAndTheConversationGoesOn()
{
    QTemporaryDir dir;
    QFile plainFile(dir.filePath(QStringLiteral("file")));
    QVERIFY(plainFile.open(QIODevice::WriteOnly));
    plainFile.close();
    // A folder inside a file: no user, not even the superuser, can make it.
    const QString bad = dir.filePath(QStringLiteral("file/diari"));

    QWidget window;
    DialogPane pane(&window);
    MessageRecorder boxes;
    Journal journal(&boxes);
    DialogSaver saver(&pane, &journal);
    QVERIFY(!journal.setFolder(bad));
    QCOMPARE(boxes.shown.size(), 1);
    QCOMPARE(boxes.shown[0].title, QStringLiteral("Vellumara"));
    QCOMPARE(boxes.shown[0].text,
             QStringLiteral("Impossibile scrivere il diario del dialogo nella cartella \"%1\": la "
                            "cartella non esiste e non si può creare, oppure non vi si può "
                            "scrivere. La sessione continua senza diario.")
                 .arg(bad));

    pane.UpdateDialog(QStringLiteral("Lia: ancora qui"));
    pane.UpdateDialog(QStringLiteral("Ugo: anch'io"));
    QCOMPARE(pane.dialogText(), QStringLiteral("Lia: ancora qui\nUgo: anch'io"));
    QCOMPARE(boxes.shown.size(), 1); // said once, not at every line
    QVERIFY(journal.htmlPath().isEmpty());

    // Saving into such a folder says so as well and leaves nothing behind.
    QVERIFY(!saver.saveTo(bad + QStringLiteral("/serata.html")));
    QCOMPARE(boxes.shown.size(), 2);
    QVERIFY(boxes.shown[1].text.startsWith(QStringLiteral("Impossibile scrivere il file")));
    QVERIFY(!QFile::exists(bad));
}

void TestJournal::separateSessionsGetSeparateFiles()
{
    QTemporaryDir dir;
    QWidget window;
    DialogPane pane(&window);
    Journal journal;
    DialogSaver saver(&pane, &journal);
    journal.beginSession(kStart);
    QVERIFY(journal.setFolder(dir.path()));
    QVERIFY(journal.htmlPath().isEmpty()); // nothing said yet, no files
    pane.UpdateDialog(QStringLiteral("prima"));
    const QString first = journal.htmlPath();
    QCOMPARE(first, dir.filePath(QStringLiteral("dialogo_2026-12-07_21-05-30.html")));
    // Begun in the same second: files of its own all the same.
    journal.beginSession(kStart);
    pane.clearDialog();
    pane.UpdateDialog(QStringLiteral("seconda"));
    QCOMPARE(journal.htmlPath(), dir.filePath(QStringLiteral("dialogo_2026-12-07_21-05-30_2.html")));
    QCOMPARE(journal.textPath(), dir.filePath(QStringLiteral("dialogo_2026-12-07_21-05-30_2.txt")));
    QFile a(first), b(journal.textPath());
    QVERIFY(a.open(QIODevice::ReadOnly));
    QVERIFY(b.open(QIODevice::ReadOnly));
    QCOMPARE(a.readAll(), Journal::htmlHead(kStart) + "<p>prima</p>\n");
    QCOMPARE(b.readAll(), QByteArray("seconda\n"));
}

void TestJournal::journalSaysWhenItStopsAndComesBack_data()
{
    // After the first line the folder goes; with "blocked" a file takes its
    // place until just before the last line. Expected: the status lines
    // (their beginnings) and the lines the journal's last text file holds.
    QTest::addColumn<bool>("blocked");
    QTest::addColumn<QStringList>("statuses");
    QTest::addColumn<QByteArray>("lastFile");
    QTest::newRow("folder removed: made again, nothing lost")
        << false << QStringList{"Il file del diario \""} << QByteArray("due\ntre\nquattro\n");
    QTest::newRow("folder blocked: said once, resumed once")
        << true
        << QStringList{"Il diario del dialogo non si può più scrivere in \"",
                       "Il diario del dialogo riprende nel file \""}
        << QByteArray("quattro\n");
}

void TestJournal::journalSaysWhenItStopsAndComesBack()
{
    QFETCH(bool, blocked);
    QFETCH(QStringList, statuses);
    QFETCH(QByteArray, lastFile);
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("diario"));
    QWidget window;
    DialogPane pane(&window);
    MessageRecorder boxes;
    Journal journal(&boxes);
    journal.setRetryMs(0);
    DialogSaver saver(&pane, &journal);
    journal.beginSession(kStart);
    QVERIFY(journal.setFolder(folder));
    pane.UpdateDialog(QStringLiteral("uno"));
    QVERIFY(QFile::exists(journal.textPath()));

    QVERIFY(QDir(folder).removeRecursively());
    QFile blocker(folder);
    if (blocked) {
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
    }
    pane.UpdateDialog(QStringLiteral("due"));
    pane.UpdateDialog(QStringLiteral("tre"));
    if (blocked)
        QVERIFY(blocker.remove());
    pane.UpdateDialog(QStringLiteral("quattro"));

    const QStringList said = pane.statusText().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(said.size(), statuses.size());
    for (int i = 0; i < said.size(); ++i)
        QVERIFY2(said[i].startsWith(statuses[i]), qPrintable(said[i]));
    QVERIFY(boxes.shown.isEmpty()); // no box in the middle of a session
    QFile text(journal.textPath());
    QVERIFY(text.open(QIODevice::ReadOnly));
    QCOMPARE(text.readAll(), lastFile);
}

QTEST_MAIN(TestJournal)
#include "tst_journal.moc"
