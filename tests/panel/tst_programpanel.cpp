#include "hostpane.h"
#include "programpanel.h"
#include "togglebutton.h"
#include "windowontop.h"
#include "windowsearch.h"
#include "x11windows.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>

using panel::PanelLayout;
using panel::ProgramPanel;

namespace
{

// Twips as the panel turns them into pixels.
QRect px(const QRect &t)
{
    return QRect(t.left() / 15, t.top() / 15, (t.left() + t.width()) / 15 - t.left() / 15,
                 (t.top() + t.height()) / 15 - t.top() / 15);
}

// A main window's stand-in: the panel on a wide window, with the stay-on-top
// flag kept in a string as primopiano keeps it.
struct Window {
    Window()
    {
        widget.resize(800, 400);
        panel = new ProgramPanel(&widget);
        panel->setTopMostControl([this] { return primopiano != QLatin1String("falso"); },
                                 [this](bool on) {
                                     calls << on;
                                     primopiano =
                                         on ? QStringLiteral("vero") : QStringLiteral("falso");
                                 });
    }
    QWidget widget;
    ProgramPanel *panel;
    QString primopiano = QStringLiteral("falso");
    QList<bool> calls;
};

QString lit(const ProgramPanel *panel)
{
    QString out;
    for (int i = 0; i < 4; ++i)
        out += panel->enlargeButton(i)->isOn() ? QLatin1Char('1') : QLatin1Char('0');
    return out;
}

// A program that leaves a mark: a shell script that writes its arguments
// into a file beside it.
QString writeScript(const QTemporaryDir &dir, const QString &name)
{
    const QString path = dir.filePath(name);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return {};
    f.write(
        "#!/bin/sh\necho \"ran $*\" > \"$(dirname \"$0\")/mark-$(basename \"$0\" | tr ' ' _)\"\n");
    f.close();
    f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

QString readMark(const QTemporaryDir &dir, const QString &name)
{
    // The mark lies beside the script, named after it with its spaces as "_".
    const QFileInfo script(dir.filePath(name));
    QFile f(script.dir().filePath(QStringLiteral("mark-") +
                                  script.fileName().replace(QLatin1Char(' '), QLatin1Char('_'))));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.readAll()).trimmed();
}

} // namespace

class tst_ProgramPanel : public QObject
{
    Q_OBJECT

private slots:
    void controlsAreNamedAndPlaced();
    void enlargeButtonsFollowTheTable_data();
    void enlargeButtonsFollowTheTable();
    void draggingTheSplitterWithTheMouse();
    void dragToTheTopStopsAtTheMargin();
    void scrollBarsResizePicture1();
    void emptyLaunchOnlyTouchesTopMost();
    void launchRestoresATopMostWindowToo();
    void launchStartsEveryFilledSlot();
    void pathsWithSpacesAndCommandLines();
    void missingProgramShowsNothingAndTheLaunchGoesOn();
    void launchInSlotEmptiesTheOthers();
    void withoutX11TheProgramRunsFree();
    void windowOnTopKeepsGeometryAndVisibility();
};

void tst_ProgramPanel::controlsAreNamedAndPlaced()
{
    Window w;
    const char *names[] = {"Picture1",    "picNW",       "picNE",       "picSW",     "picSE",
                           "picChild",    "picChild2",   "picChild3",   "picChild4", "txtProgram",
                           "txtProgram2", "txtProgram3", "txtProgram4", "Command7",  "Command8",
                           "Command9",    "Command10",   "Command11",   "VScroll1",  "VScroll2"};
    for (const char *name : names)
        QVERIFY2(w.widget.findChild<QWidget *>(QLatin1String(name)), name);
    QCOMPARE(w.panel->Picture1->geometry(), px(QRect(7570, 360, 4150, 5550)));
    // Slot n's pane lies in its quadrant: 1 NW, 2 NE, 3 SW, 4 SE.
    QCOMPARE(w.panel->picChild->parentWidget(), w.panel->picNW);
    QCOMPARE(w.panel->picChild2->parentWidget(), w.panel->picNE);
    QCOMPARE(w.panel->picChild3->parentWidget(), w.panel->picSW);
    QCOMPARE(w.panel->picChild4->parentWidget(), w.panel->picSE);
    for (int slot = 1; slot <= 4; ++slot) {
        QCOMPARE(w.panel->hostPane(slot)->slot(), slot);
        QCOMPARE(w.panel->hostPane(slot)->geometry(),
                 QRect(QPoint(0, 0), w.panel->quadrantBox(slot - 1)->size()));
        QCOMPARE(w.panel->hostPane(slot)->statusText(), QStringLiteral("Riquadro %1").arg(slot));
    }
    QCOMPARE(w.panel->picNE->geometry(), px(QRect(2100, 0, 2050, 2750)));
    QCOMPARE(w.panel->programBox(3), w.panel->txtProgram3);
    QCOMPARE(w.panel->programBox(0), nullptr);
    QCOMPARE(w.panel->programBox(5), nullptr);
    QCOMPARE(lit(w.panel), QStringLiteral("0000"));
}

void tst_ProgramPanel::enlargeButtonsFollowTheTable_data()
{
    QTest::addColumn<int>("button");
    QTest::addColumn<QRect>("nw");
    QTest::addColumn<QRect>("ne");
    QTest::addColumn<QRect>("sw");
    QTest::addColumn<QRect>("se");
    QTest::addColumn<QString>("lit");
    QTest::newRow("Command8") << 0 << QRect(0, 0, 4025, 5420) << QRect(4075, 0, 20, 5420)
                              << QRect(0, 5470, 4025, 20) << QRect(4075, 5470, 20, 20) << "1000";
    QTest::newRow("Command9") << 1 << QRect(0, 0, 20, 5420) << QRect(70, 0, 4025, 5420)
                              << QRect(0, 5470, 20, 20) << QRect(70, 5470, 4025, 20) << "0100";
    QTest::newRow("Command10") << 2 << QRect(0, 0, 4025, 20) << QRect(4075, 0, 20, 20)
                               << QRect(0, 70, 4025, 5420) << QRect(4075, 70, 20, 5420) << "0010";
    QTest::newRow("Command11") << 3 << QRect(0, 0, 20, 20) << QRect(70, 0, 4025, 20)
                               << QRect(0, 70, 20, 5420) << QRect(70, 70, 4025, 5420) << "0001";
}

void tst_ProgramPanel::enlargeButtonsFollowTheTable()
{
    QFETCH(int, button);
    QFETCH(QRect, nw);
    QFETCH(QRect, ne);
    QFETCH(QRect, sw);
    QFETCH(QRect, se);
    QFETCH(QString, lit);
    Window w;
    w.panel->VScroll1->setValue(900);
    w.panel->VScroll2->setValue(300);
    w.panel->enlargeButton(button)->click();
    QCOMPARE(w.panel->VScroll1->value(), 0);
    QCOMPARE(w.panel->VScroll2->value(), 0);
    QCOMPARE(w.panel->Picture1->geometry(), px(QRect(7570, 360, 4150, 5550)));
    QCOMPARE(w.panel->picNW->geometry(), px(nw));
    QCOMPARE(w.panel->picNE->geometry(), px(ne));
    QCOMPARE(w.panel->picSW->geometry(), px(sw));
    QCOMPARE(w.panel->picSE->geometry(), px(se));
    QCOMPARE(::lit(w.panel), lit);
    // The hosts fill their boxes, also the collapsed ones.
    QCOMPARE(w.panel->picChild->size(), w.panel->picNW->size());
    QCOMPARE(w.panel->picChild4->size(), w.panel->picSE->size());
    const QPalette base = w.widget.palette();
    QCOMPARE(w.panel->enlargeButton(button)->backColour(),
             conversation::ToggleButton::menuColour(base));
    QCOMPARE(w.panel->enlargeButton((button + 1) % 4)->backColour(),
             conversation::ToggleButton::highlightColour(base));
}

void tst_ProgramPanel::draggingTheSplitterWithTheMouse()
{
    Window w;
    w.widget.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w.widget));
    w.panel->Command8->click();
    QWidget *picture = w.panel->Picture1;
    // A click on the panel turns the enlarge button off and lays the panes
    // out from the splitter again.
    QTest::mouseClick(picture, Qt::LeftButton, {}, QPoint(1, 1));
    QCOMPARE(lit(w.panel), QStringLiteral("0000"));
    QCOMPARE(w.panel->picNW->geometry(), px(QRect(0, 0, 2050, 2750)));

    // The vertical bar lies between pixels 136 and 140 across.
    const QPoint onBar(138, 50);
    QTest::mousePress(picture, Qt::LeftButton, {}, onBar);
    QCOMPARE(w.panel->layout().dragFlag(), int(PanelLayout::VerticalBar));
    QMouseEvent move(QEvent::MouseMove, QPointF(60, 300), picture->mapToGlobal(QPointF(60, 300)),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(picture, &move);
    // Pixel 60 is twips 907 (its middle); the rows stay as they were.
    const float ratio = 907.f / 4150.f;
    QCOMPARE(w.panel->layout().horizontalRatio(), ratio);
    const int left = qRound(4100 * ratio);
    QCOMPARE(w.panel->picNW->geometry(), px(QRect(0, 0, left, 2750)));
    QCOMPARE(w.panel->picSE->geometry(), px(QRect(left + 50, 2800, 4100 - left, 2750)));
    QCOMPARE(picture->cursor().shape(), Qt::SplitHCursor);
    QTest::mouseRelease(picture, Qt::LeftButton, {}, QPoint(60, 300));
    QCOMPARE(w.panel->layout().dragFlag(), 0);
    QCOMPARE(w.panel->picNW->geometry(), px(QRect(0, 0, left, 2750)));
}

void tst_ProgramPanel::dragToTheTopStopsAtTheMargin()
{
    Window w;
    w.widget.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w.widget));
    QWidget *picture = w.panel->Picture1;
    // The horizontal bar lies between pixels 183 and 186 down.
    QTest::mousePress(picture, Qt::LeftButton, {}, QPoint(50, 185));
    QCOMPARE(w.panel->layout().dragFlag(), int(PanelLayout::HorizontalBar));
    for (const int y : {100, -40}) {
        QMouseEvent move(QEvent::MouseMove, QPointF(50, y), picture->mapToGlobal(QPointF(50, y)),
                         Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(picture, &move);
    }
    QCOMPARE(w.panel->layout().verticalRatio(), 20.f / 5550.f);
    QCOMPARE(w.panel->layout().quadrant(PanelLayout::NW).height(), 20);
    QCOMPARE(w.panel->layout().quadrant(PanelLayout::SW).top(), 70);
    QTest::mouseRelease(picture, Qt::LeftButton, {}, QPoint(50, -40));
    // Pointer feedback without a button does not move anything.
    QMouseEvent hover(QEvent::MouseMove, QPointF(50, 300), picture->mapToGlobal(QPointF(50, 300)),
                      Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(picture, &hover);
    QCOMPARE(w.panel->layout().quadrant(PanelLayout::NW).height(), 20);
}

void tst_ProgramPanel::scrollBarsResizePicture1()
{
    Window w;
    w.panel->Command11->click();
    const QRect enlarged = w.panel->picSE->geometry();
    w.panel->VScroll1->setValue(1500);
    QCOMPARE(w.panel->Picture1->geometry(), px(QRect(6070, 360, 5650, 5550)));
    // The width's bar leaves the panes and the pane buttons as they were.
    QCOMPARE(lit(w.panel), QStringLiteral("0001"));
    QCOMPARE(w.panel->picSE->geometry(), enlarged);
    w.panel->Command11->click();
    w.panel->VScroll2->setValue(900);
    QCOMPARE(w.panel->Picture1->geometry(), px(QRect(7570, 360, 4150, 6450)));
    // The height's bar turns the pane buttons off; the panes stay.
    QCOMPARE(lit(w.panel), QStringLiteral("0000"));
    QCOMPARE(w.panel->picSE->geometry(), enlarged);
    QCOMPARE(w.panel->VScroll1->maximum(), 7570);
}

void tst_ProgramPanel::emptyLaunchOnlyTouchesTopMost()
{
    Window w;
    QSignalSpy started(w.panel, &ProgramPanel::programStarted);
    w.panel->Command7->click();
    QCOMPARE(w.calls, (QList<bool>{true, false}));
    QCOMPARE(w.primopiano, QStringLiteral("falso"));
    QCOMPARE(started.size(), 0);
    for (int slot = 1; slot <= 4; ++slot) {
        QCOMPARE(w.panel->processId(slot), 0);
        QCOMPARE(w.panel->hostPane(slot)->statusText(), QStringLiteral("Riquadro %1").arg(slot));
    }
}

void tst_ProgramPanel::launchRestoresATopMostWindowToo()
{
    Window w;
    w.primopiano = QStringLiteral("vero");
    w.panel->Command7_Click();
    QCOMPARE(w.calls, (QList<bool>{false}));
    QCOMPARE(w.primopiano, QStringLiteral("falso"));
}

void tst_ProgramPanel::launchStartsEveryFilledSlot()
{
    QTemporaryDir dir;
    Window w;
    const QString a = writeScript(dir, QStringLiteral("uno"));
    const QString c = writeScript(dir, QStringLiteral("tre"));
    w.panel->txtProgram->setText(a);
    w.panel->txtProgram3->setText(c);
    QSignalSpy started(w.panel, &ProgramPanel::programStarted);
    w.panel->Command7->click();
    QCOMPARE(started.size(), 2);
    QCOMPARE(started[0][0].toInt(), 1);
    QCOMPARE(started[1][0].toInt(), 3);
    QVERIFY(w.panel->processId(1) > 0);
    QCOMPARE(w.panel->processId(2), 0);
    QVERIFY(w.panel->processId(3) > 0);
    QTRY_COMPARE(readMark(dir, QStringLiteral("uno")), QStringLiteral("ran"));
    QTRY_COMPARE(readMark(dir, QStringLiteral("tre")), QStringLiteral("ran"));
    QCOMPARE(w.primopiano, QStringLiteral("falso"));
}

void tst_ProgramPanel::pathsWithSpacesAndCommandLines()
{
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("I miei programmi")));
    // A path with spaces naming an executable runs as it is.
    const QString spaced = writeScript(dir, QStringLiteral("I miei programmi/scheda pg"));
    qint64 pid = 0;
    QVERIFY(ProgramPanel::startProgram(spaced, &pid));
    QVERIFY(pid > 0);
    QTRY_COMPARE(readMark(dir, QStringLiteral("I miei programmi/scheda pg")),
                 QStringLiteral("ran"));
    QCOMPARE(ProgramPanel::programOf(spaced), spaced);
    // Anything else is a command line with arguments, quotes and all.
    const QString plain = writeScript(dir, QStringLiteral("mappa"));
    QVERIFY(ProgramPanel::startProgram(
        QLatin1Char('"') + plain + QStringLiteral("\" --zoom \"2 x\""), &pid));
    QTRY_COMPARE(readMark(dir, QStringLiteral("mappa")), QStringLiteral("ran --zoom 2 x"));
    QCOMPARE(ProgramPanel::programOf(QStringLiteral("xclock -digital")), QStringLiteral("xclock"));
    QVERIFY(!ProgramPanel::startProgram(QStringLiteral("   "), &pid));
}

void tst_ProgramPanel::missingProgramShowsNothingAndTheLaunchGoesOn()
{
    QTemporaryDir dir;
    Window w;
    w.panel->txtProgram->setText(dir.filePath(QStringLiteral("non-esiste")));
    w.panel->txtProgram2->setText(writeScript(dir, QStringLiteral("due")));
    QSignalSpy started(w.panel, &ProgramPanel::programStarted);
    w.panel->Command7_Click();
    QCOMPARE(started.size(), 1);
    QCOMPARE(started[0][0].toInt(), 2);
    QCOMPARE(w.panel->processId(1), 0);
    QCOMPARE(w.panel->hostPane(1)->statusText(), QStringLiteral("Riquadro 1"));
    QTRY_COMPARE(readMark(dir, QStringLiteral("due")), QStringLiteral("ran"));
}

void tst_ProgramPanel::launchInSlotEmptiesTheOthers()
{
    QTemporaryDir dir;
    Window w;
    for (int slot = 1; slot <= 4; ++slot)
        w.panel->programBox(slot)->setText(dir.filePath(QStringLiteral("vecchio%1").arg(slot)));
    const QString three = writeScript(dir, QStringLiteral("tre"));
    QSignalSpy started(w.panel, &ProgramPanel::programStarted);
    // What the file browser's pane button "3" does.
    w.panel->launchInSlot(3, three);
    QCOMPARE(w.panel->txtProgram->text(), QString());
    QCOMPARE(w.panel->txtProgram2->text(), QString());
    QCOMPARE(w.panel->txtProgram3->text(), three);
    QCOMPARE(w.panel->txtProgram4->text(), QString());
    QCOMPARE(started.size(), 1);
    QCOMPARE(started[0][0].toInt(), 3);
    QTRY_COMPARE(readMark(dir, QStringLiteral("tre")), QStringLiteral("ran"));
    QCOMPARE(w.calls, (QList<bool>{true, false}));
    // A slot outside 1..4 changes nothing.
    w.panel->launchInSlot(5, three);
    QCOMPARE(w.panel->txtProgram3->text(), three);
    QCOMPARE(started.size(), 1);
}

void tst_ProgramPanel::withoutX11TheProgramRunsFree()
{
    if (panel::X11Windows::available())
        QSKIP("this case is for a window system without X11; the embedding test covers X11");
    QTemporaryDir dir;
    Window w;
    w.panel->txtProgram4->setText(writeScript(dir, QStringLiteral("quattro")));
    w.panel->Command7_Click();
    QVERIFY(!w.panel->windowSearch()->isSearching(4));
    QCOMPARE(w.panel->hostPane(4)->statusText(),
             QStringLiteral("quattro è aperto in una finestra a sé: su questo sistema grafico le "
                            "finestre di altri programmi non possono essere ospitate qui."));
    QCOMPARE(w.panel->hostPane(4)->hostedWindow(), quint64(0));
    QTRY_COMPARE(readMark(dir, QStringLiteral("quattro")), QStringLiteral("ran"));
}

void tst_ProgramPanel::windowOnTopKeepsGeometryAndVisibility()
{
    QWidget window;
    window.setGeometry(40, 50, 300, 200);
    // Not on the screen yet: only the flag changes and nothing shows.
    panel::setWindowOnTop(&window, true);
    QVERIFY(window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY(!window.isVisible());
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QRect before = window.geometry();
    QWindow *native = window.windowHandle();
    panel::setWindowOnTop(&window, false);
    QVERIFY(window.isVisible());
    QVERIFY(!window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY(!native->flags().testFlag(Qt::WindowStaysOnTopHint));
    QCOMPARE(window.windowHandle(), native); // the same native window, not a new one
    QCOMPARE(window.geometry(), before);
    panel::setWindowOnTop(&window, true);
    QVERIFY(native->flags().testFlag(Qt::WindowStaysOnTopHint));
    QCOMPARE(window.geometry(), before);
    panel::setWindowOnTop(nullptr, true); // no window: nothing to do
}

QTEST_MAIN(tst_ProgramPanel)
#include "tst_programpanel.moc"
