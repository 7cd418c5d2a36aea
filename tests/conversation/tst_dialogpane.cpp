#include "colouring.h"
#include "dialogpane.h"
#include "togglebutton.h"

#include <QClipboard>
#include <QDateTime>
#include <QGuiApplication>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextLayout>
#include <QWheelEvent>

using conversation::Colouring;
using conversation::DialogPane;
using conversation::ToggleButton;

namespace
{

// The colour of every character of the document, block separators left out.
QList<QColor> colours(const QTextDocument *doc)
{
    QList<QColor> out;
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment f = it.fragment();
            const QColor c = f.charFormat().foreground().color();
            for (int i = 0; i < f.length(); ++i)
                out << c;
        }
    }
    return out;
}

QList<QColor> repeat(const QColor &c, qsizetype n)
{
    return QList<QColor>(n, c);
}

const QColor kBlack(0, 0, 0);

} // namespace

class TestDialogPane : public QObject
{
    Q_OBJECT

    struct Fixture {
        QWidget window;
        DialogPane pane{&window};
        QStringList names;
        QString clock = "9.05.07";
        Fixture()
        {
            pane.setNames([this] { return names; });
            pane.setClockText([this] { return clock; });
        }
        QString text() const { return pane.txtDialog()->toPlainText(); }
        const QTextDocument *doc() const { return pane.txtDialog()->document(); }
    };

private slots:
    void recapAndNotesStandApartFromLiveTalk()
    {
        // With stamps and colours on, a live line is stamped with the clock
        // and coloured by speaker; a recap line has its own time and colour
        // whatever the switches say, and so has the pane's own note.
        Fixture f;
        f.names = {QStringLiteral("Master")};
        f.pane.Command21_Click();
        f.pane.Command19_Click();
        const QColor grey = QColor::fromRgba(DialogPane::kRecapColour);
        f.pane.showRecap(QStringLiteral("Master: il drago dorme"),
                         QDateTime(QDate(2026, 3, 7), QTime(21, 7)));
        f.pane.UpdateDialog(QStringLiteral("Master: il drago dorme"));
        f.pane.markPane(QStringLiteral("--- di nuovo al tavolo ---"));
        const QString recap = QStringLiteral("(già detto alle 21.07) Master: il drago dorme");
        const QString live = QStringLiteral("[9.05] Master: il drago dorme");
        const QString note = QStringLiteral("--- di nuovo al tavolo ---");
        QCOMPARE(f.pane.dialogText(), recap + u'\n' + live + u'\n' + note);
        const QColor speaker(125, 125, 215);
        QCOMPARE(colours(f.pane.txtDialog()->document()),
                 repeat(grey, recap.size()) + repeat(kBlack, 7) + repeat(speaker, 6) +
                     repeat(kBlack, live.size() - 13) + repeat(grey, note.size()));
    }
    void controlsAreNamed()
    {
        Fixture f;
        QVERIFY(f.window.findChild<QPlainTextEdit *>("txtDialog"));
        QVERIFY(f.window.findChild<QPlainTextEdit *>("txtStatus"));
        QVERIFY(f.window.findChild<ToggleButton *>("Command21"));
        QVERIFY(f.window.findChild<ToggleButton *>("Command19"));
        QVERIFY(f.pane.txtDialog()->isReadOnly());
        QVERIFY(f.pane.txtStatus()->isReadOnly());
        QVERIFY(!(f.pane.txtDialog()->textInteractionFlags() & Qt::LinksAccessibleByMouse));
    }

    void firstLineHasNoEmptyLineBefore()
    {
        Fixture f;
        f.pane.UpdateDialog("Brom: ciao");
        QCOMPARE(f.text(), QString("Brom: ciao"));
        f.pane.UpdateDialog("Lia: salve");
        QCOMPARE(f.text(), QString("Brom: ciao\nLia: salve"));
        QCOMPARE(f.doc()->blockCount(), 2);
    }

    void clearEmptiesThePane()
    {
        Fixture f;
        f.pane.UpdateDialog("uno");
        f.pane.clearDialog();
        QCOMPARE(f.text(), QString());
        f.pane.UpdateDialog("due");
        QCOMPARE(f.text(), QString("due"));
    }

    void timeStamps()
    {
        Fixture f;
        QVERIFY(!f.pane.bTimeStamp());
        f.pane.UpdateDialog("a");
        QCOMPARE(f.pane.sTimeStamp(), QString());
        f.pane.Command21_Click();
        QVERIFY(f.pane.bTimeStamp());
        f.pane.UpdateDialog("Brom: ciao");
        QCOMPARE(f.pane.sTimeStamp(), QString("[9.05] "));
        f.clock = "14.05.59";
        f.pane.UpdateDialog("Brom: ciao");
        QCOMPARE(f.pane.sTimeStamp(), QString("[14.05] "));
        QCOMPARE(f.text(), QString("a\n[9.05] Brom: ciao\n[14.05] Brom: ciao"));
        f.pane.Command21_Click();
        f.pane.UpdateDialog("b");
        QCOMPARE(f.text().split('\n').last(), QString("b"));
    }

    void switchColours()
    {
        Fixture f;
        f.window.show();
        const QColor menu = ToggleButton::menuColour();
        const QColor light = ToggleButton::highlightColour();
        QVERIFY(menu != light);
        for (ToggleButton *b : {f.pane.Command21(), f.pane.Command19()}) {
            QVERIFY(!b->isOn());
            QCOMPARE(b->backColour(), light);
            QTest::mouseClick(b, Qt::LeftButton);
            QVERIFY(b->isOn());
            QCOMPARE(b->backColour(), menu);
            QTest::mouseClick(b, Qt::LeftButton);
            QVERIFY(!b->isOn());
            QCOMPARE(b->backColour(), light);
        }
        QVERIFY(!f.pane.bTimeStamp());
        QVERIFY(!f.pane.colouringOn());
    }

    void switchColoursFollowTheWindow()
    {
        QWidget window;
        QPalette palette = window.palette();
        palette.setColor(QPalette::Window, QColor(40, 120, 200));
        palette.setColor(QPalette::Light, QColor(230, 240, 250));
        window.setPalette(palette);
        ToggleButton button("sw", &window);
        QCOMPARE(button.backColour(), ToggleButton::highlightColour(palette));
        // Switching back and forth gives the same two colours every time.
        for (int i = 0; i < 3; ++i) {
            button.setOn(true);
            QCOMPARE(button.backColour(), ToggleButton::menuColour(palette));
            button.setOn(false);
            QCOMPARE(button.backColour(), ToggleButton::highlightColour(palette));
        }
    }

    void colouringExamples()
    {
        Fixture f;
        f.names = {"Brom"};
        f.pane.Command19_Click();

        f.pane.UpdateDialog("Brom: ciao");
        QList<QColor> expected = repeat(Colouring::kSpeaker, 4) + repeat(kBlack, 6);
        QCOMPARE(colours(f.doc()), expected);

        f.pane.UpdateDialog("*Brom*: ciao");
        expected += repeat(kBlack, 1) + repeat(Colouring::kSpeaker, 4) + repeat(kBlack, 7);
        QCOMPARE(colours(f.doc()), expected);

        const QString roll = "Brom lancia 2d6 ed ottiene 7.";
        f.pane.UpdateDialog(roll);
        expected += repeat(Colouring::kAction, roll.size());
        QCOMPARE(colours(f.doc()), expected);

        f.pane.UpdateDialog("Cala la notte.");
        expected += repeat(Colouring::kOther, 14);
        const QString anon = "Qualcuno lancia 1d6 ed ottiene 4.";
        f.pane.UpdateDialog(anon);
        expected += repeat(Colouring::kOther, anon.size());
        f.pane.UpdateDialog("*Cala la notte.*");
        expected += repeat(kBlack, 1) + repeat(Colouring::kOther, 14) + repeat(kBlack, 1);
        QCOMPARE(colours(f.doc()), expected);
        QCOMPARE(f.text().split('\n').size(), 6);
    }

    void stampStaysBlackWhenColoured()
    {
        Fixture f;
        f.names = {"Brom"};
        f.pane.Command19_Click();
        f.pane.Command21_Click();
        f.clock = "14.05.00";
        f.pane.UpdateDialog("Brom si siede");
        QCOMPARE(f.text(), QString("[14.05] Brom si siede"));
        QCOMPARE(colours(f.doc()), repeat(kBlack, 8) + repeat(Colouring::kAction, 13));
    }

    void prefixNames()
    {
        Fixture f;
        f.names = {"Al", "Alma"};
        f.pane.Command19_Click();
        f.pane.UpdateDialog("Alma: ciao");
        QCOMPARE(colours(f.doc()), repeat(Colouring::kSpeaker, 4) + repeat(kBlack, 6));
    }

    void metacharacterNames()
    {
        Fixture f;
        f.names = {".", "*", "(", "\\"};
        f.pane.Command19_Click();
        f.pane.UpdateDialog("(: ciao");
        f.pane.UpdateDialog("\\ si siede");
        f.pane.UpdateDialog("xx: ciao");
        QCOMPARE(colours(f.doc()), repeat(Colouring::kSpeaker, 1) + repeat(kBlack, 6) +
                                       repeat(Colouring::kAction, 10) +
                                       repeat(Colouring::kOther, 8));
    }

    void colouringOffAndEmptyListStayBlack()
    {
        Fixture f;
        f.names = {"Brom"};
        f.pane.UpdateDialog("Brom: ciao");
        QCOMPARE(colours(f.doc()), repeat(kBlack, 10));
        // switching on does not recolour what is shown
        f.pane.Command19_Click();
        QCOMPARE(colours(f.doc()), repeat(kBlack, 10));
        f.names.clear();
        f.pane.UpdateDialog("Brom: ciao");
        QCOMPARE(colours(f.doc()), repeat(kBlack, 20));
    }

    void rollWithDetailIsColouredAsOneLine()
    {
        Fixture f;
        f.names = {"Brom"};
        f.pane.Command19_Click();
        const QString line = QString::fromUtf8("Brom lancia 3d6 ed ottiene 11.\n« 4, 1, 6 »");
        f.pane.UpdateDialog(line);
        QCOMPARE(f.doc()->blockCount(), 2);
        QCOMPARE(f.text(), line);
        QCOMPARE(colours(f.doc()), repeat(Colouring::kAction, line.size() - 1));
    }

    void markupIsShownLiterally()
    {
        Fixture f;
        const QString line =
            "Eve: <img src=x> <b>grassetto</b> &amp; <a href=\"http://x\">link</a>";
        f.pane.UpdateDialog(line);
        QCOMPARE(f.text(), line);
        for (QTextBlock b = f.doc()->begin(); b.isValid(); b = b.next()) {
            for (auto it = b.begin(); !it.atEnd(); ++it) {
                const QTextCharFormat cf = it.fragment().charFormat();
                QVERIFY(!cf.isImageFormat());
                QVERIFY(!cf.isAnchor());
                QVERIFY(cf.fontWeight() != QFont::Bold);
            }
        }
        QVERIFY(!f.doc()->toHtml().contains("<img"));
        // and the pane refuses to fetch anything by itself
        QVERIFY(!f.pane.txtDialog()
                     ->loadResource(QTextDocument::ImageResource,
                                    QUrl::fromLocalFile(QCoreApplication::applicationFilePath()))
                     .isValid());
    }

    void awkwardCharacters()
    {
        Fixture f;
        f.names = {"Brom"};
        f.pane.Command19_Click();
        f.pane.UpdateDialog(QString("Brom: a") + QChar(1) + "b\tc" + QChar(0x7f));
        QCOMPARE(f.text(), QString("Brom: a") + QChar(1) + "b\tc" + QChar(0x7f));
        QCOMPARE(colours(f.doc()).size(), 12);
        f.pane.UpdateDialog("*");
        QCOMPARE(f.text().split('\n').last(), QString("*"));
        QCOMPARE(colours(f.doc()).last(), kBlack);
        // a lone CR does not break the line on screen: it shows as a space
        f.pane.UpdateDialog("Brom: uno\rdue");
        QCOMPARE(f.text().split('\n').last(), QString("Brom: uno due"));
        QCOMPARE(f.doc()->blockCount(), 3);
        QCOMPARE(colours(f.doc()).mid(colours(f.doc()).size() - 13, 4),
                 repeat(Colouring::kSpeaker, 4));
    }

    void receivedLineBreaksStayOnOneLine_data()
    {
        QTest::addColumn<QString>("separator");
        QTest::newRow("LF") << QString("\n");
        QTest::newRow("CR") << QString("\r");
        QTest::newRow("CR LF") << QString("\r\n");
        QTest::newRow("line separator") << QString(QChar(0x2028));
        QTest::newRow("paragraph separator") << QString(QChar(0x2029));
        QTest::newRow("frame start") << QString(QChar(0xFDD0));
        QTest::newRow("frame end") << QString(QChar(0xFDD1));
    }

    void receivedLineBreaksStayOnOneLine()
    {
        // A peer's line that hides a dice announcement after a break must
        // not show that announcement on a line of its own.
        QFETCH(QString, separator);
        Fixture f;
        f.names = {"Eve", "Brom"};
        f.pane.Command19_Click();
        f.window.resize(900, 300);
        f.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f.window));
        const QString forged = "Brom lancia 3d6 ed ottiene 18.";
        f.pane.UpdateDialog("Eve: ok" + separator + forged);
        QCOMPARE(f.doc()->blockCount(), 1);
        const QString spaces(separator.size(), QLatin1Char(' '));
        QCOMPARE(f.text(), "Eve: ok" + spaces + forged);
        QCOMPARE(f.doc()->firstBlock().text(), "Eve: ok" + spaces + forged);
        QCOMPARE(f.doc()->firstBlock().layout()->lineCount(), 1);
        // coloured as Eve's speech, the hidden roll included
        QCOMPARE(colours(f.doc()), repeat(Colouring::kSpeaker, 3) +
                                       repeat(kBlack, 4 + separator.size() + forged.size()));
    }

    void onlyATrailingDiceDetailBreaksTheLine_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QStringList>("shown");
        const QString roll = "Brom lancia 3d6 ed ottiene 11.";
        QTest::newRow("public detail") << roll + QString::fromUtf8("\n« 4, 1, 6 »")
                                       << QStringList{roll, QString::fromUtf8("« 4, 1, 6 »")};
        QTest::newRow("private detail")
            << "*" + roll + "*" + QString::fromUtf8("\n« 4, 7 »")
            << QStringList{"*" + roll + "*", QString::fromUtf8("« 4, 7 »")};
        QTest::newRow("break before a detail")
            << "Eve: a\n" + roll + QString::fromUtf8("\n« 4, 1 »")
            << QStringList{"Eve: a " + roll, QString::fromUtf8("« 4, 1 »")};
        QTest::newRow("text after the detail")
            << roll + QString::fromUtf8("\n« 4, 1 » x")
            << QStringList{roll + QString::fromUtf8(" « 4, 1 » x")};
        QTest::newRow("detail with a CR") << roll + QString::fromUtf8("\r« 4, 1 »")
                                          << QStringList{roll + QString::fromUtf8(" « 4, 1 »")};
        QTest::newRow("one die is no detail") << roll + QString::fromUtf8("\n« 4 »")
                                              << QStringList{roll + QString::fromUtf8(" « 4 »")};
        QTest::newRow("letters are no dice") << roll + QString::fromUtf8("\n« 4, x »")
                                             << QStringList{roll + QString::fromUtf8(" « 4, x »")};
        QTest::newRow("empty value") << roll + QString::fromUtf8("\n« 4, »")
                                     << QStringList{roll + QString::fromUtf8(" « 4, »")};
        QTest::newRow("a second line inside the detail")
            << roll + QString::fromUtf8("\n« 4, 1 »\n« 4, 1 »")
            << QStringList{roll + QString::fromUtf8(" « 4, 1 »"), QString::fromUtf8("« 4, 1 »")};
    }

    void onlyATrailingDiceDetailBreaksTheLine()
    {
        QFETCH(QString, line);
        QFETCH(QStringList, shown);
        Fixture f;
        f.pane.UpdateDialog(line);
        QCOMPARE(f.doc()->blockCount(), int(shown.size()));
        QCOMPARE(f.text(), shown.join('\n'));
    }

    void copyLeavesOutTheInsertedBreakPoints()
    {
        Fixture f;
        f.window.resize(500, 300);
        f.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f.window));
        const QString run(300, QLatin1Char('x'));
        f.pane.UpdateDialog(run);
        QVERIFY(f.text().contains(DialogPane::kBreakPoint)); // the pane did break the run
        QClipboard *clipboard = QGuiApplication::clipboard();
        clipboard->clear();
        f.pane.txtDialog()->selectAll();
        f.pane.txtDialog()->copy();
        QCOMPARE(clipboard->text(), run);

        // a zero width space the peer sent is the peer's text and is kept
        const QString own = "Eve: " + run + DialogPane::kBreakPoint + "y";
        f.pane.UpdateDialog(own);
        clipboard->clear();
        f.pane.txtDialog()->selectAll();
        f.pane.txtDialog()->copy();
        QCOMPARE(clipboard->text(), run + "\n" + own);
        // the coloured copy for rich text programs holds the same text
        QTextDocument pasted;
        pasted.setHtml(clipboard->mimeData()->html());
        QCOMPARE(pasted.toPlainText(), run + "\n" + own);
        QCOMPARE(f.pane.dialogText(), run + "\n" + own);
    }

    void copyFromTheStatusBoxLeavesOutTheBreakPoints()
    {
        // the status box breaks long runs the same way
        Fixture f;
        f.window.resize(500, 300);
        f.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f.window));
        QClipboard *clipboard = QGuiApplication::clipboard();
        const QString name(400, QLatin1Char('n'));
        f.pane.UpdateStatus(name + " si è connesso.");
        f.pane.UpdateStatus("Connesso");
        clipboard->clear();
        f.pane.txtStatus()->selectAll();
        f.pane.txtStatus()->copy();
        QCOMPARE(clipboard->text(), name + " si è connesso.\nConnesso");
        QCOMPARE(f.pane.statusText(), name + " si è connesso.\nConnesso");
    }

    void statusLineBreaksStayOnOneLine()
    {
        Fixture f;
        f.pane.UpdateStatus("Eve\nUgo si è connesso.");
        f.pane.UpdateStatus(QString("Eve") + QChar(0x2029) + "x");
        QCOMPARE(f.pane.txtStatus()->document()->blockCount(), 2);
        QCOMPARE(f.pane.txtStatus()->toPlainText(), QString("Eve Ugo si è connesso.\nEve x"));
    }

    void hugeLine()
    {
        Fixture f;
        f.names = {"Brom"};
        f.pane.Command19_Click();
        f.window.resize(500, 300);
        f.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f.window));
        const QString big = "Brom: " + QString(1 << 20, QLatin1Char('x'));
        f.pane.setMaxShown(2 * big.size()); // the whole line fits
        f.pane.UpdateDialog("prima");
        f.pane.UpdateDialog(big);
        f.pane.UpdateDialog("dopo");
        // The megabyte line takes blocks of its own; only invisible break
        // points were added, nothing was lost.
        const int blocks = f.doc()->blockCount();
        QCOMPARE(blocks, 2 + int((big.size() + DialogPane::kMaxBlock - 1) / DialogPane::kMaxBlock));
        QString shown;
        for (int i = 1; i < blocks - 1; ++i)
            shown += f.doc()->findBlockByNumber(i).text();
        QVERIFY(shown.size() > big.size());
        shown.remove(DialogPane::kBreakPoint);
        QCOMPARE(shown, big);
        QCOMPARE(f.pane.dialogText(), "prima\n" + big + "\ndopo");
        QCOMPARE(f.doc()->findBlockByNumber(blocks - 1).text(), QString("dopo"));
        QTest::qWait(50); // let the shown pane lay the line out and paint
        QCOMPARE(colours(f.doc()).mid(5, 4), repeat(Colouring::kSpeaker, 4));
    }

    void longRunsGetBreakPoints()
    {
        Fixture f;
        // The line as the pane shows it, break points included.
        const auto shown = [&f](const QString &line) {
            f.pane.clearDialog();
            f.pane.UpdateDialog(line);
            return f.text();
        };
        const QString plain = "Brom: una riga normale con parole corte";
        QCOMPARE(shown(plain), plain);
        const QString run(DialogPane::kLongRun, QLatin1Char('y'));
        QCOMPARE(shown(run), run);
        const QString longer = run + "zz";
        QCOMPARE(shown(longer), run + DialogPane::kBreakPoint + "zz");
        const QString spaced = run + " " + run;
        QCOMPARE(shown(spaced), spaced);
        const QString huge(10 * DialogPane::kLongRun + 3, QLatin1Char('x'));
        QString hugeBroken = shown(huge);
        QCOMPARE(hugeBroken.count(DialogPane::kBreakPoint), 10);
        QCOMPARE(hugeBroken.remove(DialogPane::kBreakPoint), huge);
    }

    void hugeStatusLine()
    {
        Fixture f;
        f.window.resize(500, 300);
        f.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f.window));
        const QString big = QString(1 << 20, QLatin1Char('n')) + " si è connesso.";
        f.pane.UpdateStatus(big);
        QTest::qWait(50);
        QString shown = f.pane.txtStatus()->toPlainText();
        QCOMPARE(shown.remove(DialogPane::kBreakPoint), big);
    }

    void statusBox()
    {
        Fixture f;
        f.pane.Label2_Click("192.168.1.20");
        QCOMPARE(f.pane.txtStatus()->toPlainText(), QString("IP: 192.168.1.20."));
        f.pane.UpdateStatus("Connesso");
        f.pane.UpdateStatus("<b>x</b>");
        QCOMPARE(f.pane.txtStatus()->toPlainText(),
                 QString("IP: 192.168.1.20.\nConnesso\n<b>x</b>"));
    }

    // Lines handed over in one event-loop turn enter the document together,
    // after the turn; each keeps the stamp and colours of the moment it came.
    void linesOfOneTurnKeepTheirOwnStampAndColours()
    {
        Fixture f;
        f.names = {"Brom"};
        f.pane.Command21_Click(); // stamps on
        f.pane.UpdateDialog("Brom: uno");
        f.clock = "9.06.00";
        f.pane.Command19_Click(); // colouring on from the second line
        f.pane.UpdateDialog("Brom si siede");
        f.names = {"Lia"};
        f.pane.UpdateDialog("Brom: tre");
        f.clock = "10.00.00";
        f.pane.Command21_Click(); // stamps off
        f.pane.UpdateDialog("Lia: quattro");
        QCOMPARE(f.pane.waitingLines(), qsizetype(4));
        QTRY_COMPARE(f.pane.waitingLines(), qsizetype(0));
        const QTextDocument *doc = f.pane.txtDialog()->document();
        QCOMPARE(doc->toPlainText(), QString("[9.05] Brom: uno\n[9.06] Brom si siede\n"
                                             "[9.06] Brom: tre\nLia: quattro"));
        const QList<QColor> expected =
            repeat(kBlack, 16)                                         // stamp and line, no colouring
            + repeat(kBlack, 7) + repeat(Colouring::kAction, 13)       // Brom's action
            + repeat(kBlack, 7) + repeat(Colouring::kOther, 9)         // Brom no longer listed
            + repeat(Colouring::kSpeaker, 3) + repeat(kBlack, 9);     // Lia speaks
        QCOMPARE(colours(doc), expected);
    }

    void clearInTheMiddleOfATurnDropsOnlyEarlierLines()
    {
        Fixture f;
        f.pane.UpdateDialog("prima");
        QTRY_COMPARE(f.pane.waitingLines(), qsizetype(0));
        f.pane.UpdateDialog("ancora prima");
        f.pane.clearDialog();
        f.pane.UpdateDialog("dopo");
        f.pane.UpdateDialog("ultima");
        QTRY_COMPARE(f.pane.waitingLines(), qsizetype(0));
        QCOMPARE(f.text(), QString("dopo\nultima"));
    }

    // A burst bigger than a slice goes in over several turns, complete and
    // in order; reading the pane in the middle of it shows every line.
    void bigBurstArrivesWholeAndInOrder()
    {
        Fixture f;
        f.window.resize(600, 400);
        f.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f.window));
        const int n = 20000;
        f.pane.setMaxBlocks(2 * n); // every line fits
        QStringList expected;
        for (int i = 0; i < n; ++i) {
            expected << QString("riga %1 di una raffica lunga").arg(i);
            f.pane.UpdateDialog(expected.last());
        }
        QTRY_COMPARE(f.pane.waitingLines(), qsizetype(0));
        for (int i = 0; i < n; ++i) {
            expected << QString("seconda %1").arg(i);
            f.pane.UpdateDialog(expected.last());
        }
        QCoreApplication::processEvents();
        QCOMPARE(f.pane.dialogText(), expected.join('\n'));
        QCOMPARE(f.pane.waitingLines(), qsizetype(0));
        QCOMPARE(f.doc()->blockCount(), 2 * n);
    }

    // A line longer than a block goes in slice by slice as blocks of its
    // own, and reads back, copies and colours as the one line it is.
    void hugeLineGoesInByBlocksAndReadsBackWhole()
    {
        Fixture f;
        f.names = {"Brom"};
        f.pane.Command19_Click(); // colouring on: the action run spans every block
        QString huge = "Brom ";
        while (huge.size() < 3 * DialogPane::kMaxBlock)
            huge += "sale ";
        // A character outside the basic plane right on a block edge.
        huge.insert(DialogPane::kMaxBlock - 1, QString::fromUtf8("\xF0\x9F\x8E\xB2"));
        f.pane.UpdateDialog(huge);
        f.pane.UpdateDialog("Lia: fine");

        QTRY_COMPARE(f.pane.waitingLines(), qsizetype(0));

        QCOMPARE(f.pane.dialogText(), huge + "\nLia: fine");
        QCOMPARE(f.doc()->blockCount(), 5); // four for the huge line, one for Lia
        QCOMPARE(colours(f.doc()).mid(0, huge.size()), repeat(Colouring::kAction, huge.size()));
        for (QTextBlock b = f.doc()->begin(); b.isValid(); b = b.next())
            QVERIFY(b.text().size() <= DialogPane::kMaxBlock);

        QTextCursor all(f.pane.txtDialog()->document());
        all.select(QTextCursor::Document);
        f.pane.txtDialog()->setTextCursor(all);
        f.pane.txtDialog()->copy();
        QCOMPARE(QGuiApplication::clipboard()->text(), huge + "\nLia: fine");
    }

    // Past its ceiling the pane lets its oldest lines go, whole (a line of
    // several blocks with all of them), and keeps the newest in order.
    void oldestLinesGoPastTheCeiling_data()
    {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<qsizetype>("ceiling");
        QTest::addColumn<int>("blockCeiling");
        QTest::addColumn<int>("firstKept");
        QStringList short100;
        for (int i = 0; i < 30; ++i)
            short100 << QString("%1:").arg(i, 3, 10, QChar('0')) + QString(96, 'r');
        // 30 lines of 101 characters each (the line end counts): 3030 shown.
        QTest::newRow("under the ceiling") << short100 << qsizetype(4000) << 30 << 0;
        // 3030 > 2000: trimmed to 7/8 of 2000 = 1750 or less, whole lines.
        QTest::newRow("short lines") << short100 << qsizetype(2000) << 1000 << 13;
        const QString huge(3 * DialogPane::kMaxBlock, 'h');
        QTest::newRow("a line of several blocks goes whole")
            << QStringList{huge, "dopo"} << qsizetype(2 * DialogPane::kMaxBlock) << 1000 << 1;
        // 30 blocks > 16: trimmed to 7/8 of 16 = 14 blocks.
        QTest::newRow("short lines past the block ceiling") << short100 << qsizetype(4000) << 16 << 16;
        // Both passed: the block ceiling asks for more (7 blocks kept).
        QTest::newRow("both ceilings, the blocks ask more") << short100 << qsizetype(2000) << 8 << 23;
        // 9 blocks > 8: two must go, and the oldest line goes with its three.
        QTest::newRow("a line of several blocks goes whole past the block ceiling")
            << QStringList{huge, huge, "dopo", "poi", "fine"} << qsizetype(8 * DialogPane::kMaxBlock) << 8
            << 1;
    }
    void oldestLinesGoPastTheCeiling()
    {
        QFETCH(QStringList, lines);
        QFETCH(qsizetype, ceiling);
        QFETCH(int, blockCeiling);
        QFETCH(int, firstKept);
        Fixture f;
        f.pane.setMaxShown(ceiling);
        f.pane.setMaxBlocks(blockCeiling);
        for (const QString &line : lines)
            f.pane.UpdateDialog(line);
        QTRY_COMPARE(f.pane.waitingLines(), qsizetype(0));
        QCOMPARE(f.pane.dialogText(), lines.mid(firstKept).join('\n'));
        QVERIFY(f.doc()->characterCount() <= ceiling);
        QVERIFY(f.doc()->blockCount() <= blockCeiling);
    }

    void newestLineIsVisible()
    {
        Fixture f;
        f.window.resize(600, 400);
        f.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f.window));
        for (int i = 0; i < 200; ++i)
            f.pane.UpdateDialog(QString("riga %1").arg(i));
        QScrollBar *bar = f.pane.txtDialog()->verticalScrollBar();
        QTRY_VERIFY(bar->maximum() > 0 && bar->value() == bar->maximum());
        QCOMPARE(f.pane.txtDialog()->textCursor().position(), f.doc()->characterCount() - 1);
    }

    void readingBackKeepsTheView()
    {
        Fixture f;
        f.window.resize(600, 400);
        f.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f.window));
        QPlainTextEdit *pane = f.pane.txtDialog();
        QScrollBar *bar = pane->verticalScrollBar();
        int n = 0;
        auto addLines = [&](int count) {
            for (int i = 0; i < count; ++i)
                f.pane.UpdateDialog(QString("riga %1").arg(n++));
        };
        auto caretAtEnd = [&] { return pane->textCursor().position() == f.doc()->characterCount() - 1; };
        auto topLine = [&] { return pane->cursorForPosition(QPoint(4, 4)).block().text(); };
        // The pane scrolls once after a burst, from the event loop.
        auto settle = [] {
            for (int i = 0; i < 3; ++i)
                QCoreApplication::processEvents();
        };
        addLines(200);
        QTRY_VERIFY(bar->maximum() > 0 && bar->value() == bar->maximum());

        // The reader turns the wheel up a few notches.
        for (int i = 0; i < 3; ++i) {
            const QPoint at(50, 50);
            QWheelEvent wheel(at, pane->viewport()->mapToGlobal(at), QPoint(), QPoint(0, 120),
                              Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
            QCoreApplication::sendEvent(pane->viewport(), &wheel);
        }
        const int readAt = bar->value();
        QVERIFY(readAt < bar->maximum());
        const QString reading = topLine();
        QVERIFY(!reading.isEmpty());

        // Lines go on arriving, in bursts and one by one: the view stays, the
        // caret still goes to the end.
        for (int burst = 0; burst < 3; ++burst) {
            const int before = bar->maximum();
            addLines(burst == 1 ? 1 : 40);
            QTRY_VERIFY(caretAtEnd() && bar->maximum() > before);
            settle();
            QCOMPARE(bar->value(), readAt);
            QCOMPARE(topLine(), reading);
        }

        // Back at the bottom (the bar dragged down), the pane follows the
        // newest line again.
        bar->setSliderDown(true);
        bar->setSliderPosition(bar->maximum());
        bar->setSliderDown(false);
        const int before = bar->maximum();
        addLines(10);
        QTRY_VERIFY(caretAtEnd() && bar->maximum() > before);
        QTRY_COMPARE(bar->value(), bar->maximum());
        QCOMPARE(topLine() == reading, false);

        // Following, a narrower and shorter pane (the window resized) still
        // shows the newest line.
        const int wideMax = bar->maximum();
        pane->resize(pane->width() / 2, pane->height() / 2);
        QTRY_VERIFY(bar->maximum() > wideMax);
        QTRY_COMPARE(bar->value(), bar->maximum());
        QVERIFY(topLine() != reading);

        // The status box reads back the same way.
        QScrollBar *status = f.pane.txtStatus()->verticalScrollBar();
        for (int i = 0; i < 100; ++i)
            f.pane.UpdateStatus(QString("stato %1").arg(i));
        QTRY_VERIFY(status->maximum() > 0 && status->value() == status->maximum());
        // Page Up in the box, as a reader at the keyboard would.
        QTest::keyClick(f.pane.txtStatus(), Qt::Key_PageUp);
        QVERIFY(status->value() < status->maximum());
        const int statusAt = status->value();
        const int statusMax = status->maximum();
        for (int i = 0; i < 20; ++i)
            f.pane.UpdateStatus(QString("altro %1").arg(i));
        QTRY_VERIFY(status->maximum() > statusMax);
        QTRY_VERIFY(f.pane.txtStatus()->textCursor().atEnd());
        settle();
        QCOMPARE(status->value(), statusAt);
    }
};

QTEST_MAIN(TestDialogPane)
#include "tst_dialogpane.moc"
