// What of a host's recap a client shows, driven step by step as the
// dispatcher drives it: live lines heard or said, recap lines, the end of a
// recap (another kind of line) and a new try to get back in.

#include "recapfilter.h"

#include <QHash>
#include <QTest>

using session::RecapFilter;

class TestRecapFilter : public QObject
{
    Q_OBJECT
private slots:
    void shows_data();
    void shows();
};

void TestRecapFilter::shows_data()
{
    // Steps: "h:x" x heard live, "s:x" x said by us, "r:x" recap line x,
    // "R" a try to get back in, "F" a line of another kind from the host,
    // "X" a new session. "quiet": how often nothing was missed.
    QTest::addColumn<int>("memory");
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("quiet");

    const int all = RecapFilter::kDefaultMemory;
    QTest::newRow("nothing said during the break") << all << "h:a h:b h:c R r:a r:b r:c F"
                                                   << "" << 1;
    QTest::newRow("some lines missed") << all << "h:a h:b h:c h:d R r:b r:c r:d r:e r:f F"
                                       << "e f" << 0;
    QTest::newRow("everything said during the break") << all << "h:a h:b R r:c r:d F"
                                                      << "c d" << 0;
    QTest::newRow("recap reaching past what is remembered is shown whole")
        << 3 << "h:a h:b h:c h:d h:e R r:b r:c r:d r:e r:c F"
        << "b c d e c" << 0;
    QTest::newRow("the same line before and during the break")
        << all << "h:x h:ok h:y h:ok R r:ok r:y r:ok r:ok r:z F"
        << "ok z" << 0;
    QTest::newRow("a line said twice during the break") << all << "h:a h:ok R r:a r:ok r:ok r:ok F"
                                                        << "ok ok" << 0;
    QTest::newRow("false overlap that dies late") << all << "h:p h:q h:r h:s R r:q r:r r:X r:Y F"
                                                  << "q r X Y" << 0;
    QTest::newRow("overlap never completed is shown when the recap ends")
        << all << "h:a h:b h:c R r:a r:b F"
        << "a b" << 0;
    QTest::newRow("private lines the recap lacks") << all << "h:a h:*p* h:b h:*q* R r:a r:b r:c F"
                                                   << "c" << 0;
    QTest::newRow("a first join's recap counts as had") << all << "r:a r:b h:c R r:a r:b r:c r:d F"
                                                        << "a b d" << 0;
    QTest::newRow("own line while the recap streams, then a second break")
        << all << "h:a R r:a s:mine r:b F R r:a r:b r:mine r:c F"
        << "b c" << 0;
    QTest::newRow("own line crossing one from the host")
        << all << "h:a s:mine h:b R r:a r:b r:mine r:c F"
        << "c" << 0;
    // Two hundred times the same own word: many ways to line up, none hiding
    // the new ones.
    const QString spam = QStringLiteral("s:ok ").repeated(all);
    QTest::newRow("the same own line over and over")
        << all
        << spam + "R " + QStringLiteral("r:ok ").repeated(95) + "r:new1 r:ok r:new2 r:ok r:ok F"
        << "new1 ok new2 ok ok" << 0;
    QTest::newRow("a try cut short, then all known") << all << "h:a h:b R r:a R r:a r:b F"
                                                     << "a" << 1;
    QTest::newRow("back in with no recap at all") << all << "h:a R h:b F"
                                                  << "" << 0;
    QTest::newRow("a new session forgets") << all << "h:a h:b X R r:a r:b F"
                                           << "a b" << 0;
}

void TestRecapFilter::shows()
{
    QFETCH(int, memory);
    QFETCH(QString, steps);
    QFETCH(QString, shown);
    QFETCH(int, quiet);

    RecapFilter filter(memory);
    int told = 0;
    filter.setNothingMissed([&] { ++told; });
    QStringList seen;
    QHash<qint64, QString> given; // each recap line's time
    bool timesKept = true;
    filter.setShow([&](const session::RecentTalk::Said &said) {
        seen << said.line;
        timesKept = timesKept && given.value(said.secs) == said.line;
    });
    qint64 secs = 1000;
    for (const QString &step : steps.split(QLatin1Char(' '))) {
        const QString text = step.mid(2);
        if (step.startsWith(QLatin1String("h:")))
            filter.heard(text);
        else if (step.startsWith(QLatin1String("s:")))
            filter.said(text);
        else if (step.startsWith(QLatin1String("r:"))) {
            given.insert(++secs, text);
            filter.recapLine({text, secs});
        } else if (step == QLatin1String("R"))
            filter.expectReturn();
        else if (step == QLatin1String("F"))
            filter.finish();
        else if (step == QLatin1String("X"))
            filter.forget();
        else
            QFAIL(qPrintable(step));
    }
    QCOMPARE(seen.join(QLatin1Char(' ')), shown);
    QCOMPARE(told, quiet);
    QVERIFY(timesKept); // a shown line keeps the time it was said
    QVERIFY(filter.remembered() <= memory);
}

QTEST_GUILESS_MAIN(TestRecapFilter)
#include "tst_recapfilter.moc"
