#include "contrast.h"

#include <QTest>

using a11y::Contrast;

class tst_contrast : public QObject
{
    Q_OBJECT
private slots:
    void onBackground_data()
    {
        QTest::addColumn<QColor>("colour");
        QTest::addColumn<QColor>("background");
        QTest::addColumn<double>("minimum");
        QTest::addColumn<QColor>("expected"); // invalid: lightened, hue kept
        const QColor dark(0x2b, 0x2b, 0x2b), speaker(125, 125, 215);
        QTest::newRow("light pane") << speaker << QColor(Qt::white) << 4.5 << speaker;
        QTest::newRow("black on dark")
            << QColor(Qt::black) << dark << 4.5 << QColor(0xee, 0xee, 0xee);
        QTest::newRow("already readable")
            << QColor(255, 200, 0) << dark << 4.5 << QColor(255, 200, 0);
        QTest::newRow("speaker on dark") << speaker << dark << 4.5 << QColor();
        QTest::newRow("amber on its tint")
            << QColor(179, 107, 0) << QColor(85, 61, 30) << 4.5 << QColor();
        QTest::newRow("thin ink on a dark face")
            << QColor(38, 40, 48) << QColor(53, 53, 53) << 7.0 << QColor();
    }
    void onBackground()
    {
        QFETCH(QColor, colour);
        QFETCH(QColor, background);
        QFETCH(double, minimum);
        QFETCH(QColor, expected);
        const QColor shown =
            Contrast::onBackground(colour, background, QColor(0xee, 0xee, 0xee), minimum);
        if (expected.isValid())
            QCOMPARE(shown, expected);
        else
            QVERIFY(Contrast::ratio(shown, background) >= minimum &&
                    qAbs(shown.hslHueF() - colour.hslHueF()) < 0.02 &&
                    // the least change that reads: a little darker would not
                    Contrast::ratio(shown.darker(104), background) < minimum);
    }
};

QTEST_MAIN(tst_contrast)
#include "tst_contrast.moc"
