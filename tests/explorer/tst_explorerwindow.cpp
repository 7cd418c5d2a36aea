// The image explorer window: its controls, the picture and copy cases, the
// scroll bars, the menu and buttons, the mouse on the picture, and how it
// opens from and lives beside the main window.

#include "boardimages.h"
#include "boardpanel.h"
#include "boardsurface.h"
#include "boardview.h"
#include "chatsession.h"
#include "drawingtools.h"
#include "explorerengine.h"
#include "explorerview.h"
#include "form2.h"
#include "frmmain.h"
#include "messagerecorder.h"
#include "palette.h"
#include "participantlist.h"
#include "reticolobox.h"
#include "trafficlog.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include <memory>

using board::BoardSurface;
using explorer::ExplorerEngine;
using explorer::Form2;

namespace
{

constexpr quint32 kRed = 0x000000FF;
constexpr quint32 kWhite = 0x00FFFFFF;

QImage pattern(int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, qRgb((x * 5) & 0xFF, (y * 11) & 0xFF, (x + y) & 0xFF));
    return img;
}

QImage rgb32(const QImage &img)
{
    return img.convertToFormat(QImage::Format_RGB32);
}

/// Presses (and releases) a button on a widget at a widget point.
void press(QWidget *w, Qt::MouseButton button, QPoint at)
{
    QMouseEvent down(QEvent::MouseButtonPress, QPointF(at), w->mapToGlobal(QPointF(at)), button,
                     button, Qt::NoModifier);
    QApplication::sendEvent(w, &down);
    QMouseEvent up(QEvent::MouseButtonRelease, QPointF(at), w->mapToGlobal(QPointF(at)), button,
                   Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(w, &up);
}

void move(QWidget *w, QPoint at)
{
    QMouseEvent ev(QEvent::MouseMove, QPointF(at), w->mapToGlobal(QPointF(at)), Qt::NoButton,
                   Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(w, &ev);
}

/// The board as it should look: @p picture as its background (none when
/// null) and @p lines drawn over it in red.
QImage boardImage(const QImage &picture, const QList<QLineF> &lines = {})
{
    BoardSurface s;
    s.setPicture(picture);
    for (const QLineF &l : lines)
        s.line(l.p1(), l.p2(), kRed);
    return s.image();
}

/// A board on a plain window, with a palette set to red.
struct Board {
    QWidget window;
    board::Palette palette;
    board::BoardPanel panel{&window, &palette};
    MessageRecorder boxes;

    QImage picture;

    Board() { palette.picSelColor_Click(5); }
    BoardSurface *surface() const { return panel.surface(); }
    void loadPicture(const QImage &img)
    {
        picture = img;
        QVERIFY(panel.images()->loadPicture(img));
    }
    /// What the board should show with @p lines drawn on it.
    QImage expected(const QList<QLineF> &lines = {}) const { return boardImage(picture, lines); }
    std::unique_ptr<Form2> open(QSize size = QSize(600, 450))
    {
        auto form = std::make_unique<Form2>(&panel, &boxes);
        form->resize(size);
        form->show();
        return form;
    }
};


/// The picture with the initial grid of a 120-twip step (8 pixels) inverted.
QImage withGrid(const QImage &picture, int stepPixels = 8)
{
    QImage out = rgb32(picture);
    for (int y = stepPixels; y < out.height(); y += stepPixels)
        for (int x = stepPixels; x < out.width(); x += stepPixels)
            out.setPixel(x, y, out.pixel(x, y) ^ 0x00FFFFFFu);
    return out;
}

/// A main window with its own preferences file and recorded message boxes.
struct Window {
    Window(const QTemporaryDir &dir, const QString &tag)
        : form(std::make_unique<app::frmMain>(dir.filePath(tag + QStringLiteral(".ini"))))
    {
        form->setMessageService(&messages);
        form->chat()->setConnectWait(150);
    }
    ~Window()
    {
        if (form)
            form->setMessageService(nullptr);
    }
    void name(const QString &n)
    {
        form->txtName->setText(n);
        emit form->txtName->textEdited(n);
    }
    board::BoardPanel *board() const { return form->boardPanel(); }
    MessageRecorder messages;
    std::unique_ptr<app::frmMain> form;
};

} // namespace

class TestExplorerWindow : public QObject
{
    Q_OBJECT
private slots:
    void controlsAndCaptions();
    void pictureCaseAndItsScrollBars();
    void barsOnlyWhenThePictureIsLarger_data();
    void barsOnlyWhenThePictureIsLarger();
    void picturesBeyond32767TwipsScrollToTheirEnd();
    void copyCaseShowsTheBoardAndDrawsNothing();
    void mouseOnThePicture();
    void rightClickThroughTheWindowLeavesNoTrace();
    void menusAndButtons();
    void gridTwiceThroughTheMenuRestoresThePixels();
    void zeroStepOffersNoGrid();
    void closingWithALinePendingCleansTheBoard();
    void connectedLinesBoxOffCancels();

    // with the main window
    void opensFromTheCornerButton();
    void linesReachTheLocalBoardOnly();
    void mainWindowClosingWhileOpen();
    void mainWindowDestroyedWhileOpen();
    void messageBoxesFollowTheMainWindow();

private:
    QTemporaryDir m_dir;
};

void TestExplorerWindow::controlsAndCaptions()
{
    Board b;
    b.loadPicture(pattern(200, 150));
    auto form = b.open();
    QCOMPARE(form->objectName(), QStringLiteral("Form2"));
    QCOMPARE(form->windowTitle(), QStringLiteral("Esplora immagine"));
    QCOMPARE(form->windowModality(), Qt::ApplicationModal);
    QVERIFY(form->isWindow());

    for (const char *name : {"picContenitore", "picImmagine", "picImmagine2", "hscOrizzontale",
                             "vscVerticale", "hscOrizzontale2", "vscVerticale2", "Snap2Grid",
                             "MLine", "Command1_0", "Command1_1"})
        QVERIFY2(form->findChild<QWidget *>(QLatin1String(name)), name);
    QCOMPARE(form->picImmagine->parentWidget(), form->picContenitore);
    QCOMPARE(form->picImmagine2->parentWidget(), form->picContenitore);

    auto *snap = form->findChild<QCheckBox *>(QStringLiteral("Snap2Grid"));
    auto *mline = form->findChild<QCheckBox *>(QStringLiteral("MLine"));
    QCOMPARE(snap->text(), QStringLiteral("Approssima"));
    QCOMPARE(mline->text(), QStringLiteral("Linee Collegate"));
    QVERIFY(!snap->isChecked());
    QVERIFY(!mline->isChecked());
    QCOMPARE(form->findChild<QPushButton *>(QStringLiteral("Command1_0"))->text(),
             QStringLiteral("Pulisci"));
    QCOMPARE(form->findChild<QPushButton *>(QStringLiteral("Command1_1"))->text(),
             QStringLiteral("Esci"));

    auto *menu = form->findChild<QMenu *>(QStringLiteral("mnuOpzioni"));
    QVERIFY(menu);
    QCOMPARE(menu->title(), QStringLiteral("Opzioni"));
    QVERIFY(form->menuBar->actions().contains(menu->menuAction()));
    QStringList names, texts;
    for (QAction *a : menu->actions()) {
        if (a->isSeparator())
            continue;
        names << a->objectName();
        texts << a->text();
    }
    QCOMPARE(names, (QStringList{"mnuOpzioniLineeRette", "mnuOpzioniLineeCollegate",
                                 "mnuOpzioniCreaReticolo", "mnuOpzioniApprossima",
                                 "mnuOpzioniPulisci", "mnuOpzioniEsci"}));
    QCOMPARE(texts, (QStringList{"Linee Rette", "Linee Collegate", "Crea Reticolo", "Approssima",
                                 "Pulisci", "Esci"}));
    for (QAction *a : menu->actions())
        QVERIFY(a->isEnabled());
}

void TestExplorerWindow::pictureCaseAndItsScrollBars()
{
    Board b;
    const QImage picture = pattern(1000, 700);
    b.loadPicture(picture);
    auto form = b.open(QSize(600, 450));
    QVERIFY(form->drawable());
    QCOMPARE(form->picImmagine->size(), QSize(1000, 700));
    QVERIFY(!form->picImmagine2->isEnabled());
    QVERIFY(form->hscOrizzontale2->isHidden());
    QVERIFY(form->vscVerticale2->isHidden());
    // The grid of the initial 120-twip step is laid once at loading.
    QCOMPARE(form->engine()->picture()->image(), withGrid(picture));

    const QSize area = form->picContenitore->size();
    QVERIFY(area.width() < 1000 && area.height() < 700);
    QScrollBar *h = form->hscOrizzontale;
    QScrollBar *v = form->vscVerticale;
    QVERIFY(h->isVisible());
    QVERIFY(v->isVisible());
    QCOMPARE(h->minimum(), 0);
    QCOMPARE(h->maximum(), 1000 - area.width());
    QCOMPARE(v->maximum(), 700 - area.height());
    QCOMPARE(h->singleStep(), area.width() / 10);
    QCOMPARE(v->singleStep(), area.height() / 10);
    QCOMPARE(h->pageStep(), area.width());
    QCOMPARE(v->pageStep(), area.height());
    // Bars along the area's bottom and right edges, as long as it.
    const QRect c = form->picContenitore->geometry();
    QCOMPARE(h->geometry().top(), c.bottom() + 1);
    QCOMPARE(h->geometry().left(), c.left());
    QCOMPARE(h->width(), c.width());
    QCOMPARE(v->geometry().left(), c.right() + 1);
    QCOMPARE(v->height(), c.height());
    // The area keeps its left offset as the margin on the right and bottom.
    QCOMPARE(form->width() - (v->geometry().right() + 1), c.left());
    QCOMPARE(form->height() - (h->geometry().bottom() + 1), c.left());

    // Advancing a bar moves the picture left or up.
    h->setValue(120);
    v->setValue(75);
    QCOMPARE(form->picImmagine->pos(), QPoint(-120, -75));
    h->setValue(h->maximum());
    QCOMPARE(form->picImmagine->x(), area.width() - 1000);

    // A resize lays the bars out again from their start.
    form->resize(700, 500);
    QCOMPARE(h->value(), 0);
    QCOMPARE(v->value(), 0);
    QCOMPARE(form->picImmagine->pos(), QPoint(0, 0));
    QCOMPARE(h->maximum(), 1000 - form->picContenitore->width());
}

void TestExplorerWindow::barsOnlyWhenThePictureIsLarger_data()
{
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<bool>("horizontal");
    QTest::addColumn<bool>("vertical");
    // The window is 600 x 450, so the area is well below that.
    QTest::newRow("small") << QSize(100, 80) << false << false;
    QTest::newRow("wide") << QSize(1500, 80) << true << false;
    QTest::newRow("tall") << QSize(100, 1500) << false << true;
    QTest::newRow("both") << QSize(1500, 1500) << true << true;
}

void TestExplorerWindow::barsOnlyWhenThePictureIsLarger()
{
    QFETCH(QSize, picture);
    QFETCH(bool, horizontal);
    QFETCH(bool, vertical);
    Board b;
    b.loadPicture(pattern(picture.width(), picture.height()));
    auto form = b.open(QSize(600, 450));
    // The window may have been made larger for the picture; set it back.
    form->resize(600, 450);
    QCOMPARE(form->hscOrizzontale->isVisible(), horizontal);
    QCOMPARE(form->vscVerticale->isVisible(), vertical);
    QVERIFY(form->hscOrizzontale2->isHidden());
    QVERIFY(form->vscVerticale2->isHidden());
    // A window just as large as the picture needs no bars.
    form->resize(picture.width() + 100, picture.height() + 150);
    if (form->picContenitore->width() >= picture.width())
        QVERIFY(!form->hscOrizzontale->isVisible());
    if (form->picContenitore->height() >= picture.height())
        QVERIFY(!form->vscVerticale->isVisible());
}

void TestExplorerWindow::picturesBeyond32767TwipsScrollToTheirEnd()
{
    // 2500 pixels are 37500 twips: the bars count pixels, so the whole
    // picture can still be reached, and a click there lands in twips.
    Board b;
    b.loadPicture(pattern(2500, 2300));
    auto form = b.open(QSize(600, 450));
    form->resize(600, 450);
    QScrollBar *h = form->hscOrizzontale;
    QScrollBar *v = form->vscVerticale;
    h->setValue(h->maximum());
    v->setValue(v->maximum());
    QCOMPARE(form->picImmagine->x() + 2500, form->picContenitore->width());
    QCOMPARE(form->picImmagine->y() + 2300, form->picContenitore->height());

    press(form->picImmagine, Qt::LeftButton, QPoint(2400, 2250));
    move(form->picImmagine, QPoint(2499, 2250));
    QCOMPARE(form->windowTitle(), QStringLiteral("X = 37485    Y = 33750"));
    press(form->picImmagine, Qt::LeftButton, QPoint(2499, 2250));
    const QImage &pic = form->engine()->picture()->image();
    QCOMPARE(pic.pixel(2450, 2250), qRgb(255, 0, 0));
    QCOMPARE(pic.pixel(2499, 2250), qRgb(255, 0, 0));
}

void TestExplorerWindow::copyCaseShowsTheBoardAndDrawsNothing()
{
    Board b;
    b.surface()->line(QPointF(0, 0), QPointF(3000, 1500), 0x00FF0000);
    const QImage boardBefore = b.surface()->image();
    QGuiApplication::clipboard()->clear();
    auto form = b.open(QSize(600, 450));
    form->resize(600, 450);

    QVERIFY(!form->drawable());
    // The whole board went to the clipboard, and that copy is shown.
    QCOMPARE(rgb32(QGuiApplication::clipboard()->image()), boardBefore);
    QCOMPARE(form->picImmagine->size(), QSize(0, 0));
    QCOMPARE(form->picImmagine2->size(), boardBefore.size());
    QCOMPARE(rgb32(form->picImmagine2->pixmap().toImage()), boardBefore);
    QVERIFY(form->hscOrizzontale->isHidden());
    QVERIFY(form->vscVerticale->isHidden());
    // The copy is larger than the area, so its own bars scroll it.
    QVERIFY(form->hscOrizzontale2->isVisible());
    QVERIFY(form->vscVerticale2->isVisible());
    form->hscOrizzontale2->setValue(40);
    form->vscVerticale2->setValue(30);
    QCOMPARE(form->picImmagine2->pos(), QPoint(-40, -30));
    QCOMPARE(form->hscOrizzontale2->maximum(), 800 - form->picContenitore->width());

    // Nothing offers drawing, and clicks draw nothing anywhere.
    QVERIFY(!form->Snap2Grid->isEnabled());
    QVERIFY(!form->MLine->isEnabled());
    QVERIFY(!form->Command1_0->isEnabled());
    QVERIFY(form->Command1_1->isEnabled());
    QVERIFY(!form->mnuOpzioniCreaReticolo->isEnabled());
    QVERIFY(form->mnuOpzioniEsci->isEnabled());
    press(form->picImmagine2, Qt::LeftButton, QPoint(10, 10));
    press(form->picImmagine2, Qt::LeftButton, QPoint(100, 10));
    press(form->picImmagine, Qt::LeftButton, QPoint(0, 0));
    press(form->picImmagine, Qt::LeftButton, QPoint(0, 0));
    form->Command1_Click(0);
    form->DrawGrid();
    QCOMPARE(b.surface()->image(), boardBefore);
    QCOMPARE(rgb32(form->picImmagine2->pixmap().toImage()), boardBefore);
    QCOMPARE(form->windowTitle(), QStringLiteral("Esplora immagine"));
}

void TestExplorerWindow::mouseOnThePicture()
{
    Board b;
    const QImage picture = pattern(300, 200);
    b.loadPicture(picture);
    auto form = b.open();
    QWidget *pic = form->picImmagine;
    BoardSurface *surface = form->engine()->picture();
    const QImage gridded = surface->image();

    press(pic, Qt::LeftButton, QPoint(20, 30));
    QVERIFY(form->engine()->linePending());
    move(pic, QPoint(50, 60));
    QCOMPARE(form->windowTitle(), QStringLiteral("X = 750    Y = 900"));
    move(pic, QPoint(80, 30));
    QCOMPARE(form->windowTitle(), QStringLiteral("X = 1200    Y = 450"));
    press(pic, Qt::LeftButton, QPoint(80, 30));
    QCOMPARE(form->windowTitle(), QStringLiteral("Esplora immagine"));

    // The same line, at the same pixels, on the picture and on the board.
    const QLineF line(300, 450, 1200, 450);
    QCOMPARE(b.surface()->image(), b.expected({line}));
    BoardSurface ref(picture.size());
    ref.paintOn([&gridded](QImage &img) {
        img = gridded;
        return img.rect();
    });
    ref.line(line.p1(), line.p2(), kRed);
    QCOMPARE(surface->image(), ref.image());
    // The board was neither sent to nor left in another mode.
    QCOMPARE(b.surface()->drawMode(), int(BoardSurface::CopyPen));
    QVERIFY(b.boxes.shown.isEmpty());
}

void TestExplorerWindow::rightClickThroughTheWindowLeavesNoTrace()
{
    Board b;
    b.loadPicture(pattern(300, 200));
    auto form = b.open();
    QWidget *pic = form->picImmagine;
    const QImage picBefore = form->engine()->picture()->image();
    form->Snap2Grid->setChecked(true);
    press(pic, Qt::LeftButton, QPoint(37, 37));
    move(pic, QPoint(150, 90));
    QVERIFY(form->engine()->picture()->image() != picBefore);
    QVERIFY(b.surface()->image() != b.expected());
    press(pic, Qt::RightButton, QPoint(150, 90));
    QCOMPARE(form->engine()->picture()->image(), picBefore);
    QCOMPARE(b.surface()->image(), b.expected());
    QVERIFY(!form->engine()->linePending());
    move(pic, QPoint(10, 10));
    QCOMPARE(form->engine()->picture()->image(), picBefore);
    QCOMPARE(form->windowTitle(), QStringLiteral("Esplora immagine"));
}

void TestExplorerWindow::menusAndButtons()
{
    Board b;
    const QImage picture = pattern(200, 150);
    b.loadPicture(picture);
    auto form = b.open();
    ExplorerEngine *engine = form->engine();

    // The menu items switch the check boxes, and the boxes the engine.
    form->mnuOpzioniApprossima->trigger();
    QVERIFY(form->Snap2Grid->isChecked());
    QVERIFY(engine->Snap2Grid());
    QVERIFY(form->mnuOpzioniApprossima->isChecked());
    form->mnuOpzioniApprossima->trigger();
    QVERIFY(!form->Snap2Grid->isChecked());
    QVERIFY(!engine->Snap2Grid());
    form->mnuOpzioniLineeCollegate->trigger();
    QVERIFY(form->MLine->isChecked());
    QVERIFY(engine->MLine());
    form->MLine->setChecked(false);
    QVERIFY(!form->mnuOpzioniLineeCollegate->isChecked());
    QVERIFY(!engine->MLine());
    // "Linee Rette" does nothing.
    const QImage loaded = engine->picture()->image();
    form->mnuOpzioniLineeRette->trigger();
    QVERIFY(!form->Snap2Grid->isChecked() && !form->MLine->isChecked());
    QCOMPARE(engine->picture()->image(), loaded);

    // "Pulisci" in the menu leaves the picture as loaded, grid and all gone.
    press(form->picImmagine, Qt::LeftButton, QPoint(10, 10));
    press(form->picImmagine, Qt::LeftButton, QPoint(150, 100));
    QVERIFY(engine->picture()->image() != loaded);
    form->mnuOpzioniPulisci->trigger();
    QCOMPARE(engine->picture()->image(), rgb32(picture));
    // The button "Pulisci" lays the grid again.
    press(form->picImmagine, Qt::LeftButton, QPoint(10, 10));
    press(form->picImmagine, Qt::LeftButton, QPoint(150, 100));
    form->Command1_0->click();
    QCOMPARE(engine->picture()->image(), loaded);
    QCOMPARE(engine->picture()->image(), withGrid(picture));
    // Neither touches the board, which keeps both lines.
    QCOMPARE(b.surface()->image(),
             b.expected({{150, 150, 2250, 1500}, {150, 150, 2250, 1500}}));

    // "Esci", in the menu and as the button, closes the window.
    QVERIFY(form->isVisible());
    form->mnuOpzioniEsci->trigger();
    QVERIFY(!form->isVisible());
    form->show();
    form->Command1_1->click();
    QVERIFY(!form->isVisible());
}

void TestExplorerWindow::gridTwiceThroughTheMenuRestoresThePixels()
{
    Board b;
    const QImage picture = pattern(250, 180);
    b.loadPicture(picture);
    b.panel.gridDialog()->PASSIGEN->setText(QStringLiteral("360"));
    auto form = b.open();
    const QImage loaded = form->engine()->picture()->image();
    QCOMPARE(loaded, withGrid(picture, 24));
    // A line between the two makes no difference to what the grid undoes.
    press(form->picImmagine, Qt::LeftButton, QPoint(5, 100));
    press(form->picImmagine, Qt::LeftButton, QPoint(240, 100));
    const QImage drawn = form->engine()->picture()->image();
    form->mnuOpzioniCreaReticolo->trigger();
    QVERIFY(form->engine()->picture()->image() != drawn);
    form->mnuOpzioniCreaReticolo->trigger();
    QCOMPARE(form->engine()->picture()->image(), drawn);
    // Laid four times in all (once at loading), the grid is gone again.
    form->mnuOpzioniCreaReticolo->trigger();
    QCOMPARE(form->engine()->picture()->image().pixel(24, 24), rgb32(picture).pixel(24, 24));
    QCOMPARE(QApplication::overrideCursor(), nullptr);
}

void TestExplorerWindow::zeroStepOffersNoGrid()
{
    Board b;
    const QImage picture = pattern(200, 150);
    b.loadPicture(picture);
    // The grid dialog gives 0 when its first step is 0 and its second negative.
    b.panel.gridDialog()->PASSIGEN->setText(QStringLiteral("0"));
    auto form = b.open();
    QCOMPARE(form->engine()->gridStep(), 0);
    QCOMPARE(form->engine()->picture()->image(), rgb32(picture));
    QVERIFY(!form->Snap2Grid->isEnabled());
    QVERIFY(!form->mnuOpzioniApprossima->isEnabled());
    QVERIFY(!form->mnuOpzioniCreaReticolo->isEnabled());
    QVERIFY(form->MLine->isEnabled());
    form->DrawGrid();
    form->Command1_0->click();
    QCOMPARE(form->engine()->picture()->image(), rgb32(picture));
    // Lines go where they are clicked.
    press(form->picImmagine, Qt::LeftButton, QPoint(11, 13));
    press(form->picImmagine, Qt::LeftButton, QPoint(97, 13));
    QCOMPARE(b.surface()->image(), b.expected({{165, 195, 1455, 195}}));
}

void TestExplorerWindow::closingWithALinePendingCleansTheBoard()
{
    Board b;
    b.loadPicture(pattern(300, 200));
    auto form = b.open();
    press(form->picImmagine, Qt::LeftButton, QPoint(20, 20));
    move(form->picImmagine, QPoint(200, 150));
    QVERIFY(b.surface()->image() != b.expected());
    form->Command1_1->click();
    QVERIFY(!form->isVisible());
    QCOMPARE(b.surface()->image(), b.expected());
}

void TestExplorerWindow::connectedLinesBoxOffCancels()
{
    Board b;
    const QImage picture = pattern(300, 200);
    b.loadPicture(picture);
    auto form = b.open();
    const QImage loaded = form->engine()->picture()->image();
    form->MLine->setChecked(true);
    press(form->picImmagine, Qt::LeftButton, QPoint(20, 20));
    press(form->picImmagine, Qt::LeftButton, QPoint(100, 20));
    press(form->picImmagine, Qt::LeftButton, QPoint(100, 100));
    move(form->picImmagine, QPoint(250, 180));
    QCOMPARE(form->windowTitle(), QStringLiteral("X = 3750    Y = 2700"));
    form->mnuOpzioniLineeCollegate->trigger();
    QVERIFY(!form->MLine->isChecked());
    QVERIFY(!form->engine()->linePending());
    QCOMPARE(form->windowTitle(), QStringLiteral("Esplora immagine"));
    const QList<QLineF> lines{{300, 300, 1500, 300}, {1500, 300, 1500, 1500}};
    QCOMPARE(b.surface()->image(), b.expected(lines));
    BoardSurface ref(picture.size());
    ref.paintOn([&loaded](QImage &img) {
        img = loaded;
        return img.rect();
    });
    for (const QLineF &l : lines)
        ref.line(l.p1(), l.p2(), kRed);
    QCOMPARE(form->engine()->picture()->image(), ref.image());
}

// --- with the main window ---------------------------------------------------------

void TestExplorerWindow::opensFromTheCornerButton()
{
    Window w(m_dir, QStringLiteral("open"));
    w.form->show();
    w.form->setTopMost(true);
    QCOMPARE(w.form->primopiano->text(), QStringLiteral("vero"));
    w.board()->images()->loadPicture(pattern(400, 300));

    w.board()->Command2()->click();
    QPointer<Form2> form = w.form->imageExplorer();
    QVERIFY(form);
    // The window kept on top stepped back first.
    QCOMPARE(w.form->primopiano->text(), QStringLiteral("falso"));
    QVERIFY(form->isVisible());
    QCOMPARE(form->windowModality(), Qt::ApplicationModal);
    QCOMPARE(QApplication::activeModalWidget(), form.data());
    QCOMPARE(form->parentWidget(), w.form.get());
    QVERIFY(form->drawable());
    QCOMPARE(form->picImmagine->size(), QSize(400, 300));

    // A second press while it is open brings up the same window.
    w.form->Command2_Click();
    QCOMPARE(w.form->imageExplorer(), form.data());

    form->Command1_1->click();
    QTRY_VERIFY(!form);
    QVERIFY(!w.form->imageExplorer());
    QVERIFY(w.form->isVisible());
    QCOMPARE(QApplication::activeModalWidget(), nullptr);

    // Opened again it is a new window; without a picture it shows the copy.
    w.board()->surface()->clear();
    w.board()->Command2()->click();
    QVERIFY(w.form->imageExplorer());
    QVERIFY(!w.form->imageExplorer()->drawable());
    w.form->imageExplorer()->close();
    QTRY_VERIFY(!w.form->imageExplorer());
}

void TestExplorerWindow::linesReachTheLocalBoardOnly()
{
    Window host(m_dir, QStringLiteral("send-h"));
    host.form->chat()->setPort(0);
    host.name(QStringLiteral("Master"));
    host.form->cmdHost->click();
    const quint16 port = host.form->chat()->listeningPort();
    QVERIFY(port != 0);
    Window client(m_dir, QStringLiteral("send-c"));
    client.form->chat()->setPort(port);
    client.name(QStringLiteral("Ada"));
    client.form->txtIP->setText(QStringLiteral("127.0.0.1"));
    client.form->cmdConnect->click();
    QTRY_COMPARE(client.form->chat()->participants()->count(), 2);
    QTRY_COMPARE(host.form->chat()->participants()->count(), 2);

    host.form->palette()->picSelColor_Click(5);
    host.board()->images()->loadPicture(pattern(300, 200));
    host.board()->Command2()->click();
    Form2 *form = host.form->imageExplorer();
    QVERIFY(form);
    session::TrafficLog *sent = host.form->chat()->sentLog();
    const qsizetype before = sent->size();
    form->MLine->setChecked(true);
    press(form->picImmagine, Qt::LeftButton, QPoint(20, 50));
    move(form->picImmagine, QPoint(60, 50));
    press(form->picImmagine, Qt::LeftButton, QPoint(100, 50));
    press(form->picImmagine, Qt::LeftButton, QPoint(100, 150));
    press(form->picImmagine, Qt::RightButton, QPoint(100, 150));
    form->Command1_1->click();
    QCOMPARE(sent->size(), before);
    // The host's board has both lines.
    BoardSurface *hostBoard = host.board()->surface();
    QCOMPARE(hostBoard->pixel(60, 50), std::optional<quint32>(kRed));
    QCOMPARE(hostBoard->pixel(100, 120), std::optional<quint32>(kRed));

    // A dot drawn on the host's board itself does go out; once it has
    // arrived, anything sent before it would have arrived too.
    host.board()->tools()->Command13_Click();
    host.board()->tools()->mousePress(board::DrawingTools::Left, false, 6000, 6000);
    QCOMPARE(sent->size(), before + 1);
    BoardSurface *clientBoard = client.board()->surface();
    QTRY_COMPARE(clientBoard->pixel(400, 400), std::optional<quint32>(kRed));
    QCOMPARE(clientBoard->pixel(60, 50), std::optional<quint32>(kWhite));
    QCOMPARE(clientBoard->pixel(100, 120), std::optional<quint32>(kWhite));
}

void TestExplorerWindow::mainWindowClosingWhileOpen()
{
    Window w(m_dir, QStringLiteral("close"));
    w.form->show();
    w.form->palette()->picSelColor_Click(5);
    w.board()->images()->loadPicture(pattern(300, 200));
    w.board()->Command2()->click();
    QPointer<Form2> form = w.form->imageExplorer();
    QVERIFY(form);
    press(form->picImmagine, Qt::LeftButton, QPoint(20, 20));
    move(form->picImmagine, QPoint(200, 150));
    const QImage picture = w.board()->surface()->picture();

    w.form->close();
    QVERIFY(!w.form->isVisible());
    QTRY_VERIFY(!form);
    // The explorer's band did not stay on the board.
    BoardSurface clean(QSize(800, 800));
    clean.setPicture(picture);
    QCOMPARE(w.board()->surface()->image(), clean.image());
    w.form.reset();
}

void TestExplorerWindow::mainWindowDestroyedWhileOpen()
{
    Window w(m_dir, QStringLiteral("destroy"));
    w.form->show();
    w.board()->images()->loadPicture(pattern(300, 200));
    w.board()->Command2()->click();
    QPointer<Form2> form = w.form->imageExplorer();
    QVERIFY(form);
    press(form->picImmagine, Qt::LeftButton, QPoint(20, 20));
    move(form->picImmagine, QPoint(200, 150));
    w.form->setMessageService(nullptr);
    w.form.reset();
    QVERIFY(!form);
    QCOMPARE(QApplication::activeModalWidget(), nullptr);
}

void TestExplorerWindow::messageBoxesFollowTheMainWindow()
{
    Window w(m_dir, QStringLiteral("boxes"));
    w.board()->images()->loadPicture(pattern(300, 200));
    w.board()->Command2()->click();
    Form2 *form = w.form->imageExplorer();
    QVERIFY(form);
    MessageRecorder later;
    w.form->setMessageService(&later);
    // No colour chosen: the explorer says so through the box now in use.
    w.form->palette()->clearBorders();
    press(form->picImmagine, Qt::LeftButton, QPoint(20, 20));
    QCOMPARE(later.lines(),
             QStringList{QStringLiteral("Vellumara|Selezionare un colore prima...")});
    QVERIFY(w.messages.shown.isEmpty());
    QVERIFY(!form->engine()->linePending());
    form->close();
    w.form->setMessageService(&w.messages);
}

QTEST_MAIN(TestExplorerWindow)
#include "tst_explorerwindow.moc"
