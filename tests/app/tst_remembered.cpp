// The main window remembers who the user is and where they play, explains
// why Host and Connetti need a name, and comes forward for a second start.

#include "boardpanel.h"
#include "boardzoom.h"
#include "dialogpane.h"
#include "dialogsaver.h"
#include "journal.h"
#include "presetbar.h"
#include "togglebutton.h"
#include "frmmain.h"
#include "messagerecorder.h"
#include "raisechannel.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QMenu>
#include <QLocalSocket>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using app::frmMain;
using session::ChatSession;

namespace {

struct Window {
    explicit Window(const QString &path) : form(std::make_unique<frmMain>(path))
    {
        form->setMessageService(&messages);
        form->chat()->setConnectWait(100);
    }
    ~Window()
    {
        if (form)
            form->setMessageService(nullptr);
    }
    void type(QLineEdit *edit, const QString &text)
    {
        edit->setText(text);
        emit edit->textEdited(text);
    }
    QStringList status() const
    {
        return form->dialogPane()->txtStatus()->toPlainText().split(QLatin1Char('\n'),
                                                                      Qt::SkipEmptyParts);
    }
    MessageRecorder messages;
    std::unique_ptr<frmMain> form;
};

void writeIni(const QString &path, const QByteArray &body)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(body);
}

QString iniValue(const QString &path, const char *key)
{
    QSettings ini(path, QSettings::IniFormat);
    return ini.value(QStringLiteral("Vellumara/") + QLatin1String(key)).toString();
}

} // namespace

class tst_Remembered : public QObject
{
    Q_OBJECT

private slots:
    void nameAndServerComeBack();
    void closingKeepsWhatWasTyped();
    void theTypedNameIsKeptNotTheHostsSuffix();
    void noNameMeansFocusOnNome_data();
    void noNameMeansFocusOnNome();
    void secondStartBringsTheWindowForward();
    void theEveningComesBack_data();
    void theEveningComesBack();
    void journalFolderChosenInTheWindow();

private:
    QTemporaryDir m_dir;
};

void tst_Remembered::nameAndServerComeBack()
{
    const QString path = m_dir.filePath(QStringLiteral("back.ini"));
    writeIni(path, "[Vellumara]\nPort=2600\nTutorial=0\nName=Brom\nServer=10.0.0.7\n");
    Window w(path);
    QCOMPARE(w.form->txtName->text(), QStringLiteral("Brom"));
    QCOMPARE(w.form->txtIP->text(), QStringLiteral("10.0.0.7"));
    QCOMPARE(w.form->chat()->lPort(), 2600);
    // The remembered name is the one hosting uses, without retyping it.
    w.form->chat()->setPort(0);
    w.form->cmdHost->click();
    QCOMPARE(w.form->chat()->phase(), ChatSession::Phase::Hosting);
    QCOMPARE(w.form->chat()->sMyName(), QStringLiteral("Brom"));
}

void tst_Remembered::closingKeepsWhatWasTyped()
{
    const QString path = m_dir.filePath(QStringLiteral("typed.ini"));
    {
        Window w(path);
        QVERIFY(w.form->txtName->text().isEmpty()); // no file yet
        QVERIFY(w.form->txtIP->text().isEmpty());
        w.type(w.form->txtName, QStringLiteral("Fra Cristòforo"));
        w.form->txtIP->setText(QStringLiteral(" tavola.example.org "));
        w.form->close();
    }
    QCOMPARE(iniValue(path, "Name"), QStringLiteral("Fra Cristòforo"));
    QCOMPARE(iniValue(path, "Server"), QStringLiteral("tavola.example.org"));
    QCOMPARE(iniValue(path, "Port"), QStringLiteral("600"));
    QCOMPARE(iniValue(path, "Tutorial"), QStringLiteral("0"));
    {
        // Clearing the name is remembered too.
        Window w(path);
        QCOMPARE(w.form->txtName->text(), QStringLiteral("Fra Cristòforo"));
        w.type(w.form->txtName, QString());
        w.form->close();
    }
    QCOMPARE(iniValue(path, "Name"), QString());
    QCOMPARE(iniValue(path, "Server"), QStringLiteral("tavola.example.org"));
}

void tst_Remembered::theTypedNameIsKeptNotTheHostsSuffix()
{
    Window host(m_dir.filePath(QStringLiteral("suffix-host.ini")));
    host.form->chat()->setPort(0);
    host.type(host.form->txtName, QStringLiteral("Ada"));
    host.form->cmdHost->click();
    const quint16 port = host.form->chat()->listeningPort();
    QVERIFY(port != 0);

    const QString path = m_dir.filePath(QStringLiteral("suffix-client.ini"));
    Window client(path);
    client.form->chat()->setPort(port);
    client.type(client.form->txtName, QStringLiteral("Ada"));
    client.form->txtIP->setText(QStringLiteral("127.0.0.1"));
    client.form->cmdConnect->click();
    // The host makes the name unique and the box shows what the table sees.
    QVERIFY(QTest::qWaitFor(
        [&] { return client.form->txtName->text() == QLatin1String("Ada[2]"); }, 10000));
    client.form->close();
    QCOMPARE(iniValue(path, "Name"), QStringLiteral("Ada"));
    QCOMPARE(iniValue(path, "Server"), QStringLiteral("127.0.0.1"));
}

void tst_Remembered::noNameMeansFocusOnNome_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("status");
    QTest::newRow("Host") << "cmdHost"
                          << "Per ospitare una sessione serve un nome: scriverlo in \"Nome:\".";
    QTest::newRow("Connetti") << "cmdConnect"
                              << "Per connettersi serve un nome: scriverlo in \"Nome:\".";
}

void tst_Remembered::noNameMeansFocusOnNome()
{
    QFETCH(QString, button);
    QFETCH(QString, status);
    Window w(m_dir.filePath(QStringLiteral("noname-") + button + QStringLiteral(".ini")));
    w.form->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.form.get()));
    w.form->txtIP->setText(QStringLiteral("127.0.0.1"));
    w.form->txtIP->setFocus();
    QCOMPARE(w.form->focusWidget(), w.form->txtIP);
    const QStringList before = w.status();

    auto *pressed = w.form->findChild<QPushButton *>(button);
    QVERIFY(pressed);
    pressed->click();
    QCOMPARE(w.form->focusWidget(), w.form->txtName);
    QCOMPARE(w.status(), before + QStringList{status});
    QCOMPARE(w.form->chat()->phase(), ChatSession::Phase::Idle);
    QVERIFY(!w.form->cmdHost->isHidden());
    QVERIFY(w.messages.shown.isEmpty());

    // With a name the same button does its work and says nothing of names.
    w.form->chat()->setPort(0); // hosting on any port; connecting to 0 fails after its wait
    w.type(w.form->txtName, QStringLiteral("Brom"));
    pressed->click();
    QVERIFY(w.form->chat()->phase() != ChatSession::Phase::Idle);
    QCOMPARE(w.status().count(status), 1);
}

void tst_Remembered::secondStartBringsTheWindowForward()
{
    // The running copy's side as the program wires it: a request on its
    // channel reaches bringToFront.
    Window w(m_dir.filePath(QStringLiteral("raise.ini")));
    QTemporaryDir runtime;
    platform::RaiseChannel channel(runtime.path());
    QObject::connect(&channel, &platform::RaiseChannel::raiseRequested, w.form.get(),
                     &frmMain::bringToFront);
    QVERIFY(channel.listen());

    w.form->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.form.get()));
    // Another window has the focus and ours is minimised.
    QWidget other;
    other.setWindowTitle(QStringLiteral("altro"));
    other.resize(200, 100);
    other.show();
    other.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&other));
    w.form->showMinimized();
    QVERIFY(QTest::qWaitFor([&] { return w.form->isMinimized(); }, 5000));
    QVERIFY(!w.form->isActiveWindow());

    auto secondStart = [&] {
        QLocalSocket second;
        second.connectToServer(channel.path());
        if (!second.waitForConnected(2000))
            return false;
        second.write("raise\n");
        return QTest::qWaitFor([&] { return second.canReadLine(); }, 5000) &&
               second.readLine() == "ok\n";
    };
    QVERIFY(secondStart());
    QVERIFY(QTest::qWaitFor(
        [&] { return !w.form->isMinimized() && w.form->isActiveWindow(); }, 5000));
    QVERIFY(w.form->isVisible());
    QVERIFY(!other.isActiveWindow());

    // Not minimised, only behind another window: it takes the focus back.
    other.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&other));
    QVERIFY(!w.form->isActiveWindow());
    QVERIFY(secondStart());
    QVERIFY(QTest::qWaitFor([&] { return w.form->isActiveWindow(); }, 5000));
}

// Closing writes where the window was, its size or preset, the pane's
// switches, the journal's folder and the board's zoom; the next start puts
// them back.
void tst_Remembered::theEveningComesBack_data()
{
    QTest::addColumn<int>("preset"); // -1: a size set by hand
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("switches");
    QTest::addColumn<double>("zoom"); // 0: fitted to the view
    QTest::newRow("by hand, switches on") << -1 << QSize(700, 480) << true << 3.0;
    QTest::newRow("wide preset, fitted") << 2 << QSize() << false << 0.0;
    QTest::newRow("narrow preset, switches on") << 0 << QSize() << true << 1.0;
    QTest::newRow("maximised") << 1 << QSize(600, 420) << false << 0.5;
}

void tst_Remembered::theEveningComesBack()
{
    QFETCH(int, preset);
    QFETCH(QSize, size);
    QFETCH(bool, switches);
    QFETCH(double, zoom);
    const QString path =
        m_dir.filePath(QStringLiteral("evening-%1.ini").arg(QString::fromLatin1(QTest::currentDataTag())));
    QTemporaryDir logs;
    QRect normal;
    QSize presetSize;
    {
        Window w(path);
        w.form->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.form.get()));
        if (size.isValid()) {
            w.form->setGeometry(QRect(QPoint(70, 60), size));
            QTRY_COMPARE(w.form->size(), size);
        }
        if (preset >= 0) {
            w.form->presets()->Command23(preset)->click();
            QTRY_COMPARE(w.form->presets()->highlighted(), preset);
        }
        normal = w.form->isMaximized() ? w.form->normalGeometry() : w.form->geometry();
        presetSize = w.form->size();
        if (switches) {
            w.form->dialogPane()->Command21()->click();
            w.form->dialogPane()->Command19()->click();
            QVERIFY(w.form->dialogSaver()->keepIn(logs.path()));
        }
        zoom > 0 ? w.form->boardPanel()->zoom()->setFactor(zoom)
                 : w.form->boardPanel()->zoom()->fitToView();
        w.form->close();
    }
    QCOMPARE(iniValue(path, "Preset"), QString::number(preset));
    QCOMPARE(iniValue(path, "Ora"), switches ? QStringLiteral("1") : QStringLiteral("0"));
    QCOMPARE(iniValue(path, "Colori"), switches ? QStringLiteral("1") : QStringLiteral("0"));
    QCOMPARE(iniValue(path, "WindowWidth").toInt(), normal.width());

    Window again(path);
    again.form->show();
    QVERIFY(QTest::qWaitForWindowExposed(again.form.get()));
    QCOMPARE(again.form->dialogPane()->bTimeStamp(), switches);
    QCOMPARE(again.form->dialogPane()->colouringOn(), switches);
    QCOMPARE(again.form->dialogPane()->Command21()->isOn(), switches);
    QCOMPARE(again.form->journal()->folder(), switches ? logs.path() : QString());
    if (preset == 1) {
        QTRY_VERIFY(again.form->isMaximized());
        QTRY_COMPARE(again.form->presets()->highlighted(), 1);
        QCOMPARE(again.form->normalGeometry().size(), normal.size());
        again.form->showNormal();
        QTRY_COMPARE(again.form->size(), normal.size());
    } else {
        QTRY_COMPARE(again.form->geometry().topLeft(), normal.topLeft());
        QTRY_COMPARE(again.form->size(), preset >= 0 ? presetSize : size);
        QTRY_COMPARE(again.form->presets()->highlighted(), preset);
    }
    QCOMPARE(again.form->boardPanel()->zoom()->fitting(), zoom == 0);
    if (zoom > 0)
        QCOMPARE(again.form->boardPanel()->zoom()->factor(), zoom);
    else // the whole board shows in the board's view
        QTRY_VERIFY(!again.form->findChild<QScrollBar *>(QStringLiteral("hsbImm"))->isVisible());
}

// The journal's folder is chosen in the pane's context menu, not only on
// the command line, and can be given up there.
void tst_Remembered::journalFolderChosenInTheWindow()
{
    Window w(m_dir.filePath(QStringLiteral("journal.ini")));
    conversation::DialogSaver *saver = w.form->dialogSaver();
    QMenu *menu = saver->contextMenu(QPoint(1, 1));
    QVERIFY(menu->actions().contains(saver->keepAction()));
    QVERIFY(menu->actions().contains(saver->stopAction()));
    QVERIFY(!saver->stopAction()->isEnabled()); // nothing kept yet
    delete menu;

    saver->keepAction()->trigger();
    QFileDialog *dialog = saver->folderDialog();
    QVERIFY(dialog);
    QCOMPARE(dialog->fileMode(), QFileDialog::Directory);
    QTemporaryDir logs;
    emit dialog->fileSelected(logs.path());
    QCOMPARE(w.form->journal()->folder(), logs.path());
    w.form->dialogPane()->UpdateDialog(QStringLiteral("Brom: ciao"));
    w.form->dialogPane()->showWaitingLines();
    QCOMPARE(QDir(logs.path()).entryList(QDir::Files).size(), 2); // .html and .txt

    menu = saver->contextMenu(QPoint(1, 1));
    QVERIFY(saver->stopAction()->isEnabled());
    delete menu;
    saver->stopAction()->trigger();
    QVERIFY(w.form->journal()->folder().isEmpty());
    dialog->close();
}

QTEST_MAIN(tst_Remembered)
#include "tst_remembered.moc"
