#include "presetbar.h"
#include "togglebutton.h"
#include "windowpresets.h"

#include <QScreen>
#include <QMenu>
#include <QTest>
#include <QToolButton>
#include <QWidget>

using panel::PresetBar;
using panel::WindowPresets;

namespace
{

constexpr int kAllowance = 450; // twips of frame, as the main window counts it

// A bar whose window manager reports no frame, as the test platform's
// margins would otherwise be counted: the frame is the allowance then.
struct Bar : PresetBar {
    explicit Bar(QWidget *window) : PresetBar(window, kAllowance)
    {
        setFrameSource([] { return QSize(); });
    }
};

// Which buttons show as on, as a string of four 0/1 (element 0 first).
QString lit(const PresetBar &bar)
{
    QString out;
    for (int i = 0; i < 4; ++i)
        out += bar.Command23(i)->isOn() ? QLatin1Char('1') : QLatin1Char('0');
    return out;
}

} // namespace

class tst_Presets : public QObject
{
    Q_OBJECT

private slots:
    void highlightRule_data();
    void highlightRule();
    void centring_data();
    void centring();

    void buttonsAreNamedAsTheArray();
    void presetsResizeAndCentre_data();
    void presetsResizeAndCentre();
    void maximiseToggles();
    void maximiseFromAnOddSizeLightsNothingAfter();
    void presetFromMaximisedRestoresFirst();
    void manualResizeFollows_data();
    void manualResizeFollows();
    void onAndOffLookApart();
    void framedWindow_data();
    void framedWindow();
    void menuButtonOffersEveryPreset();
};

void tst_Presets::highlightRule_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<bool>("maximised");
    QTest::addColumn<int>("element");
    QTest::newRow("narrow") << 3960 << 6450 << false << 0;
    QTest::newRow("wide") << 12000 << 6450 << false << 2;
    QTest::newRow("medium") << 7695 << 6450 << false << 3;
    QTest::newRow("maximised") << 19200 << 15750 << true << 1;
    // The sizes are tried first: a maximised window of a preset's size shows that preset.
    QTest::newRow("maximised at medium size") << 7695 << 6450 << true << 3;
    QTest::newRow("medium one twip short") << 7695 << 6449 << false << -1;
    QTest::newRow("medium one pixel wider") << 7710 << 6450 << false << -1;
    QTest::newRow("narrow width, tall") << 3960 << 8690 << false << -1;
    QTest::newRow("nothing") << 9000 << 6000 << false << -1;
}

void tst_Presets::highlightRule()
{
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(bool, maximised);
    QFETCH(int, element);
    QCOMPARE(WindowPresets::highlighted(width, height, maximised), element);
}

void tst_Presets::centring_data()
{
    QTest::addColumn<QSize>("screen");
    QTest::addColumn<int>("element");
    QTest::addColumn<QPoint>("corner");
    const QSize fullHd(1920 * 15, 1080 * 15);
    QTest::newRow("narrow on 1920x1080")
        << fullHd << 0 << QPoint((28800 - 3960) / 2, (16200 - 6450) / 2);
    QTest::newRow("wide on 1920x1080") << fullHd << 2 << QPoint(8400, 4875);
    QTest::newRow("medium on 1920x1080") << fullHd << 3 << QPoint(10552, 4875);
    // A screen narrower than the wide preset puts the window's left edge off it.
    QTest::newRow("wide on 640x480") << QSize(9600, 7200) << 2 << QPoint(-1200, 375);
    QTest::newRow("medium on 640x400") << QSize(9600, 6000) << 3 << QPoint(952, -225);
}

void tst_Presets::centring()
{
    QFETCH(QSize, screen);
    QFETCH(int, element);
    QFETCH(QPoint, corner);
    QCOMPARE(WindowPresets::centredTopLeft(screen, element), corner);
}

void tst_Presets::buttonsAreNamedAsTheArray()
{
    QWidget window;
    Bar bar(&window);
    for (int i = 0; i < 4; ++i) {
        auto *b =
            window.findChild<conversation::ToggleButton *>(QStringLiteral("Command23_%1").arg(i));
        QVERIFY(b);
        QCOMPARE(b, bar.Command23(i));
        QVERIFY(!b->toolTip().isEmpty());
    }
}

void tst_Presets::presetsResizeAndCentre_data()
{
    QTest::addColumn<int>("element");
    QTest::addColumn<int>("width"); // pixels of content
    QTest::addColumn<QString>("lit");
    QTest::newRow("0 narrow") << 0 << 264 << QStringLiteral("1000");
    QTest::newRow("2 wide") << 2 << 800 << QStringLiteral("0010");
    QTest::newRow("3 medium") << 3 << 513 << QStringLiteral("0001");
}

void tst_Presets::presetsResizeAndCentre()
{
    QFETCH(int, element);
    QFETCH(int, width);
    QFETCH(QString, lit);
    QWidget window;
    Bar bar(&window);
    window.resize(300, 200);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(::lit(bar), QStringLiteral("0000"));

    bar.Command23(element)->click();
    // 6450 twips of window less the frame: 400 pixels of content.
    QTRY_COMPARE(window.size(), QSize(width, 400));
    QCOMPARE(::lit(bar), lit);
    QCOMPARE(bar.highlighted(), element);
    const QRect screen = window.screen()->geometry();
    const QPoint corner =
        WindowPresets::centredTopLeft(QSize(screen.width() * 15, screen.height() * 15), element);
    QTRY_COMPARE(window.pos(), screen.topLeft() + corner / 15);
}

void tst_Presets::maximiseToggles()
{
    QWidget window;
    Bar bar(&window);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    bar.Command23(3)->click();
    QTRY_COMPARE(window.size(), QSize(513, 400));
    QCOMPARE(::lit(bar), QStringLiteral("0001"));

    bar.Command23(1)->click();
    QVERIFY(window.isMaximized());
    QTRY_VERIFY(window.width() > 513);
    QCOMPARE(::lit(bar), QStringLiteral("0100"));

    // Twice: back to the earlier size, which is the medium preset.
    bar.Command23(1)->click();
    QVERIFY(!window.isMaximized());
    QTRY_COMPARE(window.size(), QSize(513, 400));
    QTRY_COMPARE(::lit(bar), QStringLiteral("0001"));
}

void tst_Presets::maximiseFromAnOddSizeLightsNothingAfter()
{
    QWidget window;
    Bar bar(&window);
    window.resize(420, 333);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    bar.Command23(1)->click();
    QTRY_COMPARE(::lit(bar), QStringLiteral("0100"));
    bar.Command23(1)->click();
    QTRY_COMPARE(window.size(), QSize(420, 333));
    QTRY_COMPARE(::lit(bar), QStringLiteral("0000"));
    QCOMPARE(bar.highlighted(), -1);
}

void tst_Presets::presetFromMaximisedRestoresFirst()
{
    QWidget window;
    Bar bar(&window);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    bar.Command23(1)->click();
    QVERIFY(window.isMaximized());
    bar.Command23(0)->click();
    QVERIFY(!window.isMaximized());
    QTRY_COMPARE(window.size(), QSize(264, 400));
    QTRY_COMPARE(::lit(bar), QStringLiteral("1000"));
}

void tst_Presets::manualResizeFollows_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QString>("lit");
    QTest::newRow("by hand to 7695 x 6450 twips") << QSize(513, 400) << QStringLiteral("0001");
    QTest::newRow("by hand to the narrow size") << QSize(264, 400) << QStringLiteral("1000");
    QTest::newRow("by hand to the wide size") << QSize(800, 400) << QStringLiteral("0010");
    QTest::newRow("a pixel off") << QSize(513, 401) << QStringLiteral("0000");
    QTest::newRow("elsewhere") << QSize(600, 350) << QStringLiteral("0000");
}

void tst_Presets::manualResizeFollows()
{
    QFETCH(QSize, size);
    QFETCH(QString, lit);
    QWidget window;
    Bar bar(&window);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    bar.Command23(2)->click(); // something lit before the hand resize
    QTRY_COMPARE(::lit(bar), QStringLiteral("0010"));
    window.resize(size == QSize(800, 400) ? QSize(300, 300) : size);
    window.resize(size);
    QTRY_COMPARE(window.size(), size);
    QTRY_COMPARE(::lit(bar), lit);
}

void tst_Presets::onAndOffLookApart()
{
    QWidget window;
    Bar bar(&window);
    window.resize(513, 400);
    bar.Form_Resize();
    QCOMPARE(::lit(bar), QStringLiteral("0001"));
    const QPalette base = window.palette();
    QCOMPARE(bar.Command23(3)->backColour(), conversation::ToggleButton::menuColour(base));
    for (int i : {0, 1, 2})
        QCOMPARE(bar.Command23(i)->backColour(), conversation::ToggleButton::highlightColour(base));
}

// Under a window manager the frame it reports is part of the preset's size:
// the content is the preset less that frame, and a window resized by hand
// so that, frame included, it has a preset's size shows that preset.
void tst_Presets::framedWindow_data()
{
    QTest::addColumn<QSize>("frame");
    QTest::addColumn<int>("element"); // -1: resized by hand to "size"
    QTest::addColumn<QSize>("size");  // content, pixels
    QTest::addColumn<QString>("lit");
    const QSize thin(2, 25);
    QTest::newRow("narrow") << thin << 0 << QSize(262, 405) << "1000";
    QTest::newRow("wide") << thin << 2 << QSize(798, 405) << "0010";
    QTest::newRow("medium") << thin << 3 << QSize(511, 405) << "0001";
    QTest::newRow("thick frame, medium") << QSize(10, 40) << 3 << QSize(503, 390) << "0001";
    QTest::newRow("by hand to medium with the frame") << thin << -1 << QSize(511, 405) << "0001";
    QTest::newRow("by hand to narrow with the frame") << thin << -1 << QSize(262, 405) << "1000";
    QTest::newRow("by hand to the content of no frame") << thin << -1 << QSize(513, 400) << "0000";
    QTest::newRow("no frame reported: the allowance") << QSize() << 3 << QSize(513, 400) << "0001";
}

void tst_Presets::framedWindow()
{
    QFETCH(QSize, frame);
    QFETCH(int, element);
    QFETCH(QSize, size);
    QFETCH(QString, lit);
    QWidget window;
    Bar bar(&window);
    bar.setFrameSource([frame] { return frame; });
    window.resize(300, 200);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    if (element >= 0)
        bar.Command23(element)->click();
    else
        window.resize(size);
    QTRY_COMPARE(window.size(), size);
    QTRY_COMPARE(::lit(bar), lit);
    if (element >= 0) {
        // Centred as a whole, frame included.
        const QRect screen = window.screen()->geometry();
        const QPoint corner = WindowPresets::centredTopLeft(
            QSize(screen.width() * 15, screen.height() * 15), element);
        QTRY_COMPARE(window.pos(), screen.topLeft() + corner / 15);
    }
}

// cmdPresets holds the four presets in its menu and ticks the one the
// window has; each entry does what its button does.
void tst_Presets::menuButtonOffersEveryPreset()
{
    QWidget window;
    Bar bar(&window);
    window.resize(300, 200);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QToolButton *button = window.findChild<QToolButton *>(QStringLiteral("cmdPresets"));
    QCOMPARE(button, bar.menuButton());
    QVERIFY(!button->toolTip().isEmpty());
    QMenu *menu = button->menu();
    QCOMPARE(menu->actions().size(), 4);
    for (int i : {0, 3, 2}) {
        menu->findChild<QAction *>(QStringLiteral("actPreset_%1").arg(i))->trigger();
        QTRY_COMPARE(bar.highlighted(), i);
        QCOMPARE(window.size().width(), WindowPresets::presetWidth(i) / 15);
        emit menu->aboutToShow();
        for (int j = 0; j < 4; ++j)
            QCOMPARE(menu->actions()[j]->isChecked(), j == i);
    }
    menu->findChild<QAction *>(QStringLiteral("actPreset_1"))->trigger();
    QVERIFY(window.isMaximized());
    window.showNormal();
}

QTEST_MAIN(tst_Presets)
#include "tst_presets.moc"
