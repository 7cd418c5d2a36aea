// The host's board history: what it keeps and forgets, its limit, and the
// replay a newcomer gets on real sockets: alone, in order, before anything
// else, paced so that the backlog limit never drops it.

#include "sessiontestkit.h"

#include "boardhistory.h"
#include "tableboard.h"
#include "tags.h"

#include <memory>

using namespace testkit;
using session::BoardHistory;

namespace
{

/// A distinct segment message; about 87 bytes on the wire.
QString segment(int i)
{
    using session::sFormatSend;
    return QStringLiteral("[Linea]") + sFormatSend(i % 800) + sFormatSend(i / 800) +
           sFormatSend(i % 800 + 1) + sFormatSend(i / 800) + sFormatSend(255) + sFormatSend(1) +
           sFormatSend(3);
}

/// From now on, the lines @p socket receives are appended to @p got, and
/// what it holds already is read at once.
void readLinesInto(QTcpSocket &socket, QStringList &got)
{
    auto buffer = std::make_shared<QByteArray>();
    const auto read = [&socket, &got, buffer] {
        *buffer += socket.readAll();
        qsizetype pos = 0, end;
        while ((end = buffer->indexOf("\r\n", pos)) >= 0) {
            got << session::decodeText(QByteArrayView(*buffer).sliced(pos, end - pos));
            pos = end + 2;
        }
        buffer->remove(0, pos);
    };
    QObject::connect(&socket, &QTcpSocket::readyRead, &socket, read);
    read();
}

/// @p socket joins as Bruno, element @p element of the host, and then reads
/// nothing; true once the host has been replaying its board to it a while.
bool stallAsNewcomer(QTcpSocket &socket, Peer &host, quint16 port, qint16 element)
{
    socket.setReadBufferSize(64 * 1024); // so what it does not read stays in the kernel
    socket.connectToHost(QHostAddress::LocalHost, port);
    if (!socket.waitForConnected(5000))
        return false;
    socket.write(session::encodeLine(QStringLiteral("[Connessione]Bruno")));
    socket.flush();
    if (!settle([&] { return host->isReplaying(element); }))
        return false;
    QTest::qWait(200);
    return host->isReplaying(element);
}

QStringList textSet(const QString &text)
{
    QStringList set{QStringLiteral("[Inserisci Testo]") + text};
    for (int part = 2; part <= 11; ++part)
        set << session::tag::testo(part) + QString::number(part);
    set << QStringLiteral("[Inserisci TestoColore]00000000050000000001");
    return set;
}

/// Every kept message, in order, out of the blocks.
QStringList keptMessages(const QList<QByteArray> &blocks)
{
    QStringList out;
    for (const QByteArray &block : blocks) {
        QByteArray rest = block;
        // Each block holds whole lines only.
        if (!rest.endsWith("\r\n"))
            out << QStringLiteral("<block cut in a line>");
        for (const QByteArray &l : rest.split('\n')) {
            if (!l.isEmpty())
                out << session::decodeText(l.chopped(1));
        }
    }
    return out;
}

qsizetype wireSize(const QStringList &messages)
{
    qsizetype n = 0;
    for (const QString &m : messages)
        n += session::encodeLine(m).size();
    return n;
}

/// The lines @p client received after the one starting with @p marker.
QStringList linesAfter(const RawClient &client, const QString &marker)
{
    const QStringList all = client.text();
    for (qsizetype i = 0; i < all.size(); ++i) {
        if (all[i].startsWith(marker))
            return all.mid(i + 1);
    }
    return {QStringLiteral("<no %1>").arg(marker)};
}

} // namespace

class TestBoardHistory : public QObject
{
    Q_OBJECT
private slots:
    void keepsAndForgets_data();
    void keepsAndForgets();
    void limitStopsRecordingUntilTheNextClear();
    void blocksHoldWholeLinesAndCopiesStayAsTheyWere();

    void newcomerAloneGetsTheBoardRightAfterItsName();
    void clearEmptiesTheHistory_data();
    void clearEmptiesTheHistory();
    void laterLinesWaitBehindTheReplayAndTheBacklogLimitNeverDropsIt();
    void aClearWhileANewcomerStallsDropsTheRestOfItsBoard_data();
    void aClearWhileANewcomerStallsDropsTheRestOfItsBoard();
    void fullHistoryShowsOneStatusLineAndReplaysWhatItKept();
    void clientKeepsNoHistory();
};

void TestBoardHistory::keepsAndForgets_data()
{
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<QStringList>("kept");

    const QString line = segment(1);
    const QString circle = QStringLiteral("[Circonferenza]") + segment(2).mid(7);
    const QString fill = QStringLiteral("[Colora Sfondo]000000001000000000100016711680");
    const QString clear = QStringLiteral("[Pulisci Lavagna]");
    const QStringList text = textSet(QStringLiteral("Drago"));

    QTest::newRow("the four drawings, in order")
        << (QStringList{line, circle, fill} + text) << (QStringList{line, circle, fill} + text);
    QTest::newRow("what is not a shared drawing")
        << QStringList{QStringLiteral("[Messaggio]ciao"), QStringLiteral("[Aggiorna ComboIP]a - b"),
                       QStringLiteral("[Nuovo Nome in Lista]"), QStringLiteral("[Linea"),
                       QStringLiteral("[Inserisci Testo123]x"),
                       QStringLiteral("[Inserisci Testox]y")}
        << QStringList{};
    QTest::newRow("a clear forgets what came before it")
        << QStringList{line, fill, clear, circle} << QStringList{circle};
    QTest::newRow("text parts without their drawing message are not kept")
        << text.mid(0, 11) << QStringList{};
    QTest::newRow("text parts wait across a clear for the text drawn after it")
        << (text.mid(0, 5) + QStringList{clear} + text.mid(5)) << text;
    QTest::newRow("a segment between text parts goes before the set")
        << (text.mid(0, 3) + QStringList{line} + text.mid(3)) << (QStringList{line} + text);
}

void TestBoardHistory::keepsAndForgets()
{
    QFETCH(QStringList, messages);
    QFETCH(QStringList, kept);
    BoardHistory history;
    for (const QString &m : messages)
        history.record(m);
    QCOMPARE(keptMessages(history.blocks()), kept);
    QCOMPARE(history.count(), kept.size());
    QCOMPARE(history.size(), wireSize(kept));
}

void TestBoardHistory::limitStopsRecordingUntilTheNextClear()
{
    BoardHistory history;
    const qsizetype lineSize = session::encodeLine(segment(0)).size();
    history.setLimit(3 * lineSize + 5);
    using O = BoardHistory::Outcome;
    QCOMPARE(history.record(segment(0)), O::Kept);
    QCOMPARE(history.record(segment(1)), O::Kept);
    QCOMPARE(history.record(segment(2)), O::Kept);
    QCOMPARE(history.record(segment(3)), O::Full);
    QVERIFY(history.isFull());
    // Nothing after the first refusal, even what would fit: a board with a
    // gap in the middle could differ anywhere after it.
    QCOMPARE(history.record(QStringLiteral("[Colora Sfondo]000000000100000000010000000000")),
             O::Refused);
    QCOMPARE(history.record(segment(4)), O::Refused);
    QCOMPARE(history.count(), 3);
    QCOMPARE(history.size(), 3 * lineSize);
    QVERIFY(history.size() <= history.limit());

    QCOMPARE(history.record(QStringLiteral("[Pulisci Lavagna]")), O::Cleared);
    QVERIFY(!history.isFull());
    QCOMPARE(history.record(segment(5)), O::Kept);
    QCOMPARE(keptMessages(history.blocks()), QStringList{segment(5)});

    // A text set that does not fit is refused whole, never cut.
    const QStringList text = textSet(QStringLiteral("troppo"));
    history.setLimit(lineSize + wireSize(text) - 1);
    for (const QString &m : text.mid(0, 11))
        QCOMPARE(history.record(m), O::Kept);
    QCOMPARE(history.record(text.last()), O::Full);
    QCOMPARE(keptMessages(history.blocks()), QStringList{segment(5)});

    history.reset();
    QVERIFY(!history.isFull());
    QVERIFY(history.isEmpty());
    QCOMPARE(history.size(), 0);
}

void TestBoardHistory::blocksHoldWholeLinesAndCopiesStayAsTheyWere()
{
    BoardHistory history;
    QStringList all;
    for (int i = 0; i < 3000; ++i) {
        all << segment(i);
        history.record(all.last());
    }
    const QList<QByteArray> copy = history.blocks();
    QVERIFY(copy.size() > 2);
    for (const QByteArray &block : copy)
        QVERIFY(block.size() <= BoardHistory::kBlockSize);
    QCOMPARE(keptMessages(copy), all);

    for (int i = 3000; i < 3100; ++i)
        history.record(segment(i));
    QCOMPARE(keptMessages(copy), all);
    QCOMPARE(history.count(), 3100);

    // A line longer than a block still goes whole.
    const QString longText = QStringLiteral("[Inserisci Testo]") + QString(100000, u'x');
    for (const QString &m : textSet(longText.mid(17)))
        history.record(m);
    const QStringList kept = keptMessages(history.blocks());
    QCOMPARE(kept.size(), 3112);
    QCOMPARE(kept[3100], longText);
}

void TestBoardHistory::newcomerAloneGetsTheBoardRightAfterItsName()
{
    Peer host(QStringLiteral("Oste"));
    const quint16 port = host.host();
    QVERIFY(port);
    RawClient early;
    QVERIFY(early.joinAs(port, QStringLiteral("Ada")));

    // Early draws; the host draws too; a chat line is no drawing.
    const QString line = segment(7);
    const QString circle = QStringLiteral("[Circonferenza]") + segment(8).mid(7);
    const QString fill = QStringLiteral("[Colora Sfondo]000000001000000000100016711680");
    early.send(line);
    early.send(circle);
    early.send(QStringLiteral("[Messaggio]Ada: buonasera"));
    early.send(fill);
    const QStringList typed{QStringLiteral("[Inserisci Testo]Drago"),
                            QStringLiteral("[Inserisci Testo2]100"),
                            QStringLiteral("[Inserisci Testo3]200"),
                            QStringLiteral("[Inserisci Testo4]1"),
                            QStringLiteral("[Inserisci Testo5]0"),
                            QStringLiteral("[Inserisci Testo6]0"),
                            QStringLiteral("[Inserisci Testo7]13"),
                            QStringLiteral("[Inserisci Testo8]4"),
                            QStringLiteral("[Inserisci Testo9]45"),
                            QStringLiteral("[Inserisci Testo10]400"),
                            QStringLiteral("[Inserisci Testo11]Sans"),
                            QStringLiteral("[Inserisci TestoColore]00000000050000000001")};
    for (const QString &m : typed)
        early.send(m);
    QVERIFY(settle([&] { return host.board.texts.size() == 1; }));
    const QString own = segment(9);
    host->Broadcast(own);

    // The text goes on as the host relays it: rebuilt from what it stored.
    const QStringList relayedText{QStringLiteral("[Inserisci Testo]Drago"),
                                  QStringLiteral("[Inserisci Testo2]100"),
                                  QStringLiteral("[Inserisci Testo3]200"),
                                  QStringLiteral("[Inserisci Testo4]True"),
                                  QStringLiteral("[Inserisci Testo5]False"),
                                  QStringLiteral("[Inserisci Testo6]False"),
                                  QStringLiteral("[Inserisci Testo7]13"),
                                  QStringLiteral("[Inserisci Testo8]4"),
                                  QStringLiteral("[Inserisci Testo9]45"),
                                  QStringLiteral("[Inserisci Testo10]400"),
                                  QStringLiteral("[Inserisci Testo11]Sans"),
                                  QStringLiteral("[Inserisci TestoColore]00000000050000000001")};
    const QStringList board = QStringList{line, circle, fill} + relayedText + QStringList{own};
    QCOMPARE(host->boardHistory().count(), board.size());

    QVERIFY(early.waitForLine(session::encodeText(own)));

    const qsizetype earlyBefore = early.lines.size();
    const qsizetype sentBefore = host->sentLog()->size();
    RawClient late;
    QVERIFY(late.joinAs(port, QStringLiteral("Bruno")));
    host->SendToAll(QStringLiteral("[Messaggio]fine"), false);
    QVERIFY(late.waitForLine("[Messaggio]fine"));
    // Right after the rename: the board, exactly as it went to the others,
    // and only then what was sent after the join (the answer to its own
    // request for the list refresh included).
    const QStringList later{QStringLiteral("[Aggiorna Listato InviaFile]"),
                            QStringLiteral("[Messaggio]fine")};
    QCOMPARE(linesAfter(late, QStringLiteral("[Rename di Connessione]")), board + later);

    // The replay is the newcomer's alone, and logged as sent to it.
    QVERIFY(early.waitForLine("[Messaggio]fine"));
    for (const QByteArray &l : early.lines.mid(earlyBefore))
        QVERIFY2(!l.startsWith("[Linea]") && !l.startsWith("[Inserisci"), l.constData());
    const QString prefix = QStringLiteral("sckConnection(2): ");
    QStringList toLate;
    for (const QString &entry : logFrom(host->sentLog(), sentBefore)) {
        if (entry.startsWith(prefix))
            toLate << entry.mid(prefix.size());
    }
    const qsizetype rename = toLate.indexOf(QStringLiteral("[Rename di Connessione]Bruno"));
    QVERIFY(rename >= 0);
    QCOMPARE(toLate.mid(rename + 1), board + later);
    QVERIFY(!host->isReplaying(2));
}

void TestBoardHistory::clearEmptiesTheHistory_data()
{
    QTest::addColumn<bool>("byTheHost");
    QTest::newRow("a client's clear") << false;
    QTest::newRow("the host's own clear") << true;
}

void TestBoardHistory::clearEmptiesTheHistory()
{
    QFETCH(bool, byTheHost);
    Peer host(QStringLiteral("Oste"));
    const quint16 port = host.host();
    RawClient early;
    QVERIFY(early.joinAs(port, QStringLiteral("Ada")));
    early.send(segment(1));
    host->Broadcast(segment(2));
    QVERIFY(settle([&] { return host->boardHistory().count() == 2; }));
    if (byTheHost)
        host->Broadcast(QStringLiteral("[Pulisci Lavagna]"));
    else
        early.send(QStringLiteral("[Pulisci Lavagna]"));
    QVERIFY(settle([&] { return host->boardHistory().isEmpty(); }));
    const QString after = segment(3);
    early.send(after);
    QVERIFY(settle([&] { return host->boardHistory().count() == 1; }));

    RawClient late;
    QVERIFY(late.joinAs(port, QStringLiteral("Bruno")));
    host->SendToAll(QStringLiteral("[Messaggio]fine"), false);
    QVERIFY(late.waitForLine("[Messaggio]fine"));
    QCOMPARE(linesAfter(late, QStringLiteral("[Rename di Connessione]")),
             (QStringList{after, QStringLiteral("[Aggiorna Listato InviaFile]"),
                          QStringLiteral("[Messaggio]fine")}));

    // A session that ends forgets the board too.
    host->cmdDisconnect_Click();
    QVERIFY(host->boardHistory().isEmpty());
}

void TestBoardHistory::laterLinesWaitBehindTheReplayAndTheBacklogLimitNeverDropsIt()
{
    Peer host(QStringLiteral("Oste"));
    const quint16 port = host.host();
    // Far more board than the backlog limit and than the kernel's buffers.
    host->setWriteBacklogLimit(1024 * 1024);
    const int segments = 300000;
    for (int i = 0; i < segments; ++i)
        host->Broadcast(segment(i));
    QCOMPARE(host->boardHistory().count(), segments);
    QVERIFY(host->boardHistory().size() > 20 * 1024 * 1024);

    RawClient early;
    QVERIFY(early.joinAs(port, QStringLiteral("Ada")));
    QVERIFY(settle([&] { return !host->isReplaying(1) && early.lines.size() > segments; }, 60000));
    QCOMPARE(host->connectionState(1), ChatSession::kConnected);

    // The newcomer introduces itself and then does not read for a while.
    QTcpSocket late;
    QVERIFY(stallAsNewcomer(late, host, port, 2));
    // Paced: the host holds no more than a window and a block for it, not the board.
    const qint64 paced = ChatSession::kReplayWindow + BoardHistory::kBlockSize;
    QVERIFY2(host->unsentBytes(2) <= paced, QByteArray::number(host->unsentBytes(2)));

    // Meanwhile the session goes on for the others.
    host->SendToAll(QStringLiteral("[Messaggio]uno"), false);
    host->Broadcast(QStringLiteral("[Colora Sfondo]000000000100000000010000000000"));
    early.send(QStringLiteral("[Messaggio]Ada: due"));
    QVERIFY(early.waitForLine("[Messaggio]uno"));
    QVERIFY(early.waitForLine("[Colora Sfondo]000000000100000000010000000000"));
    QVERIFY(settle([&] {
        return host.conversation.dialog.contains(QStringLiteral("Ada: due"));
    }));
    QVERIFY(host->isReplaying(2));

    // Now it reads: the board first, then everything sent to it since, in order.
    QStringList got;
    readLinesInto(late, got);
    QVERIFY(settle([&] { return got.contains(QStringLiteral("[Messaggio]Ada: due")); }, 60000));
    QCOMPARE(late.state(), QAbstractSocket::ConnectedState);
    qsizetype at = got.indexOf(QStringLiteral("[Rename di Connessione]Bruno"));
    QVERIFY(at >= 0);
    ++at;
    for (int i = 0; i < segments; ++i, ++at) {
        if (got[at] != segment(i))
            QFAIL(qPrintable(QStringLiteral("line %1 of the board is %2").arg(i).arg(got[at])));
    }
    // After the board, the three lines sent to Bruno while it was replayed.
    QCOMPARE(got.mid(at), (QStringList{QStringLiteral("[Messaggio]uno"),
                                QStringLiteral("[Colora Sfondo]000000000100000000010000000000"),
                                QStringLiteral("[Messaggio]Ada: due")}));
    QVERIFY(settle([&] { return !host->isReplaying(2); }));
    QCOMPARE(host->connectionState(2), ChatSession::kConnected);
}

void TestBoardHistory::aClearWhileANewcomerStallsDropsTheRestOfItsBoard_data()
{
    QTest::addColumn<bool>("restore"); // the host then brings the cleared board back
    QTest::newRow("clear") << false;
    QTest::newRow("clear, then restore") << true;
}

void TestBoardHistory::aClearWhileANewcomerStallsDropsTheRestOfItsBoard()
{
    QFETCH(bool, restore);
    Peer host(QStringLiteral("Oste"));
    const quint16 port = host.host();
    const int segments = 300000;
    for (int i = 0; i < segments; ++i)
        host->Broadcast(segment(i));
    QTcpSocket late;
    QVERIFY(stallAsNewcomer(late, host, port, 1));

    // The board is cleared and drawn anew while the newcomer does not read:
    // the old board it was still owed is not kept for it.
    host->Broadcast(QStringLiteral("[Pulisci Lavagna]"));
    const QString fresh = segment(segments + 5); // on no earlier board
    host->Broadcast(fresh);
    if (restore) {
        // Still not reading: it ends with the restored board all the same,
        // after the clear that comes with it.
        QVERIFY(host->isReplaying(1));
        QVERIFY(host->tableBoard()->restore());
        QStringList got;
        readLinesInto(late, got);
        QVERIFY(settle([&] { return got.size() > segments && got.endsWith(fresh); }, 60000));
        const qsizetype clear = got.lastIndexOf(QStringLiteral("[Pulisci Lavagna]"));
        QVERIFY(clear > 0);
        QCOMPARE(got[clear - 1], QStringLiteral("[Lavagna Ripristinata]Oste"));
        QCOMPARE(got.size() - clear - 1, qsizetype(segments + 1));
        for (int i = 0; i < segments; ++i) {
            if (got[clear + 1 + i] != segment(i))
                QFAIL(qPrintable(QStringLiteral("line %1 of the board is %2").arg(i).arg(got[clear + 1 + i])));
        }
        QVERIFY(settle([&] { return !host->isReplaying(1); }));
        return;
    }
    QStringList got;
    readLinesInto(late, got);
    QVERIFY(settle([&] { return got.contains(fresh); }, 60000));
    const qsizetype rename = got.indexOf(QStringLiteral("[Rename di Connessione]Bruno"));
    const qsizetype clear = got.indexOf(QStringLiteral("[Pulisci Lavagna]"));
    QVERIFY2(rename >= 0 && clear > rename, qPrintable(QStringLiteral("%1 %2 %3 %4").arg(rename).arg(clear).arg(got.size()).arg(got.mid(0, 8).join(QLatin1Char('|')))));
    QVERIFY2(clear - rename - 1 < segments, QByteArray::number(clear - rename - 1));
    for (qsizetype i = rename + 1; i < clear; ++i)
        QCOMPARE(got[i], segment(int(i - rename - 1))); // a beginning of the old board
    QCOMPARE(got.mid(clear), (QStringList{QStringLiteral("[Pulisci Lavagna]"), fresh}));
    QVERIFY(settle([&] { return !host->isReplaying(1); }));
}

void TestBoardHistory::fullHistoryShowsOneStatusLineAndReplaysWhatItKept()
{
    Peer host(QStringLiteral("Oste"));
    const quint16 port = host.host();
    const qsizetype lineSize = session::encodeLine(segment(0)).size();
    host->setBoardHistoryLimit(5 * lineSize);
    for (int i = 0; i < 9; ++i)
        host->Broadcast(segment(i));
    QCOMPARE(host->boardHistory().count(), 5);
    QCOMPARE(host.conversation.status.count(ChatSession::kBoardHistoryFull), 1);

    RawClient late;
    QVERIFY(late.joinAs(port, QStringLiteral("Bruno")));
    host->SendToAll(QStringLiteral("[Messaggio]fine"), false);
    QVERIFY(late.waitForLine("[Messaggio]fine"));
    QStringList kept;
    for (int i = 0; i < 5; ++i)
        kept << segment(i);
    kept << QStringLiteral("[Aggiorna Listato InviaFile]") << QStringLiteral("[Messaggio]fine");
    QCOMPARE(linesAfter(late, QStringLiteral("[Rename di Connessione]")), kept);

    // After a clear it keeps again, and a second overflow says so again.
    host->Broadcast(QStringLiteral("[Pulisci Lavagna]"));
    for (int i = 0; i < 7; ++i)
        host->Broadcast(segment(i));
    QCOMPARE(host->boardHistory().count(), 5);
    QCOMPARE(host.conversation.status.count(ChatSession::kBoardHistoryFull), 2);
}

void TestBoardHistory::clientKeepsNoHistory()
{
    Peer host(QStringLiteral("Oste"));
    const quint16 port = host.host();
    Peer client(QStringLiteral("Ada"));
    QVERIFY(client.join(port));
    host->Broadcast(segment(1));
    client->Broadcast(segment(2));
    // The host passes the client's segment back to it as well.
    QVERIFY(settle([&] { return client.board.lines.size() == 2 && host.board.lines.size() == 1; }));
    QCOMPARE(host->boardHistory().count(), 2);
    QCOMPARE(client->boardHistory().count(), 0);
}

QTEST_GUILESS_MAIN(TestBoardHistory)
#include "tst_boardhistory.moc"
