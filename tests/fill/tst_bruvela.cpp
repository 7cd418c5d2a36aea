#include "bruvela.h"
#include "filltarget.h"

#include <QImage>
#include <QMap>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>

#include <cmath>
#include <limits>
#include <queue>

using fill::Bruvela;

namespace {

/// A plain image with a fill colour that records what the fill reports.
class ImageTarget : public fill::FillTarget
{
public:
    explicit ImageTarget(QImage image = {})
        : image(std::move(image))
    {
    }
    QImage *fillImage() override { return &image; }
    quint32 FillColor() const override { return fillColor; }
    void setFillColor(quint32 colour) override { fillColor = colour; }
    void fillChanged(const QRect &pixels) override { reported.append(pixels); }

    QImage image;
    quint32 fillColor = 0x00ABCDEF;
    QList<QRect> reported;
};

/// A target without pixels.
class EmptyTarget : public fill::FillTarget
{
public:
    QImage *fillImage() override { return nullptr; }
    quint32 FillColor() const override { return 0; }
    void setFillColor(quint32) override {}
    void fillChanged(const QRect &) override {}
};

class MapBag : public fill::PropertyBag
{
public:
    qint32 readInt(const QString &name, qint32 defaultValue) const override
    {
        return values.value(name, defaultValue);
    }
    void writeInt(const QString &name, qint32 value, qint32 defaultValue) override
    {
        if (value == defaultValue)
            values.remove(name);
        else
            values.insert(name, value);
    }
    QMap<QString, qint32> values;
};

QImage whiteImage(int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(qRgb(255, 255, 255));
    return img;
}

/// Reference: breadth-first 4-connected fill with a queue of pixels.
QImage referenceFill(QImage img, int x, int y, QRgb fresh)
{
    const QRgb old = img.pixel(x, y);
    if (old == fresh)
        return img;
    std::queue<QPoint> todo;
    todo.push({x, y});
    img.setPixel(x, y, fresh);
    while (!todo.empty()) {
        const QPoint p = todo.front();
        todo.pop();
        const QPoint next[] = {{p.x() + 1, p.y()}, {p.x() - 1, p.y()}, {p.x(), p.y() + 1}, {p.x(), p.y() - 1}};
        for (const QPoint &n : next) {
            if (img.rect().contains(n) && img.pixel(n) == old) {
                img.setPixel(n, fresh);
                todo.push(n);
            }
        }
    }
    return img;
}

/// Bounding box of the pixels where @p a and @p b differ.
QRect diffBox(const QImage &a, const QImage &b)
{
    QRect box;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y))
                box |= QRect(x, y, 1, 1);
    return box;
}

} // namespace

class TestBruvela : public QObject
{
    Q_OBJECT
private slots:
    // The colour property.
    void coloreStartsBlack();
    void everyAssignmentNotifies();
    void coloreIsAQtProperty();

    // Persistence.
    void defaultIsNotStored();
    void storedValueRoundTrips();
    void readingAnEmptyBagGivesBlack();

    // The fill point.
    void halvesRoundToEven_data();
    void halvesRoundToEven();

    // What the fill paints.
    void freshInstanceFillsBlack();
    void setsTargetFillColour();
    void sameColourChangesNothing();
    void diagonalGapDoesNotLeak();
    void matchesReferenceOnRandomImages();
    void reportsExactlyTheChangedBox();
    void colourAbove24BitsIsMasked();
    void otherFormatsAreFilledAndKept();
    void alphaCountsInArgbImages();
    void longSerpentineNeedsNoRecursion();
    void spiralFillsCompletely();

    // Errors.
    void nullTargetIsAnError();
    void targetWithoutPixelsIsAnError();
    void pointsOutsideAreErrors_data();
    void pointsOutsideAreErrors();
};

void TestBruvela::coloreStartsBlack()
{
    Bruvela b;
    QCOMPARE(b.Colore(), 0);
}

void TestBruvela::everyAssignmentNotifies()
{
    Bruvela b;
    QSignalSpy spy(&b, &Bruvela::ColoreChanged);
    b.setColore(0x0000FF);
    b.setColore(0x0000FF);
    b.setColore(0);
    QCOMPARE(spy.count(), 3);
    QCOMPARE(spy.at(0).at(0).toInt(), 0x0000FF);
    QCOMPARE(spy.at(1).at(0).toInt(), 0x0000FF);
    QCOMPARE(spy.at(2).at(0).toInt(), 0);
    QCOMPARE(b.Colore(), 0);
}

void TestBruvela::coloreIsAQtProperty()
{
    Bruvela b;
    QSignalSpy spy(&b, &Bruvela::ColoreChanged);
    QVERIFY(b.setProperty("Colore", 0x00C0E0FF));
    QCOMPARE(b.Colore(), 0x00C0E0FF);
    QCOMPARE(b.property("Colore").toInt(), 0x00C0E0FF);
    QCOMPARE(spy.count(), 1);
    const QMetaObject *mo = b.metaObject();
    const QMetaProperty prop = mo->property(mo->indexOfProperty("Colore"));
    QVERIFY(prop.isValid());
    QVERIFY(prop.hasNotifySignal());
}

void TestBruvela::defaultIsNotStored()
{
    Bruvela b;
    MapBag bag;
    bag.values.insert(QStringLiteral("Colore"), 42);
    b.writeProperties(bag);
    QVERIFY(!bag.values.contains(QStringLiteral("Colore")));
}

void TestBruvela::storedValueRoundTrips()
{
    Bruvela a;
    a.setColore(0x00804000);
    MapBag bag;
    a.writeProperties(bag);
    QCOMPARE(bag.values.value(QStringLiteral("Colore")), 0x00804000);
    QCOMPARE(bag.values.size(), 1);

    Bruvela b;
    QSignalSpy spy(&b, &Bruvela::ColoreChanged);
    b.readProperties(bag);
    QCOMPARE(b.Colore(), 0x00804000);
    QCOMPARE(spy.count(), 1);
}

void TestBruvela::readingAnEmptyBagGivesBlack()
{
    Bruvela b;
    b.setColore(0x123456);
    MapBag bag;
    b.readProperties(bag);
    QCOMPARE(b.Colore(), 0);
}

void TestBruvela::halvesRoundToEven_data()
{
    QTest::addColumn<float>("x");
    QTest::addColumn<float>("y");
    QTest::addColumn<QPoint>("pixel");
    QTest::newRow("10.5, 11.5") << 10.5f << 11.5f << QPoint(10, 12);
    QTest::newRow("11.5, 10.5") << 11.5f << 10.5f << QPoint(12, 10);
    QTest::newRow("0.5, 1.5") << 0.5f << 1.5f << QPoint(0, 2);
    QTest::newRow("0.4, 0.6") << 0.4f << 0.6f << QPoint(0, 1);
    QTest::newRow("12.49, 12.51") << 12.49f << 12.51f << QPoint(12, 13);
    QTest::newRow("whole") << 7.0f << 3.0f << QPoint(7, 3);
    QTest::newRow("-0.4 rounds to 0") << -0.4f << 5.0f << QPoint(0, 5);
    QTest::newRow("-0.5 rounds to 0") << -0.5f << 5.0f << QPoint(0, 5);
}

void TestBruvela::halvesRoundToEven()
{
    QFETCH(float, x);
    QFETCH(float, y);
    QFETCH(QPoint, pixel);
    // Every pixel its own colour, so the fill changes exactly the start pixel.
    QImage img(20, 20, QImage::Format_RGB32);
    for (int py = 0; py < 20; ++py)
        for (int px = 0; px < 20; ++px)
            img.setPixel(px, py, qRgb(px * 10, py * 10, 7));
    ImageTarget target(img);
    Bruvela b;
    b.setColore(0x00FF0000); // blue
    QCOMPARE(b.fill(&target, x, y), Bruvela::Result::Ok);
    QCOMPARE(diffBox(img, target.image), QRect(pixel, QSize(1, 1)));
    QCOMPARE(target.image.pixel(pixel), qRgb(0, 0, 255));
    QCOMPARE(target.reported, QList<QRect>{QRect(pixel, QSize(1, 1))});
}

void TestBruvela::freshInstanceFillsBlack()
{
    QImage img = whiteImage(10, 10);
    for (int i = 0; i < 10; ++i)
        img.setPixel(5, i, qRgb(255, 0, 0));
    ImageTarget target(img);
    Bruvela b;
    QCOMPARE(b.fill(&target, 1, 1), Bruvela::Result::Ok);
    for (int y = 0; y < 10; ++y) {
        for (int x = 0; x < 10; ++x) {
            const QRgb expected = x < 5 ? qRgb(0, 0, 0) : x == 5 ? qRgb(255, 0, 0) : qRgb(255, 255, 255);
            QCOMPARE(target.image.pixel(x, y), expected);
        }
    }
    QCOMPARE(target.FillColor(), 0u);
}

void TestBruvela::setsTargetFillColour()
{
    ImageTarget target(whiteImage(4, 4));
    Bruvela b;
    b.setColore(0x000080FF);
    QCOMPARE(b.fill(&target, 0, 0), Bruvela::Result::Ok);
    QCOMPARE(target.FillColor(), 0x000080FFu);
    // 0x00BBGGRR: red 255, green 128, blue 0.
    QCOMPARE(target.image.pixel(3, 3), qRgb(255, 128, 0));
}

void TestBruvela::sameColourChangesNothing()
{
    QImage img = whiteImage(30, 30);
    img.setPixel(3, 3, qRgb(0, 0, 0));
    ImageTarget target(img);
    Bruvela b;
    b.setColore(0x00FFFFFF);
    QCOMPARE(b.fill(&target, 10, 10), Bruvela::Result::Ok);
    QCOMPARE(target.image, img);
    QVERIFY(target.reported.isEmpty());
    QCOMPARE(target.FillColor(), 0x00FFFFFFu);

    // And again after a real fill: the second identical fill is a no-op.
    b.setColore(0x000000FF);
    QCOMPARE(b.fill(&target, 10, 10), Bruvela::Result::Ok);
    const QImage once = target.image;
    QVERIFY(once != img);
    target.reported.clear();
    QCOMPARE(b.fill(&target, 10, 10), Bruvela::Result::Ok);
    QCOMPARE(target.image, once);
    QVERIFY(target.reported.isEmpty());
}

void TestBruvela::diagonalGapDoesNotLeak()
{
    // A 1-pixel diagonal wall x + y == 10 seals the top-left corner for a
    // 4-connected fill, although every wall pixel only touches the next one
    // at a corner.
    QImage img = whiteImage(20, 20);
    for (int x = 0; x <= 10; ++x)
        img.setPixel(x, 10 - x, qRgb(0, 0, 0));
    ImageTarget target(img);
    Bruvela b;
    b.setColore(0x000000FF);
    QCOMPARE(b.fill(&target, 0, 0), Bruvela::Result::Ok);
    int filled = 0;
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 20; ++x) {
            const QRgb p = target.image.pixel(x, y);
            if (x + y < 10) {
                QCOMPARE(p, qRgb(255, 0, 0));
                ++filled;
            } else {
                QCOMPARE(p, img.pixel(x, y));
            }
        }
    }
    QCOMPARE(filled, 55);
    QCOMPARE(target.reported, QList<QRect>{QRect(0, 0, 10, 10)});
}

void TestBruvela::matchesReferenceOnRandomImages()
{
    QRandomGenerator rng(1234);
    const QRgb palette[] = {qRgb(255, 255, 255), qRgb(0, 0, 0), qRgb(255, 0, 0)};
    for (int round = 0; round < 60; ++round) {
        const int w = 1 + int(rng.bounded(70));
        const int h = 1 + int(rng.bounded(70));
        QImage img(w, h, QImage::Format_RGB32);
        // Mostly two colours so that areas are large and ragged.
        const int colours = round % 3 == 0 ? 3 : 2;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                img.setPixel(x, y, palette[rng.bounded(colours)]);
        const int sx = int(rng.bounded(w));
        const int sy = int(rng.bounded(h));
        ImageTarget target(img);
        Bruvela b;
        b.setColore(0x0000FF00); // green, in none of the images
        QCOMPARE(b.fill(&target, float(sx), float(sy)), Bruvela::Result::Ok);
        const QImage expected = referenceFill(img, sx, sy, qRgb(0, 255, 0));
        if (target.image != expected)
            QFAIL(qPrintable(QStringLiteral("round %1 (%2 x %3 from %4, %5) differs from the reference")
                                 .arg(round).arg(w).arg(h).arg(sx).arg(sy)));
    }
}

void TestBruvela::reportsExactlyTheChangedBox()
{
    QImage img = whiteImage(40, 40);
    // A closed box from (5, 7) to (30, 20) with a tail sticking out of it.
    for (int x = 5; x <= 30; ++x) {
        img.setPixel(x, 7, qRgb(0, 0, 0));
        img.setPixel(x, 20, qRgb(0, 0, 0));
    }
    for (int y = 7; y <= 20; ++y) {
        img.setPixel(5, y, qRgb(0, 0, 0));
        img.setPixel(30, y, qRgb(0, 0, 0));
    }
    ImageTarget target(img);
    Bruvela b;
    b.setColore(0x00FF0000);
    QCOMPARE(b.fill(&target, 10, 10), Bruvela::Result::Ok);
    QCOMPARE(target.reported.size(), 1);
    QCOMPARE(target.reported.first(), diffBox(img, target.image));
    QCOMPARE(target.reported.first(), QRect(QPoint(6, 8), QPoint(29, 19)));
}

void TestBruvela::colourAbove24BitsIsMasked()
{
    ImageTarget target(whiteImage(5, 5));
    Bruvela b;
    b.setColore(qint32(0x7F0000FF));
    QCOMPARE(b.fill(&target, 2, 2), Bruvela::Result::Ok);
    QCOMPARE(target.image.pixel(0, 0), qRgb(255, 0, 0));
    QCOMPARE(target.FillColor(), 0x000000FFu);
    QCOMPARE(b.Colore(), qint32(0x7F0000FF)); // the property keeps what it was given
}

void TestBruvela::otherFormatsAreFilledAndKept()
{
    QImage img(12, 12, QImage::Format_RGB888);
    img.fill(QColor(Qt::white));
    for (int y = 0; y < 12; ++y)
        img.setPixelColor(6, y, Qt::black);
    ImageTarget target(img);
    Bruvela b;
    b.setColore(0x00FF0000);
    QCOMPARE(b.fill(&target, 1, 1), Bruvela::Result::Ok);
    QCOMPARE(target.image.format(), QImage::Format_RGB888);
    QCOMPARE(target.image.pixelColor(0, 11), QColor(0, 0, 255));
    QCOMPARE(target.image.pixelColor(5, 0), QColor(0, 0, 255));
    QCOMPARE(target.image.pixelColor(6, 5), QColor(Qt::black));
    QCOMPARE(target.image.pixelColor(7, 5), QColor(Qt::white));
    QCOMPARE(target.reported, QList<QRect>{QRect(0, 0, 6, 12)});
}

void TestBruvela::alphaCountsInArgbImages()
{
    // Two pixels of the same RGB but different alpha are different colours.
    QImage img(4, 1, QImage::Format_ARGB32);
    img.setPixel(0, 0, qRgba(255, 255, 255, 255));
    img.setPixel(1, 0, qRgba(255, 255, 255, 255));
    img.setPixel(2, 0, qRgba(255, 255, 255, 0));
    img.setPixel(3, 0, qRgba(255, 255, 255, 255));
    ImageTarget target(img);
    Bruvela b;
    QCOMPARE(b.fill(&target, 0, 0), Bruvela::Result::Ok);
    QCOMPARE(target.image.pixel(0, 0), qRgba(0, 0, 0, 255));
    QCOMPARE(target.image.pixel(1, 0), qRgba(0, 0, 0, 255));
    QCOMPARE(target.image.pixel(2, 0), qRgba(255, 255, 255, 0));
    QCOMPARE(target.image.pixel(3, 0), qRgba(255, 255, 255, 255));
}

void TestBruvela::longSerpentineNeedsNoRecursion()
{
    // One corridor two million pixels long, folded back and forth: a fill
    // that recursed per pixel (or per row) would exhaust the stack here.
    const int size = 2000;
    QImage img = whiteImage(size, size);
    int walls = 0;
    for (int y = 1; y < size; y += 2) {
        const int gap = (y / 2) % 2 == 0 ? size - 1 : 0;
        for (int x = 0; x < size; ++x) {
            if (x != gap) {
                img.setPixel(x, y, qRgb(0, 0, 0));
                ++walls;
            }
        }
    }
    ImageTarget target(std::move(img));
    Bruvela b;
    b.setColore(0x000000FF);
    QCOMPARE(b.fill(&target, 0, 0), Bruvela::Result::Ok);
    int red = 0, black = 0;
    for (int y = 0; y < size; ++y) {
        const auto *row = reinterpret_cast<const QRgb *>(target.image.constScanLine(y));
        for (int x = 0; x < size; ++x) {
            if (row[x] == qRgb(255, 0, 0))
                ++red;
            else if (row[x] == qRgb(0, 0, 0))
                ++black;
        }
    }
    QCOMPARE(black, walls);
    QCOMPARE(red, size * size - walls);
    QCOMPARE(target.reported, QList<QRect>{QRect(0, 0, size, size)});
}

void TestBruvela::spiralFillsCompletely()
{
    // A square spiral wall leaves one spiral corridor; filling from its
    // outer end must reach its centre.
    const int size = 401;
    QImage img = whiteImage(size, size);
    const QRgb wall = qRgb(0, 0, 0);
    // Draw the wall as a spiral of segments with a 1-pixel corridor.
    int left = 1, top = 1, right = size - 2, bottom = size - 2;
    int x = left, y = top;
    img.setPixel(x, y, wall);
    while (left + 2 <= right && top + 2 <= bottom) {
        for (; x < right; ++x) img.setPixel(x, y, wall);
        for (; y < bottom; ++y) img.setPixel(x, y, wall);
        for (; x > left; --x) img.setPixel(x, y, wall);
        top += 2;
        for (; y > top; --y) img.setPixel(x, y, wall);
        left += 2;
        right -= 2;
        bottom -= 2;
    }
    img.setPixel(x, y, wall);
    ImageTarget target(img);
    Bruvela b;
    b.setColore(0x0000FF00);
    QCOMPARE(b.fill(&target, 0, 0), Bruvela::Result::Ok);
    QCOMPARE(target.image, referenceFill(img, 0, 0, qRgb(0, 255, 0)));
    // The corridor really winds inwards: pixels near the centre were reached.
    int greenNearCentre = 0;
    for (int py = size / 2 - 3; py <= size / 2 + 3; ++py)
        for (int px = size / 2 - 3; px <= size / 2 + 3; ++px)
            greenNearCentre += target.image.pixel(px, py) == qRgb(0, 255, 0);
    QVERIFY(greenNearCentre > 0);
}

void TestBruvela::nullTargetIsAnError()
{
    Bruvela b;
    QCOMPARE(b.fill(nullptr, 0, 0), Bruvela::Result::NullTarget);
}

void TestBruvela::targetWithoutPixelsIsAnError()
{
    Bruvela b;
    EmptyTarget none;
    QCOMPARE(b.fill(&none, 0, 0), Bruvela::Result::NoSurface);
    ImageTarget nullImage{QImage()};
    QCOMPARE(b.fill(&nullImage, 0, 0), Bruvela::Result::NoSurface);
    QVERIFY(nullImage.reported.isEmpty());
}

void TestBruvela::pointsOutsideAreErrors_data()
{
    QTest::addColumn<float>("x");
    QTest::addColumn<float>("y");
    const float inf = std::numeric_limits<float>::infinity();
    QTest::newRow("left") << -1.0f << 5.0f;
    QTest::newRow("-0.6 rounds to -1") << -0.6f << 5.0f;
    QTest::newRow("above") << 5.0f << -1.0f;
    QTest::newRow("right edge") << 10.0f << 5.0f;
    QTest::newRow("9.5 rounds to 10") << 9.5f << 5.0f;
    QTest::newRow("below edge") << 5.0f << 10.0f;
    QTest::newRow("huge") << 1e30f << 1e30f;
    QTest::newRow("huge negative") << -1e10f << 3.0f;
    QTest::newRow("nan") << std::numeric_limits<float>::quiet_NaN() << 3.0f;
    QTest::newRow("infinite") << 3.0f << inf;
}

void TestBruvela::pointsOutsideAreErrors()
{
    QFETCH(float, x);
    QFETCH(float, y);
    const QImage img = whiteImage(10, 10);
    ImageTarget target(img);
    Bruvela b;
    QCOMPARE(b.fill(&target, x, y), Bruvela::Result::OutsideSurface);
    QCOMPARE(target.image, img);
    QVERIFY(target.reported.isEmpty());
}

QTEST_GUILESS_MAIN(TestBruvela)
#include "tst_bruvela.moc"
