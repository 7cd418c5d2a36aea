#include "dialogpane.h"
#include "findindialog.h"
#include "frmfind.h"
#include "messagerecorder.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QPlainTextEdit>

using conversation::DialogPane;
using conversation::FindInDialog;
using conversation::FindSettings;
using conversation::frmFind;

namespace
{

// One step of a search sequence: where the caret is (-1: where the last
// step left it), the direction, the case switch, and the selection start
// expected (-1: not found).
struct Step {
    qsizetype caret;
    int direction;
    int matchCase;
    qsizetype found;
};

const QString kCiao = QStringLiteral("ciao ciao");

// The pane puts the caret at the end from a zero timer after new lines;
// a user's next click always comes after it.
void settle(QPlainTextEdit *pane)
{
    QCoreApplication::processEvents();
    QTRY_COMPARE(pane->textCursor().position(), pane->toPlainText().size());
    QVERIFY(!pane->textCursor().hasSelection());
}

} // namespace

Q_DECLARE_METATYPE(QList<Step>)

class tst_Find : public QObject
{
    Q_OBJECT

private slots:
    void sequences_data();
    void sequences();
    void positionsSurviveUpperCase();
    void emptyTextFindsNothing();

    void dialogControls();
    void buttonFollowsTheText();
    void ciaoCiaoThroughTheDialog();
    void settingsOutliveTheDialog();
    void escapeKeepsTheSettingsLikeAnnulla();
    void searchesAcrossLinesOfThePane();
    void newLinesBetweenSearchesDoNotDisturb();
    void findsAcrossInsertedBreaks_data();
    void findsAcrossInsertedBreaks();
};

void tst_Find::sequences_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("find");
    QTest::addColumn<QList<Step>>("steps");
    // Selection starts are characters before the occurrence: 5 is "characters 6 to 9".
    QTest::newRow("up from the end walks back, then fails")
        << kCiao << QStringLiteral("ciao")
        << QList<Step>{{9, 0, 0, 5}, {-1, 0, 0, 0}, {-1, 0, 0, -1}};
    QTest::newRow("down from the start before any search skips the first")
        << kCiao << QStringLiteral("ciao") << QList<Step>{{0, 1, 0, 5}, {-1, 1, 0, -1}};
    QTest::newRow("without case CIAO finds ciao")
        << kCiao << QStringLiteral("CIAO") << QList<Step>{{9, 0, 0, 5}};
    QTest::newRow("with case CIAO does not")
        << kCiao << QStringLiteral("CIAO") << QList<Step>{{9, 0, 1, -1}};
    QTest::newRow("with case ciao does")
        << kCiao << QStringLiteral("ciao") << QList<Step>{{9, 0, 1, 5}};
    QTest::newRow("up from the very beginning fails")
        << kCiao << QStringLiteral("ciao") << QList<Step>{{0, 0, 0, -1}};
    // Moved by hand to after the second "c": the search tries from the second
    // character before the caret, so the occurrence starting right before it
    // is passed over.
    QTest::newRow("up after a hand move passes the one just before")
        << kCiao << QStringLiteral("ciao") << QList<Step>{{6, 0, 0, 0}};
    // Down from a caret moved by hand onto an occurrence's start finds it.
    QTest::newRow("down after a hand move includes the caret's place")
        << kCiao << QStringLiteral("ciao") << QList<Step>{{5, 1, 0, 5}};
    QTest::newRow("down then up turns round")
        << QStringLiteral("ab ab ab") << QStringLiteral("ab")
        << QList<Step>{{1, 1, 0, 3}, {-1, 1, 0, 6}, {-1, 0, 0, 3}, {-1, 0, 0, 0}};
    QTest::newRow("overlapping occurrences one character apart")
        << QStringLiteral("aaaa") << QStringLiteral("aa")
        << QList<Step>{{4, 0, 0, 2}, {-1, 0, 0, 1}, {-1, 0, 0, 0}, {-1, 0, 0, -1}};
    QTest::newRow("a failed search keeps the caret as the last position")
        << kCiao << QStringLiteral("addio") << QList<Step>{{9, 0, 0, -1}, {-1, 0, 0, -1}};
    QTest::newRow("longer than the text") << QStringLiteral("ci") << QStringLiteral("ciao")
                                          << QList<Step>{{2, 0, 0, -1}, {0, 1, 0, -1}};
    QTest::newRow("across a line break")
        << QStringLiteral("uno\ndue") << QStringLiteral("o\nd") << QList<Step>{{7, 0, 0, 2}};
}

void tst_Find::sequences()
{
    QFETCH(QString, text);
    QFETCH(QString, find);
    QFETCH(QList<Step>, steps);
    FindSettings settings;
    QCOMPARE(settings.gFindDirection, 0);
    QCOMPARE(settings.gMatchCase, 0);
    QCOMPARE(settings.lLastFindPos, 0);
    settings.gFindText = find;
    qsizetype caret = 0;
    int n = 0;
    for (const Step &step : steps) {
        ++n;
        if (step.caret >= 0)
            caret = step.caret;
        settings.gFindDirection = step.direction;
        settings.gMatchCase = step.matchCase;
        const auto result = FindInDialog(settings, text, caret);
        QVERIFY2(result.found == (step.found >= 0), qPrintable(QString::number(n)));
        if (result.found) {
            QCOMPARE(result.selStart, step.found);
            QCOMPARE(result.selLength, find.size());
            caret = result.selStart; // the selection starts at the caret
        }
        QCOMPARE(settings.lLastFindPos, caret);
    }
}

void tst_Find::positionsSurviveUpperCase()
{
    // "ß" has no one-letter upper case; a whole-text upper casing would
    // make it "SS" and move everything after it one place on.
    FindSettings settings;
    settings.gFindText = QStringLiteral("CIAO");
    const QString text = QStringLiteral("straße ciao");
    auto result = FindInDialog(settings, text, text.size());
    QVERIFY(result.found);
    QCOMPARE(result.selStart, 7);
    QCOMPARE(text.mid(result.selStart, result.selLength), QStringLiteral("ciao"));
    settings.gFindText = QStringLiteral("STRASSE");
    QVERIFY(!FindInDialog(settings, text, text.size()).found);
}

void tst_Find::emptyTextFindsNothing()
{
    FindSettings settings;
    settings.gFindDirection = 1;
    QVERIFY(!FindInDialog(settings, kCiao, 3).found);
    QCOMPARE(settings.lLastFindPos, 3);
}

void tst_Find::dialogControls()
{
    QWidget window;
    DialogPane pane(&window);
    FindSettings settings;
    MessageRecorder messages;
    frmFind dialog(&settings, pane.txtDialog(), &messages, &window);
    QCOMPARE(dialog.objectName(), QStringLiteral("frmFind"));
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Cerca nel dialogo"));
    QCOMPARE(dialog.Label1->text(), QStringLiteral("Testo:"));
    QCOMPARE(dialog.Frame1->title(), QStringLiteral("Direzione"));
    QCOMPARE(dialog.optDirection[0]->text(), QStringLiteral("Su"));
    QCOMPARE(dialog.optDirection[1]->text(), QStringLiteral("Giù"));
    QCOMPARE(dialog.chkCase->text(), QStringLiteral("Maiuscole minuscole"));
    QCOMPARE(dialog.cmdFind->text(), QStringLiteral("Trova"));
    QCOMPARE(dialog.cmdcancel->text(), QStringLiteral("Annulla"));
    for (const char *name : {"Label1", "Text1", "Frame1", "optDirection_0", "optDirection_1",
                             "chkCase", "cmdFind", "cmdcancel"})
        QVERIFY2(dialog.findChild<QWidget *>(QLatin1String(name)), name);
    // The first opening: "Su", no case, nothing typed, nothing to search.
    QVERIFY(dialog.optDirection[0]->isChecked());
    QVERIFY(!dialog.chkCase->isChecked());
    QCOMPARE(dialog.Text1->text(), QString());
    QVERIFY(!dialog.cmdFind->isEnabled());
    QVERIFY(!dialog.isModal());
}

void tst_Find::buttonFollowsTheText()
{
    QWidget window;
    DialogPane pane(&window);
    FindSettings settings;
    frmFind dialog(&settings, pane.txtDialog(), nullptr, &window);
    QTest::keyClicks(dialog.Text1, QStringLiteral("ci"));
    QVERIFY(dialog.cmdFind->isEnabled());
    dialog.Text1->clear();
    QVERIFY(!dialog.cmdFind->isEnabled());
    // Enter with an empty box searches nothing.
    QTest::keyClick(dialog.Text1, Qt::Key_Return);
    QCOMPARE(settings.gFindText, QString());
}

void tst_Find::ciaoCiaoThroughTheDialog()
{
    QWidget window;
    DialogPane pane(&window);
    pane.UpdateDialog(kCiao);
    QPlainTextEdit *txt = pane.txtDialog();
    // New lines put the caret at the end.
    settle(txt);
    QCOMPARE(txt->textCursor().position(), 9);
    FindSettings settings;
    MessageRecorder messages;
    frmFind dialog(&settings, txt, &messages, &window);
    dialog.show();
    QTest::keyClicks(dialog.Text1, QStringLiteral("ciao"));

    dialog.cmdFind->click();
    QCOMPARE(txt->textCursor().selectionStart(), 5);
    QCOMPARE(txt->textCursor().selectedText(), QStringLiteral("ciao"));
    dialog.cmdFind->click();
    QCOMPARE(txt->textCursor().selectionStart(), 0);
    QCOMPARE(txt->textCursor().selectionEnd(), 4);
    QVERIFY(messages.shown.isEmpty());
    dialog.cmdFind->click();
    QCOMPARE(messages.shown.size(), 1);
    QCOMPARE(messages.shown[0].text, QStringLiteral("Impossibile trovare: \"ciao\""));
    QCOMPARE(messages.shown[0].title, QStringLiteral("Vellumara"));
    // The selection stays where it was.
    QCOMPARE(txt->textCursor().selectionStart(), 0);
    QCOMPARE(txt->textCursor().selectedText(), QStringLiteral("ciao"));
    QCOMPARE(settings.gFindText, QStringLiteral("ciao"));
    QVERIFY(dialog.isVisible()); // "Trova" leaves the dialog open
}

void tst_Find::settingsOutliveTheDialog()
{
    QWidget window;
    DialogPane pane(&window);
    FindSettings settings;
    QPointer<frmFind> dialog = new frmFind(&settings, pane.txtDialog(), nullptr, &window);
    dialog->show();
    dialog->optDirection[1]->click();
    dialog->chkCase->click();
    QCOMPARE(settings.gFindDirection, 1);
    QCOMPARE(settings.gMatchCase, 1);
    QTest::keyClicks(dialog->Text1, QStringLiteral("Brom"));
    dialog->cmdcancel->click();
    QTRY_VERIFY(!dialog); // closed and gone
    QCOMPARE(settings.gFindText, QStringLiteral("Brom"));

    frmFind again(&settings, pane.txtDialog(), nullptr, &window);
    QVERIFY(again.optDirection[1]->isChecked());
    QVERIFY(!again.optDirection[0]->isChecked());
    QVERIFY(again.chkCase->isChecked());
    QCOMPARE(again.Text1->text(), QString()); // the box starts empty all the same
    QVERIFY(!again.cmdFind->isEnabled());
    again.chkCase->click();
    QCOMPARE(settings.gMatchCase, 0);
}

void tst_Find::escapeKeepsTheSettingsLikeAnnulla()
{
    QWidget window;
    DialogPane pane(&window);
    FindSettings settings;
    QPointer<frmFind> dialog = new frmFind(&settings, pane.txtDialog(), nullptr, &window);
    dialog->show();
    QTest::keyClicks(dialog->Text1, QStringLiteral("orco"));
    // Ticking the box through the keyboard leaves no click to record it.
    dialog->chkCase->setChecked(true);
    QTest::keyClick(dialog->Text1, Qt::Key_Escape);
    QTRY_VERIFY(!dialog);
    QCOMPARE(settings.gFindText, QStringLiteral("orco"));
    QCOMPARE(settings.gMatchCase, 1);
}

void tst_Find::searchesAcrossLinesOfThePane()
{
    QWidget window;
    DialogPane pane(&window);
    pane.UpdateDialog(QStringLiteral("Brom: ciao"));
    pane.UpdateDialog(QStringLiteral("Ada: Ciao a tutti"));
    pane.UpdateDialog(QStringLiteral("Cala la notte."));
    QPlainTextEdit *txt = pane.txtDialog();
    settle(txt);
    FindSettings settings;
    settings.gFindText = QStringLiteral("ciao");
    frmFind::FindInDialog(settings, txt, nullptr);
    // The second line's "Ciao": after "Brom: ciao", its line break and "Ada: ".
    QCOMPARE(txt->textCursor().selectionStart(), 10 + 1 + 5);
    QCOMPARE(txt->textCursor().selectedText(), QStringLiteral("Ciao"));
    QCOMPARE(txt->textCursor().block().text(), QStringLiteral("Ada: Ciao a tutti"));
    frmFind::FindInDialog(settings, txt, nullptr);
    QCOMPARE(txt->textCursor().selectionStart(), 6);
    QCOMPARE(txt->textCursor().block().text(), QStringLiteral("Brom: ciao"));
}

void tst_Find::newLinesBetweenSearchesDoNotDisturb()
{
    QWidget window;
    DialogPane pane(&window);
    pane.UpdateDialog(QStringLiteral("ciao"));
    QPlainTextEdit *txt = pane.txtDialog();
    settle(txt);
    FindSettings settings;
    settings.gFindText = QStringLiteral("ciao");
    MessageRecorder messages;
    frmFind::FindInDialog(settings, txt, &messages);
    QCOMPARE(txt->textCursor().selectionStart(), 0);
    // A new line moves the caret to the end; the next search goes from there.
    pane.UpdateDialog(QStringLiteral("Ada: ciao"));
    settle(txt);
    frmFind::FindInDialog(settings, txt, &messages);
    QCOMPARE(txt->textCursor().selectionStart(), 5 + 5);
    QVERIFY(messages.shown.isEmpty());
}

// A long run without spaces holds break points the pane put in, and a line
// longer than a block is cut into blocks: a word across either is found,
// up and down, and the selection covers exactly the word in the document.
void tst_Find::findsAcrossInsertedBreaks_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("find");
    QTest::addColumn<int>("direction");
    QTest::addColumn<qsizetype>("at"); // where the match starts in the line
    const qsizetype run = DialogPane::kLongRun;
    const QString xs(run - 2, QLatin1Char('x'));
    // "ABCD" starts two characters before the first break point.
    const QString acrossBreak = xs + QStringLiteral("ABCD") + QString(run, QLatin1Char('y'));
    QTest::newRow("down across a break point") << acrossBreak << "abcd" << 1 << qsizetype(0) + xs.size();
    QTest::newRow("up across a break point") << acrossBreak << "ABCD" << 0 << xs.size();
    const QString twoBreaks = QString(run - 1, QLatin1Char('q')) + QStringLiteral("M") +
                              QString(run, QLatin1Char('n')) + QStringLiteral("Z") + QStringLiteral("q");
    QTest::newRow("a match holding two break points")
        << twoBreaks << QStringLiteral("M") + QString(run, QLatin1Char('n')) + QStringLiteral("Z") << 0
        << run - 1;
    // Block cut at kMaxBlock characters, break points on the way too.
    const qsizetype block = DialogPane::kMaxBlock;
    const QString longLine = QString(block - 3, QLatin1Char('w')) + QStringLiteral("drago") +
                             QString(300, QLatin1Char('w'));
    QTest::newRow("across the cut between blocks") << longLine << "DRAGO" << 0 << block - 3;
}

void tst_Find::findsAcrossInsertedBreaks()
{
    QFETCH(QString, line);
    QFETCH(QString, find);
    QFETCH(int, direction);
    QFETCH(qsizetype, at);
    QWidget window;
    DialogPane pane(&window);
    pane.UpdateDialog(QStringLiteral("prima"));
    pane.UpdateDialog(line);
    pane.UpdateDialog(QStringLiteral("dopo"));
    QPlainTextEdit *txt = pane.txtDialog();
    settle(txt);
    FindSettings settings;
    settings.gFindText = find;
    settings.gFindDirection = direction;
    if (direction == 1) {
        QTextCursor start = txt->textCursor();
        start.setPosition(0);
        txt->setTextCursor(start);
    }
    MessageRecorder messages;
    frmFind::FindInDialog(settings, txt, &messages);
    QVERIFY2(messages.shown.isEmpty(), qPrintable(messages.texts().join(QLatin1Char('|'))));
    QTextCursor sel = txt->textCursor();
    QString selected = sel.selectedText();
    // What is selected is the word, whatever the document holds between.
    selected.remove(DialogPane::kBreakPoint);
    selected.remove(QChar::ParagraphSeparator);
    QCOMPARE(selected.toUpper(), find.toUpper());
    QCOMPARE(selected, line.mid(at, find.size()));
    // The selection neither starts nor ends on a break point of its own.
    const QString whole = txt->document()->toPlainText();
    QVERIFY(whole.at(sel.selectionStart()) != DialogPane::kBreakPoint);
    QVERIFY(whole.at(sel.selectionEnd() - 1) != DialogPane::kBreakPoint);
    // Searching again from there goes past this occurrence: there is no other.
    frmFind::FindInDialog(settings, txt, &messages);
    QCOMPARE(messages.shown.size(), 1);
}

QTEST_MAIN(tst_Find)
#include "tst_find.moc"
