#include "chatsession.h"
#include "composer.h"
#include "composerpanel.h"
#include "dialogpane.h"
#include "dicepanel.h"
#include "eventspanel.h"
#include "participantlist.h"
#include "recorders.h"
#include "togglebutton.h"
#include "trafficlog.h"

#include <QCheckBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <QMenu>

using conversation::ComposerPanel;
using conversation::DicePanel;
using conversation::DiceRoller;
using conversation::EventsPanel;
using conversation::ToggleButton;

class TestPanels : public QObject
{
    Q_OBJECT

    // An idle session (neither hosting nor connected): lines are only echoed.
    struct Fixture {
        QWidget window;
        session::ChatSession chat;
        RecordingSink sink;
        RecordingMessages boxes;
        ComposerPanel composer{&chat, &window};
        DicePanel dice{&chat, &window, 1234u};
        Fixture()
        {
            chat.setConversationSink(&sink);
            chat.setMessageService(&boxes);
            dice.setPrivateBox(composer.chkPrivate());
            chat.setName("Brom");
            chat.participants()->AddName(-1, "Brom");
        }
        void type(const QString &text)
        {
            composer.txtMessage()->setFocus();
            QTest::keyClicks(composer.txtMessage(), text);
        }
    };

    static void choose(QListWidget *list, int row) { list->setCurrentRow(row); }

private slots:
    void composerControls()
    {
        Fixture f;
        QVERIFY(f.window.findChild<QPlainTextEdit *>("txtMessage"));
        QVERIFY(f.window.findChild<ToggleButton *>("cmdSend"));
        auto *priv = f.window.findChild<QCheckBox *>("chkPrivate");
        QVERIFY(priv);
        QCOMPARE(priv->text(), QString("Privato"));
        QVERIFY(f.composer.cmdSend()->text().isEmpty());
        QVERIFY(!f.composer.cmdSend()->icon().isNull());
    }

    void sendButtonFollowsTheMessageBox()
    {
        Fixture f;
        ToggleButton *send = f.composer.cmdSend();
        const QColor menu = ToggleButton::menuColour();
        const QColor light = ToggleButton::highlightColour();
        QVERIFY(!send->isEnabled());
        QCOMPARE(send->backColour(), menu);
        f.type("ciao");
        QVERIFY(send->isEnabled());
        QCOMPARE(send->backColour(), light);
        f.composer.txtMessage()->clear();
        QVERIFY(!send->isEnabled());
        QCOMPARE(send->backColour(), menu);
        // a change of the name alone does not re-evaluate the button
        f.chat.setName("");
        f.type("x");
        QVERIFY(!send->isEnabled());
        f.chat.setName("Brom");
        QVERIFY(!send->isEnabled());
        f.type("y");
        QVERIFY(send->isEnabled());
    }

    void enterSendsAndEchoes()
    {
        Fixture f;
        f.type("Salve a tutti");
        QTest::keyClick(f.composer.txtMessage(), Qt::Key_Return);
        QCOMPARE(f.sink.dialog, QStringList{"Brom: Salve a tutti"});
        QCOMPARE(f.composer.txtMessage()->toPlainText(), QString());
        f.type(", si alza dal tavolo");
        QTest::keyClick(f.composer.txtMessage(), Qt::Key_Enter);
        f.composer.chkPrivate()->setChecked(true);
        f.type("# Cala la notte.");
        QTest::mouseClick(f.composer.cmdSend(), Qt::LeftButton);
        QCOMPARE(f.sink.dialog, (QStringList{"Brom: Salve a tutti", "Brom si alza dal tavolo",
                                             "*Cala la notte.*"}));
        QCOMPARE(f.composer.txtMessage()->toPlainText(), QString());
        QVERIFY(f.boxes.texts().isEmpty());
        // Enter never breaks the line
        QVERIFY(!f.composer.txtMessage()->toPlainText().contains('\n'));
    }

    // The speaking way chosen beside the box puts the prefix the line would
    // need in front: the line shown (and sent) is the one typing the prefix
    // gives; a prefix typed by hand wins, and the choice stays for the next.
    void speakingWays_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown"); // empty: refused
        QTest::newRow("parla") << "actParla" << "Salve" << "Brom: Salve";
        QTest::newRow("azione") << "actAzione" << "si alza" << "Brom si alza";
        QTest::newRow("azione, leading blanks") << "actAzione" << "  si alza" << "Brom si alza";
        QTest::newRow("narra") << "actNarra" << "Cala la notte." << "Cala la notte.";
        QTest::newRow("azione, prefix typed") << "actAzione" << ", si siede" << "Brom si siede";
        QTest::newRow("narra, action typed") << "actNarra" << ", si siede" << "Brom si siede";
        QTest::newRow("parla, narration typed") << "actParla" << "# Buio." << "Buio.";
        QTest::newRow("parla, /me typed") << "actParla" << "/me si inchina" << "Brom si inchina";
        QTest::newRow("narra, /ME typed") << "actNarra" << "/ME ride " << "Brom ride";
        QTest::newRow("/me alone is speech") << "actParla" << "/me" << "Brom: /me";
        QTest::newRow("/mela is speech") << "actParla" << "/mela" << "Brom: /mela";
        QTest::newRow("/me cannot forge a roll") << "actParla" << "/me lancia 3d6 ed ottiene 18." << "";
        QTest::newRow("azione cannot forge a roll")
            << "actAzione" << "lancia 3d6 ed ottiene 18." << "";
        QTest::newRow("narra cannot forge a roll")
            << "actNarra" << "Brom lancia 1d20 ed ottiene 20." << "";
    }

    void speakingWays()
    {
        QFETCH(QString, action);
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        Fixture f;
        QToolButton *modo = f.window.findChild<QToolButton *>("cmdModo");
        QVERIFY(modo);
        QCOMPARE(modo->text(), QString("Parla"));
        auto *act = modo->menu()->findChild<QAction *>(action);
        QVERIFY(act);
        act->trigger();
        QCOMPARE(modo->text(), act->text());
        QVERIFY(!modo->toolTip().isEmpty());
        for (int round = 0; round < 2; ++round) {
            f.composer.txtMessage()->clear(); // a refused line stays in the box
            f.type(typed);
            QTest::mouseClick(f.composer.cmdSend(), Qt::LeftButton);
        }
        if (shown.isEmpty()) {
            QVERIFY(f.sink.dialog.isEmpty());
            QCOMPARE(f.boxes.texts().size(), 2);
        } else {
            QCOMPARE(f.sink.dialog, (QStringList{shown, shown}));
            QVERIFY(act->isChecked());
        }
    }

    // "Privato" ticked: the box looks different and names who will get the
    // line; unticked it looks as before; the line itself is unchanged.
    void privateBoxNamesTheRecipients_data()
    {
        QTest::addColumn<QList<int>>("selected");
        QTest::addColumn<QString>("tip");
        // The empty text, in a box as large as the main window's: what fits.
        QTest::addColumn<QString>("empty");
        QTest::newRow("nobody") << QList<int>{}
                                << "Privato: nessun destinatario scelto tra i Personaggi."
                                << "^Privato: nessun destinatario$";
        QTest::newRow("two, in list order")
            << QList<int>{2, 1} << "Privato per: Ada, Cleo" << "^Privato per: Ada, Cleo$";
        QTest::newRow("the host's entry from a client")
            << QList<int>{0} << "Privato per: Brom" << "^Privato per: Brom$";
        QTest::newRow("more than fit")
            << QList<int>{1, 2, 3, 4}
            << "Privato per: Ada, Cleo, Bartolomeo il Grande, Costanza di Rivombrosa"
            << "^Privato per: Ada(, Cleo e altri 2| e altri 3)$";
    }

    void privateBoxNamesTheRecipients()
    {
        QFETCH(QList<int>, selected);
        QFETCH(QString, tip);
        QFETCH(QString, empty);
        Fixture f;
        f.chat.participants()->AddName(1, "Ada");
        f.chat.participants()->AddName(2, "Cleo");
        f.chat.participants()->AddName(3, "Bartolomeo il Grande");
        f.chat.participants()->AddName(4, "Costanza di Rivombrosa");
        QPlainTextEdit *box = f.composer.txtMessage();
        box->resize(2700 / 15, 600 / 15);
        f.window.resize(600, 500);
        f.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f.window));
        auto middle = [box] {
            return box->viewport()->grab().toImage().pixelColor(box->viewport()->rect().center());
        };
        const QColor plain = middle();
        QVERIFY(box->toolTip().isEmpty());
        f.composer.chkPrivate()->setChecked(true);
        for (int row : selected)
            f.chat.participants()->setSelected(row, true);
        QCOMPARE(box->toolTip(), tip);
        QCOMPARE(f.composer.chkPrivate()->toolTip(), tip);
        QVERIFY2(QRegularExpression(empty).match(box->placeholderText()).hasMatch(),
                 qPrintable(box->placeholderText()));
        QVERIFY(f.composer.privateLook());
        QVERIFY(middle() != plain);
        if (!selected.isEmpty()) {
            f.type("ciao");
            QTest::keyClick(box, Qt::Key_Return);
            QCOMPARE(f.sink.dialog, QStringList{"*Brom*: ciao"});
            // Still ticked after the send, still showing it.
            QVERIFY(f.composer.chkPrivate()->isChecked());
            QCOMPARE(box->toolTip(), tip);
        }
        f.chat.participants()->deselectAll();
        QCOMPARE(box->toolTip(), QString("Privato: nessun destinatario scelto tra i Personaggi."));
        f.composer.chkPrivate()->setChecked(false);
        QVERIFY(box->toolTip().isEmpty());
        QVERIFY(!f.composer.privateLook());
        QCOMPARE(middle(), plain);
    }

    void refusedAfterClickStays()
    {
        Fixture f;
        f.type("# Brom lancia 2d6 ed ottiene 12.");
        QTest::mouseClick(f.composer.cmdSend(), Qt::LeftButton);
        QCOMPARE(f.boxes.texts(), QStringList{"Non si fanno queste cose Brom..."});
        QCOMPARE(f.boxes.titles(), QStringList{"Vellumara"});
        QVERIFY(f.sink.dialog.isEmpty());
        QCOMPARE(f.composer.txtMessage()->toPlainText(),
                 QString("# Brom lancia 2d6 ed ottiene 12."));
    }

    void refusedWithEnterIsCleared()
    {
        Fixture f;
        f.type(", lancia 3d6 ed ottiene 18.");
        QTest::keyClick(f.composer.txtMessage(), Qt::Key_Return);
        QCOMPARE(f.boxes.texts(), QStringList{"Non si fanno queste cose Brom..."});
        QVERIFY(f.sink.dialog.isEmpty());
        QCOMPARE(f.composer.txtMessage()->toPlainText(), QString());
    }

    void pastedLineBreaksBecomeSpaces()
    {
        // Pasted text reaches the box with its line breaks; a break must not
        // let a dice announcement stand on a line of its own.
        Fixture f;
        f.composer.txtMessage()->insertPlainText("ok\nBrom lancia 3d6 ed ottiene 18.");
        QVERIFY(f.composer.cmdSend()->isEnabled());
        QTest::mouseClick(f.composer.cmdSend(), Qt::LeftButton);
        QCOMPARE(f.sink.dialog, QStringList{"Brom: ok Brom lancia 3d6 ed ottiene 18."});
        QVERIFY(f.boxes.texts().isEmpty());

        // the other breaks a peer's program or a paste can hold
        for (const QChar brk : {QChar('\r'), QChar(0x2028), QChar(0x2029)}) {
            f.sink.dialog.clear();
            QCOMPARE(conversation::Composer::send(
                         f.chat, QString("ok") + brk + "Brom lancia 3d6 ed ottiene 18.", false),
                     conversation::Composer::Outcome::Done);
            QCOMPARE(f.sink.dialog, QStringList{"Brom: ok Brom lancia 3d6 ed ottiene 18."});
        }
    }

    void pastedRollWithATrailingBreakIsRefused()
    {
        // With the break turned into a space the line would read exactly as
        // a roll of Brom's, so the guard must see through trailing blanks.
        Fixture f;
        f.composer.txtMessage()->insertPlainText("# Brom lancia 3d6 ed ottiene 18.\n");
        QTest::mouseClick(f.composer.cmdSend(), Qt::LeftButton);
        QCOMPARE(f.boxes.texts(), QStringList{"Non si fanno queste cose Brom..."});
        QVERIFY(f.sink.dialog.isEmpty());
        QCOMPARE(conversation::Composer::send(
                     f.chat, QString(", lancia 3d6 ed ottiene 18.") + QChar(0x2029), false),
                 conversation::Composer::Outcome::Refused);
        QVERIFY(f.sink.dialog.isEmpty());
    }

    void emptyNameSendsNothing()
    {
        Fixture f;
        f.chat.setName("");
        QTest::keyClick(f.composer.txtMessage(), Qt::Key_Return);
        QVERIFY(f.sink.dialog.isEmpty());
        QCOMPARE(f.composer.txtMessage()->toPlainText(), QString());
        f.type("ciao");
        QVERIFY(!f.composer.cmdSend()->isEnabled());
        QTest::keyClick(f.composer.txtMessage(), Qt::Key_Return);
        f.composer.CmdSend_Click();
        QVERIFY(f.sink.dialog.isEmpty());
        QVERIFY(f.chat.sentLog()->size() == 0);
    }

    void diceControls()
    {
        Fixture f;
        for (const char *name : {"dado1", "dado2"}) {
            auto *list = f.window.findChild<QListWidget *>(name);
            QVERIFY(list);
            QCOMPARE(list->count(), 101);
            QCOMPARE(list->item(0)->text(), QString());
            QCOMPARE(list->item(1)->text(), QString("1"));
            QCOMPARE(list->item(100)->text(), QString("100"));
            QVERIFY(list->selectedItems().isEmpty());
            QCOMPARE(list->size(), QSize(25, 17));
        }
        QCOMPARE(f.window.findChild<QLabel *>("Label6")->text(), QString("d"));
        QVERIFY(f.dice.RisuSing()->isHidden());
        QVERIFY(!f.dice.RisuSing()->isChecked());
        QVERIFY(f.dice.parziale()->isHidden());
        QCOMPARE(f.dice.parziale()->text(), QString("0"));
        QVERIFY(f.dice.Text1()->isHidden());
        QCOMPARE(f.dice.Text1()->text(), QString());
    }

    void enterRollsAndAnnounces()
    {
        Fixture f;
        choose(f.dice.dado1(), 3);
        choose(f.dice.dado2(), 6);
        QTest::keyClick(f.dice.dado2(), Qt::Key_Return);
        QCOMPARE(f.sink.dialog.size(), 1);
        const QRegularExpression shape("^Brom lancia 3d6 ed ottiene (\\d+)\\.$");
        auto m = shape.match(f.sink.dialog[0]);
        QVERIFY2(m.hasMatch(), qPrintable(f.sink.dialog[0]));
        const int total = m.captured(1).toInt();
        QVERIFY(total >= 3 && total <= 18);
        QCOMPARE(f.dice.parziale()->text(), QString("0"));
        QCOMPARE(f.dice.Text1()->text(), QString());

        // the same seed gives the same dice
        DiceRoller twin(1234u);
        const auto dice = twin.roll(3, 6);
        QCOMPARE(total, dice[0] + dice[1] + dice[2]);

        // Enter in the other list gives the same kind of line
        QTest::keyClick(f.dice.dado1(), Qt::Key_Enter);
        QVERIFY(shape.match(f.sink.dialog.value(1)).hasMatch());
    }

    void detailsSwitch()
    {
        Fixture f;
        f.window.show();
        QTest::mouseClick(f.dice.Label6(), Qt::LeftButton);
        QVERIFY(f.dice.RisuSing()->isChecked());
        QCOMPARE(f.boxes.texts().value(0),
                 QString::fromUtf8("Esplicitazione del risultato per unità singole attivato."));
        QCOMPARE(f.boxes.titles().value(0), QString("Vellumara"));

        choose(f.dice.dado1(), 3);
        choose(f.dice.dado2(), 6);
        QTest::keyClick(f.dice.dado1(), Qt::Key_Return);
        DiceRoller twin(1234u);
        const auto d = twin.roll(3, 6);
        const QString detail = QString::fromUtf8("\n« %1, %2, %3 »").arg(d[0]).arg(d[1]).arg(d[2]);
        QCOMPARE(f.sink.dialog.value(0),
                 QString("Brom lancia 3d6 ed ottiene %1.").arg(d[0] + d[1] + d[2]) + detail);
        // the hidden detail box keeps the detail of the last roll
        QCOMPARE(f.dice.Text1()->text(), detail);

        // one die: no detail line
        choose(f.dice.dado1(), 1);
        choose(f.dice.dado2(), 20);
        f.chat.setName("");
        QTest::keyClick(f.dice.dado1(), Qt::Key_Return);
        QVERIFY(QRegularExpression("^Qualcuno lancia 1d20 ed ottiene \\d+\\.$")
                    .match(f.sink.dialog.value(1))
                    .hasMatch());

        QTest::mouseClick(f.dice.Label6(), Qt::LeftButton);
        QVERIFY(!f.dice.RisuSing()->isChecked());
        QCOMPARE(f.boxes.texts().value(1),
                 QString::fromUtf8("Esplicitazione del risultato per unità singole disattivato."));
    }

    void emptyEntriesCountAsZero()
    {
        Fixture f;
        choose(f.dice.dado2(), 6);
        QTest::keyClick(f.dice.dado2(), Qt::Key_Return);
        QCOMPARE(f.sink.dialog.value(0), QString("Brom lancia 0d6 ed ottiene 0."));
        choose(f.dice.dado1(), 2);
        choose(f.dice.dado2(), 0); // the empty entry: no selection left
        QVERIFY(f.dice.dado2()->selectedItems().isEmpty());
        QTest::keyClick(f.dice.dado2(), Qt::Key_Return);
        QCOMPARE(f.sink.dialog.value(1), QString("Brom lancia 2d0 ed ottiene 0."));
    }

    void arrowKeysStepAndClearOnTheEmptyEntry()
    {
        Fixture f;
        f.window.show();
        QListWidget *list = f.dice.dado1();
        list->setFocus();
        f.dice.parziale()->setText("7");
        QTest::keyClick(list, Qt::Key_Down);
        QCOMPARE(DicePanel::listText(list), QString("1"));
        QCOMPARE(f.dice.parziale()->text(), QString("0"));
        QTest::keyClick(list, Qt::Key_Down);
        QCOMPARE(DicePanel::listText(list), QString("2"));
        QTest::keyClick(list, Qt::Key_Up);
        QTest::keyClick(list, Qt::Key_Up);
        QCOMPARE(list->currentRow(), 0);
        QVERIFY(list->selectedItems().isEmpty());
        QTest::keyClick(list, Qt::Key_Down);
        QCOMPARE(DicePanel::listText(list), QString("1"));
        // clicking the empty entry removes the selection
        list->scrollToItem(list->item(0));
        list->setCurrentRow(0, QItemSelectionModel::ClearAndSelect);
        f.dice.dado_Click(list);
        QVERIFY(list->selectedItems().isEmpty());
        QVERIFY(f.sink.dialog.isEmpty());
    }

    void privateAndAnonymousRolls()
    {
        Fixture f;
        f.composer.chkPrivate()->setChecked(true);
        f.chat.setName("");
        choose(f.dice.dado1(), 1);
        choose(f.dice.dado2(), 4);
        QTest::keyClick(f.dice.dado1(), Qt::Key_Return);
        QVERIFY2(QRegularExpression("^\\*Qualcuno lancia 1d4 ed ottiene [1-4]\\.\\*$")
                     .match(f.sink.dialog.value(0))
                     .hasMatch(),
                 qPrintable(f.sink.dialog.value(0)));
    }

    void largestRoll()
    {
        Fixture f;
        choose(f.dice.dado1(), 100);
        choose(f.dice.dado2(), 100);
        QTest::keyClick(f.dice.dado1(), Qt::Key_Return);
        auto m = QRegularExpression("^Brom lancia 100d100 ed ottiene (\\d+)\\.$")
                     .match(f.sink.dialog.value(0));
        QVERIFY(m.hasMatch());
        QVERIFY(m.captured(1).toInt() >= 100 && m.captured(1).toInt() <= 10000);
    }

    void eventsPanelControls()
    {
        QWidget window;
        session::ChatSession chat;
        EventsPanel panel(&chat, &window);
        QCOMPARE(panel.chkTutorial()->objectName(), QString("chkTutorial"));
        QCOMPARE(panel.chkTutorial()->text(), QString("Eventi"));
        QVERIFY(panel.chkTutorial()->isHidden());
        QCOMPARE(panel.lblSent()->text(), QString("Messaggi inviati:"));
        QCOMPARE(panel.lblRecv()->text(), QString("Messaggi ricevuti:"));
        QCOMPARE(panel.lstSent()->model(), static_cast<QAbstractItemModel *>(chat.sentLog()));
        QCOMPARE(panel.lstReceived()->model(),
                 static_cast<QAbstractItemModel *>(chat.receivedLog()));
        QVERIFY(panel.lstSent()->uniformItemSizes());
        QVERIFY(panel.lstSent()->isHidden());
    }

    void eventsPanelSizes()
    {
        QWidget window;
        session::ChatSession chat;
        EventsPanel panel(&chat, &window);
        window.resize(300, 200);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        panel.chkTutorial()->show();
        QTest::mouseClick(panel.chkTutorial(), Qt::LeftButton);
        QVERIFY(panel.chkTutorial()->isChecked());
        // 7695 x 8690 twips for the whole window, less the title bar and borders
        QCOMPARE(window.size(), QSize(7695 / 15, (8690 - 450) / 15));
        QCOMPARE(window.size(), QSize(EventsPanel::kMinWidth, EventsPanel::kTallHeight));
        const QRect screen = window.screen()->geometry();
        QCOMPARE(window.pos(), QPoint(screen.left() + (screen.width() - window.width()) / 2,
                                      screen.top() + (screen.height() - window.height()) / 2));
        QVERIFY(panel.lstSent()->isVisible());
        QVERIFY(panel.lstReceived()->isVisible());

        QTest::mouseClick(panel.chkTutorial(), Qt::LeftButton);
        QCOMPARE(window.size(), QSize(7695 / 15, (6450 - 450) / 15));
        QCOMPARE(window.size(), QSize(EventsPanel::kMinWidth, EventsPanel::kShortHeight));
        QVERIFY(!panel.lstSent()->isVisible());

        // a larger window is not shrunk in width; a user-chosen height is kept
        window.resize(900, 700);
        panel.chkTutorial()->setChecked(true);
        panel.chkTutorial_Click();
        QCOMPARE(window.size(), QSize(900, 700));
        panel.chkTutorial()->setChecked(false);
        panel.chkTutorial_Click();
        QCOMPARE(window.size(), QSize(900, 700));

        // the box hidden (options locked, or a first start that ticks it):
        // the window keeps its size, and the logs are there all the same
        window.resize(300, 200);
        panel.chkTutorial()->hide();
        panel.chkTutorial()->setChecked(true);
        panel.chkTutorial_Click();
        QCOMPARE(window.size(), QSize(300, 200));
        QVERIFY(panel.lstSent()->isVisible());
        QVERIFY(panel.lblRecv()->isVisible());
    }

    void eventsPanelRoundTripKeepsTheMainWindowHeight()
    {
        // The main window opens with the content of the 6450-twip preset less
        // the frame; showing and hiding the logs must bring it back there.
        QWidget window;
        session::ChatSession chat;
        EventsPanel panel(&chat, &window);
        const int presetContent = (6450 - 450) / 15;
        window.resize(7695 / 15, presetContent);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        panel.chkTutorial()->show();
        QTest::mouseClick(panel.chkTutorial(), Qt::LeftButton);
        QVERIFY(window.height() >= (8690 - 450) / 15);
        // the lower log fits in the grown window
        QVERIFY(panel.lstReceived()->geometry().bottom() < window.height());
        QTest::mouseClick(panel.chkTutorial(), Qt::LeftButton);
        QCOMPARE(window.height(), presetContent);
        QCOMPARE(window.width(), 7695 / 15);
    }

    void hugeLogEntryIsShown()
    {
        QWidget window;
        session::ChatSession chat;
        EventsPanel panel(&chat, &window);
        window.resize(600, 650);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        panel.chkTutorial()->show();
        panel.chkTutorial()->setChecked(true);
        panel.chkTutorial_Click();
        const QString big = "sckConnect: [Messaggio]" + QString(1 << 20, QLatin1Char('x'));
        chat.receivedLog()->append(big);
        chat.receivedLog()->append("sckConnect: [Messaggio]dopo");
        QTRY_COMPARE(chat.receivedLog()->rowCount(), 2);
        QTest::qWait(100); // paints the views
        QListView *view = panel.lstReceived();
        QCOMPARE(view->model()->data(view->model()->index(0, 0)).toString(), big);
        QVERIFY(view->viewport()->rect().contains(view->visualRect(view->model()->index(1, 0))));
    }

    void eventsPanelMaximised()
    {
        QWidget window;
        session::ChatSession chat;
        EventsPanel panel(&chat, &window);
        window.showMaximized();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTRY_VERIFY(window.isMaximized());
        const QRect before = window.geometry();
        panel.chkTutorial()->show();
        panel.chkTutorial()->setChecked(true);
        panel.chkTutorial_Click();
        QCOMPARE(window.geometry(), before);
        QVERIFY(panel.lstSent()->isVisible());
        panel.chkTutorial()->setChecked(false);
        panel.chkTutorial_Click();
        QCOMPARE(window.geometry(), before);
        QVERIFY(!panel.lstSent()->isVisible());
    }

    // "Eventi" ticked in a window made too short to show the logs: the
    // views hear of nothing until the window shows them.
    void logsOutsideTheWindowAreNotAnnounced()
    {
        QWidget window;
        session::ChatSession chat;
        EventsPanel panel(&chat, &window);
        window.resize(EventsPanel::kMinWidth, EventsPanel::kShortHeight);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        panel.chkTutorial()->show();
        panel.chkTutorial()->setChecked(true);
        panel.chkTutorial_Click();
        // and the user makes the window short again
        window.resize(EventsPanel::kMinWidth, EventsPanel::kShortHeight);
        QTRY_COMPARE(window.height(), EventsPanel::kShortHeight);
        QVERIFY(panel.lstSent()->isVisible());
        QVERIFY(panel.lstSent()->geometry().top() > window.height());
        QSignalSpy inserted(chat.sentLog(), &QAbstractItemModel::rowsInserted);
        for (int i = 0; i < 100; ++i)
            chat.sentLog()->append(QString("sckConnect: [Messaggio]riga %1").arg(i));
        QTest::qWait(3 * session::TrafficLog::kNotifyIntervalMs);
        QCOMPARE(inserted.size(), 0);
        QCOMPARE(chat.sentLog()->rowCount(), 0);
        QCOMPARE(chat.sentLog()->size(), qsizetype(100));

        window.resize(EventsPanel::kMinWidth, EventsPanel::kTallHeight);
        QTRY_COMPARE(chat.sentLog()->rowCount(), 100);
        QTRY_COMPARE(chat.receivedLog()->viewsShown(), true);
        QCOMPARE(inserted.size(), 1);
        // and unticking stops the announcements again
        panel.chkTutorial()->setChecked(false);
        panel.chkTutorial_Click();
        QVERIFY(!chat.sentLog()->viewsShown());
        chat.sentLog()->append("sckConnect: dopo");
        QTest::qWait(3 * session::TrafficLog::kNotifyIntervalMs);
        QCOMPARE(chat.sentLog()->rowCount(), 100);
    }

    void logScrollsToNewestAfterABurst()
    {
        QWidget window;
        session::ChatSession chat;
        EventsPanel panel(&chat, &window);
        window.resize(600, 650);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        panel.chkTutorial()->show();
        panel.chkTutorial()->setChecked(true);
        panel.chkTutorial_Click();
        const int n = int(session::TrafficLog::kDefaultBound); // a full log
        for (int i = 0; i < n; ++i)
            chat.sentLog()->append(QString("sckConnect: [Messaggio]riga %1").arg(i));
        // The newest entry is brought as far up as the view allows: at the
        // end of the log the last page is full, so it is visible and the view
        // is scrolled to its end.
        QListView *view = panel.lstSent();
        // the log announces its rows to views after the burst
        QTRY_COMPARE(chat.sentLog()->rowCount(), n);
        const QModelIndex last = chat.sentLog()->index(n - 1);
        QTRY_VERIFY(view->viewport()->rect().contains(view->visualRect(last)));
        QCOMPARE(view->verticalScrollBar()->value(), view->verticalScrollBar()->maximum());
        QVERIFY(view->indexAt(QPoint(2, 2)).row() > n - 10);

        // a short log scrolls the newest entry to the top
        chat.receivedLog()->append("sckConnect: uno");
        chat.receivedLog()->append("sckConnect: due");
        QTRY_VERIFY(panel.lstReceived()->viewport()->rect().contains(
            panel.lstReceived()->visualRect(chat.receivedLog()->index(1))));
    }
};

QTEST_MAIN(TestPanels)
#include "tst_panels.moc"
