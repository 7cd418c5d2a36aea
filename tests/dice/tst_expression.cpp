// The dice grammar, read and rolled: every expression with its canonical
// spelling (or the fault and where), and under a fixed seed the line that
// announces it; then the rules of explosions, rerolls, keeps and pools on
// throws chosen by hand.

#include "announcement.h"
#include "expressionparser.h"
#include "replaydiesource.h"
#include "roller.h"
#include "seededdiesource.h"

#include <QTest>

using namespace dice;
using Code = ExpressionParser::ErrorCode;

class TestExpression : public QObject
{
    Q_OBJECT
private slots:
    void grammar_data();
    void grammar();
    void rules_data();
    void rules();
    void classicLines();
};

void TestExpression::grammar_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("canonical"); // empty when refused
    QTest::addColumn<int>("error");
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("line"); // announced by Ada under the fixed seed

    auto ok = [](const char *in, const char *canonical, const char *line) {
        QTest::newRow(in) << QString::fromUtf8(in) << QString::fromUtf8(canonical) << 0 << 0
                          << QString::fromUtf8(line);
    };
    auto bad = [](const char *in, Code code, int position) {
        QTest::newRow(in) << QString::fromUtf8(in) << QString() << int(code) << position
                          << QString();
    };
    ok("3d6", "3d6", "Ada lancia 3d6 ed ottiene 15.\n« 6, 5, 4 »");
    ok("d20", "1d20", "Ada lancia 1d20 ed ottiene 17.");
    ok("4D6kH3", "4d6kh3", "Ada lancia 4d6kh3 ed ottiene 14. « 6, 2, 6, (2) »");
    ok("2d20kl", "2d20kl1", "Ada lancia 2d20kl1 ed ottiene 5. « (7), 5 »");
    ok("4d6dl1", "4d6dl1", "Ada lancia 4d6dl1 ed ottiene 13. « 5, (3), 4, 4 »");
    ok("2d6+1d4+3", "2d6+1d4+3", "Ada lancia 2d6+1d4+3 ed ottiene 14. « 2, 5 | 4 »");
    ok("d%", "1d%", "Ada lancia 1d% ed ottiene 20. « 20 »");
    ok("4dF", "4dF", "Ada lancia 4dF ed ottiene -1. « +, -, 0, - »");
    ok("6d6!", "6d6!", "Ada lancia 6d6! ed ottiene 22. « 3, 5, 2, 4, 6!, 1, 1 »");
    ok("4d6ro1", "4d6ro1", "Ada lancia 4d6ro1 ed ottiene 19. « 5, (1), 4, 6, 4 »");
    ok("10d10>=8", "10d10>=8",
       "Ada lancia 10d10>=8 ed ottiene 5 successi. « 5, 8, 10, 3, 7, 4, 9, 2, 10, 8 »");
    ok("10d10x2>=8f1", "10d10>=8f1x2",
       "Ada lancia 10d10>=8f1x2 ed ottiene 6 successi. « 10, 9, 9, 3, 4, 7, 2, 9, 8, 4 »");
    ok("1d20+5 attacco", "1d20+5", "Ada lancia 1d20+5 per attacco ed ottiene 15. « 10 »");
    ok("  1d20 - 2  colpo d'ascia ", "1d20-2",
       "Ada lancia 1d20-2 per colpo d'ascia ed ottiene 7. « 9 »");

    bad("", Code::Empty, 1);
    QTest::newRow("too long") << "d" + QString(201, u'1') << QString() << int(Code::TooLong) << 201
                              << QString();
    bad("2d6+", Code::MissingTerm, 5);
    bad("kh3", Code::ExpectedTerm, 1);
    bad("2d6x", Code::Unexpected, 4);
    bad("2d", Code::MissingFaces, 3);
    bad("1d6r", Code::MissingNumber, 4);
    bad("1234567d6", Code::NumberTooBig, 1);
    bad("5+3", Code::NoDice, 0);
    bad("0d6", Code::ZeroCount, 1);
    bad("50d6+51d6", Code::TooManyDice, 6);
    bad("1d1001", Code::FacesOutOfRange, 3);
    bad("1d2+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1", Code::TooManyTerms, 43);
    bad("1d6+10001", Code::ConstantTooBig, 5);
    bad("4d6kh1kl1", Code::Repeated, 7);
    bad("4d6kh5", Code::KeepOutOfRange, 4);
    bad("1d6r7", Code::RerollNotAFace, 4);
    bad("3d1!", Code::OneFace, 4);
    bad("4dF!", Code::FudgeModifier, 4);
    bad("1d6>=7", Code::TargetOutOfRange, 4);
    bad("1d6x2", Code::PoolOnly, 4);
    bad("1d10>=5f5", Code::FailureOutOfRange, 8);
    bad("2d6>=5+1d6", Code::MixedPool, 8);
    bad("1d20 aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", Code::LabelTooLong,
        6);
    bad("1d20 attacco!", Code::BadLabel, 13);
}

void TestExpression::grammar()
{
    QFETCH(QString, input);
    QFETCH(QString, canonical);
    QFETCH(int, error);
    QFETCH(int, position);
    QFETCH(QString, line);

    const auto parsed = ExpressionParser::parse(input);
    QCOMPARE(int(parsed.error.code), error);
    if (!parsed.ok()) {
        QCOMPARE(parsed.error.position, position);
        const QString message = parsed.error.message();
        QVERIFY(!message.isEmpty());
        if (position > 0) // the message says where
            QVERIFY2(message.contains(QString::number(position)), qPrintable(message));
        return;
    }
    const Expression &e = *parsed.expression;
    QCOMPARE(e.text(), canonical);
    // The canonical spelling reads back as the same expression.
    const QString again = e.label.isEmpty() ? e.text() : e.text() + u' ' + e.label;
    QCOMPARE(ExpressionParser::parse(again).expression, parsed.expression);

    SeededDieSource source(QByteArray(32, '\x07'), QStringLiteral("Ada"),
                           QByteArray::fromHex("00112233445566778899aabbccddeeff"), 1, e.text());
    const auto roll = Roller::roll(e, source);
    QVERIFY(roll);
    QCOMPARE(Announcement::line(QStringLiteral("Ada"), *roll, false, true), line);
}

void TestExpression::rules_data()
{
    QTest::addColumn<QString>("expression");
    QTest::addColumn<QList<int>>("throws");
    QTest::addColumn<QString>("dice");
    QTest::addColumn<int>("total");
    QTest::addColumn<bool>("capped");

    QTest::newRow("explodes in a chain")
        << "3d6!" << QList{6, 6, 2, 3, 4} << "6!, 6!, 2, 3, 4" << 21 << false;
    QTest::newRow("compounds") << "2d6!!" << QList{6, 6, 2, 3} << "14!, 3" << 17 << false;
    QTest::newRow("rerolls until another value")
        << "3d6r1" << QList{1, 1, 5, 2, 3} << "(1), (1), 5, 2, 3" << 10 << false;
    QTest::newRow("rerolls once") << "2d6ro1" << QList{1, 1, 4} << "(1), 1, 4" << 5 << false;
    QTest::newRow("keeps the earlier of equals")
        << "4d6kh2" << QList{5, 6, 5, 5} << "5, 6, (5), (5)" << 11 << false;
    QTest::newRow("keeps after exploding")
        << "2d6!kh2" << QList{6, 1, 3} << "6!, (1), 3" << 9 << false;
    QTest::newRow("a compounded top counts twice")
        << "2d10!!>=8x2" << QList{10, 3, 7} << "13!, 7" << 2 << false;
    QTest::newRow("pool less failures, below zero")
        << "3d10>=9f2" << QList{1, 2, 9} << "1, 2, 9" << -1 << false;
    QTest::newRow("taken away") << "1d20-1d4-2" << QList{10, 3} << "10 | 3" << 5 << false;
    QList<int> twos(Roller::kMaxExtraThrows + 1, 2);
    QTest::newRow("explosions stop at the limit")
        << "1d2!" << twos << QStringLiteral("2!, ").repeated(Roller::kMaxExtraThrows) + "2"
        << 2 * (Roller::kMaxExtraThrows + 1) << true;
    twos.append(1);
    QTest::newRow("rerolls share the limit")
        << "2d2r2" << twos << QStringLiteral("(2), ").repeated(100) + "2, 1" << 3 << true;
}

void TestExpression::rules()
{
    QFETCH(QString, expression);
    QFETCH(QList<int>, throws);
    QFETCH(QString, dice);
    QFETCH(int, total);
    QFETCH(bool, capped);

    ReplayDieSource source(throws);
    const auto roll = Roller::roll(*ExpressionParser::parse(expression).expression, source);
    QVERIFY(roll);
    QCOMPARE(Announcement::diceText(*roll), dice);
    QCOMPARE(roll->total, total);
    QCOMPARE(roll->capped, capped);
    QCOMPARE(roll->draws, throws);
}

void TestExpression::classicLines()
{
    // A plain roll keeps the classic line, private and anonymous as ever;
    // a richer private roll is enclosed whole.
    auto roll = [](const char *text, QList<int> throws) {
        ReplayDieSource source(throws);
        return *Roller::roll(*ExpressionParser::parse(QString::fromUtf8(text)).expression, source);
    };
    const RollResult three = roll("3d6", {4, 1, 6});
    QCOMPARE(Announcement::line(QStringLiteral("Brom"), three, false, false),
             QStringLiteral("Brom lancia 3d6 ed ottiene 11."));
    QCOMPARE(Announcement::line(QStringLiteral("Brom"), three, true, true),
             QStringLiteral("*Brom lancia 3d6 ed ottiene 11.*\n« 4, 1, 6 »"));
    QCOMPARE(Announcement::line(QString(), roll("1d20", {17}), true, true),
             QStringLiteral("*Qualcuno lancia 1d20 ed ottiene 17.*"));
    QCOMPARE(Announcement::line(QStringLiteral("Ada"), roll("2d20kh1", {3, 19}), true, false),
             QStringLiteral("*Ada lancia 2d20kh1 ed ottiene 19. « (3), 19 »*"));
    QCOMPARE(Announcement::line(QStringLiteral("Ada"), roll("1d6>=6", {6}), false, false),
             QStringLiteral("Ada lancia 1d6>=6 ed ottiene 1 successo. « 6 »"));
}

QTEST_GUILESS_MAIN(TestExpression)
#include "tst_expression.moc"
