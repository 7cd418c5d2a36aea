// The board's dialogs and picture controls on a window: the grid dialog
// and its general step, the text dialog's controls and life, the picture
// buttons, the size boxes and dropping files on the board.

#include "boardimages.h"
#include "boardpanel.h"
#include "boardsurface.h"
#include "boardview.h"
#include "drawingtools.h"
#include "frminstext.h"
#include "messagerecorder.h"
#include "palette.h"
#include "reticolobox.h"
#include "tableshare.h"
#include "sinks.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

using board::BoardPanel;
using board::BoardSurface;
using board::frmInsText;
using board::reticolobox;

namespace
{

constexpr quint32 kRed = 0x000000FF;

struct Window {
    QWidget window;
    board::Palette palette;
    BoardPanel *panel;
    MessageRecorder boxes;
    QStringList sent;
    QPointer<frmInsText> text;

    Window()
    {
        window.resize(700, 420);
        panel = new BoardPanel(&window, &palette);
        panel->tools()->setBroadcaster([this](const QString &m) { sent << m; });
        panel->tools()->setMessageService(&boxes);
        QObject::connect(panel, &BoardPanel::textDialogOpened, &window,
                         [this](frmInsText *d) { text = d; });
        window.show();
    }
    template <typename T> T *find(const char *name) const
    {
        return window.findChild<T *>(QString::fromLatin1(name));
    }
    reticolobox *grid() const { return panel->gridDialog(); }
    BoardSurface *surface() const { return panel->surface(); }
    /// A press of the text tool at (x, y) pixels of the board.
    frmInsText *openText(QPoint at = {100, 50})
    {
        if (!panel->tools()->testoinBox())
            panel->tools()->Command12_Click();
        QTest::mouseClick(panel->picDraw(), Qt::LeftButton, {}, at);
        return text;
    }
    void drop(const QList<QUrl> &urls)
    {
        QMimeData mime;
        mime.setUrls(urls);
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, {});
        QCoreApplication::sendEvent(panel->picDraw(), &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, {});
        QCoreApplication::sendEvent(panel->picDraw(), &drop);
    }
};

QImage picture(int w, int h, QColor colour)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

bool hasInk(const QImage &image)
{
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if ((image.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF)
                return true;
    return false;
}

} // namespace

class TestBoardDialogs : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void gridDialogControls();
    void gridShareGoesOutAsLaid_data();
    void gridShareGoesOutAsLaid();
    void sharePictureWithoutSessionSaysWhy();
    void sharedGridsTooDenseAreRefused_data();
    void sharedGridsTooDenseAreRefused();
    void tipoShowsTheStepsItUses_data();
    void tipoShowsTheStepsItUses();
    void reticoloOpensWindowModalAfterTheTopStepsBack();
    void okPaintsHidesAndTheSnapTakesTheStep();
    void okRefusalsKeepTheDialogOpen();
    void annullaHidesAndPaintsNothing();
    void textDialogControlsAndStartValues();
    void styleButtonsSwitchTheirBoxes();
    void okDrawsSendsHidesAndKeepsSettings();
    void esciUnloads();
    void previewDrawsAndAClickClearsIt();
    void pickerFollowsThePointerOnlyWhileFree();
    void pictureControls();
    void sizeBoxesKeepTheirLeadingNumber();
    void dropLoadsTheFirstFile();
    void dropOfWhatIsNoPicture();
    void ridimAndIncollaButtons();
    void pictureButtonsTakeThePendingBandAwayFirst_data();
    void pictureButtonsTakeThePendingBandAwayFirst();
    void publicCallsForOtherWindows();

private:
    QTemporaryDir m_dir;
};

void TestBoardDialogs::initTestCase()
{
    QVERIFY(m_dir.isValid());
}

void TestBoardDialogs::gridDialogControls()
{
    Window w;
    reticolobox *d = w.grid();
    QVERIFY(d);
    QCOMPARE(d->objectName(), QStringLiteral("reticolobox"));
    QCOMPARE(d->windowTitle(), QStringLiteral("Reticolo"));
    QVERIFY(!d->isVisible());
    QCOMPARE(d->findChild<QComboBox *>(QStringLiteral("tipo")), d->tipo);
    QStringList items;
    for (int i = 0; i < d->tipo->count(); ++i)
        items << d->tipo->itemText(i);
    QCOMPARE(items, (QStringList{"Lineare", "Orizzontale", "Puntiforme", "Verticale"}));
    QCOMPARE(d->tipo->currentIndex(), -1);
    QCOMPARE(d->passi1->text(), QStringLiteral("0"));
    QCOMPARE(d->passi2->text(), QStringLiteral("0"));
    QCOMPARE(d->Labelx->text(), QStringLiteral("x"));
    QCOMPARE(d->PASSIGEN->text(), QStringLiteral("120"));
    QVERIFY(d->PASSIGEN->isHidden());
    QVERIFY(d->ProgressBar1->isHidden());
    QCOMPARE(d->retOK->text(), QStringLiteral("OK"));
    QCOMPARE(d->retAnnulla->text(), QStringLiteral("Annulla"));
    for (const char *name : {"passi1", "passi2", "Labelx", "PASSIGEN", "ProgressBar1", "retOK",
                             "retAnnulla"})
        QVERIFY2(d->findChild<QWidget *>(QLatin1String(name)), name);
    QCOMPARE(w.panel->PASSIGEN(), QStringLiteral("120"));
}

void TestBoardDialogs::tipoShowsTheStepsItUses_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("first");
    QTest::addColumn<bool>("second");
    QTest::addColumn<bool>("x");
    QTest::newRow("Orizzontale") << "Orizzontale" << true << false << false;
    QTest::newRow("Verticale") << "Verticale" << false << true << false;
    QTest::newRow("Lineare") << "Lineare" << true << true << true;
    QTest::newRow("Puntiforme") << "Puntiforme" << true << true << true;
}

void TestBoardDialogs::tipoShowsTheStepsItUses()
{
    QFETCH(QString, kind);
    QFETCH(bool, first);
    QFETCH(bool, second);
    QFETCH(bool, x);
    Window w;
    reticolobox *d = w.grid();
    // From the opposite state, so every show and hide is seen to happen.
    d->tipo->setCurrentText(kind == QLatin1String("Verticale") ? QStringLiteral("Orizzontale")
                                                                : QStringLiteral("Verticale"));
    d->tipo->setCurrentText(kind);
    QCOMPARE(!d->passi1->isHidden(), first);
    QCOMPARE(!d->passi2->isHidden(), second);
    QCOMPARE(!d->Labelx->isHidden(), x);
}

void TestBoardDialogs::reticoloOpensWindowModalAfterTheTopStepsBack()
{
    Window w;
    QToolButton *button = w.find<QToolButton>("reticolo");
    QVERIFY(button);
    QCOMPARE(button, w.panel->reticolo());
    QCOMPARE(button->toolTip(), QStringLiteral("Crea reticolo"));
    bool openBefore = true;
    QObject::connect(w.panel, &BoardPanel::secondaryWindowOpening, &w.window,
                     [&] { openBefore = w.grid()->isVisible(); });
    button->click();
    QVERIFY(!openBefore);
    QVERIFY(w.grid()->isVisible());
    QCOMPARE(w.grid()->windowModality(), Qt::WindowModal);
    w.grid()->retAnnulla->click();
}

void TestBoardDialogs::okPaintsHidesAndTheSnapTakesTheStep()
{
    Window w;
    w.palette.picSelColor_Click(5);
    w.panel->reticolo_Click();
    reticolobox *d = w.grid();
    d->tipo->setCurrentText(QStringLiteral("Orizzontale"));
    d->passi1->setText(QStringLiteral("4"));
    QList<int> values;
    QObject::connect(d, &reticolobox::progressed, d, [&](int max, int value) {
        QCOMPARE(max, 12000);
        QVERIFY(d->ProgressBar1->isVisible());
        QCOMPARE(d->ProgressBar1->value(), value);
        values << value;
    });
    d->retOK->click();
    QCOMPARE(int(d->lastOutcome()), int(board::GridPainter::Outcome::Painted));
    QVERIFY(!d->isVisible());
    QVERIFY(d->ProgressBar1->isHidden());
    QCOMPARE(d->ProgressBar1->value(), 0);
    QCOMPARE(values.size(), 121);
    QVERIFY(std::is_sorted(values.begin(), values.end()));
    QCOMPARE(d->PASSIGEN->text(), QStringLiteral("100"));
    // Every 100 twips, 6.67 pixels: rows 0, 7, 13, 20...
    QCOMPARE(w.surface()->pixel(5, 0), kRed);
    QCOMPARE(w.surface()->pixel(5, 6), 0x00FFFFFFu);
    QCOMPARE(w.surface()->pixel(5, 7), kRed);
    QCOMPARE(w.surface()->pixel(5, 10), 0x00FFFFFFu);
    QCOMPARE(w.surface()->pixel(5, 13), kRed);
    QVERIFY(w.sent.isEmpty()); // the grid stays local

    // The next press that is no fill snaps to the new step.
    w.panel->tools()->Command14_Click();
    w.panel->tools()->Command5_Click();
    w.panel->tools()->mousePress(board::DrawingTools::Left, false, 149, 151);
    QCOMPARE(w.panel->tools()->sngGridStep(), 0.0694f);
    QCOMPARE(w.panel->tools()->sngStartX(), 100.0f);
    QCOMPARE(w.panel->tools()->sngStartY(), 200.0f);
}

void TestBoardDialogs::okRefusalsKeepTheDialogOpen()
{
    Window w;
    reticolobox *d = w.grid();
    w.panel->reticolo_Click();
    d->tipo->setCurrentText(QStringLiteral("Lineare"));
    d->passi1->setText(QStringLiteral("2"));
    d->passi2->setText(QStringLiteral("3"));
    d->retOK->click();
    QCOMPARE(w.boxes.lines(), QStringList{QStringLiteral("Vellumara|Selezionare un colore prima...")});
    QVERIFY(d->isVisible());
    QVERIFY(d->ProgressBar1->isHidden());
    QCOMPARE(d->PASSIGEN->text(), QStringLiteral("75"));
    QCOMPARE(w.surface()->image(), BoardSurface().image());

    w.palette.picSelColor_Click(5);
    d->passi2->setText(QStringLiteral("1311"));
    d->retOK->click();
    QCOMPARE(w.boxes.texts().last(),
             QStringLiteral("La procedura non è andata a buon fine: il valore immesso è troppo "
                            "grande..."));
    QVERIFY(d->isVisible());
    QCOMPARE(d->PASSIGEN->text(), QStringLiteral("75")); // stopped before it
    QCOMPARE(w.surface()->image(), BoardSurface().image());
    QCOMPARE(d->ProgressBar1->value(), 0);
    d->retAnnulla->click();
}

void TestBoardDialogs::annullaHidesAndPaintsNothing()
{
    Window w;
    w.palette.picSelColor_Click(5);
    w.panel->reticolo_Click();
    w.grid()->passi1->setText(QStringLiteral("9"));
    w.grid()->retAnnulla->click();
    QVERIFY(!w.grid()->isVisible());
    QCOMPARE(w.grid()->PASSIGEN->text(), QStringLiteral("120"));
    QCOMPARE(w.surface()->image(), BoardSurface().image());
    // Opened again, it still holds what was typed.
    w.panel->reticolo_Click();
    QCOMPARE(w.grid()->passi1->text(), QStringLiteral("9"));
    w.grid()->retAnnulla->click();
}

void TestBoardDialogs::textDialogControlsAndStartValues()
{
    Window w;
    w.palette.picSelColor_Click(5);
    bool openBefore = true;
    QObject::connect(w.panel, &BoardPanel::secondaryWindowOpening, &w.window,
                     [&] { openBefore = w.panel->textDialog() && w.panel->textDialog()->isVisible(); });
    frmInsText *d = w.openText(QPoint(100, 50));
    QVERIFY(d);
    QVERIFY(!openBefore);
    QVERIFY(d->isVisible());
    QCOMPARE(d->windowModality(), Qt::WindowModal);
    QCOMPARE(d->objectName(), QStringLiteral("frmInsText"));
    QCOMPARE(d->windowTitle(), QStringLiteral("Aggiungi testo"));
    QCOMPARE(d->anchor(), QPoint(1500, 750)); // the press in twips

    const struct {
        const char *name;
        const char *tip;
    } tips[] = {{"txtText", "Testo"},        {"cboFonts", "Stile"},         {"cboHeight", "Altezza"},
                {"cboWidth", "Larghezza"},   {"cboBold", "Spessore"},       {"chbItalic", "Corsivo"},
                {"chbUnderlined", "Sottolineato"}, {"chbStrikeout", "Barrato"}, {"Command1", "Corsivo"},
                {"Command2", "Sottolineato"}, {"Command3", "Barrato"},      {"picAngle", "Angolazione"},
                {"cmdDrawPic", "Inserisci testo"}};
    for (const auto &t : tips) {
        auto *widget = d->findChild<QWidget *>(QLatin1String(t.name));
        QVERIFY2(widget, t.name);
        QCOMPARE(widget->toolTip(), QString::fromLatin1(t.tip));
    }
    QCOMPARE(d->Command1->text(), QStringLiteral("C"));
    QCOMPARE(d->Command2->text(), QStringLiteral("&S"));
    QCOMPARE(d->Command3->text(), QStringLiteral("B"));
    QCOMPARE(d->cmdDrawPrev->text(), QStringLiteral("Draw Preview"));
    QCOMPARE(d->cmdDrawPic->text(), QStringLiteral("OK"));
    QCOMPARE(d->cmdCancel->text(), QStringLiteral("Esci"));
    QStringList labels;
    for (QLabel *l : d->findChildren<QLabel *>())
        if (!l->text().isEmpty())
            labels << l->text();
    for (const char *caption : {"Testo:", "Stile:", "Height:", "Width", "Weight", "Angolazione:",
                                "Preview:"})
        QVERIFY2(labels.contains(QLatin1String(caption)), caption);

    QVERIFY(d->txtText->text().isEmpty());
    QStringList fonts;
    for (int i = 0; i < d->cboFonts->count(); ++i)
        fonts << d->cboFonts->itemText(i);
    QCOMPARE(fonts, QFontDatabase::families());
    QCOMPARE(d->cboFonts->currentIndex(), 1);
    QCOMPARE(d->cboHeight->count(), 149);
    QCOMPARE(d->cboHeight->itemText(0), QStringLiteral("2"));
    QCOMPARE(d->cboHeight->itemText(148), QStringLiteral("150"));
    QCOMPARE(d->cboHeight->currentText(), QStringLiteral("13"));
    QCOMPARE(d->cboWidth->currentText(), QStringLiteral("4"));
    QStringList weights;
    for (int i = 0; i < d->cboBold->count(); ++i)
        weights << d->cboBold->itemText(i);
    QCOMPARE(weights, (QStringList{"Heavy", "Extrabold", "Bold", "Semibold", "Medium", "Normal",
                                   "Light", "Extralight", "Thin"}));
    QCOMPARE(d->cboBold->currentText(), QStringLiteral("Normal"));
    QCOMPARE(frmInsText::weightOf(QStringLiteral("Thin")), 100);
    QCOMPARE(frmInsText::weightOf(QStringLiteral("Heavy")), 900);
    QCOMPARE(frmInsText::weightOf(QString()), 0);
    QVERIFY(!d->chbItalic->isChecked() && !d->chbUnderlined->isChecked() &&
            !d->chbStrikeout->isChecked());
    QCOMPARE(d->picAngle->size(), QSize(93, 93));
    QVERIFY(d->picBackBuffer->isHidden());
    QVERIFY(d->picAngle->pixmap().toImage().size() == QSize(93, 93));

    // The start values as one text: 13 high, 4 wide, weight 400, angle 0.
    const board::TextParams p = d->params();
    QCOMPARE(p.Height, 13);
    QCOMPARE(p.Width, 4);
    QCOMPARE(p.FWidth, 400);
    QCOMPARE(p.angle, 0.0);
    QCOMPARE(p.FName, d->cboFonts->itemText(1));
    d->cmdCancel->click();
}

void TestBoardDialogs::styleButtonsSwitchTheirBoxes()
{
    Window w;
    w.palette.picSelColor_Click(5);
    frmInsText *d = w.openText();
    const QColor on = BoardPanel::highlightOnColour(d->palette());
    const QColor off = BoardPanel::highlightOffColour(d->palette());
    QVERIFY(on != off);
    const struct {
        QPushButton *button;
        QCheckBox *box;
    } pairs[] = {{d->Command1, d->chbItalic}, {d->Command2, d->chbUnderlined},
                 {d->Command3, d->chbStrikeout}};
    for (const auto &pair : pairs) {
        QCOMPARE(pair.button->palette().color(QPalette::Button), off);
        pair.button->click();
        QVERIFY(pair.box->isChecked());
        QCOMPARE(pair.button->palette().color(QPalette::Button), on);
        pair.button->click();
        QVERIFY(!pair.box->isChecked());
        QCOMPARE(pair.button->palette().color(QPalette::Button), off);
    }
    d->Command2->click();
    QVERIFY(d->params().Underlined);
    QVERIFY(!d->params().Italic);
    d->cmdCancel->click();
}

void TestBoardDialogs::okDrawsSendsHidesAndKeepsSettings()
{
    Window w;
    w.palette.picSelColor_Click(5);
    frmInsText *d = w.openText(QPoint(200, 300));
    d->txtText->setText(QStringLiteral("Taverna"));
    d->cboHeight->setCurrentText(QStringLiteral("30"));
    d->cboBold->setCurrentText(QStringLiteral("Bold"));
    // Straight up from the dial's centre: 90 degrees.
    d->picAngle_MouseDown(46.5, 5);
    QVERIFY(d->anglePicker().fixed());
    d->cmdDrawPic->click();

    QVERIFY(!d->isVisible());
    QCOMPARE(w.sent.size(), 12);
    QCOMPARE(w.sent.at(0), QStringLiteral("[Inserisci Testo]Taverna"));
    QCOMPARE(w.sent.at(1), QStringLiteral("[Inserisci Testo2]3000"));
    QCOMPARE(w.sent.at(2), QStringLiteral("[Inserisci Testo3]4500"));
    QCOMPARE(w.sent.at(6), QStringLiteral("[Inserisci Testo7]30"));
    QCOMPARE(w.sent.at(8), QStringLiteral("[Inserisci Testo9]90"));
    QCOMPARE(w.sent.at(9), QStringLiteral("[Inserisci Testo10]700"));
    QCOMPARE(w.sent.at(10), QStringLiteral("[Inserisci Testo11]") + d->cboFonts->currentText());
    QCOMPARE(w.sent.at(11), QStringLiteral("[Inserisci TestoColore]00000000051"));
    // Running upwards from (200, 300): ink right of and above the anchor.
    bool above = false;
    const QImage &image = w.surface()->image();
    for (int y = 200; y < 300; ++y)
        for (int x = 200; x < 235; ++x)
            above |= (image.pixel(x, y) & 0xFFFFFF) == 0xFF0000;
    QVERIFY(above);

    // The same dialog comes back for the next text, with its settings.
    QCOMPARE(w.panel->textDialog(), d);
    QCOMPARE(w.openText(QPoint(10, 10)), d);
    QCOMPARE(d->txtText->text(), QStringLiteral("Taverna"));
    QCOMPARE(d->cboHeight->currentText(), QStringLiteral("30"));
    QCOMPARE(d->anchor(), QPoint(150, 150));
    QVERIFY(d->isVisible());

    // With the colour gone (a received text borrows the palette), "OK" says so and stays.
    w.palette.clearBorders();
    w.sent.clear();
    d->cmdDrawPic->click();
    QVERIFY(d->isVisible());
    QVERIFY(w.sent.isEmpty());
    QCOMPARE(w.boxes.texts().last(), QStringLiteral("Selezionare un colore prima..."));
    d->cmdCancel->click();
}

void TestBoardDialogs::esciUnloads()
{
    Window w;
    w.palette.picSelColor_Click(5);
    frmInsText *d = w.openText();
    d->txtText->setText(QStringLiteral("perso"));
    d->cboWidth->setCurrentText(QStringLiteral("9"));
    d->cmdCancel->click();
    QVERIFY(!d->isVisible());
    QTRY_VERIFY(!w.panel->textDialog());
    QVERIFY(w.sent.isEmpty());
    QCOMPARE(w.surface()->image(), BoardSurface().image());
    frmInsText *fresh = w.openText();
    QVERIFY(fresh);
    QVERIFY(fresh->txtText->text().isEmpty());
    QCOMPARE(fresh->cboWidth->currentText(), QStringLiteral("4"));
    // Escape ends it the same way.
    QTest::keyClick(fresh, Qt::Key_Escape);
    QTRY_VERIFY(!w.panel->textDialog());
}

void TestBoardDialogs::previewDrawsAndAClickClearsIt()
{
    Window w;
    w.palette.picSelColor_Click(5);
    frmInsText *d = w.openText();
    d->txtText->setText(QStringLiteral("Anteprima"));
    d->cboHeight->setCurrentText(QStringLiteral("40"));
    d->cboWidth->setCurrentText(QStringLiteral("12"));
    d->cmdDrawPrev->click();
    const QImage preview = d->preview();
    QVERIFY(hasInk(preview));
    // Anchored at the box's centre: nothing left of or above it.
    const QPoint centre(qRound(preview.width() / 2.0), qRound(preview.height() / 2.0));
    for (int y = 0; y < preview.height(); ++y)
        for (int x = 0; x < preview.width(); ++x)
            if ((preview.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF) {
                QVERIFY(x >= centre.x() - 1);
                QVERIFY(y >= centre.y() - 1);
                QCOMPARE(preview.pixel(x, y) & 0xFFFFFF, QRgb(0xFF0000));
            }
    QCOMPARE(w.surface()->image(), BoardSurface().image()); // the board is untouched
    QVERIFY(w.sent.isEmpty());
    QTest::mouseClick(d->picTest, Qt::LeftButton, {}, QPoint(5, 5));
    QVERIFY(!hasInk(d->preview()));
    // What the wire cannot carry is previewed as "?", as it will be drawn.
    d->txtText->setText(QStringLiteral("?ód?"));
    d->cmdDrawPrev->click();
    const QImage asSent = d->preview();
    d->picTest_Click();
    d->txtText->setText(QStringLiteral("Łódź"));
    d->cmdDrawPrev->click();
    QCOMPARE(d->preview(), asSent);
    d->picTest_Click();

    w.palette.clearBorders();
    d->cmdDrawPrev->click();
    QVERIFY(!hasInk(d->preview()));
    QCOMPARE(w.boxes.texts(), QStringList{QStringLiteral("Selezionare un colore prima...")});
    d->cmdCancel->click();
}

void TestBoardDialogs::pickerFollowsThePointerOnlyWhileFree()
{
    Window w;
    w.palette.picSelColor_Click(5);
    frmInsText *d = w.openText();
    const QImage start = d->picAngle->pixmap().toImage();
    QTest::mouseMove(d->picAngle, QPoint(10, 10));
    QTRY_VERIFY(d->picAngle->pixmap().toImage() != start);
    QCOMPARE(d->anglePicker().angle(), 0.0); // moving chooses nothing
    QTest::mouseClick(d->picAngle, Qt::LeftButton, {}, QPoint(10, 83));
    QVERIFY(d->anglePicker().fixed());
    QVERIFY(std::abs(d->anglePicker().angle() - 225.0) < 1.0);
    const QImage fixedImage = d->picAngle->pixmap().toImage();
    d->picAngle_MouseMove(80, 13);
    QCOMPARE(d->picAngle->pixmap().toImage(), fixedImage);
    d->cmdCancel->click();
}

void TestBoardDialogs::pictureControls()
{
    Window w;
    const struct {
        const char *name;
        const char *tip;
    } controls[] = {{"txtWidth", "Larghezza"},
                    {"txtHeight", "Altezza"},
                    {"cmdRidim", "Ridimensiona/Copia appunti"},
                    {"IncollaClipboard", "Incolla appunti"}};
    for (const auto &c : controls) {
        auto *widget = w.find<QWidget>(c.name);
        QVERIFY2(widget, c.name);
        QCOMPARE(widget->toolTip(), QString::fromLatin1(c.tip));
        QVERIFY(widget->isVisible());
    }
    QVERIFY(w.find<QLabel>("picHidden"));
    QVERIFY(!w.find<QLabel>("picHidden")->isVisible());
    QVERIFY(w.panel->picDraw()->acceptDrops());
}

void TestBoardDialogs::sizeBoxesKeepTheirLeadingNumber()
{
    Window w;
    QLineEdit *box = w.panel->txtWidth();
    box->setFocus();
    QTest::keyClicks(box, QStringLiteral("12abc"));
    QCOMPARE(box->text(), QStringLiteral("12"));
    box->clear();
    QCOMPARE(box->text(), QStringLiteral("0"));
    QTest::keyClicks(box, QStringLiteral("5"));
    QCOMPARE(box->text(), QStringLiteral("5")); // "05" read as 5
    w.panel->txtHeight()->setText(QStringLiteral("x9"));
    QCOMPARE(w.panel->txtHeight()->text(), QStringLiteral("0"));
}

void TestBoardDialogs::dropLoadsTheFirstFile()
{
    const QString first = m_dir.filePath(QStringLiteral("first.png"));
    const QString second = m_dir.filePath(QStringLiteral("second.png"));
    QVERIFY(picture(300, 200, Qt::red).save(first));
    QVERIFY(picture(10, 10, Qt::blue).save(second));
    Window w;
    w.drop({QUrl::fromLocalFile(first), QUrl::fromLocalFile(second)});
    QCOMPARE(w.panel->txtWidth()->text(), QStringLiteral("300"));
    QCOMPARE(w.panel->txtHeight()->text(), QStringLiteral("200"));
    QVERIFY(w.panel->hasPicture());
    QCOMPARE(w.panel->picture().size(), QSize(300, 200));
    QCOMPARE(w.panel->picHidden()->size(), QSize(300, 200));
    QCOMPARE(w.surface()->pixel(299, 199), kRed);
    QCOMPARE(w.surface()->pixel(300, 0), 0x00FFFFFFu);
    QVERIFY(w.boxes.shown.isEmpty());
    QVERIFY(w.sent.isEmpty()); // pictures stay local
}

void TestBoardDialogs::dropOfWhatIsNoPicture()
{
    const QString text = m_dir.filePath(QStringLiteral("appunti.png"));
    QFile f(text);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("un drago, due nani\n");
    f.close();
    const QString good = m_dir.filePath(QStringLiteral("good.png"));
    QVERIFY(picture(20, 20, Qt::red).save(good));
    Window w;
    w.drop({QUrl::fromLocalFile(text), QUrl::fromLocalFile(good)});
    QCOMPARE(w.boxes.lines(), QStringList{QStringLiteral("Vellumara|Immagine non valida.")});
    QVERIFY(!w.panel->hasPicture());
    w.drop({QUrl(QStringLiteral("https://example.org/drago.png"))});
    QCOMPARE(w.boxes.texts().size(), 2);
    QCOMPARE(w.boxes.texts().last(), QStringLiteral("Immagine non valida."));
    QVERIFY(w.panel->txtWidth()->text().isEmpty());
}

void TestBoardDialogs::ridimAndIncollaButtons()
{
    const QString path = m_dir.filePath(QStringLiteral("ridim.png"));
    QVERIFY(picture(300, 200, Qt::red).save(path));
    Window w;
    QVERIFY(w.panel->loadPictureFile(path));
    w.panel->txtWidth()->setText(QStringLiteral("600"));
    w.panel->txtHeight()->setText(QStringLiteral("400"));
    w.panel->cmdRidim()->click();
    QCOMPARE(w.panel->images()->dibImage()->Width(), 600);
    QCOMPARE(w.surface()->pixel(599, 399), kRed);
    QCOMPARE(QGuiApplication::clipboard()->image().size(), QSize(800, 800));
    QCOMPARE(QGuiApplication::clipboard()->image().pixel(400, 10) & 0xFFFFFF, QRgb(0xFFFFFF));

    w.panel->txtWidth()->setText(QStringLiteral("20000"));
    w.panel->cmdRidim()->click();
    QCOMPARE(w.boxes.texts(), QStringList{QStringLiteral("Dimensioni non valide: larghezza e "
                                                         "altezza vanno da 1 a 16384 pixel.")});
    QCOMPARE(w.panel->images()->dibImage()->Width(), 600);

    QGuiApplication::clipboard()->setImage(picture(40, 30, Qt::green));
    w.panel->IncollaClipboard()->click();
    QCOMPARE(w.panel->picture().size(), QSize(40, 30));
    QCOMPARE(w.surface()->pixel(39, 29), 0x0000FF00u);
    QCOMPARE(w.panel->txtWidth()->text(), QStringLiteral("20000")); // the boxes stay
}

void TestBoardDialogs::pictureButtonsTakeThePendingBandAwayFirst_data()
{
    QTest::addColumn<QString>("operation");
    for (const char *op : {"paste", "drop", "resize", "fit", "explorer"})
        QTest::newRow(op) << QString::fromLatin1(op);
}

void TestBoardDialogs::pictureButtonsTakeThePendingBandAwayFirst()
{
    // A straight line's rubber band is inverted onto the board. A picture
    // put over it (or a copy of the board taken, or the explorer opened to
    // draw over it) must find it gone: the next move inverts the old band
    // "away" again, which over new pixels draws a stray line instead.
    QFETCH(QString, operation);
    const QString path = m_dir.filePath(QStringLiteral("band.png"));
    QVERIFY(picture(400, 300, Qt::green).save(path));

    auto run = [&](Window &w, bool band, QImage &afterOperation) {
        w.palette.picSelColor_Click(5);
        if (operation == QLatin1String("resize") || operation == QLatin1String("fit"))
            QVERIFY(w.panel->loadPictureFile(path));
        board::DrawingTools *tools = w.panel->tools();
        tools->Command14_Click();
        if (band) {
            tools->mousePress(board::DrawingTools::Left, false, 1500, 1500);
            tools->mouseMove(0, false, 4500, 3000);
            QVERIFY(tools->segmentPending());
        }
        QImage seen;
        const QMetaObject::Connection c = QObject::connect(
            w.panel, &BoardPanel::imageExplorerRequested, &w.window,
            [&] { seen = w.surface()->image().copy(); });
        if (operation == QLatin1String("paste")) {
            QGuiApplication::clipboard()->setImage(picture(400, 300, Qt::green));
            w.panel->IncollaClipboard()->click();
        } else if (operation == QLatin1String("drop")) {
            w.drop({QUrl::fromLocalFile(path)});
        } else if (operation == QLatin1String("resize")) {
            w.panel->txtWidth()->setText(QStringLiteral("500"));
            w.panel->txtHeight()->setText(QStringLiteral("350"));
            w.panel->cmdRidim()->click();
            seen = QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32);
        } else if (operation == QLatin1String("fit")) {
            w.panel->txtWidth()->setText(QStringLiteral("0"));
            w.panel->cmdRidim()->click();
        } else {
            w.panel->Command2()->click();
        }
        QObject::disconnect(c);
        afterOperation = seen.isNull() ? w.surface()->image().copy() : seen;
        QVERIFY(!tools->segmentPending());
        // The line goes on from where it was started.
        if (!band)
            tools->mousePress(board::DrawingTools::Left, false, 1500, 1500);
        tools->mouseMove(0, false, 6000, 1500);
        tools->mousePress(board::DrawingTools::Left, false, 6000, 1500);
    };
    Window banded, clean;
    QImage bandedAfter, cleanAfter;
    run(banded, true, bandedAfter);
    run(clean, false, cleanAfter);
    QVERIFY(banded.boxes.shown.isEmpty() && clean.boxes.shown.isEmpty());
    QCOMPARE(bandedAfter, cleanAfter);
    QCOMPARE(banded.surface()->image(), clean.surface()->image());
    QVERIFY(banded.surface()->image() != BoardSurface().image());
}

void TestBoardDialogs::publicCallsForOtherWindows()
{
    const QString path = m_dir.filePath(QStringLiteral("explorer.png"));
    QVERIFY(picture(64, 48, Qt::blue).save(path));
    Window w;
    QVERIFY(!w.panel->hasPicture());
    QVERIFY(!w.panel->loadPictureFile(m_dir.filePath(QStringLiteral("none.png")), false));
    QVERIFY(w.boxes.shown.isEmpty());
    QVERIFY(!w.panel->loadPictureFile(m_dir.filePath(QStringLiteral("none.png"))));
    QCOMPARE(w.boxes.texts(), QStringList{QStringLiteral("Immagine non valida.")});
    QVERIFY(w.panel->loadPictureFile(path));
    QVERIFY(w.panel->hasPicture());
    QVERIFY(w.panel->images()->hasLoadedPicture());
    QCOMPARE(w.panel->picture().size(), QSize(64, 48));
    QCOMPARE(w.panel->txtWidth()->text(), QStringLiteral("64"));
    QVERIFY(w.panel->CopyEntirePicture());
    QCOMPARE(QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32),
             w.surface()->image());
    w.grid()->PASSIGEN->setText(QStringLiteral("360"));
    QCOMPARE(w.panel->PASSIGEN(), QStringLiteral("360"));
    w.panel->takeGridStep();
    QCOMPARE(w.panel->tools()->sngGridStep(), 0.25f);
}

QTEST_MAIN(TestBoardDialogs)
void TestBoardDialogs::gridShareGoesOutAsLaid_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("passi1");
    QTest::addColumn<QString>("passi2");
    QTest::addColumn<bool>("ticked");
    QTest::addColumn<int>("shares"); // grids handed on to share
    QTest::addColumn<int>("p1");
    QTest::addColumn<int>("p2");
    QTest::newRow("lineare ticked") << "Lineare" << "4" << "6" << true << 1 << 4 << 6;
    // Steps go out as the painting used them: rounded.
    QTest::newRow("rounded steps") << "Puntiforme" << "2.6" << "3.4" << true << 1 << 3 << 3;
    QTest::newRow("not ticked") << "Lineare" << "4" << "6" << false << 0 << 0 << 0;
    // A step below 1 paints the background, which is no grid to share.
    QTest::newRow("background") << "Lineare" << "0" << "6" << true << 0 << 0 << 0;
}

void TestBoardDialogs::gridShareGoesOutAsLaid()
{
    QFETCH(QString, kind);
    QFETCH(QString, passi1);
    QFETCH(QString, passi2);
    QFETCH(bool, ticked);
    QFETCH(int, shares);
    QFETCH(int, p1);
    QFETCH(int, p2);
    Window w;
    w.palette.picSelColor_Click(5);
    w.panel->tools()->setPennello(3);
    w.panel->reticolo_Click();
    reticolobox *d = w.grid();
    QVERIFY(!d->chkShare->isChecked()); // the grid stays local unless asked
    QList<session::GridFields> grids;
    QObject::connect(d, &reticolobox::gridToShare, d,
                     [&](const session::GridFields &g) { grids << g; });
    d->tipo->setCurrentText(kind);
    d->passi1->setText(passi1);
    d->passi2->setText(passi2);
    d->chkShare->setChecked(ticked);
    d->retOK->click();
    QCOMPARE(grids.size(), shares);
    // Without a session the panel says why it could not be shared.
    QCOMPARE(w.boxes.shown.size(), shares);
    if (!shares)
        return;
    QCOMPARE(grids[0].kind, qint16(board::GridPainter::kinds().indexOf(kind)));
    QCOMPARE(grids[0].passi1, qint16(p1));
    QCOMPARE(grids[0].passi2, qint16(p2));
    QCOMPARE(grids[0].colour, qint32(kRed));
    QCOMPARE(grids[0].width, qint16(3));
}

void TestBoardDialogs::sharePictureWithoutSessionSaysWhy()
{
    Window w;
    auto *button = w.find<QToolButton>("cmdSharePicture");
    QVERIFY(button);
    button->click();
    QCOMPARE(w.boxes.texts(),
             QStringList{QStringLiteral("Sulla lavagna non c'è un'immagine da condividere.")});
    w.surface()->setPicture(QImage(30, 20, QImage::Format_RGB32));
    button->click();
    QCOMPARE(w.boxes.texts().last(),
             QStringLiteral("Nessuna sessione aperta con cui condividere l'immagine."));
    // Without a session, loading a picture offers nothing.
    QCOMPARE(w.boxes.asked.size(), 0);
}

void TestBoardDialogs::sharedGridsTooDenseAreRefused_data()
{
    QTest::addColumn<int>("kind"); // 0 Lineare, 1 Orizzontale, 2 Puntiforme, 3 Verticale
    QTest::addColumn<int>("p1");
    QTest::addColumn<int>("p2");
    QTest::addColumn<int>("width");
    QTest::addColumn<bool>("refused");
    QTest::newRow("densest lines, widest pen") << 0 << 1 << 1 << 25 << false;
    QTest::newRow("densest dots, thin pen") << 2 << 1 << 1 << 1 << false;
    QTest::newRow("dots every 4 units, widest pen") << 2 << 4 << 4 << 25 << false;
    // Dots of 25 pixels every pixel and a half: a whole board painted over
    // thousands of times, which held a receiver up for half a second.
    QTest::newRow("densest dots, widest pen") << 2 << 1 << 1 << 25 << true;
    QTest::newRow("dots 2 x 3, widest pen") << 2 << 2 << 3 << 25 << true;
    QTest::newRow("pen wider than the bar allows") << 1 << 10 << 0 << 26 << true;
    QTest::newRow("no pen") << 3 << 0 << 10 << 0 << true;
    QTest::newRow("unknown kind") << 4 << 4 << 4 << 1 << true;
}

// The rule every board applies to a shared grid before painting it, and the
// sharer before sending it, so the boards stay alike.
void TestBoardDialogs::sharedGridsTooDenseAreRefused()
{
    QFETCH(int, kind);
    QFETCH(int, p1);
    QFETCH(int, p2);
    QFETCH(int, width);
    QFETCH(bool, refused);
    const session::GridFields grid{qint16(kind), qint16(p1), qint16(p2), 255, qint16(width),
                                   QStringLiteral("Ada")};
    QCOMPARE(!board::TableShare::gridRefusal(grid).isEmpty(), refused);
    // A board handed such a grid paints nothing and says why.
    Window w;
    const QImage before = w.surface()->image();
    w.panel->tableShare()->showSharedGrid(grid);
    QCOMPARE(w.surface()->image() == before, refused);
}

#include "tst_boarddialogs.moc"
