#include "spokenline.h"

#include <QTest>

using conversation::SpokenLine;
using Kind = SpokenLine::Kind;

class tst_spokenline : public QObject
{
    Q_OBJECT
private slots:
    void read_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("isPrivate");
        QTest::addColumn<QString>("speaker");
        QTest::addColumn<QString>("spoken");
        const QStringList brom{QStringLiteral("Brom")};
        QTest::newRow("speech") << "Brom: ciao" << brom << int(Kind::Speech) << false << "Brom"
                                << "Brom dice: ciao";
        QTest::newRow("private speech") << "*Brom*: ciao" << brom << int(Kind::Speech) << true
                                        << "Brom" << "In privato: Brom dice: ciao";
        QTest::newRow("action") << "Brom si alza" << brom << int(Kind::Action) << false << "Brom"
                                << "Brom si alza";
        QTest::newRow("narration") << "Cala la notte." << brom << int(Kind::Narration) << false
                                   << "" << "Narrazione: Cala la notte.";
        QTest::newRow("private narration") << "*Cala la notte.*" << QStringList() << int(Kind::Narration)
                                           << true << "" << "In privato: Narrazione: Cala la notte.";
        QTest::newRow("roll with detail")
            << QString::fromUtf8("Brom lancia 3d6 ed ottiene 11. \n« 4, 1, 6 »") << brom
            << int(Kind::Dice) << false << "Brom"
            << "Brom lancia 3 dadi da 6 facce e ottiene 11. Dadi: 4, 1, 6.";
        QTest::newRow("anonymous private roll")
            << "*Qualcuno lancia 1d20 ed ottiene 17.*" << brom << int(Kind::Dice) << true << "Qualcuno"
            << "In privato: Qualcuno lancia un dado da 20 facce e ottiene 17.";
        QTest::newRow("no dice chosen") << "Brom lancia 0d1 ed ottiene 0." << brom << int(Kind::Dice)
                                        << false << "Brom" << "Brom lancia 0 dadi da una faccia e ottiene 0.";
        // Malformed: half a private mark, no space after the colon, a name
        // that is only the start of another.
        QTest::newRow("unbalanced mark") << "*Brom lancia 2d6 ed ottiene 7." << brom
                                         << int(Kind::Narration) << false << ""
                                         << "Narrazione: *Brom lancia 2d6 ed ottiene 7.";
        QTest::newRow("colon without space") << "Brom:ciao" << brom << int(Kind::Narration) << false
                                             << "" << "Narrazione: Brom:ciao";
        QTest::newRow("longer name") << "Alma: ciao" << QStringList{"Al", "Alma"} << int(Kind::Speech)
                                     << false << "Alma" << "Alma dice: ciao";
    }
    void read()
    {
        QFETCH(QString, line);
        QFETCH(QStringList, names);
        QFETCH(int, kind);
        QFETCH(bool, isPrivate);
        QFETCH(QString, speaker);
        QFETCH(QString, spoken);
        const SpokenLine::Reading r = SpokenLine::read(line, names);
        QCOMPARE(int(r.kind), kind);
        QCOMPARE(r.isPrivate, isPrivate);
        QCOMPARE(r.speaker, speaker);
        QCOMPARE(SpokenLine::spoken(r), spoken);
    }

};

QTEST_MAIN(tst_spokenline)
#include "tst_spokenline.moc"
