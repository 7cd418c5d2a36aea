#include "composer.h"

#include <QTest>

using conversation::Composer;

class TestComposer : public QObject
{
    Q_OBJECT

private slots:
    void kindsOfLine_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("pub");
        QTest::addColumn<QString>("priv");
        QTest::newRow("action") << ", si alza dal tavolo" << int(Composer::Kind::Action)
                                << "Brom si alza dal tavolo"
                                << "*Brom si alza dal tavolo*";
        QTest::newRow("narration")
            << "# Cala la notte." << int(Composer::Kind::Narration) << "Cala la notte."
            << "*Cala la notte.*";
        QTest::newRow("speech") << "Salve a tutti" << int(Composer::Kind::Speech)
                                << "Brom: Salve a tutti"
                                << "*Brom*: Salve a tutti";
        QTest::newRow("comma without space is speech")
            << ",si siede" << int(Composer::Kind::Speech) << "Brom: ,si siede"
            << "*Brom*: ,si siede";
        QTest::newRow("hash without space is speech")
            << "#Cala la notte" << int(Composer::Kind::Speech) << "Brom: #Cala la notte"
            << "*Brom*: #Cala la notte";
        QTest::newRow("markup stays text")
            << "<b>ciao</b> &amp;" << int(Composer::Kind::Speech) << "Brom: <b>ciao</b> &amp;"
            << "*Brom*: <b>ciao</b> &amp;";
        QTest::newRow("lone comma space") << ", " << int(Composer::Kind::Action) << "Brom "
                                          << "*Brom *";
    }

    void kindsOfLine()
    {
        QFETCH(QString, typed);
        QFETCH(int, kind);
        QFETCH(QString, pub);
        QFETCH(QString, priv);
        const Composer::Lines l = Composer::compose(typed, "Brom");
        QCOMPARE(int(l.kind), kind);
        QCOMPARE(l.publicLine, pub);
        QCOMPARE(l.privateLine, priv);
    }

    void forgeryGuard_data()
    {
        QTest::addColumn<QString>("msg");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<bool>("refused");
        const QStringList brom{"Brom"};
        QTest::newRow("public roll of a participant")
            << "# Brom lancia 2d6 ed ottiene 12." << brom << true;
        QTest::newRow("private roll of a participant")
            << "# *Brom lancia 2d6 ed ottiene 12.*" << brom << true;
        QTest::newRow("action roll, whoever types it")
            << ", lancia 3d6 ed ottiene 18." << QStringList{} << true;
        QTest::newRow("empty digit runs") << "# Brom lancia d ed ottiene ." << brom << true;
        QTest::newRow("no final dot") << "# Brom lancia 2d6 ed ottiene 12" << brom << false;
        QTest::newRow("text after") << "# Brom lancia 2d6 ed ottiene 12. Bene" << brom << false;
        QTest::newRow("text before") << "x# Brom lancia 2d6 ed ottiene 12." << brom << false;
        QTest::newRow("nobody named Qualcuno")
            << "# Qualcuno lancia 1d6 ed ottiene 3." << brom << false;
        QTest::newRow("somebody named Qualcuno")
            << "# Qualcuno lancia 1d6 ed ottiene 3." << QStringList{"Brom", "Qualcuno"} << true;
        QTest::newRow("letters in the numbers")
            << "# Brom lancia 2d6 ed ottiene 1x." << brom << false;
        QTest::newRow("private without closing star")
            << "# *Brom lancia 2d6 ed ottiene 12." << brom << false;
        QTest::newRow("case matters") << "# brom lancia 2d6 ed ottiene 12." << brom << false;
        QTest::newRow("second name in the list")
            << "# Alma lancia 1d4 ed ottiene 2." << QStringList{"Al", "Alma"} << true;
        QTest::newRow("prefix name is not the name")
            << "# Alma lancia 1d4 ed ottiene 2." << QStringList{"Al"} << false;
        QTest::newRow("dot name is literal")
            << "# . lancia 1d4 ed ottiene 2." << QStringList{"."} << true;
        QTest::newRow("dot name does not match x")
            << "# x lancia 1d4 ed ottiene 2." << QStringList{"."} << false;
        QTest::newRow("star name") << "# * lancia 1d4 ed ottiene 2." << QStringList{"*"} << true;
        QTest::newRow("star name does not match all")
            << "# Brom lancia 1d4 ed ottiene 2." << QStringList{"*"} << false;
        QTest::newRow("paren name") << "# *( lancia 1d4 ed ottiene 2.*" << QStringList{"("} << true;
        QTest::newRow("backslash name")
            << "# \\ lancia 1d4 ed ottiene 2." << QStringList{"\\"} << true;
        QTest::newRow("long digit runs")
            << "# Brom lancia 0000123d99999 ed ottiene 4444444444444." << brom << true;
        QTest::newRow("action roll with a name")
            << ", Brom lancia 3d6 ed ottiene 18." << brom << false;
        QTest::newRow("empty text") << "" << brom << false;
        QTest::newRow("non-ascii digits do not count")
            << QString::fromUtf8("# Brom lancia ٣d6 ed ottiene 12.") << brom << false;
    }

    void forgeryGuard()
    {
        QFETCH(QString, msg);
        QFETCH(QStringList, names);
        QFETCH(bool, refused);
        QCOMPARE(Composer::isForgedRoll(msg, names), refused);
    }

    void rollCommand_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("expression"); // "-": not a roll command
        QTest::newRow("/r") << "/r 4d6kh3" << "4d6kh3";
        QTest::newRow("/tira in capitals, with a label") << "/TIRA 1d20+5 attacco " << "1d20+5 attacco";
        QTest::newRow("no space after it") << "/r4d6" << "-";
        QTest::newRow("not at the start") << "tiro /r 2d6" << "-";
    }

    void rollCommand()
    {
        QFETCH(QString, typed);
        QFETCH(QString, expression);
        QCOMPARE(Composer::rollCommand(typed).value_or(QStringLiteral("-")), expression);
    }

    void refusalText()
    {
        QCOMPARE(Composer::refusalText("Brom"), QString("Non si fanno queste cose Brom..."));
        QCOMPARE(Composer::refusalText(""), QString("Non si fanno queste cose ..."));
    }

    void sendButtonRule()
    {
        QVERIFY(Composer::sendEnabled("ciao", "Brom"));
        QVERIFY(!Composer::sendEnabled("", "Brom"));
        QVERIFY(!Composer::sendEnabled("ciao", ""));
        QVERIFY(!Composer::sendEnabled("", ""));
    }
};

QTEST_APPLESS_MAIN(TestComposer)
#include "tst_composer.moc"
