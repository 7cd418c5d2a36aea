// The calculator as a pocket calculator is used: a row of keys, then what
// the display shows.

#include "calculatorengine.h"

#include <QRegularExpression>
#include <QTest>

using accessories::CalculatorEngine;
using Key = CalculatorEngine::Key;

class TestCalculator : public QObject
{
    Q_OBJECT
private slots:
    void keys_data();
    void keys();
};

void TestCalculator::keys_data()
{
    // Keys: what the keyboard types, C clear, E clear entry, S sign, B
    // backspace, "[text]" text pasted whole; "point": the display's separator.
    QTest::addColumn<QString>("point");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("display");
    const char *divZero = "Impossibile dividere per zero";
    const struct {
        const char *row, *point, *keys, *display;
    } rows[] = {
        {"sum", ".", "12+7=", "19"},
        {"left to right, not by precedence", ".", "2+3*4=", "20"},
        {"division with decimals", ".", "10-4/4=", "1.5"},
        {"no binary noise", ".", "0.1+0.2=", "0.3"},
        {"leading point, second point ignored", ".", ".5.5+.25=", "0.8"},
        {"sign of a result", ".", "2+3=S", "-5"},
        {"sign while typing", ".", "5S+8=", "3"},
        {"second operator corrects the first", ".", "3+-2=", "1"},
        {"equals repeats", ".", "2+3==", "8"},
        {"division by zero", ".", "9/0=", divZero},
        {"division by zero mid-chain", ".", "9/0+", divZero},
        {"digit after error starts anew", ".", "9/0=5+1=", "6"},
        {"clear after error", ".", "9/0=C", "0"},
        {"clear entry keeps the operation", ".", "5+3E4=", "9"},
        {"backspace", ".", "123B", "12"},
        {"twelve digits at most", ".", "1234567890123", "123456789012"},
        {"overflow", ".", "999999999999*========", "Numero troppo grande"},
        {"pasted number", ",", "[ 3,5 ]*2=", "7"},
        {"pasted text refused", ".", "4[abc]", "4"},
    };
    for (const auto &r : rows)
        QTest::newRow(r.row) << r.point << r.keys << r.display;
}

void TestCalculator::keys()
{
    QFETCH(QString, point);
    QFETCH(QString, keys);
    QFETCH(QString, display);

    CalculatorEngine calc(point.at(0));
    QString shown;
    connect(&calc, &CalculatorEngine::displayChanged, [&](const QString &t) { shown = t; });
    static const QRegularExpression token(QStringLiteral("\\[([^]]*)\\]|."));
    for (const QRegularExpressionMatch &m : token.globalMatch(keys)) {
        const QChar c = m.captured(0).at(0);
        if (c == QLatin1Char('[')) {
            calc.enterNumber(m.captured(1));
            continue;
        }
        const QString letters = QStringLiteral("CESB");
        const Key named[] = {Key::Clear, Key::ClearEntry, Key::Sign, Key::Backspace};
        const auto key =
            letters.contains(c) ? named[letters.indexOf(c)] : CalculatorEngine::keyForCharacter(c);
        QVERIFY2(key, qPrintable(QStringLiteral("no key for ") + c));
        calc.press(*key);
    }
    QCOMPARE(calc.display(), display);
    // The window is told every change: it shows what the engine shows.
    QCOMPARE(shown, display);
}

QTEST_GUILESS_MAIN(TestCalculator)
#include "tst_calculator.moc"
