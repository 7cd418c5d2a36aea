// The board's controls on a window: names, initial properties, the binding
// to the engine, mouse input on the surface and partial repaints.

#include "boardpanel.h"
#include "tableshare.h"
#include "boardsurface.h"
#include "boardview.h"
#include "boardzoom.h"
#include "bruvela.h"
#include "drawingtools.h"
#include "palette.h"
#include "viewport.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPaintEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QToolButton>
#include <QtTest>

using board::BoardPanel;
using board::BoardSurface;
using board::DrawingTools;

namespace
{

/// Records the rectangles a widget is asked to repaint.
class PaintRecorder : public QObject
{
public:
    QList<QRect> rects;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            rects << static_cast<QPaintEvent *>(event)->rect();
        return false;
    }
};

struct Window {
    QWidget window;
    board::Palette palette;
    BoardPanel *panel;
    QStringList sent;

    Window()
    {
        window.resize(700, 400);
        panel = new BoardPanel(&window, &palette);
        panel->tools()->setBroadcaster([this](const QString &m) { sent << m; });
    }
    template <typename T> T *find(const char *name)
    {
        return window.findChild<T *>(QString::fromLatin1(name));
    }
};

} // namespace

class TestBoardPanel : public QObject
{
    Q_OBJECT
private slots:
    void controlsExistWithTheirNames();
    void hiddenCheckBoxesFollowTheTools();
    void toolButtonsShowTheirHighlight();
    void listSelectionDrivesTheTools();
    void hoveringTheListReappliesItsRules();
    void activationLaysTheViewportOutAgain();
    void pennelloSetsPenWidth();
    void pulisciClearsAndSends();
    void cornerButtonAsksForExplorer();
    void bruvelaCanBePassedIn();
    void scrollBarsDriveTheReadout();
    void clickOnSurfaceDrawsInSurfaceUnits();
    void rightDragPansWithGrabbingHand();
    void onlyTheChangedRectIsRepainted();
    void strokesSendBoardUnitsAtAnyZoom_data();
    void strokesSendBoardUnitsAtAnyZoom();
    void zoomControls_data();
    void zoomControls();
};

void TestBoardPanel::controlsExistWithTheirNames()
{
    Window w;
    auto *cont = w.find<QWidget>("picCont");
    QVERIFY(cont);
    QCOMPARE(cont->size(), QSize(241, 153));
    auto *draw = w.find<board::BoardView>("picDraw");
    QVERIFY(draw);
    QCOMPARE(draw->parentWidget(), cont);
    QCOMPARE(draw->size(), QSize(800, 800));
    QCOMPARE(w.find<QScrollBar>("hsbImm")->parentWidget(), cont);
    QCOMPARE(w.find<QScrollBar>("vsbImm")->parentWidget(), cont);
    QCOMPARE(w.find<QPushButton>("Command2")->text(), QStringLiteral("---"));
    QCOMPARE(w.find<QGroupBox>("zFrame4")->title(), QStringLiteral("Area visibile di picImm"));
    QStringList captions;
    for (auto *label : w.find<QGroupBox>("zFrame4")->findChildren<QLabel *>())
        captions << label->text();
    for (const char *c : {"X1:", "Y1:", "X2:", "Y2:"})
        QVERIFY2(captions.contains(QString::fromLatin1(c)), c);
    for (const char *n : {"lblPicImmX1", "lblPicImmY1", "lblPicImmX2", "lblPicImmY2"})
        QVERIFY2(w.find<QLabel>(n), n);
    // Captions by name, and in creation order each caption just before its value.
    const auto frameLabels =
        w.find<QGroupBox>("zFrame4")->findChildren<QLabel *>(Qt::FindDirectChildrenOnly);
    QCOMPARE(frameLabels.size(), 8);
    const char *pairs[4][3] = {{"lblX1", "X1:", "lblPicImmX1"},
                               {"lblY1", "Y1:", "lblPicImmY1"},
                               {"lblX2", "X2:", "lblPicImmX2"},
                               {"lblY2", "Y2:", "lblPicImmY2"}};
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(frameLabels[2 * i]->objectName(), QString::fromLatin1(pairs[i][0]));
        QCOMPARE(frameLabels[2 * i]->text(), QString::fromLatin1(pairs[i][1]));
        QCOMPARE(frameLabels[2 * i + 1]->objectName(), QString::fromLatin1(pairs[i][2]));
    }
    QCOMPARE(w.find<QToolButton>("cmdClearDraw")->toolTip(), QStringLiteral("Pulisci"));

    const QList<QPair<const char *, const char *>> tips{
        {"Command13", "Mano libera"}, {"Command14", "Linee rette"}, {"Command15", "Cerchi"},
        {"Command16", "Colora"},      {"Command12", "Testo"},       {"Command5", "Approssima"},
        {"Command6", "Collega"}};
    for (const auto &[name, tip] : tips) {
        auto *b = w.find<QToolButton>(name);
        QVERIFY2(b, name);
        QCOMPARE(b->toolTip(), QString::fromUtf8(tip));
    }

    auto *list = w.find<QListWidget>("List1");
    QStringList items;
    for (int i = 0; i < list->count(); ++i)
        items << list->item(i)->text();
    QCOMPARE(items, (QStringList{"Mano Libera", "Linee Rette", "Rettangoli", "Cerchi", "Colora"}));

    for (const char *n : {"riempi", "testoinBox", "lineaRetta", "MLine", "Snap2Grid"}) {
        auto *box = w.find<QCheckBox>(n);
        QVERIFY2(box, n);
        QVERIFY2(box->isHidden(), n);
        QVERIFY2(!box->isChecked(), n);
    }
    QCOMPARE(w.find<QCheckBox>("MLine")->toolTip(), QStringLiteral("Collega"));
    QCOMPARE(w.find<QCheckBox>("Snap2Grid")->toolTip(), QStringLiteral("Approssima"));

    auto *pen = w.find<QScrollBar>("pennello");
    QCOMPARE(pen->orientation(), Qt::Vertical);
    QCOMPARE(pen->minimum(), 1);
    QCOMPARE(pen->maximum(), 25);
    QCOMPARE(pen->pageStep(), 5);
    QCOMPARE(pen->value(), 1);

    bool caption = false;
    for (auto *label : w.window.findChildren<QLabel *>())
        caption |= label->text() == QStringLiteral("Lavagna:");
    QVERIFY(caption);

    auto *fillControl = w.window.findChild<fill::Bruvela *>(QStringLiteral("Bruvela1"));
    QVERIFY(fillControl);
    QCOMPARE(fillControl, w.panel->Bruvela1());
    // Received drawings go through the shared pictures' order to the tools.
    QCOMPARE(w.panel->boardSink(), w.panel->tableShare()->boardSink());
}

void TestBoardPanel::hiddenCheckBoxesFollowTheTools()
{
    Window w;
    w.find<QToolButton>("Command14")->click();
    QVERIFY(w.find<QCheckBox>("lineaRetta")->isChecked());
    w.find<QToolButton>("Command6")->click();
    QVERIFY(w.find<QCheckBox>("MLine")->isChecked());
    w.find<QToolButton>("Command5")->click();
    QVERIFY(w.find<QCheckBox>("Snap2Grid")->isChecked());
    w.find<QToolButton>("Command16")->click();
    QVERIFY(w.find<QCheckBox>("riempi")->isChecked());
    w.find<QToolButton>("Command12")->click();
    QVERIFY(w.find<QCheckBox>("testoinBox")->isChecked());
    QVERIFY(!w.find<QCheckBox>("riempi")->isChecked());

    // And the other way: a box set by code reaches the tools.
    w.find<QCheckBox>("MLine")->setChecked(false);
    QVERIFY(!w.panel->tools()->MLine());
    w.find<QCheckBox>("riempi")->setChecked(true);
    QVERIFY(w.panel->tools()->riempi());
}

void TestBoardPanel::toolButtonsShowTheirHighlight()
{
    Window w;
    const QColor on = BoardPanel::highlightOnColour(w.window.palette());
    const QColor off = BoardPanel::highlightOffColour(w.window.palette());
    auto colourOf = [&](const char *n) {
        return w.find<QToolButton>(n)->palette().color(QPalette::Button);
    };
    QCOMPARE(colourOf("Command13"), off);
    w.find<QToolButton>("Command13")->click();
    QCOMPARE(colourOf("Command13"), on);
    w.find<QToolButton>("Command15")->click();
    QCOMPARE(colourOf("Command15"), on);
    QCOMPARE(colourOf("Command13"), off);
    w.find<QToolButton>("Command5")->click();
    QCOMPARE(colourOf("Command5"), on);
    w.find<QToolButton>("Command5")->click();
    QCOMPARE(colourOf("Command5"), off);
}

void TestBoardPanel::listSelectionDrivesTheTools()
{
    Window w;
    auto *list = w.find<QListWidget>("List1");
    list->setCurrentRow(3); // "Cerchi"
    QCOMPARE(w.panel->tools()->List1(), QStringLiteral("Cerchi"));
    QVERIFY(w.panel->tools()->lineaRetta());
    list->setCurrentRow(4); // "Colora"
    QVERIFY(w.panel->tools()->riempi());

    // A button that sets the tool shows in the list too.
    w.find<QToolButton>("Command13")->click();
    QCOMPARE(list->currentItem()->text(), QStringLiteral("Mano Libera"));
    QVERIFY(!w.panel->tools()->riempi());
}

void TestBoardPanel::hoveringTheListReappliesItsRules()
{
    Window w;
    auto *list = w.find<QListWidget>("List1");
    list->setCurrentRow(0); // "Mano Libera"
    w.panel->tools()->setRiempi(true);
    w.panel->tools()->setMLine(true);
    w.panel->tools()->setLineaRetta(true);
    QMouseEvent move(QEvent::MouseMove, QPointF(5, 5), list->viewport()->mapToGlobal(QPointF(5, 5)),
                     Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(list->viewport(), &move);
    QVERIFY(!w.panel->tools()->MLine());
    QVERIFY(!w.panel->tools()->lineaRetta());
    QVERIFY(w.panel->tools()->riempi()); // hovering never touches the fill tool
    QVERIFY(!w.find<QCheckBox>("MLine")->isChecked());
}

void TestBoardPanel::activationLaysTheViewportOutAgain()
{
    Window w;
    w.find<QWidget>("picCont")->resize(900, 900);
    // The viewport is left with an older, smaller measure of the container...
    w.panel->viewport()->setContainerSize(QSize(241, 153));
    w.panel->viewport()->FlexInit();
    QVERIFY(w.panel->viewport()->hsbImm().visible);
    // ...until the window is activated and measures it again.
    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(&w.window, &activate);
    QVERIFY(!w.panel->viewport()->hsbImm().visible);
    QCOMPARE(w.panel->viewport()->containerSize(), QSize(900, 900));
    QCOMPARE(w.find<QLabel>("lblPicImmX2")->text(), QStringLiteral("11999"));
}

void TestBoardPanel::pennelloSetsPenWidth()
{
    Window w;
    w.find<QScrollBar>("pennello")->setValue(7);
    QCOMPARE(w.panel->surface()->drawWidth(), 7);
    QCOMPARE(w.panel->tools()->pennello(), 7);
}

void TestBoardPanel::pulisciClearsAndSends()
{
    Window w;
    w.palette.picSelColor_Click(5);
    w.panel->tools()->mousePress(DrawingTools::Left, false, 150, 150);
    QVERIFY(w.panel->surface()->pixel(10, 10) != std::optional<quint32>(0x00FFFFFF));
    w.sent.clear();
    w.find<QToolButton>("cmdClearDraw")->click();
    QCOMPARE(w.sent, QStringList{QStringLiteral("[Pulisci Lavagna]")});
    QCOMPARE(w.panel->surface()->pixel(10, 10), std::optional<quint32>(0x00FFFFFF));
}

void TestBoardPanel::cornerButtonAsksForExplorer()
{
    Window w;
    QSignalSpy spy(w.panel, &BoardPanel::imageExplorerRequested);
    w.find<QPushButton>("Command2")->click();
    QCOMPARE(spy.size(), 1);
}

void TestBoardPanel::bruvelaCanBePassedIn()
{
    QWidget window;
    board::Palette palette;
    fill::Bruvela own;
    BoardPanel panel(&window, &palette, nullptr, &own);
    QCOMPARE(panel.Bruvela1(), &own);
    QCOMPARE(window.findChild<fill::Bruvela *>(), nullptr);
    palette.picSelColor_Click(5);
    panel.tools()->Command16_Click();
    panel.tools()->setBroadcaster([](const QString &) {});
    panel.tools()->mousePress(DrawingTools::Left, false, 30, 30);
    QCOMPARE(own.Colore(), 255);
    QCOMPARE(panel.surface()->pixel(400, 400), std::optional<quint32>(0x000000FF));
}

void TestBoardPanel::scrollBarsDriveTheReadout()
{
    Window w;
    w.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w.window));
    auto *h = w.find<QScrollBar>("hsbImm");
    auto *v = w.find<QScrollBar>("vsbImm");
    QVERIFY(h->isVisible());
    QVERIFY(v->isVisible());
    QCOMPARE(w.find<QLabel>("lblPicImmX1")->text(), QStringLiteral("0"));
    QCOMPARE(h->minimum(), -15);
    QCOMPARE(h->maximum(), w.panel->viewport()->hsbImm().maximum);

    h->setValue(300);
    QCOMPARE(w.find<QLabel>("lblPicImmX1")->text(), QStringLiteral("300"));
    QCOMPARE(w.find<QWidget>("picDraw")->pos(), QPoint(-20, 0));
    w.panel->surface()->setScaleMode(BoardSurface::Pixels);
    v->setValue(150);
    QCOMPARE(w.find<QLabel>("lblPicImmX1")->text(), QStringLiteral("20"));
    QCOMPARE(w.find<QLabel>("lblPicImmY1")->text(), QStringLiteral("10"));
    QCOMPARE(w.find<QWidget>("picDraw")->pos(), QPoint(-20, -10));

    // A container larger than the surface needs no bars.
    w.find<QWidget>("picCont")->resize(900, 900);
    QVERIFY(!h->isVisible());
    QVERIFY(!v->isVisible());
    QCOMPARE(w.find<QLabel>("lblPicImmX2")->text(), QStringLiteral("799"));
    QCOMPARE(w.find<QWidget>("picDraw")->pos(), QPoint(0, 0));
}

void TestBoardPanel::clickOnSurfaceDrawsInSurfaceUnits()
{
    Window w;
    w.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w.window));
    w.palette.picSelColor_Click(5);
    auto *draw = w.find<QWidget>("picDraw");
    QTest::mouseClick(draw, Qt::LeftButton, Qt::NoModifier, QPoint(10, 20));
    QCOMPARE(w.sent.size(), 1);
    QVERIFY(
        w.sent[0].startsWith(QStringLiteral("[Linea]0000000150000000030000000001500000000300")));

    // In pixels the same place reads 10, 20.
    w.panel->surface()->setScaleMode(BoardSurface::Pixels);
    QTest::mouseClick(draw, Qt::LeftButton, Qt::NoModifier, QPoint(10, 20));
    QCOMPARE(w.sent.size(), 2);
    QVERIFY(
        w.sent[1].startsWith(QStringLiteral("[Linea]0000000010000000002000000000100000000020")));
}

void TestBoardPanel::rightDragPansWithGrabbingHand()
{
    Window w;
    w.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w.window));
    auto *draw = w.find<QWidget>("picDraw");
    auto *h = w.find<QScrollBar>("hsbImm");
    QCOMPARE(draw->cursor().shape(), Qt::ArrowCursor);

    auto *pen = w.find<QScrollBar>("pennello");
    pen->setFocus();
    QVERIFY(pen->hasFocus());
    QTest::mousePress(draw, Qt::RightButton, Qt::NoModifier, QPoint(100, 50));
    QVERIFY(!pen->hasFocus());
    QVERIFY(pen->isEnabled());
    QCOMPARE(draw->cursor().shape(), Qt::ClosedHandCursor);
    QMouseEvent move(QEvent::MouseMove, QPointF(60, 50), draw->mapToGlobal(QPointF(60, 50)),
                     Qt::NoButton, Qt::RightButton, Qt::NoModifier);
    QApplication::sendEvent(draw, &move);
    QCOMPARE(h->value(), 40 * 15);
    QCOMPARE(draw->pos(), QPoint(-40, 0));
    QTest::mouseRelease(draw, Qt::RightButton, Qt::NoModifier, QPoint(60, 50));
    QCOMPARE(draw->cursor().shape(), Qt::ArrowCursor);
    QVERIFY(w.sent.isEmpty());

    // The fill tool shows the cross.
    w.find<QToolButton>("Command16")->click();
    QCOMPARE(draw->cursor().shape(), Qt::CrossCursor);
}

void TestBoardPanel::onlyTheChangedRectIsRepainted()
{
    Window w;
    w.find<QWidget>("picCont")->resize(900, 900);
    w.window.resize(1300, 1000);
    w.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w.window));
    auto *draw = w.find<QWidget>("picDraw");
    PaintRecorder recorder;
    draw->installEventFilter(&recorder);
    QCoreApplication::processEvents();
    recorder.rects.clear();

    w.palette.picSelColor_Click(5);
    w.panel->surface()->setScaleMode(BoardSurface::Pixels);
    w.panel->tools()->mousePress(DrawingTools::Left, false, 300, 300);
    QTRY_VERIFY(!recorder.rects.isEmpty());
    for (const QRect &r : recorder.rects) {
        QVERIFY2(r.width() < 50 && r.height() < 50,
                 qPrintable(QStringLiteral("repainted %1x%2").arg(r.width()).arg(r.height())));
        QVERIFY(r.contains(QPoint(300, 300)));
    }
}

QTEST_MAIN(TestBoardPanel)
namespace
{

/// A gesture on the board: presses (p) and moves with the left button (m)
/// at board pixels, after choosing a tool.
struct Gesture {
    const char *tool; ///< the tool button, or null for freehand
    bool snap;
    QList<QPair<char, QPoint>> steps;
};

const QHash<QString, Gesture> &gestures()
{
    static const QHash<QString, Gesture> all{
        {"freehand", {nullptr, false, {{'p', {40, 30}}, {'m', {52, 36}}, {'m', {70, 50}}}}},
        {"line", {"Command14", false, {{'p', {40, 30}}, {'m', {60, 44}}, {'p', {70, 50}}}}},
        {"circle", {"Command15", false, {{'p', {60, 60}}, {'p', {80, 74}}}}},
        {"snapped line", {"Command14", true, {{'p', {41, 29}}, {'p', {97, 53}}}}},
        {"fill", {"Command16", false, {{'p', {46, 38}}}}},
    };
    return all;
}

} // namespace

void TestBoardPanel::strokesSendBoardUnitsAtAnyZoom_data()
{
    QTest::addColumn<double>("zoom");
    QTest::addColumn<QString>("gesture");
    for (const double zoom : {0.5, 1.0, 3.0}) {
        for (const char *name : {"freehand", "line", "circle", "snapped line", "fill"})
            QTest::addRow("%s at %d %%", name, int(zoom * 100)) << zoom << QString::fromLatin1(name);
    }
}

// Real mouse events on the shown board at 50 %, 100 % and 300 %, scrolled
// away from the corner: what is sent is what the same gesture sends when the
// tools get the board units directly.
void TestBoardPanel::strokesSendBoardUnitsAtAnyZoom()
{
    QFETCH(double, zoom);
    QFETCH(QString, gesture);
    const Gesture g = gestures().value(gesture);

    Window ref;
    ref.palette.picSelColor_Click(5);
    Window w;
    w.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w.window));
    w.palette.picSelColor_Click(5);
    w.panel->zoom()->setFactor(zoom);
    QCOMPARE(w.panel->viewport()->zoom(), zoom);
    w.find<QScrollBar>("hsbImm")->setValue(20 * 15);
    auto *draw = w.find<board::BoardView>("picDraw");
    QCOMPARE(draw->size(), QSize(int(800 * zoom), int(800 * zoom)));

    for (Window *x : {&ref, &w}) {
        if (g.tool)
            x->find<QToolButton>(g.tool)->click();
        if (g.snap)
            x->find<QToolButton>("Command5")->click();
    }
    for (const auto &[kind, board] : g.steps) {
        // Twips for the tools at the unit in force; the fill works in pixels
        // once chosen, and both boards are in the same unit throughout.
        const double upp = ref.panel->surface()->unitsPerPixel();
        const float bx = float(board.x() * upp), by = float(board.y() * upp);
        const QPoint view(qRound(board.x() * zoom), qRound(board.y() * zoom));
        if (kind == 'p') {
            ref.panel->tools()->mousePress(DrawingTools::Left, false, bx, by);
            QTest::mousePress(draw, Qt::LeftButton, Qt::NoModifier, view);
            QTest::mouseRelease(draw, Qt::LeftButton, Qt::NoModifier, view);
        } else {
            ref.panel->tools()->mouseMove(DrawingTools::Left, false, bx, by);
            QMouseEvent move(QEvent::MouseMove, QPointF(view), draw->mapToGlobal(QPointF(view)),
                             Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(draw, &move);
        }
    }
    QVERIFY(!ref.sent.isEmpty());
    QCOMPARE(w.sent, ref.sent);
    // And both boards hold the same pixels.
    QCOMPARE(w.panel->surface()->image(), ref.panel->surface()->image());
}

void TestBoardPanel::zoomControls_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<double>("zoom");
    QTest::addColumn<bool>("bars"); // whether scroll bars show afterwards
    QTest::newRow("zoom in button") << "cmdZoomIn" << 1.25 << true;
    QTest::newRow("zoom out button") << "cmdZoomOut" << 0.75 << true;
    QTest::newRow("fit button") << "cmdZoomFit" << 153.0 / 800 << false;
    QTest::newRow("100 % button") << "cmdZoom100" << 1.0 << true;
    QTest::newRow("key +") << "key+" << 1.25 << true;
    QTest::newRow("key -") << "key-" << 0.75 << true;
    QTest::newRow("ctrl wheel up") << "wheel+" << 1.25 << true;
    QTest::newRow("ctrl wheel down twice") << "wheel--" << 2.0 / 3 << true;
    QTest::newRow("plain wheel") << "wheel0" << 1.0 << true;
}

void TestBoardPanel::zoomControls()
{
    QFETCH(QString, action);
    QFETCH(double, zoom);
    QFETCH(bool, bars);
    Window w;
    w.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w.window));
    w.panel->zoom()->setFactor(1.0);
    auto *draw = w.find<board::BoardView>("picDraw");
    w.find<QScrollBar>("hsbImm")->setValue(100 * 15);
    w.find<QScrollBar>("vsbImm")->setValue(50 * 15);
    // The board pixel under the pointer, for the wheel.
    const QPoint at(140, 70);
    const QPointF boardUnder = w.panel->zoom()->viewToBoard(QPointF(at));
    const QPoint inContainer = at + draw->pos();

    // The pointer rests on the container while the board moves under it.
    auto wheel = [&](int delta, Qt::KeyboardModifiers mods) {
        const QPointF view(inContainer - draw->pos());
        QWheelEvent e(view, draw->mapToGlobal(view), QPoint(), QPoint(0, delta), Qt::NoButton,
                      mods, Qt::NoScrollPhase, false);
        QApplication::sendEvent(draw, &e);
    };
    if (action.startsWith(QLatin1String("cmd"))) {
        if (action == QLatin1String("cmdZoom100"))
            w.panel->zoom()->setFactor(3.0);
        w.panel->zoomButton(action)->click();
    } else if (action == QLatin1String("key+")) {
        QTest::keyClick(draw, Qt::Key_Plus);
    } else if (action == QLatin1String("key-")) {
        QTest::keyClick(draw, Qt::Key_Minus);
    } else if (action == QLatin1String("wheel+")) {
        wheel(120, Qt::ControlModifier);
    } else if (action == QLatin1String("wheel--")) {
        // A smooth wheel's small steps add up to notches.
        for (int i = 0; i < 8; ++i)
            wheel(-30, Qt::ControlModifier);
    } else {
        wheel(120, Qt::NoModifier);
    }
    QVERIFY(qAbs(w.panel->zoom()->factor() - zoom) < 1e-9);
    QVERIFY(w.panel->zoomButton(QStringLiteral("cmdZoom100"))
                ->toolTip()
                .endsWith(QStringLiteral("ora al ") + board::BoardZoom::percentText(zoom)));
    QCOMPARE(draw->size(), QSize(qRound(800 * zoom), qRound(800 * zoom)));
    QCOMPARE(w.find<QScrollBar>("hsbImm")->isVisibleTo(&w.window), bars);
    QCOMPARE(w.find<QScrollBar>("vsbImm")->isVisibleTo(&w.window), bars);
    if (action.startsWith(QLatin1String("wheel"))) {
        // The board point that was under the pointer still is, to a pixel.
        const QPointF now = w.panel->zoom()->viewToBoard(QPointF(inContainer - draw->pos()));
        const double pixel = w.panel->surface()->unitsPerPixel() / qMin(zoom, 1.0);
        QVERIFY2(qAbs(now.x() - boardUnder.x()) <= pixel && qAbs(now.y() - boardUnder.y()) <= pixel,
                 qPrintable(QStringLiteral("%1,%2 vs %3,%4")
                                .arg(now.x()).arg(now.y()).arg(boardUnder.x()).arg(boardUnder.y())));
    }
    if (!bars) {
        // Fitted, the whole board shows, and it stays fitted as the view grows.
        QCOMPARE(w.find<QLabel>("lblPicImmX2")->text(), QStringLiteral("11999"));
        w.find<QWidget>("picCont")->resize(400, 300);
        QTRY_COMPARE(w.panel->zoom()->factor(), 300.0 / 800);
    }
}

#include "tst_boardpanel.moc"
