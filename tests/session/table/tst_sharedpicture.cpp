// Pictures shared with the table as they travel: cut into slices, put
// together, checked, and refused when anything about them is wrong, without
// holding more than what actually came.

#include "pictureassembler.h"
#include "protocol.h"
#include "sessiontestkit.h"
#include "tableboard.h"

#include <QCryptographicHash>
#include <QtTest>

using session::PictureAssembler;
using session::TableBoard;
using namespace testkit;

namespace
{

/// Bytes that look like a PNG file of 64 × 64 pixels to the session (it
/// reads only the signature and the size in the header).
QByteArray pngLike(qsizetype size, char fill = 'x')
{
    QByteArray bytes("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR\0\0\0\x40\0\0\0\x40", 24);
    bytes += QByteArray(size - bytes.size(), fill);
    return bytes;
}

QString textOf(const QByteArray &line)
{
    return session::decodeText(QByteArrayView(line).chopped(2));
}

/// Feeds wire lines to an assembler as the dispatcher would, by tag.
PictureAssembler::Result feed(PictureAssembler &a, const QList<QByteArray> &lines)
{
    PictureAssembler::Result r = PictureAssembler::Result::Incomplete;
    for (const QByteArray &line : lines) {
        const session::TaggedLine t = session::splitTag(textOf(line));
        if (t.tag == QLatin1String("[Immagine Condivisa]")) {
            const auto announce = PictureAssembler::parseStart(t.params);
            if (!announce)
                return PictureAssembler::Result::Refused;
            r = a.start(*announce);
        } else {
            r = a.part(t.params);
        }
        if (r != PictureAssembler::Result::Incomplete)
            return r;
    }
    return r;
}

struct SharedRecorder : session::SharedBoardSink {
    QList<QByteArray> pictures;
    QStringList from;
    QList<session::GridFields> grids;
    void showSharedPicture(const QByteArray &encoded, const QString &who) override
    {
        pictures << encoded;
        from << who;
    }
    void showSharedGrid(const session::GridFields &grid) override { grids << grid; }
};

} // namespace

class TestSharedPicture : public QObject
{
    Q_OBJECT
private slots:
    void roundTrip_data();
    void roundTrip();
    void hostileSlices_data();
    void hostileSlices();
    void hostileOverTheWire_data();
    void hostileOverTheWire();
    void slicesDoNotHoldUpConversation();
    void tricklingSharersHoldNoOneHostage();
};

void TestSharedPicture::roundTrip_data()
{
    QTest::addColumn<int>("size");
    QTest::newRow("one byte short of a slice") << int(PictureAssembler::kSliceBytes - 1);
    QTest::newRow("exactly two slices") << int(2 * PictureAssembler::kSliceBytes);
    QTest::newRow("a megabyte and a bit") << 1024 * 1024 + 7;
    QTest::newRow("the largest allowed") << int(PictureAssembler::kMaxBytes);
}

void TestSharedPicture::roundTrip()
{
    QFETCH(int, size);
    QByteArray bytes = pngLike(size);
    for (int i = 8; i < size; i += 997)
        bytes[i] = char(i * 31);
    const QList<QByteArray> lines = PictureAssembler::encode(42, bytes, QStringLiteral("Brom"));
    QCOMPARE(lines.size(), 1 + (size + PictureAssembler::kSliceBytes - 1) / PictureAssembler::kSliceBytes);
    for (const QByteArray &l : lines) {
        QVERIFY(l.endsWith("\r\n"));
        QVERIFY(l.size() < 20 * 1024); // far below what a connection's framer takes
    }
    PictureAssembler a;
    QCOMPARE(feed(a, lines), PictureAssembler::Result::Complete);
    QCOMPARE(a.announced().from, QStringLiteral("Brom"));
    QCOMPARE(a.take(), bytes);
    QVERIFY(!a.active());
}

void TestSharedPicture::hostileSlices_data()
{
    QTest::addColumn<QList<QByteArray>>("lines");
    QTest::addColumn<QString>("why"); // part of the refusal; empty: never finishes
    const QByteArray bytes = pngLike(3 * PictureAssembler::kSliceBytes + 100);
    const QList<QByteArray> good = PictureAssembler::encode(7, bytes, QStringLiteral("Eve"));

    QList<QByteArray> swapped = good;
    swapped.swapItemsAt(1, 2);
    QTest::newRow("slices out of order") << swapped << "fuori ordine";
    QList<QByteArray> repeated = good;
    repeated.insert(2, good[1]);
    QTest::newRow("slice repeated") << repeated << "fuori ordine";
    QTest::newRow("never finished") << good.mid(0, 3) << "";

    QList<QByteArray> wrongHash = good;
    QByteArray other = bytes;
    other[100] = 'y';
    wrongHash[0] = PictureAssembler::encode(7, other, QStringLiteral("Eve"))[0];
    QTest::newRow("wrong hash") << wrongHash << "impronta";

    // The start claims fewer bytes than the slices carry.
    QList<QByteArray> lying = PictureAssembler::encode(7, bytes.left(1000), QStringLiteral("Eve"));
    lying = lying.mid(0, 1) + good.mid(1);
    QTest::newRow("more bytes than announced") << lying << "più byte";

    const QString hash64(64, QLatin1Char('0'));
    QTest::newRow("announces 17 MiB")
        << QList<QByteArray>{session::encodeLine(QStringLiteral("[Immagine Condivisa]") +
                                                 session::sFormatSend(7) +
                                                 session::sFormatSend(17 * 1024 * 1024) + hash64)}
        << "16 MiB";
    QTest::newRow("announces nothing")
        << QList<QByteArray>{session::encodeLine(QStringLiteral("[Immagine Condivisa]") +
                                                 session::sFormatSend(7) +
                                                 session::sFormatSend(0) + hash64)}
        << "16 MiB";

    QList<QByteArray> notBase64 = good;
    notBase64[1] = session::encodeLine(QStringLiteral("[Immagine Condivisa Parte]") +
                                       session::sFormatSend(7) + session::sFormatSend(0) +
                                       QStringLiteral("@@@@not*base64"));
    QTest::newRow("slice not Base64") << notBase64 << "non è leggibile";

    QList<QByteArray> otherId = good;
    otherId[2] = PictureAssembler::encode(8, bytes, QStringLiteral("Eve"))[2];
    QTest::newRow("slice of another picture") << otherId << "un'altra immagine";

    const QByteArray gif = "GIF89a" + QByteArray(5000, 'g');
    QTest::newRow("not PNG or JPEG")
        << PictureAssembler::encode(7, gif, QStringLiteral("Eve")) << "PNG o JPEG";

    // Headers claiming more than any board decodes: refused at the first
    // slice, so a host never takes the rest nor passes any of it on.
    QByteArray png60k = pngLike(3 * PictureAssembler::kSliceBytes);
    png60k.replace(16, 8, QByteArray("\0\0\xea\x60\0\0\xea\x60", 8));
    QTest::newRow("PNG claiming 60000 x 60000")
        << PictureAssembler::encode(7, png60k, QStringLiteral("Eve")).mid(0, 2) << "60000 × 60000";
    const QByteArray sof("\xFF\xD8\xFF\xE0\0\x04xx\xFF\xC0\0\x11\x08\xea\x60\x40\x01", 19);
    QTest::newRow("JPEG claiming 16385 x 60000")
        << PictureAssembler::encode(7, sof + QByteArray(30000, 'j'), QStringLiteral("Eve")).mid(0, 2)
        << "16385 × 60000";
    QByteArray noIhdr = pngLike(30000);
    noIhdr.replace(12, 4, "IDAT");
    QTest::newRow("PNG without its header")
        << PictureAssembler::encode(7, noIhdr, QStringLiteral("Eve")).mid(0, 2) << "intestazione";
}

// Nothing is handed over, the reason is given, and the buffer never held
// more than what came (never the size announced).
void TestSharedPicture::hostileSlices()
{
    QFETCH(QList<QByteArray>, lines);
    QFETCH(QString, why);
    PictureAssembler a;
    const PictureAssembler::Result r = feed(a, lines);
    if (why.isEmpty()) {
        QCOMPARE(r, PictureAssembler::Result::Incomplete);
        QVERIFY(a.active());
        QVERIFY(a.capacity() < 4 * PictureAssembler::kSliceBytes);
        a.abandon(QStringLiteral("mai finita"));
        QVERIFY(!a.active());
        QCOMPARE(a.capacity(), 0);
        return;
    }
    QCOMPARE(r, PictureAssembler::Result::Refused);
    QVERIFY2(a.error().contains(why), qPrintable(a.error()));
    QVERIFY(!a.active());
    QCOMPARE(a.capacity(), 0);
    // A slice after the refusal is ignored, not taken as a new picture.
    QCOMPARE(a.part(textOf(lines.last()).mid(26)), PictureAssembler::Result::Incomplete);
    QCOMPARE(a.received(), 0);
}

void TestSharedPicture::hostileOverTheWire_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("out of order") << "order";
    QTest::newRow("never finished") << "unfinished";
    QTest::newRow("huge announcement, one slice") << "huge";
    QTest::newRow("cleared half way") << "cleared";
}

// A client sends a bad picture to the host: the host shows nothing, passes
// nothing on, says why in its status box, and holds no more than what came.
void TestSharedPicture::hostileOverTheWire()
{
    QFETCH(QString, kind);
    Peer host(QStringLiteral("Oste"));
    SharedRecorder shown;
    host->tableBoard()->setSink(&shown);
    host->tableBoard()->setStallTimeout(300);
    const quint16 port = host.host();
    QVERIFY(port);
    RawClient eve, other;
    QVERIFY(eve.joinAs(port, QStringLiteral("Eve")));
    QVERIFY(other.joinAs(port, QStringLiteral("Ugo")));
    QVERIFY(settle([&] { return other.lines.contains("[Aggiorna Listato InviaFile]"); }));
    other.lines.clear();

    const QByteArray bytes = pngLike(5 * PictureAssembler::kSliceBytes);
    QList<QByteArray> lines = PictureAssembler::encode(3, bytes, QStringLiteral("Eve"));
    QString expected;
    if (kind == QLatin1String("order")) {
        lines.swapItemsAt(2, 3);
        expected = QStringLiteral("fuori ordine");
    } else if (kind == QLatin1String("unfinished")) {
        lines = lines.mid(0, 4);
        expected = QStringLiteral("non è stata completata");
    } else if (kind == QLatin1String("huge")) {
        lines[0] = session::encodeLine(QStringLiteral("[Immagine Condivisa]") +
                                       session::sFormatSend(3) +
                                       session::sFormatSend(PictureAssembler::kMaxBytes) +
                                       QString(64, QLatin1Char('a')));
        lines = lines.mid(0, 2);
        expected = QStringLiteral("non è stata completata");
    } else {
        lines.insert(3, session::encodeLine(QStringLiteral("[Pulisci Lavagna]")));
    }
    for (const QByteArray &l : lines)
        eve.sendRaw(l);
    if (kind == QLatin1String("huge") || kind == QLatin1String("unfinished")) {
        QVERIFY(settle([&] { return host->tableBoard()->incomingBytes() > 0; }));
        // Only what came is held, not the 16 MiB announced.
        QVERIFY(host->tableBoard()->incomingCapacity() < 1024 * 1024);
    }
    if (expected.isEmpty()) {
        // The rest of a picture cut by a clear is dropped without a word.
        QVERIFY(settle([&] { return host.board.clears == 2; }));
        QTest::qWait(100);
    } else {
        QVERIFY(settle([&] {
            return !host.conversation.status.filter(TableBoard::refusedText(
                                                        QStringLiteral("Eve"), QString()))
                        .isEmpty();
        }));
        QVERIFY2(host.conversation.status.last().contains(expected),
                 qPrintable(host.conversation.status.last()));
    }
    QVERIFY(shown.pictures.isEmpty());
    QCOMPARE(host->tableBoard()->incomingBytes(), 0);
    QVERIFY(host->tableBoard()->pictureLines().isEmpty());
    QTest::qWait(50);
    for (const QByteArray &l : other.lines)
        QVERIFY2(!l.startsWith("[Immagine"), l.constData());
}

// While a picture goes out to a client, a conversation line sent after it
// reaches that client long before the picture's last slice: the slices
// leave only as the connection drains.
void TestSharedPicture::slicesDoNotHoldUpConversation()
{
    Peer host(QStringLiteral("Oste"));
    const quint16 port = host.host();
    QVERIFY(port);
    RawClient ugo;
    QVERIFY(ugo.connectTo(port));
    // A program that shows shared pictures says so before joining.
    ugo.send(QStringLiteral("[Tavernix]1"));
    ugo.send(QStringLiteral("[Connessione]Ugo"));
    ugo.send(QStringLiteral("[Aggiorna Listato InviaFile]"));
    QVERIFY(settle([&] { return ugo.lines.contains("[Aggiorna Listato InviaFile]"); }));
    ugo.lines.clear();
    // Ugo reads nothing for now, as a slow link would.
    ugo.socket.setReadBufferSize(64 * 1024);

    const QByteArray bytes = pngLike(4 * 1024 * 1024);
    QVERIFY(host->tableBoard()->sharePicture(bytes));
    const qsizetype slices = host->tableBoard()->pendingSlices();
    QVERIFY(slices > 0);
    host->SendToAll(QStringLiteral("[Messaggio]detto durante l'immagine"), false);
    ugo.socket.setReadBufferSize(0);
    QVERIFY(ugo.waitForLine("[Messaggio]detto durante l'immagine", 10000));
    const qsizetype before = ugo.lines.indexOf("[Messaggio]detto durante l'immagine");
    // Most of the picture was still to come when the line arrived.
    QVERIFY2(before < slices / 2, qPrintable(QString::number(before)));
    QVERIFY(settle([&] { return host->tableBoard()->pendingSlices() == 0; }, 20000));
    const qsizetype total =
        1 + (bytes.size() + PictureAssembler::kSliceBytes - 1) / PictureAssembler::kSliceBytes;
    QVERIFY(settle([&] { return ugo.lines.size() >= total + 1; }, 20000));

    // The picture Ugo got is the one shared, every slice in order.
    PictureAssembler a;
    QList<QByteArray> received;
    for (const QByteArray &l : ugo.lines)
        if (l.startsWith("[Immagine"))
            received << l + "\r\n";
    QCOMPARE(feed(a, received), PictureAssembler::Result::Complete);
    QCOMPARE(a.take(), bytes);
    // The sent log names the slices, without their bytes.
    QVERIFY(host->sentLog()->last().size() < 200);
}

// Three players announce the largest picture and send a slice now and then:
// another player's share still goes through, a sharer who stops is dropped
// within the gap allowed and named, and one who leaves takes its room along.
void TestSharedPicture::tricklingSharersHoldNoOneHostage()
{
    Peer host(QStringLiteral("Oste"));
    SharedRecorder shown;
    host->tableBoard()->setSink(&shown);
    host->tableBoard()->setStallTimeout(1500);
    const quint16 port = host.host();
    QVERIFY(port);
    RawClient tricklers[3], ugo;
    // Each sharer's pictures are its own: the same lines serve all three.
    const QList<QByteArray> big =
        PictureAssembler::encode(1, pngLike(PictureAssembler::kMaxBytes), QString());
    for (int i = 0; i < 3; ++i) {
        QVERIFY(tricklers[i].joinAs(port, QStringLiteral("Lento%1").arg(i)));
        tricklers[i].sendRaw(big[0] + big[1]);
    }
    QVERIFY(ugo.joinAs(port, QStringLiteral("Ugo")));
    QVERIFY(settle([&] { return host->tableBoard()->incomingBytes() >= 3 * PictureAssembler::kSliceBytes; }));
    for (int round = 0; round < 3; ++round) {
        // Two keep trickling a slice at a time, within the gap; the third stopped.
        for (int i = 0; i < 2; ++i)
            tricklers[i].sendRaw(big[2 + round]);
        QTest::qWait(600);
    }
    const QByteArray mine = pngLike(2 * PictureAssembler::kSliceBytes, 'u');
    for (const QByteArray &l : PictureAssembler::encode(9, mine, QStringLiteral("Ugo")))
        ugo.sendRaw(l);
    QVERIFY(settle([&] { return shown.pictures.contains(mine); }));
    QCOMPARE(shown.from.last(), QStringLiteral("Ugo"));
    // The one who stopped is named when its announce ends.
    QVERIFY(settle([&] {
        return !host.conversation.status.filter(TableBoard::refusedText(QStringLiteral("Lento2"), QString()))
                    .isEmpty();
    }));
    QVERIFY(host.conversation.status.filter(QStringLiteral("troppe immagini")).isEmpty());
    // A sharer who leaves holds nothing more.
    const qint64 before = host->tableBoard()->incomingBytes();
    tricklers[0].socket.abort();
    QVERIFY(settle([&] { return host->tableBoard()->incomingBytes() < before; }));
}

QTEST_MAIN(TestSharedPicture)
#include "tst_sharedpicture.moc"
