#include "spokenline.h"

#include <QTest>

using conversation::SpokenLine;

class tst_spokenline : public QObject
{
    Q_OBJECT
private slots:
    void read_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QString>("description"); // kind, privacy and speaker
        QTest::addColumn<QString>("spoken");
        const QStringList b{QStringLiteral("Brom")};
        QTest::newRow("speech") << "Brom: ciao" << b << "parlato, di Brom"
                                << "Brom dice: ciao";
        QTest::newRow("private speech") << "*Brom*: ciao" << b << "privato, parlato, di Brom"
                                        << "In privato: Brom dice: ciao";
        QTest::newRow("action") << "Brom si alza" << b << "azione, di Brom"
                                << "Brom si alza";
        QTest::newRow("narration") << "Cala la notte." << b << "narrazione"
                                   << "Narrazione: Cala la notte.";
        QTest::newRow("roll with detail")
            << QString::fromUtf8("Brom lancia 3d6 ed ottiene 11. \n« 4, 1, 6 »") << b
            << "tiro di dadi, di Brom"
            << "Brom lancia 3 dadi da 6 facce e ottiene 11. Dadi: 4, 1, 6.";
        QTest::newRow("anonymous private roll")
            << "*Qualcuno lancia 1d20 ed ottiene 17.*" << b << "privato, tiro di dadi, di Qualcuno"
            << "In privato: Qualcuno lancia un dado da 20 facce e ottiene 17.";
        QTest::newRow("no dice chosen")
            << "Brom lancia 0d1 ed ottiene 0." << b << "tiro di dadi, di Brom"
            << "Brom lancia 0 dadi da una faccia e ottiene 0.";
        // Malformed: half a private mark, no space after the colon, a name
        // that is only the start of another.
        QTest::newRow("unbalanced mark") << "*Brom lancia 2d6 ed ottiene 7." << b << "narrazione"
                                         << "Narrazione: *Brom lancia 2d6 ed ottiene 7.";
        QTest::newRow("colon without space") << "Brom:ciao" << b << "narrazione"
                                             << "Narrazione: Brom:ciao";
        QTest::newRow("longer name")
            << "Alma: ciao" << QStringList{"Al", "Alma"} << "parlato, di Alma"
            << "Alma dice: ciao";
    }
    void read()
    {
        QFETCH(QString, line);
        QFETCH(QStringList, names);
        QFETCH(QString, description);
        QFETCH(QString, spoken);
        const SpokenLine::Reading r = SpokenLine::read(line, names);
        QCOMPARE(SpokenLine::description(r), description);
        QCOMPARE(SpokenLine::spoken(r), spoken);
    }
};

QTEST_MAIN(tst_spokenline)
#include "tst_spokenline.moc"
