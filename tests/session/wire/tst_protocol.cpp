// The codec and the per-connection line framer, with malformed input.

#include "lineframer.h"
#include "protocol.h"

#include <QTest>

#include <cmath>
#include <limits>

using namespace session;

class TestProtocol : public QObject
{
    Q_OBJECT
private slots:
    void formatSend_data();
    void formatSend();
    void fieldsAreReadByPosition();
    void splitTagAtFirstBracket();
    void strictNumbers_data();
    void strictNumbers();
    void everyByteSurvivesDecodeAndEncode();
    void textOutsideTheCodePage();
    void messageNeverContainsCrLf_data();
    void messageNeverContainsCrLf();

    void framerThreeLinesInOneRead();
    void framerHalfLine();
    void framerLineSplitInThreeReads();
    void framerCrAndLfInDifferentReads();
    void framerInvalidBytesPassThrough();
    void framerEmptyLines();
    void framerFiveMegabytesWithoutCrLf();
    void framerOverlongLineInOneRead();
    void framerLineAtTheLimitIsKept();
    void framerDiscardEndsAcrossReads();
    void framerReset();
};

void TestProtocol::formatSend_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("field");
    QTest::newRow("five") << 5.0 << "0000000005";
    QTest::newRow("minus one") << -1.0 << "-000000001";
    QTest::newRow("zero") << 0.0 << "0000000000";
    QTest::newRow("red") << 255.0 << "0000000255";
    QTest::newRow("12.6 rounds up") << 12.6 << "0000000013";
    QTest::newRow("12.4 rounds down") << 12.4 << "0000000012";
    QTest::newRow("small negative is zero") << -0.4 << "0000000000";
    QTest::newRow("largest") << 9999999999.0 << "9999999999";
    QTest::newRow("smallest") << -999999999.0 << "-999999999";
    QTest::newRow("too large is clamped") << 1e15 << "9999999999";
    QTest::newRow("too small is clamped") << -5e9 << "-999999999";
    QTest::newRow("infinity") << std::numeric_limits<double>::infinity() << "9999999999";
    QTest::newRow("minus infinity") << -std::numeric_limits<double>::infinity() << "-999999999";
    QTest::newRow("nan") << std::nan("") << "0000000000";
}

void TestProtocol::formatSend()
{
    QFETCH(double, value);
    QFETCH(QString, field);
    const QString result = sFormatSend(value);
    QCOMPARE(result, field);
    QCOMPARE(result.size(), kFieldWidth);
}

void TestProtocol::fieldsAreReadByPosition()
{
    const QString text = QStringLiteral("0123456789abcdefghijKLMNO"); // 25 characters
    QCOMPARE(sParam(text, 1), QStringLiteral("0123456789"));
    QCOMPARE(sParam(text, 2), QStringLiteral("abcdefghij"));
    QCOMPARE(sParam(text, 3), QStringLiteral("KLMNO"));
    QCOMPARE(sParam(text, 4), QString());
    QCOMPARE(sParam(text, 0), QString());
    QCOMPARE(sParam(text, -3), QString());
    QCOMPARE(sParam(QString(), 1), QString());
    QCOMPARE(sLongParam(text, 2), QStringLiteral("abcdefghijKLMNO"));
    QCOMPARE(sLongParam(text, 4), QString());
    QCOMPARE(sLongParam(text, 1), text);
    // A huge field number must not overflow into a valid position.
    QCOMPARE(sParam(text, std::numeric_limits<int>::max()), QString());

    // The conversation line of a private message with count 2 starts at character 31.
    const QString priv = sFormatSend(2) + sFormatSend(3) + sFormatSend(-1) + QStringLiteral("ciao");
    QCOMPARE(priv.indexOf(QLatin1String("ciao")), 30);
    QCOMPARE(sLongParam(priv, 4), QStringLiteral("ciao"));
}

void TestProtocol::splitTagAtFirstBracket()
{
    TaggedLine line = splitTag(QStringLiteral("[Pulisci Lavagna]"));
    QCOMPARE(line.tag, QStringLiteral("[Pulisci Lavagna]"));
    QVERIFY(line.params.isEmpty());

    line = splitTag(QStringLiteral("[Connessione]Rex[2]"));
    QCOMPARE(line.tag, QStringLiteral("[Connessione]"));
    QCOMPARE(line.params, QStringLiteral("Rex[2]"));

    line = splitTag(QStringLiteral("no bracket at all"));
    QVERIFY(line.tag.isEmpty());
    QCOMPARE(line.params, QStringLiteral("no bracket at all"));

    line = splitTag(QStringLiteral("]"));
    QCOMPARE(line.tag, QStringLiteral("]"));
    QVERIFY(line.params.isEmpty());

    line = splitTag(QString());
    QVERIFY(line.tag.isEmpty());
    QVERIFY(line.params.isEmpty());
}

void TestProtocol::strictNumbers_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("int16ok");
    QTest::addColumn<int>("int16");
    QTest::addColumn<bool>("int32ok");
    QTest::newRow("padded") << "0000000005" << true << 5 << true;
    QTest::newRow("negative") << "-000000001" << true << -1 << true;
    QTest::newRow("short") << "12" << true << 12 << true;
    QTest::newRow("int16 max") << "0000032767" << true << 32767 << true;
    QTest::newRow("beyond int16") << "0000032768" << false << 0 << true;
    QTest::newRow("int16 min") << "-000032768" << true << -32768 << true;
    QTest::newRow("field max") << "9999999999" << false << 0 << false;
    QTest::newRow("field min") << "-999999999" << false << 0 << true;
    QTest::newRow("empty") << "" << false << 0 << false;
    QTest::newRow("minus only") << "-" << false << 0 << false;
    QTest::newRow("letters") << "00000000a1" << false << 0 << false;
    QTest::newRow("leading space") << " 000000001" << false << 0 << false;
    QTest::newRow("plus sign") << "+5" << false << 0 << false;
    QTest::newRow("decimal point") << "1.5" << false << 0 << false;
    QTest::newRow("double minus") << "--1" << false << 0 << false;
    QTest::newRow("arabic digits") << QString::fromUtf8("\u0661\u0662") << false << 0 << false;
    QTest::newRow("very long") << QString(40, QLatin1Char('9')) << false << 0 << false;
}

void TestProtocol::strictNumbers()
{
    QFETCH(QString, text);
    QFETCH(bool, int16ok);
    QFETCH(int, int16);
    QFETCH(bool, int32ok);
    const auto a = toInt16(text);
    QCOMPARE(a.has_value(), int16ok);
    if (int16ok)
        QCOMPARE(int(*a), int16);
    QCOMPARE(toInt32(text).has_value(), int32ok);
    QCOMPARE(toFloat(text).has_value(), toInt64(text).has_value());
}

void TestProtocol::everyByteSurvivesDecodeAndEncode()
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(char(b));
    const QString text = decodeText(all);
    QCOMPARE(text.size(), 256);
    QCOMPARE(encodeText(text), all);
    QCOMPARE(text.at(0x80), QChar(0x20AC)); // the euro sign
    QCOMPARE(text.at(0xE8), QChar(0xE8));   // è
}

void TestProtocol::textOutsideTheCodePage()
{
    QCOMPARE(encodeText(QStringLiteral("città è")), QByteArray("citt\xE0 \xE8"));
    QCOMPARE(encodeText(QString::fromUtf8("\u20AC5")), QByteArray("\x80"
                                                                  "5"));
    QCOMPARE(encodeText(QString::fromUtf8("\u6F22\u5B57")), QByteArray("??"));
    // One character outside the basic plane is one "?", not two.
    QCOMPARE(encodeText(QString::fromUtf8("a\U0001F3B2b")), QByteArray("a?b"));
    // A lone surrogate does not break anything.
    QCOMPARE(encodeText(QString(QChar(0xD800))), QByteArray("?"));
}

void TestProtocol::messageNeverContainsCrLf_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("cr lf") << "a\r\nb" << QByteArray("a\nb");
    QTest::newRow("cr cr lf") << "a\r\r\nb" << QByteArray("a\nb");
    QTest::newRow("lone cr") << "a\rb" << QByteArray("a\rb");
    QTest::newRow("lone lf") << "a\nb" << QByteArray("a\nb");
    QTest::newRow("lf cr") << "a\n\rb" << QByteArray("a\n\rb");
    QTest::newRow("trailing cr") << "ab\r" << QByteArray("ab\r");
}

void TestProtocol::messageNeverContainsCrLf()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QCOMPARE(encodeText(text), bytes);
    const QByteArray line = encodeLine(text);
    QVERIFY(line.endsWith("\r\n"));
    // Exactly one line comes out of the framer.
    LineFramer framer;
    QCOMPARE(framer.feed(line).size(), 1);
}

void TestProtocol::framerThreeLinesInOneRead()
{
    LineFramer framer;
    const auto lines = framer.feed("[Messaggio]a\r\n[Pulisci Lavagna]\r\n[Messaggio]c\r\n");
    QCOMPARE(lines, (QList<QByteArray>{"[Messaggio]a", "[Pulisci Lavagna]", "[Messaggio]c"}));
    QCOMPARE(framer.pendingSize(), 0);
}

void TestProtocol::framerHalfLine()
{
    LineFramer framer;
    auto lines = framer.feed("[Messaggio]one\r\n[Messag");
    QCOMPARE(lines, QList<QByteArray>{"[Messaggio]one"});
    QCOMPARE(framer.pendingSize(), 7);
    lines = framer.feed("gio]two\r\n");
    QCOMPARE(lines, QList<QByteArray>{"[Messaggio]two"});
    QCOMPARE(framer.pendingSize(), 0);
}

void TestProtocol::framerLineSplitInThreeReads()
{
    LineFramer framer;
    QVERIFY(framer.feed("[Conn").isEmpty());
    QVERIFY(framer.feed("essione]R").isEmpty());
    QCOMPARE(framer.feed("ex\r\n[Mess"), QList<QByteArray>{"[Connessione]Rex"});
    QCOMPARE(framer.feed("aggio]x\r\n"), QList<QByteArray>{"[Messaggio]x"});
}

void TestProtocol::framerCrAndLfInDifferentReads()
{
    LineFramer framer;
    QVERIFY(framer.feed("abc\r").isEmpty());
    QCOMPARE(framer.feed("\ndef\r\n"), (QList<QByteArray>{"abc", "def"}));
    // A CR that is not followed by LF stays part of the line.
    QVERIFY(framer.feed("x\r").isEmpty());
    QCOMPARE(framer.feed("y\r\n"), QList<QByteArray>{"x\ry"});
    // CR LF as a read of its own after an empty pending part.
    QVERIFY(framer.feed("z").isEmpty());
    QCOMPARE(framer.feed("\r\n"), QList<QByteArray>{"z"});
}

void TestProtocol::framerInvalidBytesPassThrough()
{
    LineFramer framer;
    const QByteArray odd("[Messaggio]\x00\xff\x81\x90\x9d\n\r", 18);
    const auto lines = framer.feed(odd + "\r\n");
    QCOMPARE(lines.size(), 1);
    QCOMPARE(lines.first(), odd);
    QCOMPARE(encodeText(decodeText(lines.first())), odd);
}

void TestProtocol::framerEmptyLines()
{
    LineFramer framer;
    QCOMPARE(framer.feed("\r\n\r\nx\r\n"), (QList<QByteArray>{"", "", "x"}));
    QVERIFY(framer.feed(QByteArray()).isEmpty());
}

void TestProtocol::framerFiveMegabytesWithoutCrLf()
{
    LineFramer framer;
    const QByteArray chunk(64 * 1024, 'A');
    for (int i = 0; i < 80; ++i) { // 5 MiB
        QVERIFY(framer.feed(chunk).isEmpty());
        QVERIFY(framer.pendingSize() <= framer.limit());
    }
    QVERIFY(framer.discarding());
    QCOMPARE(framer.pendingSize(), 0);
    // The over-long line ends here; the line after it is intact.
    QCOMPARE(framer.feed("tail of the long line\r\n[Messaggio]ok\r\n"),
             QList<QByteArray>{"[Messaggio]ok"});
    QVERIFY(!framer.discarding());
    QCOMPARE(framer.feed("[Messaggio]next\r\n"), QList<QByteArray>{"[Messaggio]next"});
}

void TestProtocol::framerOverlongLineInOneRead()
{
    LineFramer framer(100);
    QByteArray read = "short\r\n" + QByteArray(150, 'x') + "\r\nafter\r\n";
    QCOMPARE(framer.feed(read), (QList<QByteArray>{"short", "after"}));
    // Pending part plus the rest of the line over the limit: dropped too.
    QVERIFY(framer.feed(QByteArray(60, 'y')).isEmpty());
    QCOMPARE(framer.feed(QByteArray(60, 'y') + "\r\nok\r\n"), QList<QByteArray>{"ok"});
}

void TestProtocol::framerLineAtTheLimitIsKept()
{
    LineFramer framer(100);
    const QByteArray exact(100, 'e');
    QVERIFY(framer.feed(exact.left(50)).isEmpty());
    QCOMPARE(framer.feed(exact.mid(50) + "\r\n"), QList<QByteArray>{exact});
    QCOMPARE(framer.feed(exact + "\r\n"), QList<QByteArray>{exact});
    // Split between its CR and its LF, a line of exactly the limit still counts.
    QVERIFY(framer.feed(exact + '\r').isEmpty());
    QVERIFY(!framer.discarding());
    QCOMPARE(framer.feed("\nnext\r\n"), (QList<QByteArray>{exact, "next"}));
    // One byte more is too long, wherever the read ends.
    QVERIFY(framer.feed(exact + "f\r").isEmpty());
    QCOMPARE(framer.feed("\nafter\r\n"), QList<QByteArray>{"after"});
}

void TestProtocol::framerDiscardEndsAcrossReads()
{
    LineFramer framer(10);
    QVERIFY(framer.feed(QByteArray(20, 'z') + '\r').isEmpty());
    QVERIFY(framer.discarding());
    QVERIFY(framer.feed(QByteArray()).isEmpty()); // an empty read changes nothing
    QCOMPARE(framer.feed("\nok\r\n"), QList<QByteArray>{"ok"});
    // An LF that does not follow a CR does not end the skipped line.
    QVERIFY(framer.feed(QByteArray(20, 'z')).isEmpty());
    QVERIFY(framer.feed("\nstill skipped").isEmpty());
    QCOMPARE(framer.feed("\r\nfine\r\n"), QList<QByteArray>{"fine"});
}

void TestProtocol::framerReset()
{
    LineFramer framer(10);
    QVERIFY(framer.feed("partial").isEmpty());
    framer.reset();
    QCOMPARE(framer.feed("new\r\n"), QList<QByteArray>{"new"});
    QVERIFY(framer.feed(QByteArray(20, 'q')).isEmpty());
    framer.reset();
    QCOMPARE(framer.feed("again\r\n"), QList<QByteArray>{"again"});
}

QTEST_GUILESS_MAIN(TestProtocol)
#include "tst_protocol.moc"
