// A hosted session taken up again from its file: the board equal pixel for
// pixel, the history a newcomer is sent, the conversation going on in the
// same file, and each way the question at "Host" can be answered.

#include "boardhistory.h"
#include "boardimages.h"
#include "boardsessionkit.h"
#include "boardsurface.h"
#include "bruvela.h"
#include "chatsession.h"
#include "drawingtools.h"
#include "gridpainter.h"
#include "messagerecorder.h"
#include "palette.h"
#include "sessionkeeper.h"
#include "sessionstore.h"
#include "tableboard.h"
#include "tableshare.h"
#include "textrenderer.h"
#include "trafficlog.h"

#include <QTemporaryDir>
#include <QtTest>

using board::BoardSurface;
using board::DrawingTools;
using session::SessionKeeper;
using session::SessionStore;

namespace
{

struct Talk : session::ConversationSink {
    QStringList dialog;
    QList<std::pair<QString, QDateTime>> recaps;
    void UpdateDialog(const QString &line) override { dialog << line; }
    void UpdateStatus(const QString &) override {}
    void clearDialog() override { dialog.clear(); }
    void showRecap(const QString &line, const QDateTime &said) override { recaps.append({line, said}); }
};

struct Table : boardsessionkit::BoardSeat {
    Talk talk;
    SessionStore store;
    SessionKeeper keeper{&session, &store};

    // The session only keeps the address of talk, which is built right after.
    explicit Table(const QString &folder) : BoardSeat(&talk), store(folder) {}
    void host(const QString &name)
    {
        session.setName(name);
        session.setPort(0);
        keeper.host();
    }
    bool join(Table &host, const QString &name)
    {
        return boardsessionkit::joinAsClient(session, host.session.listeningPort(), name);
    }
};


/// Puts @p bytes on the board as a drop would, and shares it with the table.
bool sharePicture(Table &t, const QByteArray &bytes)
{
    const QImage image = board::BoardImages::decodeShared(bytes);
    return !image.isNull() && t.images.loadShared(image, bytes) && t.share.shareBoardPicture();
}

} // namespace

class TestResume : public QObject
{
    Q_OBJECT
private slots:
    void answers_data();
    void answers();
};

void TestResume::answers_data()
{
    QTest::addColumn<int>("resume"); // SessionKeeper::Resume
    QTest::addColumn<bool>("yes");   // the user's answer when asked
    QTest::addColumn<bool>("taken");
    // Beyond the sample drawing: "picture" shares a map over it, lays a
    // shared grid and draws over both; "replaced" then shares another map;
    // "restored" clears that board for everyone and brings it back.
    QTest::addColumn<QString>("shared");
    QTest::addColumn<int>("drawings"); // on the board the file keeps
    const int yes = int(SessionKeeper::Resume::Yes);
    QTest::newRow("asked, yes") << int(SessionKeeper::Resume::Ask) << true << true << "" << 44;
    QTest::newRow("asked, no") << int(SessionKeeper::Resume::Ask) << false << false << "" << 44;
    QTest::newRow("--resume") << yes << false << true << "" << 44;
    QTest::newRow("--no-resume") << int(SessionKeeper::Resume::No) << true << false << "" << 44;
    QTest::newRow("picture and grid") << yes << false << true << "picture" << 47;
    QTest::newRow("picture replaced") << yes << false << true << "replaced" << 47;
    QTest::newRow("cleared and restored") << yes << false << true << "restored" << 47;
}

void TestResume::answers()
{
    QFETCH(int, resume);
    QFETCH(bool, yes);
    QFETCH(bool, taken);
    QFETCH(QString, shared);
    QFETCH(int, drawings);
    QTemporaryDir dir;

    QImage before;
    QString firstFile;
    {
        Table last(dir.path());
        last.host(QStringLiteral("Master"));
        QVERIFY(last.session.bHost());
        QCOMPARE(last.boxes.asked.size(), 0); // nothing to take up yet
        QVERIFY(boardsessionkit::drawSample(last.tools, last.palette));
        if (!shared.isEmpty()) {
            QVERIFY(sharePicture(last, boardsessionkit::noisePicture(1, "png", {700, 500})));
            // Laid as a shared grid is laid on every board: its pen, its colour.
            const int width = last.surface.drawWidth();
            last.surface.setDrawWidth(2);
            board::GridPainter painter(&last.surface, &last.palette, &last.tools);
            QCOMPARE(painter.paint(QStringLiteral("Lineare"), QStringLiteral("4"), QStringLiteral("6"),
                                   {}, 0x0000FF00u).outcome,
                     board::GridPainter::Outcome::Painted);
            last.surface.setDrawWidth(width);
            QVERIFY(last.share.shareGrid({0, 4, 6, qint32(0x0000FF00), 2, QString()}));
            last.palette.picSelColor_Click(5);
            last.tools.Command13_Click();
            last.tools.mousePress(DrawingTools::Left, false, 600, 600);
            last.tools.mouseMove(DrawingTools::Left, false, 6000, 5000);
        }
        if (shared == QLatin1String("replaced"))
            QVERIFY(sharePicture(last, boardsessionkit::noisePicture(2, "png", {700, 500})));
        if (shared == QLatin1String("restored")) {
            const QImage shown = last.surface.image();
            QVERIFY(last.session.tableBoard()->clearForAll());
            QCOMPARE(last.surface.image(), BoardSurface().image());
            QVERIFY(last.session.tableBoard()->restore());
            QTRY_COMPARE(last.surface.image(), shown);
        }
        last.session.SendToAll(QStringLiteral("[Messaggio]Master: il drago dorme"), false);
        last.session.SendToPerson(QStringLiteral("[Messaggio]*Master*: solo per te"), 1);
        before = last.surface.image();
        QVERIFY(before != BoardSurface().image());
        last.session.cmdDisconnect_Click(); // the store writes its last records
        firstFile = last.store.filePath();
    }

    Table next(dir.path());
    next.keeper.setResume(SessionKeeper::Resume(resume));
    next.host(QStringLiteral("Master"));
    if (SessionKeeper::Resume(resume) == SessionKeeper::Resume::Ask) {
        QVERIFY(!next.session.bHost()); // nobody may join a board about to change
        QCOMPARE(next.boxes.asked.size(), 1);
        const QString q = next.boxes.asked.first().text;
        QVERIFY2(q.startsWith(QStringLiteral("Riprendi la partita del ")) && q.endsWith(u'?') &&
                     q.contains(QStringLiteral("44 disegni")) && q.contains(QStringLiteral("1 riga di")),
                 qPrintable(q));
        QVERIFY(next.boxes.reply(yes));
    } else {
        QCOMPARE(next.boxes.asked.size(), 0);
    }
    QVERIFY(next.session.bHost());
    if (!taken) {
        QCOMPARE(next.surface.image(), BoardSurface().image());
        QVERIFY(next.session.boardHistory().isEmpty());
        next.session.SendToAll(QStringLiteral("[Messaggio]Master: da capo"), false);
        next.session.cmdDisconnect_Click();
        QVERIFY(next.store.filePath() != firstFile);
        return;
    }
    // The board as it was, pixel for pixel (a shared picture is decoded
    // aside, and what was drawn after it waits for it), and the talk as a recap.
    QTRY_COMPARE(next.surface.image(), before);
    QCOMPARE(next.talk.recaps.size(), 1);
    QCOMPARE(next.talk.recaps.first().first, QStringLiteral("Master: il drago dorme"));
    QVERIFY(qAbs(next.talk.recaps.first().second.secsTo(QDateTime::currentDateTime())) < 120);

    // A newcomer is sent that board, then the last public lines with their time.
    Table bruno(dir.path() + QStringLiteral("/b"));
    QVERIFY(bruno.join(next, QStringLiteral("Bruno")));
    QTRY_COMPARE(bruno.surface.image(), before);
    QCOMPARE(bruno.talk.recaps.size(), 1);
    QCOMPARE(bruno.talk.recaps.first(), next.talk.recaps.first());
    QVERIFY(bruno.talk.dialog.isEmpty());

    // The record goes on in the same file.
    next.session.SendToAll(QStringLiteral("[Messaggio]Master: si sveglia"), false);
    next.session.cmdDisconnect_Click();
    QCOMPARE(next.store.filePath(), firstFile);
    const auto again = SessionStore::readFile(firstFile);
    QCOMPARE(again.contents.lines, 2);
    QCOMPARE(again.contents.drawings, drawings);
    QCOMPARE(again.contents.hasPicture, !shared.isEmpty());
}

// Text on the board needs the fonts of a GUI application.
QTEST_MAIN(TestResume)
#include "tst_resume.moc"
