// The magnifier on a known picture: the area around a point that fills the
// view, kept inside the picture, and each of its pixels enlarged to a block
// of the factor's size.

#include "magnifier.h"

#include <QTest>

using accessories::Magnifier;

class TestMagnifier : public QObject
{
    Q_OBJECT
private slots:
    void enlarges_data();
    void enlarges();
};

void TestMagnifier::enlarges_data()
{
    QTest::addColumn<QPoint>("centre");
    QTest::addColumn<QSize>("view");
    QTest::addColumn<double>("factor");
    QTest::addColumn<QRect>("area");
    QTest::addColumn<QSize>("shown");
    const QSize view(8, 6);
    QTest::newRow("twice, centred") << QPoint(6, 4) << view << 2.0 << QRect(4, 3, 4, 3) << view;
    QTest::newRow("part pixels count whole")
        << QPoint(6, 4) << QSize(7, 5) << 3.0 << QRect(5, 3, 3, 2) << QSize(7, 5);
    QTest::newRow("top-left corner") << QPoint(0, 1) << view << 2.0 << QRect(0, 0, 4, 3) << view;
    QTest::newRow("bottom-right corner")
        << QPoint(11, 7) << view << 2.0 << QRect(8, 5, 4, 3) << view;
    QTest::newRow("view larger than the picture")
        << QPoint(6, 4) << QSize(80, 80) << 4.0 << QRect(0, 0, 12, 8) << QSize(48, 32);
}

void TestMagnifier::enlarges()
{
    QFETCH(QPoint, centre);
    QFETCH(QSize, view);
    QFETCH(double, factor);
    QFETCH(QRect, area);
    QFETCH(QSize, shown);

    // Every pixel of the 12 x 8 picture has a colour of its own.
    QImage screen(12, 8, QImage::Format_RGB32);
    for (int y = 0; y < screen.height(); ++y)
        for (int x = 0; x < screen.width(); ++x)
            screen.setPixel(x, y, qRgb(10 + x * 20, 10 + y * 30, 200));

    QCOMPARE(Magnifier::sourceArea(centre, view, factor, screen.rect()), area);
    const QImage big = Magnifier::magnify(screen.copy(area), view, factor);
    QCOMPARE(big.size(), shown);
    for (int y = 0; y < big.height(); ++y)
        for (int x = 0; x < big.width(); ++x)
            QVERIFY2(big.pixel(x, y) ==
                         screen.pixel(area.topLeft() + QPoint(int(x / factor), int(y / factor))),
                     qPrintable(QStringLiteral("pixel %1,%2").arg(x).arg(y)));
}

QTEST_GUILESS_MAIN(TestMagnifier)
#include "tst_magnifier.moc"
