// The session file: what a torn, hostile or foreign file gives, that a
// refused file is never written to, and that writing that fails leaves the
// session going without it.

#include "sessiontestkit.h"

#include "pictureassembler.h"
#include "sessionkeeper.h"
#include "sessionstore.h"
#include "tags.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace testkit;
using session::SessionKeeper;
using session::SessionStore;

namespace
{

const QDateTime kStart = QDateTime(QDate(2026, 3, 7), QTime(21, 5, 30), Qt::UTC);

QByteArray board(const QString &message)
{
    return SessionStore::record('B', 1772917530, session::encodeText(message));
}
QByteArray said(const QString &line)
{
    return SessionStore::record('M', 1772917531, session::encodeText(line));
}
const QString kLine = QStringLiteral("[Linea]00000000010000000001000000000500000000050000000255"
                                     "00000000010000000003");

/// The records of a shared picture (a PNG's signature and noise, three
/// slices), written as the host writes them.
QList<QByteArray> pictureRecords(quint32 id)
{
    QByteArray bytes("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR\0\0\0\x40\0\0\0\x40", 24);
    for (int i = 0; bytes.size() < 30000; ++i)
        bytes += char(i * 7919 % 251 + id);
    QList<QByteArray> out;
    for (const QByteArray &line : session::PictureAssembler::encode(id, bytes, QStringLiteral("Oste")))
        out << SessionStore::record('P', 1772917532, line.chopped(2));
    return out;
}

QByteArray validFile()
{
    return SessionStore::header(kStart) + board(kLine) + said(QStringLiteral("Oste: ciao")) +
           board(QStringLiteral("[Colora Sfondo]000000000200000000020000000255"));
}

bool write(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QByteArray read(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

/// What a path is, without following it or blocking on it: a link's target,
/// a pipe, or a regular file's first bytes.
QByteArray snapshot(const QString &path)
{
    const QFileInfo info(path);
    if (info.isSymLink())
        return "link to " + QFile::encodeName(info.symLinkTarget());
    if (!info.isFile())
        return "not a file";
    return read(path).left(4096);
}

} // namespace

class TestSessionStore : public QObject
{
    Q_OBJECT
private slots:
    void readsWhatItIsGiven_data();
    void readsWhatItIsGiven();
    void writesWhatItReadsBack();
    void refusedFileIsLeftAlone_data();
    void refusedFileIsLeftAlone();
    void newSessionPrunesOnlyOurOldestFiles();
    void failedWritingLetsTheSessionGoOn_data();
    void failedWritingLetsTheSessionGoOn();
};

void TestSessionStore::readsWhatItIsGiven_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("refusal"); // a fragment of the message, empty when read
    QTest::addColumn<bool>("torn");
    QTest::addColumn<int>("drawings");
    QTest::addColumn<int>("lines");
    QTest::addColumn<bool>("picture"); // a whole shared picture is on the board

    const QByteArray ok = validFile();
    const QByteArray head = SessionStore::header(kStart);
    QTest::newRow("whole") << ok << QString() << false << 2 << 1 << false;
    QTest::newRow("header only") << head << QString() << false << 0 << 0 << false;
    QTest::newRow("torn in the payload") << ok + board(kLine).chopped(9) << QString() << true << 2 << 1 << false;
    QTest::newRow("torn in the length") << ok + QByteArray("B 1772917530 7") << QString() << true << 2 << 1 << false;
    QTest::newRow("torn before its LF") << ok + said(QStringLiteral("x")).chopped(1) << QString()
                                        << true << 2 << 1 << false;
    QTest::newRow("kind unknown to this version is skipped")
        << ok + SessionStore::record('Q', 1, "whatever") + said(QStringLiteral("y")) << QString()
        << false << 2 << 2 << false;
    QTest::newRow("a clear forgets the drawings before it")
        << ok + board(QStringLiteral("[Pulisci Lavagna]")) + board(kLine) << QString() << false
        << 1 << 1 << false;
    QStringList text{QStringLiteral("[Inserisci Testo]ciao")};
    for (int part = 2; part <= 11; ++part)
        text << session::tag::testo(part) + QString::number(part);
    text << QStringLiteral("[Inserisci TestoColore]00000000050000000001");
    QByteArray withText = head;
    for (const QString &m : text)
        withText += board(m);
    QTest::newRow("a text counts once") << withText << QString() << false << 1 << 0 << false;
    QTest::newRow("a line of talk holding LF")
        << head + said(QStringLiteral("Oste lancia 2d6 ed ottiene 7.\n« 3, 4 »")) << QString()
        << false << 0 << 1 << false;

    // A shared picture: its start and slices, one record each, among the drawings.
    const QList<QByteArray> pic = pictureRecords(1);
    const QByteArray whole = pic.join();
    QTest::newRow("a shared picture among the drawings")
        << head + board(kLine) + whole + board(kLine) << QString() << false << 2 << 0 << true;
    QTest::newRow("a picture torn in its last slice")
        << head + board(kLine) + whole.chopped(40) << QString() << true << 1 << 0 << false;
    QTest::newRow("a picture whose last slices never came")
        << head + pic.first() + pic[1] << QString() << false << 0 << 0 << false;
    QTest::newRow("an unfinished picture leaves the whole one before it")
        << head + whole + pictureRecords(2).first() << QString() << false << 0 << 0 << true;
    QTest::newRow("a clear forgets the picture")
        << head + whole + board(QStringLiteral("[Pulisci Lavagna]")) << QString() << false << 0 << 0
        << false;
    QByteArray forged = whole;
    forged[forged.size() - 10] = forged[forged.size() - 10] == 'A' ? 'B' : 'A';
    QTest::newRow("a picture that does not match its fingerprint")
        << head + forged + board(kLine) << QString() << false << 1 << 0 << false;
    QTest::newRow("slices without their start") << head + pic[1] + pic[2] << QString() << false << 0
                                                << 0 << false;
    QTest::newRow("a picture claiming a gigabyte")
        << head + SessionStore::record('P', 1, QByteArray("[Immagine Condivisa]0000000001") +
                                                   "1000000000" + QByteArray(64, 'a') + "Oste") +
               pic[1]
        << QString() << false << 0 << 0 << false;

    QTest::newRow("empty") << QByteArray() << "troncato" << false << 0 << 0 << false;
    QTest::newRow("magic cut short") << QByteArray("TAVERNIX PAR") << "troncato" << false << 0 << 0 << false;
    QTest::newRow("header without LF") << head.chopped(1) << "troncato" << false << 0 << 0 << false;
    QTest::newRow("a picture") << QByteArray("\x89PNG\r\n\x1a\n", 8) + QByteArray(100, 'x')
                               << "non è una partita" << false << 0 << 0 << false;
    QTest::newRow("a newer version") << QByteArray("TAVERNIX PARTITA 2 2030-01-01T00:00:00Z\n")
                                     << "versione più recente" << false << 0 << 0 << false;
    QTest::newRow("version not a number") << QByteArray("TAVERNIX PARTITA uno 2026-01-01T00:00:00Z\n")
                                          << "intestazione danneggiata" << false << 0 << 0 << false;
    QTest::newRow("no date") << QByteArray("TAVERNIX PARTITA 1\n") << "intestazione danneggiata"
                             << false << 0 << 0 << false;
    QByteArray shortened = ok;
    shortened.replace(" 77 [Linea]", " 70 [Linea]");
    QVERIFY(shortened != ok);
    QTest::newRow("a length edited by hand") << shortened << "danneggiato" << false << 0 << 0 << false;
    QByteArray letters = ok;
    letters.replace("M 1772917531", "M 17729x7531");
    QVERIFY(letters != ok);
    QTest::newRow("a time edited by hand") << letters << "danneggiato" << false << 0 << 0 << false;
    QTest::newRow("a lower-case kind") << ok + QByteArray("b 1 1 x\n") << "danneggiato" << false
                                       << 0 << 0 << false;
    QTest::newRow("a length no record has, at the end")
        << ok + QByteArray("B 1 3000000 [Linea]") << "danneggiato" << false << 0 << 0 << false;
}

void TestSessionStore::readsWhatItIsGiven()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, refusal);
    QFETCH(bool, torn);
    QFETCH(int, drawings);
    QFETCH(int, lines);
    QFETCH(bool, picture);
    const SessionStore::ReadResult r = SessionStore::parse(bytes, QStringLiteral("p.tvx"));
    QVERIFY(r.found);
    if (!refusal.isEmpty()) {
        QVERIFY2(r.error.contains(refusal), qPrintable(r.error));
        QVERIFY(r.error.contains(QStringLiteral("p.tvx")));
        QVERIFY(r.error.contains(QStringLiteral("resta com'è")));
        return;
    }
    QVERIFY2(r.error.isEmpty(), qPrintable(r.error));
    QCOMPARE(r.contents.torn, torn);
    QCOMPARE(r.contents.drawings, drawings);
    QCOMPARE(r.contents.lines, lines);
    QCOMPARE(r.contents.hasPicture, picture);
    // Only a whole picture is on the board a resume draws, where it was shared.
    const QByteArray kept = r.contents.board.join();
    QCOMPARE(kept.count("[Immagine Condivisa]"), qsizetype(picture));
    if (picture) {
        // After the drawings the file holds before the picture kept.
        const qsizetype start = kept.indexOf("[Immagine Condivisa]");
        const QByteArray line = kept.sliced(start, kept.indexOf("\r\n", start) - start);
        const qsizetype at = bytes.lastIndexOf("\nP 1772917532 ", bytes.indexOf(line));
        const auto before = SessionStore::parse(bytes.first(at + 1), QString());
        QCOMPARE(kept.indexOf("[Immagine Condivisa]"), before.contents.board.join().size());
    }
    QCOMPARE(r.contents.started, kStart);
    // What a session taken up again keeps: everything up to the torn record.
    QCOMPARE(r.contents.validSize < bytes.size(), torn);
    const auto again = SessionStore::parse(bytes.first(r.contents.validSize), QString());
    QCOMPARE(again.contents.torn, false);
    QCOMPARE(again.contents.drawings, drawings);
}

void TestSessionStore::writesWhatItReadsBack()
{
    QTemporaryDir dir;
    SessionStore store(dir.path());
    store.setFlushMs(10);
    store.beginNew(QDateTime::currentDateTime());
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 0); // made with its first record
    store.appendBoard(kLine);
    // Two dice seeds, the first revealed: the second is for a later run to reveal.
    const QByteArray seed1(32, '\1'), seed2(32, '\2');
    store.appendSeed(QByteArray(32, 'a'), seed1);
    store.appendSeed(QByteArray(32, 'b'), seed2);
    store.appendReveal(QByteArray(32, 'a'));
    store.appendSaid(QStringLiteral("Ada: eccomi"), 1772917000);
    // On disk within the flush time, without end(): a crash loses no more.
    QTRY_VERIFY(read(store.filePath()).endsWith("Ada: eccomi\n"));
    const auto r = store.readLatest();
    QVERIFY2(r.error.isEmpty(), qPrintable(r.error));
    QCOMPARE(r.contents.revealedSeeds, QList<QByteArray>{seed1});
    QCOMPARE(r.contents.unrevealedSeeds, QList<QByteArray>{seed2});
    // It holds a seed not yet revealed: its owner's alone.
    QCOMPARE(QFile::permissions(store.filePath()) & 0x0077, QFileDevice::Permissions());
    QCOMPARE(r.contents.drawings, 1);
    QCOMPARE(r.contents.recent.size(), size_t(1));
    QCOMPARE(r.contents.recent[0].line, QStringLiteral("Ada: eccomi"));
    QCOMPARE(r.contents.recent[0].secs, qint64(1772917000));
    QCOMPARE(r.contents.board.join(), session::encodeLine(kLine));

    // Taken up again after a tear: the torn bytes go, the rest stays, and
    // what follows is read back after it.
    store.end();
    QFile f(store.filePath());
    QVERIFY(f.open(QIODevice::Append));
    f.write("B 1 99 [Lin");
    f.close();
    const auto torn = store.readLatest();
    QVERIFY(torn.contents.torn);
    QVERIFY(store.resume(torn.contents));
    store.appendSaid(QStringLiteral("Ada: di nuovo"), 1772918000);
    store.end();
    const auto back = store.readLatest();
    QVERIFY2(back.error.isEmpty(), qPrintable(back.error));
    QVERIFY(!back.contents.torn);
    QCOMPARE(back.contents.lines, 2);
    QCOMPARE(back.contents.path, torn.contents.path);
}

void TestSessionStore::refusedFileIsLeftAlone_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<qint64>("sparseSize"); // grown to this size, unread
    QTest::addColumn<QString>("refusal");
    QTest::addColumn<QString>("linkTo"); // the session file is a link to this instead
    QTest::addColumn<bool>("fifo");      // the session file is a named pipe instead

    QTest::newRow("not ours") << QByteArray("ciao a tutti\n") << qint64(0) << "non è una partita"
                              << QString() << false;
    QTest::newRow("from the future") << QByteArray("TAVERNIX PARTITA 9 2031-01-01T00:00:00Z\nB 1 1 x\n")
                                     << qint64(0) << "versione più recente" << QString() << false;
    QTest::newRow("edited by hand") << validFile().replace("M 1772917531 10", "M 1772917531 12")
                                    << qint64(0) << "danneggiato" << QString() << false;
    QTest::newRow("1 GB") << validFile() << (qint64(1) << 30) << "troppo grande" << QString() << false;
    QTest::newRow("link to /dev/zero") << QByteArray() << qint64(0) << "collegamento simbolico"
                                       << "/dev/zero" << false;
    // A whole session of ours, but outside the folder: never read nor appended to.
    QTest::newRow("link to a file outside") << QByteArray() << qint64(0) << "collegamento simbolico"
                                            << "../fuori.tvx" << false;
    QTest::newRow("named pipe") << QByteArray() << qint64(0) << "pipe" << QString() << true;
}

void TestSessionStore::refusedFileIsLeftAlone()
{
    QFETCH(QByteArray, bytes);
    QFETCH(qint64, sparseSize);
    QFETCH(QString, refusal);
    QFETCH(QString, linkTo);
    QFETCH(bool, fifo);
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("partite"));
    QVERIFY(QDir().mkpath(folder));
    const QString outside = dir.filePath(QStringLiteral("fuori.tvx"));
    QVERIFY(write(outside, validFile()));
    const QString old = QDir(folder).filePath(QStringLiteral("partita_2026-03-07_21-05-30.tvx"));
    if (!linkTo.isEmpty())
        QVERIFY(QFile::link(linkTo, old));
    else if (fifo)
        QCOMPARE(::mkfifo(QFile::encodeName(old).constData(), 0600), 0);
    else
        QVERIFY(write(old, bytes));
    if (sparseSize > 0)
        QVERIFY(QFile(old).resize(sparseSize));
    const QByteArray before = snapshot(old);
    const QByteArray outsideBefore = read(outside);
    const qint64 sizeBefore = QFileInfo(old).size();

    Peer host(QStringLiteral("Oste"));
    SessionStore store(folder);
    store.setFlushMs(10);
    SessionKeeper keeper(host.chat.get(), &store);
    host->setPort(0);
    keeper.host();
    QVERIFY(host->bHost()); // the session goes on, without asking
    QCOMPARE(host.messages.asked.size(), 0);
    QCOMPARE(host.messages.shown.size(), 1);
    const QString text = host.messages.shown.first().text;
    QVERIFY2(text.contains(refusal) && text.contains(QStringLiteral("partita_2026-03-07_21-05-30.tvx")),
             qPrintable(text));

    host->Broadcast(kLine);
    QTRY_COMPARE(QDir(folder).entryList({QStringLiteral("*.tvx")}, QDir::Files | QDir::System).size(), 2);
    host->cmdDisconnect_Click();
    QCOMPARE(QFileInfo(old).size(), sizeBefore);
    QCOMPARE(snapshot(old), before);
    QCOMPARE(read(outside), outsideBefore);
    // The new session's file is the one offered next time.
    QCOMPARE(store.readLatest().contents.drawings, 1);
}

// Weekly evenings must not fill the disk, but a file we cannot read (not
// ours, or from a newer program) is never ours to delete.
void TestSessionStore::newSessionPrunesOnlyOurOldestFiles()
{
    QTemporaryDir dir;
    const QDateTime longAgo = QDateTime::currentDateTimeUtc().addDays(-400);
    const auto place = [&](const QString &name, const QByteArray &bytes, int day) {
        const QString path = dir.filePath(name);
        QFile f(path);
        return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size() && f.flush() &&
               f.setFileTime(longAgo.addDays(day), QFileDevice::FileModificationTime);
    };
    const int own = SessionStore::kKeptSessions + 2;
    for (int day = 0; day < own; ++day)
        QVERIFY(place(QStringLiteral("partita_%1.tvx").arg(day, 3, 10, QLatin1Char('0')),
                      validFile(), day + 10));
    QVERIFY(place(QStringLiteral("partita_estranea.tvx"), "ciao a tutti\n", 0));
    QVERIFY(place(QStringLiteral("partita_futura.tvx"),
                  "TAVERNIX PARTITA 9 2031-01-01T00:00:00Z\n", 1));

    SessionStore store(dir.path());
    store.beginNew(kStart);
    store.appendSaid(QStringLiteral("Oste: si comincia"), 1772917531);
    store.flush();
    const QStringList left = QDir(dir.path()).entryList({QStringLiteral("partita_*.tvx")}, QDir::Files);
    // The new file and the newest of ours before it make the kept number;
    // the three oldest of ours are gone, the two others stay.
    QCOMPARE(left.size(), SessionStore::kKeptSessions + 2);
    for (const char *gone : {"partita_000.tvx", "partita_001.tvx", "partita_002.tvx"})
        QVERIFY2(!left.contains(QLatin1String(gone)), gone);
    QVERIFY(left.contains(QStringLiteral("partita_003.tvx")));
    QVERIFY(left.contains(QStringLiteral("partita_estranea.tvx")));
    QVERIFY(left.contains(QStringLiteral("partita_futura.tvx")));
    QVERIFY(left.contains(QFileInfo(store.filePath()).fileName()));
}

void TestSessionStore::failedWritingLetsTheSessionGoOn_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("message");
    QTest::newRow("folder cannot be made") << "folder" << "non si può scrivere";
    QTest::newRow("disk full") << "full" << "Impossibile scrivere";
    QTest::newRow("file outgrows its bound") << "bound" << "ha raggiunto";
}

void TestSessionStore::failedWritingLetsTheSessionGoOn()
{
    QFETCH(QString, how);
    QFETCH(QString, message);
    QTemporaryDir dir;
    // A file where the folder should be: no one, not even root, makes it.
    QVERIFY(write(dir.filePath(QStringLiteral("file")), "x"));
    const QString folder = how == QLatin1String("folder") ? dir.filePath(QStringLiteral("file/partite"))
                                                          : dir.path();
    // A full disk as the program meets it: writes that fail past a size
    // (the process's file size limit, whose signal is ignored here).
    rlimit sizeLimit{};
    QVERIFY(::getrlimit(RLIMIT_FSIZE, &sizeLimit) == 0);
    const auto restoreLimit = qScopeGuard([&] { ::setrlimit(RLIMIT_FSIZE, &sizeLimit); });
    if (how == QLatin1String("full"))
        QVERIFY(write(dir.filePath(QStringLiteral("partita_2026-03-07_21-05-30.tvx")), validFile()));
    Peer host(QStringLiteral("Oste"));
    Peer ada(QStringLiteral("Ada"));
    SessionStore store(folder);
    store.setFlushMs(10);
    if (how == QLatin1String("bound"))
        store.setMaxFileSize(300);
    SessionKeeper keeper(host.chat.get(), &store);
    host->setPort(0);
    if (how == QLatin1String("full")) {
        SessionStore::Contents c;
        c.path = dir.filePath(QStringLiteral("partita_2026-03-07_21-05-30.tvx"));
        c.validSize = validFile().size();
        host->cmdHost_Click();
        QVERIFY(store.resume(c));
        ::signal(SIGXFSZ, SIG_IGN);
        rlimit low = sizeLimit;
        low.rlim_cur = rlim_t(c.validSize + 64);
        QVERIFY(::setrlimit(RLIMIT_FSIZE, &low) == 0);
    } else {
        keeper.host();
    }
    QVERIFY(host->bHost());
    QVERIFY(ada.join(host->listeningPort()));
    for (int i = 0; i < 5; ++i)
        host->Broadcast(kLine);
    QTRY_COMPARE(host.messages.shown.size(), 1);
    QVERIFY2(host.messages.shown.first().text.contains(message),
             qPrintable(host.messages.shown.first().text));
    QVERIFY(!store.isWriting());
    // Said once; the table goes on.
    host->Broadcast(kLine);
    QVERIFY(settle([&] { return ada.board.linesSinceClear() == 6; }));
    QCOMPARE(host.messages.shown.size(), 1);
}

QTEST_GUILESS_MAIN(TestSessionStore)
#include "tst_sessionstore.moc"
