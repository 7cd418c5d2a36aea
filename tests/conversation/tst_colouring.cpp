#include "colouring.h"

#include <QTest>

using conversation::Colouring;
using conversation::ColourRun;

class TestColouring : public QObject
{
    Q_OBJECT

private:
    static std::vector<ColourRun> one(qsizetype start, qsizetype length, const QColor &c)
    {
        return {ColourRun{start, length, c}};
    }

private slots:
    void publicSpeechColoursOnlyTheName()
    {
        QCOMPARE(Colouring::runs("Brom: ciao", {"Brom"}), one(0, 4, Colouring::kSpeaker));
    }

    void privateSpeechColoursTheNameInsideTheAsterisks()
    {
        QCOMPARE(Colouring::runs("*Brom*: ciao", {"Brom"}), one(1, 4, Colouring::kSpeaker));
    }

    void actionAndNamedRollAreWholeLine()
    {
        const QString roll = "Brom lancia 2d6 ed ottiene 7.";
        QCOMPARE(Colouring::runs(roll, {"Brom"}), one(0, roll.size(), Colouring::kAction));
        QCOMPARE(Colouring::runs("Brom si alza", {"Brom"}), one(0, 12, Colouring::kAction));
    }

    void privateActionKeepsAsterisksBlack()
    {
        const QString line = "*Brom si alza dal tavolo*";
        QCOMPARE(Colouring::runs(line, {"Brom"}), one(1, line.size() - 2, Colouring::kAction));
    }

    void narrationAndAnonymousRollsUseTheOtherColour()
    {
        QCOMPARE(Colouring::runs("Cala la notte.", {"Brom"}), one(0, 14, Colouring::kOther));
        const QString anon = "Qualcuno lancia 1d6 ed ottiene 4.";
        QCOMPARE(Colouring::runs(anon, {"Brom"}), one(0, anon.size(), Colouring::kOther));
        QCOMPARE(Colouring::runs("*Cala la notte.*", {"Brom"}), one(1, 14, Colouring::kOther));
    }

    void emptyListLeavesEverythingBlack()
    {
        QVERIFY(Colouring::runs("Brom: ciao", {}).empty());
        QVERIFY(Colouring::runs("Cala la notte.", {}).empty());
    }

    void namesAreTriedInListOrder()
    {
        // "Al" is first but the character after it is "m": none of its tests pass.
        QCOMPARE(Colouring::runs("Alma: ciao", {"Al", "Alma"}), one(0, 4, Colouring::kSpeaker));
        QCOMPARE(Colouring::runs("Al: ciao", {"Al", "Alma"}), one(0, 2, Colouring::kSpeaker));
        // The first name that passes decides even if a later one fits better.
        QCOMPARE(Colouring::runs("Al ma: x", {"Al", "Al ma"}), one(0, 8, Colouring::kAction));
    }

    void regexMetacharacterNamesAreLiteral()
    {
        QCOMPARE(Colouring::runs(".: punto", {"."}), one(0, 1, Colouring::kSpeaker));
        QCOMPARE(Colouring::runs("x: punto", {"."}), one(0, 8, Colouring::kOther));
        QCOMPARE(Colouring::runs("*: stella", {"*"}), one(0, 1, Colouring::kSpeaker));
        QCOMPARE(Colouring::runs("(: aperta", {"("}), one(0, 1, Colouring::kSpeaker));
        QCOMPARE(Colouring::runs("\\ salta", {"\\"}), one(0, 7, Colouring::kAction));
        QCOMPARE(Colouring::runs("*\\*: piano", {"\\"}), one(1, 1, Colouring::kSpeaker));
        QCOMPARE(Colouring::runs("ab: x", {".b", "a."}), one(0, 5, Colouring::kOther));
    }

    void loneAsteriskAndEmptyLine()
    {
        QVERIFY(Colouring::runs("*", {"Brom"}).empty());
        QVERIFY(Colouring::runs("", {"Brom"}).empty());
        QVERIFY(Colouring::runs("**", {"Brom"}).empty());
        QCOMPARE(Colouring::runs("*a*", {"Brom"}), one(1, 1, Colouring::kOther));
    }

    void rollWithDetailIsOneLine()
    {
        const QString line = QString::fromUtf8("Brom lancia 3d6 ed ottiene 11.\n« 4, 1, 6 »");
        QCOMPARE(Colouring::runs(line, {"Brom"}), one(0, line.size(), Colouring::kAction));
        // A private roll with details no longer ends in "*": the fallback applies.
        const QString priv = QString::fromUtf8("*Brom lancia 3d6 ed ottiene 11.*\n« 4, 1, 6 »");
        QCOMPARE(Colouring::runs(priv, {"Brom"}), one(0, priv.size(), Colouring::kOther));
    }

    void emptyNameInListMatchesNothingVisible()
    {
        // An entry with an empty name "speaks" every line starting ": ".
        QVERIFY(Colouring::runs(": x", {""}).empty());
        QCOMPARE(Colouring::runs(" x", {""}), one(0, 2, Colouring::kAction));
    }
};

QTEST_APPLESS_MAIN(TestColouring)
#include "tst_colouring.moc"
