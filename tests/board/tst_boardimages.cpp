// Board pictures: the 24-bit copy and its bilinear resampling against
// hand-computed pixels, fitting, the size boxes, loading picture files
// (hostile headers included), resizing through "cmdRidim" and the clipboard
// on the offscreen platform.

#include "boardimages.h"
#include "boardsurface.h"
#include "cdibsection.h"

#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QImageReader>
#include <QImageWriter>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

using board::BoardImages;
using board::BoardSurface;
using board::cDIBSection;
using Resize = board::BoardImages::Resize;

namespace
{

constexpr QRgb kWhiteRgb = 0xFFFFFFFF;

/// A 3 x 2 picture whose red bytes are given top row first; green is 100
/// and blue 7 everywhere.
QImage threeByTwo()
{
    QImage image(3, 2, QImage::Format_RGB32);
    const int top[3] = {15, 26, 40};
    const int bottom[3] = {10, 20, 31};
    for (int x = 0; x < 3; ++x) {
        image.setPixel(x, 0, qRgb(top[x], 100, 7));
        image.setPixel(x, 1, qRgb(bottom[x], 100, 7));
    }
    return image;
}

/// The red bytes of @p dib, top row first.
QList<QList<int>> reds(const cDIBSection &dib)
{
    QList<QList<int>> rows;
    const QImage image = dib.toImage();
    for (int y = 0; y < image.height(); ++y) {
        QList<int> row;
        for (int x = 0; x < image.width(); ++x)
            row << qRed(image.pixel(x, y));
        rows << row;
    }
    return rows;
}

/// 300 x 200: red on the left half, blue on the right.
QImage halves(int w = 300, int h = 200)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::red);
    for (int y = 0; y < h; ++y)
        for (int x = w / 2; x < w; ++x)
            image.setPixel(x, y, qRgb(0, 0, 255));
    return image;
}

QRgb at(const BoardSurface &s, int x, int y)
{
    return s.image().pixel(x, y);
}

/// A bitmap file header and info header claiming @p w x @p h, and no pixels.
QByteArray bmpHeader(qint32 w, qint32 h)
{
    QByteArray b(54, '\0');
    b[0] = 'B';
    b[1] = 'M';
    qToLittleEndian<quint32>(54 + 16, b.data() + 2);
    qToLittleEndian<quint32>(54, b.data() + 10);
    qToLittleEndian<quint32>(40, b.data() + 14);
    qToLittleEndian<qint32>(w, b.data() + 18);
    qToLittleEndian<qint32>(h, b.data() + 22);
    qToLittleEndian<quint16>(1, b.data() + 26);
    qToLittleEndian<quint16>(24, b.data() + 28);
    return b + QByteArray(16, '\x7f');
}

quint32 crc32(const QByteArray &bytes)
{
    quint32 crc = 0xFFFFFFFFu;
    for (const char c : bytes) {
        crc ^= quint8(c);
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

QByteArray pngChunk(const QByteArray &type, const QByteArray &data)
{
    QByteArray field(4, '\0');
    qToBigEndian<quint32>(quint32(data.size()), field.data());
    QByteArray out = field + type + data;
    qToBigEndian<quint32>(crc32(type + data), field.data());
    return out + field;
}

/// A PNG whose valid header chunk claims @p w x @p h, with no pixel data.
QByteArray pngHeader(quint32 w, quint32 h)
{
    QByteArray header(8, '\0');
    qToBigEndian<quint32>(w, header.data());
    qToBigEndian<quint32>(h, header.data() + 4);
    header += QByteArray::fromHex("0802000000"); // 8-bit RGB, no interlace
    return QByteArray::fromHex("89504e470d0a1a0a") + pngChunk("IHDR", header) +
           pngChunk("IDAT", QByteArray()) + pngChunk("IEND", QByteArray());
}

} // namespace

class TestBoardImages : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void decodeSharedRefusesHostilePictures_data();
    void decodeSharedRefusesHostilePictures();
    void bytesPerScanLine_data();
    void bytesPerScanLine();
    void createRefusesSizes();
    void rowsAreStoredBottomUp();
    void resampleWiderByHand();
    void resampleTallerByHand();
    void resampleSameSizeCopies();
    void resampleOnePixelStaysInside();
    void resampleRefusesWhatCannotBeMade();
    void resampleMatchesTheRuleOnRandomPictures_data();
    void resampleMatchesTheRuleOnRandomPictures();
    void paintPictureClips();
    void fitRects_data();
    void fitRects();
    void fitPaintsEqualBands();
    void sizeBoxes_data();
    void sizeBoxes();
    void loadsCommonFormats_data();
    void loadsCommonFormats();
    void refusesWhatIsNoPicture_data();
    void refusesWhatIsNoPicture();
    void failedLoadKeepsThePicture();
    void resizeDoublesAndCopiesTheBoardFirst();
    void resizeOfZeroFits();
    void refusedResizeChangesNothing_data();
    void refusedResizeChangesNothing();
    void resizeBeforeAnyPictureDoesNothing();
    void clipboardRoundTrip();

private:
    QTemporaryDir m_dir;
};

void TestBoardImages::initTestCase()
{
    QVERIFY(m_dir.isValid());
}

void TestBoardImages::bytesPerScanLine_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("bytes");
    QTest::newRow("1") << 1 << 4;
    QTest::newRow("2") << 2 << 8;
    QTest::newRow("3") << 3 << 12;
    QTest::newRow("4") << 4 << 12;
    QTest::newRow("5") << 5 << 16;
    QTest::newRow("800") << 800 << 2400;
    QTest::newRow("801") << 801 << 2404;
}

void TestBoardImages::bytesPerScanLine()
{
    QFETCH(int, width);
    QFETCH(int, bytes);
    QCOMPARE(cDIBSection::BytesPerScanLine(width), bytes);
    cDIBSection dib;
    QVERIFY(dib.Create(width, 3));
    QCOMPARE(dib.BytesPerScanLine(), bytes);
    QCOMPARE(dib.Width(), width);
    QCOMPARE(dib.Height(), 3);
    // Rows lie BytesPerScanLine apart in memory.
    dib.setByteAt(0, 1, 0, 0xAB);
    QCOMPARE(dib.DIBSectionBitsPtr()[bytes], uchar(0xAB));
}

void TestBoardImages::createRefusesSizes()
{
    cDIBSection dib;
    QVERIFY(dib.Create(4, 4));
    for (const QSize s : {QSize(0, 4), QSize(4, 0), QSize(-1, 5), QSize(16385, 1), QSize(1, 16385)}) {
        QVERIFY(!dib.Create(s.width(), s.height()));
        QVERIFY(dib.isNull()); // the old picture was discarded first
        QVERIFY(!dib.DIBSectionBitsPtr());
        QVERIFY(dib.Create(4, 4));
    }
    QVERIFY(dib.Create(16384, 1));
    dib.ClearUp();
    QVERIFY(dib.isNull());
}

void TestBoardImages::rowsAreStoredBottomUp()
{
    cDIBSection dib;
    QVERIFY(dib.CreateFromPicture(threeByTwo()));
    // The first row in memory is the bottom row: blue, green, red bytes.
    const uchar *bits = dib.DIBSectionBitsPtr();
    QCOMPARE(int(bits[0]), 7);
    QCOMPARE(int(bits[1]), 100);
    QCOMPARE(int(bits[2]), 10);
    QCOMPARE(int(bits[dib.BytesPerScanLine() + 2]), 15);
    QCOMPARE(dib.byteAt(2, 0, 2), uchar(31));
    QCOMPARE(dib.byteAt(2, 1, 2), uchar(40));
    QCOMPARE(dib.toImage(), threeByTwo().convertToFormat(QImage::Format_BGR888));

    // Transparent parts are laid over the background given.
    QImage clear(2, 1, QImage::Format_ARGB32);
    clear.setPixel(0, 0, qRgba(0, 0, 0, 0));
    clear.setPixel(1, 0, qRgba(0, 255, 0, 255));
    QVERIFY(dib.CreateFromPicture(clear, 0x00FFFFFF));
    QCOMPARE(dib.toImage().pixel(0, 0), kWhiteRgb);
    QCOMPARE(dib.toImage().pixel(1, 0), qRgb(0, 255, 0));
}

void TestBoardImages::resampleWiderByHand()
{
    // 3 x 2 to 4 x 2: xs = 2/4, ys = 1/2. Bottom row (row 0): 10 20 31,
    // top row: 15 26 40. New bottom row: 10, 15, 20, 25.5 -> 26. New row 1
    // takes half of each source row: 12.5 -> 12, 23, 35.5 -> 36, then
    // across: 12, 17.5 -> 18, 23, 29.5 -> 30. Halves go to the even side.
    cDIBSection dib;
    QVERIFY(dib.CreateFromPicture(threeByTwo()));
    const cDIBSection wide = dib.Resample(2, 4);
    QCOMPARE(wide.Width(), 4);
    QCOMPARE(wide.Height(), 2);
    QCOMPARE(reds(wide), (QList<QList<int>>{{12, 18, 23, 30}, {10, 15, 20, 26}}));
    // The constant bytes stay what they were.
    for (int row = 0; row < 2; ++row)
        for (int x = 0; x < 4; ++x) {
            QCOMPARE(int(wide.byteAt(x, row, 1)), 100);
            QCOMPARE(int(wide.byteAt(x, row, 0)), 7);
        }
}

void TestBoardImages::resampleTallerByHand()
{
    // 3 x 2 to 2 x 3: xs = 1, ys = 1/3. Rows counted from the bottom:
    // row 0 is the source's bottom row (10, 20); row 1 a third of the way up
    // (11.67 -> 12, 22); row 2 two thirds (13.33 -> 13, 24). The source's
    // top row is never reached: the scale runs over old size - 1.
    cDIBSection dib;
    QVERIFY(dib.CreateFromPicture(threeByTwo()));
    const cDIBSection tall = dib.Resample(3, 2);
    QCOMPARE(reds(tall), (QList<QList<int>>{{13, 24}, {12, 22}, {10, 20}}));
}

void TestBoardImages::resampleSameSizeCopies()
{
    cDIBSection dib;
    QVERIFY(dib.CreateFromPicture(threeByTwo()));
    cDIBSection copy = dib.Resample(2, 3);
    QCOMPARE(copy.toImage(), dib.toImage());
    copy.setByteAt(0, 0, 2, 0);
    QCOMPARE(dib.byteAt(0, 0, 2), uchar(10)); // a copy, not shared
}

void TestBoardImages::resampleOnePixelStaysInside()
{
    // A one-pixel picture has no second column or row to read; every new
    // pixel is that one pixel.
    QImage one(1, 1, QImage::Format_RGB32);
    one.setPixel(0, 0, qRgb(201, 3, 77));
    cDIBSection dib;
    QVERIFY(dib.CreateFromPicture(one));
    const QImage big = dib.Resample(5, 7).toImage();
    QCOMPARE(big.size(), QSize(7, 5));
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x)
            QCOMPARE(big.pixel(x, y), qRgb(201, 3, 77));
    // One pixel high, many wide: the columns still interpolate.
    QImage strip(3, 1, QImage::Format_RGB32);
    for (int x = 0; x < 3; ++x)
        strip.setPixel(x, 0, qRgb(10 * x, 0, 0));
    QVERIFY(dib.CreateFromPicture(strip));
    QCOMPARE(reds(dib.Resample(2, 4)), (QList<QList<int>>{{0, 5, 10, 15}, {0, 5, 10, 15}}));
}

void TestBoardImages::resampleRefusesWhatCannotBeMade()
{
    cDIBSection dib;
    QVERIFY(dib.Resample(4, 4).isNull()); // nothing to resample
    QVERIFY(dib.CreateFromPicture(threeByTwo()));
    QVERIFY(dib.Resample(0, 4).isNull());
    QVERIFY(dib.Resample(4, -1).isNull());
    QVERIFY(dib.Resample(16385, 2).isNull());
    QCOMPARE(dib.Width(), 3); // the source is untouched
}

void TestBoardImages::resampleMatchesTheRuleOnRandomPictures_data()
{
    QTest::addColumn<QSize>("from");
    QTest::addColumn<QSize>("to");
    QTest::newRow("7x5 to 11x9") << QSize(7, 5) << QSize(11, 9);
    QTest::newRow("9x9 to 4x3") << QSize(9, 9) << QSize(4, 3);
    QTest::newRow("2x2 to 8x8") << QSize(2, 2) << QSize(8, 8);
    QTest::newRow("33x17 to 66x34") << QSize(33, 17) << QSize(66, 34);
    QTest::newRow("50x40 to 17x29") << QSize(50, 40) << QSize(17, 29);
}

void TestBoardImages::resampleMatchesTheRuleOnRandomPictures()
{
    // The rule written out as plainly as it reads, rows from the bottom,
    // against the picture class's faster arrangement of the same sums.
    QFETCH(QSize, from);
    QFETCH(QSize, to);
    QRandomGenerator rng(1234);
    QImage image(from, QImage::Format_RGB32);
    for (int y = 0; y < from.height(); ++y)
        for (int x = 0; x < from.width(); ++x)
            image.setPixel(x, y, rng.generate() | 0xFF000000u);
    cDIBSection dib;
    QVERIFY(dib.CreateFromPicture(image));
    const cDIBSection out = dib.Resample(to.height(), to.width());
    const float xs = float(from.width() - 1) / float(to.width());
    const float ys = float(from.height() - 1) / float(to.height());
    for (int y = 0; y < to.height(); ++y) {
        const float sy = float(y) * ys;
        const int iy = int(std::floor(sy));
        const float fy = sy - float(iy);
        for (int x = 0; x < to.width(); ++x) {
            const float sx = float(x) * xs;
            const int ix = int(std::floor(sx));
            const float fx = sx - float(ix);
            for (int c = 0; c < 3; ++c) {
                const auto v = [&](int column) {
                    return std::nearbyint((1 - fy) * float(dib.byteAt(column, iy, c)) +
                                          fy * float(dib.byteAt(column, iy + 1, c)));
                };
                const float expected = std::nearbyint((1 - fx) * v(ix) + fx * v(ix + 1));
                QCOMPARE(int(out.byteAt(x, y, c)), int(expected));
            }
        }
    }
}

void TestBoardImages::paintPictureClips()
{
    cDIBSection dib;
    QVERIFY(dib.CreateFromPicture(halves(4, 2)));
    QImage target(5, 3, QImage::Format_RGB32);
    target.fill(Qt::white);
    // Placed one pixel off the right edge: only three columns land.
    QCOMPARE(dib.PaintPicture(target, 2, 1), QRect(2, 1, 3, 2));
    QCOMPARE(target.pixel(2, 1), qRgb(255, 0, 0));
    QCOMPARE(target.pixel(4, 2), qRgb(0, 0, 255));
    QCOMPARE(target.pixel(1, 1), kWhiteRgb);
    QCOMPARE(target.pixel(2, 0), kWhiteRgb);
    // From a source offset, partly above the target.
    target.fill(Qt::white);
    QCOMPARE(dib.PaintPicture(target, 0, -1, -1, -1, 2, 0), QRect(0, 0, 2, 1));
    QCOMPARE(target.pixel(0, 0), qRgb(0, 0, 255));
    QCOMPARE(dib.PaintPicture(target, 10, 10), QRect());
}

void TestBoardImages::fitRects_data()
{
    QTest::addColumn<QSize>("source");
    QTest::addColumn<QSize>("board");
    QTest::addColumn<QRect>("expected");
    // 800 x 533.3 at y 133.3: edges 133 and 667, bands of 133 each.
    QTest::newRow("300x200 wide") << QSize(300, 200) << QSize(800, 800) << QRect(0, 133, 800, 534);
    QTest::newRow("200x300 tall") << QSize(200, 300) << QSize(800, 800) << QRect(133, 0, 534, 800);
    QTest::newRow("square") << QSize(50, 50) << QSize(800, 800) << QRect(0, 0, 800, 800);
    QTest::newRow("huge wide") << QSize(16000, 10) << QSize(800, 800) << QRect(0, 400, 800, 1);
    QTest::newRow("onto a wide board") << QSize(100, 100) << QSize(800, 400) << QRect(200, 0, 400, 400);
}

void TestBoardImages::fitRects()
{
    QFETCH(QSize, source);
    QFETCH(QSize, board);
    QFETCH(QRect, expected);
    QCOMPARE(BoardImages::fitRect(source, board), expected);
}

void TestBoardImages::fitPaintsEqualBands()
{
    BoardSurface surface;
    BoardImages images(&surface);
    surface.line(QPointF(0, 0), QPointF(12000, 12000), 0);
    QVERIFY(images.loadPicture(halves()));
    images.fitPicture();
    QVERIFY(!surface.hasPicture());
    int white = 0;
    for (int y = 0; y < 800; ++y)
        white += at(surface, 400, y) == kWhiteRgb;
    QCOMPARE(white, 266);
    for (int y : {0, 132, 667, 799})
        QCOMPARE(at(surface, 399, y), kWhiteRgb);
    QCOMPARE(at(surface, 10, 140), qRgb(255, 0, 0));
    QCOMPARE(at(surface, 790, 660), qRgb(0, 0, 255));
    QCOMPARE(at(surface, 5, 5), kWhiteRgb); // the diagonal was cleared
    // The hidden copy is kept as loaded.
    QCOMPARE(images.picHidden().size(), QSize(300, 200));
}

void TestBoardImages::sizeBoxes_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("12abc") << "12abc" << "12";
    QTest::newRow("empty") << "" << "0";
    QTest::newRow("letters") << "abc" << "0";
    QTest::newRow("leading zeros") << "007" << "7";
    QTest::newRow("blank first") << " 5" << "5";
    QTest::newRow("negative") << "-3" << "-3";
    QTest::newRow("decimal") << "1.5" << "1.5";
    QTest::newRow("exponent") << "1e3px" << "1000";
    QTest::newRow("digits without end") << QString(500, QLatin1Char('9')) << "1e+300";
    QTest::newRow("unchanged") << "600" << "600";
}

void TestBoardImages::sizeBoxes()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(BoardImages::normaliseSize(text), expected);
    QCOMPARE(BoardImages::normaliseSize(expected), expected);
}

void TestBoardImages::loadsCommonFormats_data()
{
    QTest::addColumn<QString>("format");
    for (const char *f : {"png", "jpg", "bmp", "gif"})
        QTest::newRow(f) << QString::fromLatin1(f);
}

void TestBoardImages::loadsCommonFormats()
{
    QFETCH(QString, format);
    const QString path = m_dir.filePath(QStringLiteral("picture.") + format);
    if (format == QLatin1String("gif")) {
        // No writer for GIF: a one-pixel red GIF89a by hand.
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray::fromHex("47494638396101000100800000ff000000000021f90400000000002c"
                                    "00000000010001000002024401003b"));
    } else {
        QImageWriter writer(path);
        QVERIFY(writer.write(halves(30, 20)));
    }
    BoardSurface surface;
    BoardImages images(&surface);
    QSignalSpy loaded(&images, &BoardImages::pictureLoaded);
    QVERIFY(images.loadPictureFile(path));
    const QSize size = format == QLatin1String("gif") ? QSize(1, 1) : QSize(30, 20);
    QCOMPARE(loaded.count(), 1);
    QCOMPARE(loaded.at(0).at(0).toSize(), size);
    QVERIFY(surface.hasPicture());
    QCOMPARE(images.picHidden().size(), size);
    QVERIFY(images.hasLoadedPicture());
    QCOMPARE(QSize(images.dibImage()->Width(), images.dibImage()->Height()), size);
    QCOMPARE(qRed(at(surface, 0, 0)) > 200, true);
    QCOMPARE(qBlue(at(surface, 0, 0)) < 60, true);
}

void TestBoardImages::refusesWhatIsNoPicture_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("text called png") << "note.png" << QByteArray("non sono un'immagine\n");
    QTest::newRow("empty file") << "empty.bmp" << QByteArray();
    QTest::newRow("bmp header claims 100000 x 100000") << "huge.bmp" << bmpHeader(100000, 100000);
    QTest::newRow("png header claims 100000 x 100000") << "huge.png" << pngHeader(100000, 100000);
    QTest::newRow("png header claims 16000 x 16000") << "gb.png" << pngHeader(16000, 16000);
    QTest::newRow("header claims 16385 wide") << "wide.bmp" << bmpHeader(16385, 1);
    QTest::newRow("16000 x 16000: 1 GB of pixels") << "gb.bmp" << bmpHeader(16000, 16000);
    QTest::newRow("truncated png") << "cut.png"
                                   << QByteArray::fromHex("89504e470d0a1a0a0000000d49484452");
}

void TestBoardImages::refusesWhatIsNoPicture()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    const QString path = m_dir.filePath(name);
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    f.close();
    if (name == QLatin1String("huge.png")) {
        // The header is read as claimed: the refusal comes before decoding.
        QCOMPARE(QImageReader(path).size(), QSize(100000, 100000));
    }
    QVERIFY(BoardImages::readPictureFile(path).isNull());
    BoardSurface surface;
    BoardImages images(&surface);
    QVERIFY(!images.loadPictureFile(path));
    QVERIFY(!surface.hasPicture());
    QVERIFY(!images.hasLoadedPicture());
    QCOMPARE(BoardImages::invalidPictureText(), QStringLiteral("Immagine non valida."));
    QVERIFY(!images.loadPictureFile(m_dir.filePath(QStringLiteral("missing.png"))));
    QVERIFY(!images.loadPictureFile(QString()));
}

void TestBoardImages::failedLoadKeepsThePicture()
{
    const QString good = m_dir.filePath(QStringLiteral("good.png"));
    QVERIFY(halves().save(good));
    const QString bad = m_dir.filePath(QStringLiteral("bad.png"));
    QFile f(bad);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("no");
    f.close();
    BoardSurface surface;
    BoardImages images(&surface);
    QVERIFY(images.loadPictureFile(good));
    const QImage shown = surface.image();
    QVERIFY(!images.loadPictureFile(bad));
    QCOMPARE(surface.image(), shown);
    QCOMPARE(images.picHidden().size(), QSize(300, 200));
    QCOMPARE(images.dibImage()->Width(), 300);
}

void TestBoardImages::resizeDoublesAndCopiesTheBoardFirst()
{
    BoardSurface surface;
    BoardImages images(&surface);
    QVERIFY(images.loadPicture(halves()));
    const QImage before = surface.image().copy();
    const auto r = images.cmdRidim(QStringLiteral("600"), QStringLiteral("400abc"));
    QCOMPARE(int(r.outcome), int(Resize::Resampled));
    QCOMPARE(r.width, QStringLiteral("600"));
    QCOMPARE(r.height, QStringLiteral("400"));
    QCOMPARE(images.dibImage()->Width(), 600);
    QCOMPARE(images.dibImage()->Height(), 400);
    // Doubled at the top-left corner; the old picture's place is erased first.
    QCOMPARE(at(surface, 10, 10), qRgb(255, 0, 0));
    QCOMPARE(at(surface, 250, 390), qRgb(255, 0, 0));
    QCOMPARE(at(surface, 400, 10), qRgb(0, 0, 255));
    QCOMPARE(at(surface, 599, 399), qRgb(0, 0, 255));
    QCOMPARE(at(surface, 600, 10), kWhiteRgb);
    QCOMPARE(at(surface, 10, 400), kWhiteRgb);
    QVERIFY(!surface.hasPicture());
    // The clipboard holds the board as it was before.
    QCOMPARE(QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32), before);
    // "picHidden" keeps the picture as loaded; a second resize compounds.
    QCOMPARE(images.picHidden().size(), QSize(300, 200));
    QCOMPARE(int(images.cmdRidim(QStringLiteral("30"), QStringLiteral("20")).outcome),
             int(Resize::Resampled));
    QCOMPARE(images.dibImage()->Width(), 30);
    QCOMPARE(at(surface, 100, 100), kWhiteRgb);
}

void TestBoardImages::resizeOfZeroFits()
{
    for (const auto &[w, h] : {std::pair{"0", "400"}, std::pair{"600", "0"}, std::pair{"", "x"}}) {
        BoardSurface surface;
        BoardImages images(&surface);
        QVERIFY(images.loadPicture(halves()));
        const auto r = images.cmdRidim(QString::fromLatin1(w), QString::fromLatin1(h));
        QCOMPARE(int(r.outcome), int(Resize::Fitted));
        QCOMPARE(at(surface, 400, 132), kWhiteRgb);
        QCOMPARE(at(surface, 10, 400), qRgb(255, 0, 0));
        QCOMPARE(images.dibImage()->Width(), 300); // not resampled
    }
}

void TestBoardImages::refusedResizeChangesNothing_data()
{
    QTest::addColumn<QString>("width");
    QTest::addColumn<QString>("height");
    QTest::newRow("too wide") << "16385" << "10";
    QTest::newRow("too high") << "10" << "20000";
    QTest::newRow("both far too big") << "99999999999" << "99999999999";
    QTest::newRow("negative") << "-5" << "10";
    QTest::newRow("rounds to 0") << "0.4" << "10";
}

void TestBoardImages::refusedResizeChangesNothing()
{
    QFETCH(QString, width);
    QFETCH(QString, height);
    BoardSurface surface;
    BoardImages images(&surface);
    QVERIFY(images.loadPicture(halves()));
    const QImage shown = surface.image();
    const QImage dib = images.dibImage()->toImage();
    const auto r = images.cmdRidim(width, height);
    QCOMPARE(int(r.outcome), int(Resize::Refused));
    QCOMPARE(r.message, QStringLiteral("Dimensioni non valide: larghezza e altezza vanno da 1 a "
                                       "16384 pixel."));
    QCOMPARE(surface.image(), shown);
    QCOMPARE(images.dibImage()->toImage(), dib);
    QVERIFY(surface.hasPicture());
}

void TestBoardImages::resizeBeforeAnyPictureDoesNothing()
{
    BoardSurface surface;
    BoardImages images(&surface);
    surface.line(QPointF(0, 0), QPointF(3000, 3000), 0x000000FF);
    QGuiApplication::clipboard()->clear();
    const QImage shown = surface.image();
    for (const char *w : {"600", "0"}) {
        const auto r = images.cmdRidim(QString::fromLatin1(w), QStringLiteral("12abc"));
        QCOMPARE(int(r.outcome), int(Resize::NoPicture));
        QCOMPARE(r.height, QStringLiteral("12"));
        QCOMPARE(surface.image(), shown);
        QVERIFY(!images.hasLoadedPicture());
    }
    // The button's copy to the clipboard still happens.
    QCOMPARE(QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32), shown);
}

void TestBoardImages::clipboardRoundTrip()
{
    BoardSurface from;
    from.setScaleMode(BoardSurface::Pixels);
    from.setDrawWidth(9);
    from.line(QPointF(10, 10), QPointF(300, 120), 0x0000FF00);
    QVERIFY(BoardImages::CopyEntirePicture(from));
    const QImage copied = QGuiApplication::clipboard()->image();
    QCOMPARE(copied.size(), QSize(800, 800));
    QCOMPARE(copied.convertToFormat(QImage::Format_RGB32), from.image());
    from.line(QPointF(0, 700), QPointF(799, 700), 0);
    QVERIFY(QGuiApplication::clipboard()->image().pixel(400, 700) == kWhiteRgb); // not shared

    BoardSurface to;
    BoardImages images(&to);
    QVERIFY(images.loadPicture(halves(50, 50)));
    images.IncollaClipboard();
    QVERIFY(to.hasPicture());
    QCOMPARE(to.picture().size(), QSize(800, 800));
    QCOMPARE(at(to, 150, 65), qRgb(0, 255, 0));
    QCOMPARE(at(to, 10, 40), kWhiteRgb); // the earlier picture is gone
    // Pasting leaves the hidden copy, the 24-bit copy and the boxes alone.
    QCOMPARE(images.picHidden().size(), QSize(50, 50));
    QCOMPARE(images.dibImage()->Width(), 50);

    // A clipboard with no picture removes the board's picture.
    QGuiApplication::clipboard()->setText(QStringLiteral("solo testo"));
    images.IncollaClipboard();
    QVERIFY(!to.hasPicture());
    QCOMPARE(to.image(), BoardSurface().image());
}

namespace
{

QByteArray encoded(const QImage &image, const char *format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter(&buffer, format).write(image);
    return bytes;
}

QImage noise(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    QRandomGenerator random(7);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, random.generate() | 0xFF000000u);
    return image;
}

} // namespace

void TestBoardImages::decodeSharedRefusesHostilePictures_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QSize>("shown"); // an empty size: refused
    QTest::addColumn<QString>("why");
    const QByteArray png = encoded(noise(200, 100), "png");
    const QByteArray jpeg = encoded(noise(200, 100), "jpeg");
    QTest::newRow("png") << png << QSize(200, 100) << "";
    QTest::newRow("jpeg") << jpeg << QSize(200, 100) << "";
    QTest::newRow("lying header 60000 x 60000") << pngHeader(60000, 60000) << QSize() << "60000";
    QTest::newRow("side past 16384") << pngHeader(16385, 10) << QSize() << "16385";
    // Within the side limit, but a gigabyte of pixels once decoded.
    QTest::newRow("bomb 16000 x 16000") << pngHeader(16000, 16000) << QSize() << "oltre il limite";
    QTest::newRow("header without pixels") << pngHeader(64, 64) << QSize() << "danneggiata";
    QTest::newRow("png truncated") << png.left(png.size() * 6 / 10) << QSize() << "";
    QTest::newRow("jpeg truncated") << jpeg.left(jpeg.size() * 6 / 10) << QSize() << "";
    QByteArray corrupt = png;
    for (qsizetype i = png.size() / 2; i < png.size() / 2 + 64; ++i)
        corrupt[i] = char(~corrupt[i]);
    QTest::newRow("png corrupt") << corrupt << QSize() << "";
    QTest::newRow("bmp") << encoded(noise(20, 10), "bmp") << QSize() << "PNG o JPEG";
    QTest::newRow("gif header")
        << QByteArray("GIF89a\x10\x00\x10\x00\x00\x00\x00;") << QSize() << "PNG o JPEG";
    QTest::newRow("nothing") << QByteArray() << QSize() << "PNG o JPEG";
}

// A shared picture is refused with a reason, before any pixel is allocated
// for what its header claims, unless it is a whole PNG or JPEG within the
// board's limits.
void TestBoardImages::decodeSharedRefusesHostilePictures()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QSize, shown);
    QFETCH(QString, why);
    QString reason;
    const QImage image = board::BoardImages::decodeShared(bytes, &reason);
    QCOMPARE(image.isNull(), shown.isEmpty());
    if (shown.isEmpty()) {
        QVERIFY(!reason.isEmpty());
        QVERIFY2(reason.contains(why), qPrintable(reason));
    } else {
        QCOMPARE(image.size(), shown);
        QVERIFY2(reason.isEmpty(), qPrintable(reason));
    }
}

QTEST_MAIN(TestBoardImages)
#include "tst_boardimages.moc"
