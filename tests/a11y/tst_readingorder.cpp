#include "readingorder.h"

#include <QLineEdit>
#include <QTest>

using a11y::ReadingOrder;

class tst_readingorder : public QObject
{
    Q_OBJECT
private slots:
    void sort_data()
    {
        QTest::addColumn<QList<QRect>>("rects");
        QTest::addColumn<QList<int>>("columns");
        QTest::addColumn<QList<int>>("order");
        QTest::newRow("empty") << QList<QRect>{} << QList<int>{} << QList<int>{};
        // A button a little lower than the box beside it reads on its line.
        QTest::newRow("one line, uneven tops")
            << QList<QRect>{{100, 12, 50, 20}, {0, 10, 50, 20}} << QList<int>{} << QList<int>{1, 0};
        QTest::newRow("below the middle is the next line")
            << QList<QRect>{{20, 11, 10, 10}, {0, 0, 10, 20}} << QList<int>{} << QList<int>{1, 0};
        QTest::newRow("each column whole, lines top to bottom")
            << QList<QRect>{{500, 0, 10, 10}, {0, 100, 10, 10}, {250, 0, 10, 10}, {0, 0, 10, 10}}
            << QList<int>{200, 400} << QList<int>{3, 1, 2, 0};
    }
    void sort()
    {
        QFETCH(QList<QRect>, rects);
        QFETCH(QList<int>, columns);
        QFETCH(QList<int>, order);
        QCOMPARE(ReadingOrder::sort(rects, columns), order);
    }

    // The Tab key follows the places, not the order the boxes were made in.
    void apply()
    {
        QWidget window;
        auto *third = new QLineEdit(&window);
        auto *second = new QLineEdit(&window);
        auto *first = new QLineEdit(&window);
        first->setGeometry(10, 10, 80, 20);
        second->setGeometry(100, 10, 80, 20);
        third->setGeometry(10, 40, 80, 20);
        ReadingOrder::apply(&window);
        QCOMPARE(window.nextInFocusChain(), first);
        QCOMPARE(first->nextInFocusChain(), second);
        QCOMPARE(second->nextInFocusChain(), third);
    }
};

QTEST_MAIN(tst_readingorder)
#include "tst_readingorder.moc"
