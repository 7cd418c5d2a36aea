#include "transfertestkit.h"

#include "chatsession.h"
#include "folderlist.h"
#include "frmmain.h"
#include "frmserverclient.h"
#include "incomingoffer.h"
#include "messageboxservice.h"
#include "participantlist.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QStringListModel>

using namespace transferkit;
using transfer::FolderList;
using transfer::FrmServerCLient;
using Icon = session::MessageService::Icon;

namespace {

// A sending window and a receiving window talking over loopback.
struct Pair {
    MessageRecorder sendBoxes;
    MessageRecorder receiveBoxes;
    QTemporaryDir folder;
    FrmServerCLient a; // sends
    FrmServerCLient b; // receives

    Pair()
    {
        a.setMessageService(&sendBoxes);
        b.setMessageService(&receiveBoxes);
        b.listenOn(0);
        b.TxtSaveFile->setText(folder.path() + QLatin1Char('/'));
        a.TargetIP->setText(QStringLiteral("127.0.0.1"));
        a.CntPort->setText(QString::number(b.receiver()->port()));
    }
    bool connect()
    {
        a.CmdSeek->click();
        return spin([&] { return a.CmdAquire->isEnabled(); });
    }
    void choose(const QString &path)
    {
        QFileDialog *dialog = nullptr;
        auto c = QObject::connect(&a, &FrmServerCLient::fileDialogOpened,
                                  [&](QFileDialog *d) { dialog = d; });
        a.CmdAquire->click();
        QObject::disconnect(c);
        QVERIFY(dialog);
        QCOMPARE(dialog->objectName(), QStringLiteral("OpenFileDialog"));
        dialog->selectFile(path);
        static_cast<QDialog *>(dialog)->accept(); // the dialog own override is protected
    }
    bool senderIdle() const
    {
        return a.CmdSeek->isEnabled() && !a.CntPort->isReadOnly() && !a.PacketScroll2->isEnabled() &&
               !a.CmdAquire->isEnabled() && !a.cmdAnnulla->isEnabled() && !a.CmdSend->isEnabled() &&
               a.lstClientNome->isEnabled() && a.PicTransfer->isHidden();
    }
};

/// On a shared machine another program (often another copy of Tavernix) may
/// hold the default transfer port: the window then says so instead. Asked
/// before the test's own window takes the port.
bool defaultPortTaken()
{
    QTcpServer probe;
    return !probe.listen(QHostAddress::Any, 2543);
}
QString listeningOrTaken()
{
    return defaultPortTaken() ? transfer::FileReceiver::listenFailureText(
                                    2543, QAbstractSocket::AddressInUseError)
                              : QStringLiteral("Connessione: in ascolto...");
}
QString activePort()
{
    return defaultPortTaken() ? QStringLiteral("nessuna") : QStringLiteral("2543");
}

} // namespace

class tst_TransferWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void controlsAtStart_data();
    void controlsAtStart();
    void initialStates();
    void routerLineShowsWhole();

    void sendsAFileWindowToWindow();
    void packetAdjustmentMovesTheScrollBar();
    void refusedFileLeavesTheOfferOpen();
    void connectionRefusedByTheReceiver();
    void disconnectButton();
    void receiverClosingRestoresTheSender();
    void fileChosenAfterTheConnectionEnded();
    void receiverCancelButton();

    void closeKeepsTheListedSettings();
    void closeDuringAnOfferCancelsIt();
    void questionBoxGoesWithItsConnection();
    void portChangeThroughTheBox_data();
    void portChangeThroughTheBox();
    void folderListSetsTheSaveFolder();
    void participantChoice_data();
    void participantChoice();

    void mainWindowCreatesItHidden();
    void command22ShowsAndFillsTheList();
    void recipientsFollowTheParticipants();
    void mainWindowPassesItsMessageService();
    void mainWindowEndShutsItDown();
    void programEndsWhileAFileComesIn();

private:
    QTemporaryDir m_files;
};

void tst_TransferWindow::initTestCase()
{
    QVERIFY(m_files.isValid());
}

void tst_TransferWindow::controlsAtStart_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::newRow("lblstatus") << "lblstatus" << listeningOrTaken();
    QTest::newRow("lblcurrentport") << "lblcurrentport" << activePort();
    QTest::newRow("TxtNewPort") << "TxtNewPort" << "2543";
    QTest::newRow("CmdChangePort") << "CmdChangePort" << "Cambia in:";
    QTest::newRow("ChkBlockRequest") << "ChkBlockRequest" << "Blocca ogni richiesta di connessione.";
    QTest::newRow("ChkAcceptID") << "ChkAcceptID" << "Accetta ogni richiesta di connessione.";
    QTest::newRow("ChkAutoSend") << "ChkAutoSend" << "Accetta automaticamente ogni file.";
    QTest::newRow("lblpacketsize") << "lblpacketsize" << "2048";
    QTest::newRow("lblincomingpacketsize") << "lblincomingpacketsize" << "Packet size:";
    QTest::newRow("CmdCancel") << "CmdCancel" << "Annulla";
    QTest::newRow("Label5") << "Label5" << "IP:";
    QTest::newRow("TargetIP") << "TargetIP" << "";
    QTest::newRow("CntPort") << "CntPort" << "2543";
    QTest::newRow("CmdSeek") << "CmdSeek" << "Attiva";
    QTest::newRow("cmdAnnulla") << "cmdAnnulla" << "Annulla";
    QTest::newRow("lblstatus2") << "lblstatus2" << "Stato: Sconnesso.";
    QTest::newRow("lblpacketsize2") << "lblpacketsize2" << "2048";
    QTest::newRow("CmdAquire") << "CmdAquire" << "File";
    QTest::newRow("TextSend") << "TextSend" << "";
    QTest::newRow("lblfilesize") << "lblfilesize" << "Dimensione:";
    QTest::newRow("CmdSend") << "CmdSend" << "Invia";
    QTest::newRow("CmdCancel2") << "CmdCancel2" << "Annulla";
    QTest::newRow("TargetNome") << "TargetNome" << "";
}

void tst_TransferWindow::controlsAtStart()
{
    QFETCH(QString, name);
    QFETCH(QString, text);
    FrmServerCLient w;
    QWidget *control = w.findChild<QWidget *>(name);
    QVERIFY2(control, qPrintable(name));
    QString shown;
    if (auto *label = qobject_cast<QLabel *>(control))
        shown = label->text();
    else if (auto *edit = qobject_cast<QLineEdit *>(control))
        shown = edit->text();
    else if (auto *button = qobject_cast<QAbstractButton *>(control))
        shown = button->text();
    else
        QFAIL("unexpected control kind");
    QCOMPARE(shown, text);
}

// The router's longest answers show whole beside the transfer port, at the
// window's first size.
void tst_TransferWindow::routerLineShowsWhole()
{
    FrmServerCLient w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QString answer;
    for (int i = 0; i < 6; ++i)
        answer += QStringLiteral("Il router non ha risposto alla richiesta di aprire la porta %1. ")
                      .arg(30000 + i);
    w.setRouterStatus(answer);
    QTRY_VERIFY(w.lblrouter->isVisible());
    QTRY_VERIFY2(w.lblrouter->height() >= w.lblrouter->heightForWidth(w.lblrouter->width()),
                 qPrintable(QStringLiteral("%1 < %2").arg(w.lblrouter->height())
                                .arg(w.lblrouter->heightForWidth(w.lblrouter->width()))));
}

void tst_TransferWindow::initialStates()
{
    const QString title = listeningOrTaken(); // before the window takes the port
    FrmServerCLient w;
    QCOMPARE(w.objectName(), QStringLiteral("FrmServerCLient"));
    QVERIFY(w.isHidden());
    QCOMPARE(w.windowTitle(), title);
    for (const char *name : {"Dir1", "TxtSaveFile", "PictFrame", "PrgTransfer", "lblfilename",
                             "lstClientNome", "PrgStatus", "PacketScroll", "PacketScroll2",
                             "PicTransfer", "ProgressTransfer2", "lblsendingfile"})
        QVERIFY2(w.findChild<QWidget *>(QLatin1String(name)), name);
    QVERIFY(!w.ChkBlockRequest->isChecked());
    QVERIFY(w.ChkAcceptID->isChecked());
    QVERIFY(w.ChkAutoSend->isChecked());
    for (QScrollBar *bar : {w.PacketScroll, w.PacketScroll2}) {
        QCOMPARE(bar->minimum(), 100);
        QCOMPARE(bar->maximum(), 2500);
        QCOMPARE(bar->singleStep(), 25);
        QCOMPARE(bar->pageStep(), 100);
        QCOMPARE(bar->value(), 2048);
        QCOMPARE(bar->orientation(), Qt::Horizontal);
    }
    QVERIFY(w.PacketScroll->isEnabled());
    QVERIFY(!w.PacketScroll2->isEnabled());
    QCOMPARE(w.PrgStatus->minimum(), 0);
    QCOMPARE(w.PrgStatus->maximum(), 3);
    QCOMPARE(w.PrgTransfer->maximum(), 100);
    QCOMPARE(w.ProgressTransfer2->maximum(), 100);
    QVERIFY(!w.cmdAnnulla->isEnabled());
    QVERIFY(!w.CmdAquire->isEnabled());
    QVERIFY(!w.CmdSend->isEnabled());
    QVERIFY(w.CmdSeek->isEnabled());
    QVERIFY(w.PictFrame->isHidden());
    QVERIFY(w.PicTransfer->isHidden());
    QVERIFY(w.Label5->isHidden());
    QVERIFY(w.TargetIP->isHidden());
    QVERIFY(w.TargetNome->isHidden());
    QVERIFY(!w.addressEntryVisible());
    QCOMPARE(w.TxtSaveFile->text(), transfer::defaultSaveFolder());
    QVERIFY(w.TxtSaveFile->text().endsWith(QLatin1String("FileRicevuti/")));
    QCOMPARE(w.receiver()->saveFolder(), w.TxtSaveFile->text());
    QCOMPARE(w.receiver()->packetSize(), 2048);
    QVERIFY(w.receiver()->acceptRequests());
    QVERIFY(w.receiver()->autoAccept());
    QVERIFY(!w.receiver()->blockRequests());
    QCOMPARE(w.receiver()->port(), quint16(2543)); // listening there unless the port was taken
    // The unlock's switch.
    w.setAddressEntryVisible(true);
    QVERIFY(!w.Label5->isHidden());
    QVERIFY(!w.TargetIP->isHidden());
    QVERIFY(w.addressEntryVisible());
    w.setAddressEntryVisible(false);
    QVERIFY(w.TargetIP->isHidden());
}

void tst_TransferWindow::sendsAFileWindowToWindow()
{
    Pair p;
    const QString path = m_files.filePath(QStringLiteral("dado.bin"));
    QVERIFY(makeFile(path, 5000));
    QVERIFY(p.connect());
    QCOMPARE(p.a.lblstatus2->text(), QStringLiteral("Connesso a  [%1].").arg(p.b.receiver()->port()));
    QCOMPARE(p.a.PrgStatus->value(), 3);
    QVERIFY(!p.a.CmdSeek->isEnabled());
    QVERIFY(p.a.CntPort->isReadOnly());
    QVERIFY(p.a.PacketScroll2->isEnabled());
    QVERIFY(p.a.cmdAnnulla->isEnabled());
    QVERIFY(!p.a.CmdSend->isEnabled());
    QVERIFY(p.b.lblstatus->text().startsWith(QLatin1String("Connesso a 127.0.0.1 [")));
    QCOMPARE(p.b.windowTitle(), p.b.lblstatus->text());

    p.choose(path);
    QCOMPARE(p.a.TextSend->text(), path);
    QCOMPARE(p.a.lblfilesize->text(), QStringLiteral("Dimensione: 4,88 KB"));
    QVERIFY(p.a.CmdSend->isEnabled());

    // What the receiving window shows while the file comes in.
    bool sawPanel = false, idleLocked = false, titleFollows = true;
    QObject::connect(p.b.receiver(), &transfer::FileReceiver::receivingChanged, &p.b, [&](bool on) {
        if (on) {
            sawPanel = !p.b.PictFrame->isHidden();
            idleLocked = !p.b.Dir1->isEnabled() && !p.b.ChkAutoSend->isEnabled() &&
                         !p.b.ChkAcceptID->isEnabled() && !p.b.ChkBlockRequest->isEnabled() &&
                         !p.b.PacketScroll->isEnabled() && p.b.TxtNewPort->isReadOnly() &&
                         !p.b.CmdChangePort->isEnabled();
        }
    });
    QObject::connect(p.b.receiver(), &transfer::FileReceiver::statusChanged, &p.b,
                     [&](const QString &text) {
                         titleFollows = titleFollows && p.b.windowTitle() == text &&
                                        p.b.lblstatus->text() == text;
                     });
    bool panelOnWhileSending = false;
    QObject::connect(p.a.fileSender(), &transfer::FileSender::sendingStarted, &p.a, [&] {
        panelOnWhileSending = !p.a.PicTransfer->isHidden() && !p.a.lstClientNome->isEnabled() &&
                              !p.a.CmdSend->isEnabled() && p.a.cmdAnnulla->isEnabled();
    });
    p.a.CmdSend->click();
    QVERIFY(spin([&] { return !p.sendBoxes.shown.isEmpty(); }, 10000));
    QCOMPARE(p.sendBoxes.lines(),
             QStringList{QStringLiteral("Trasferimento completo|Trasferimento del file completato.")});
    QVERIFY(panelOnWhileSending);
    QCOMPARE(p.a.lblstatus2->text(), QStringLiteral("Stato: Sconnesso."));
    QCOMPARE(p.a.ProgressTransfer2->value(), 100);
    QCOMPARE(p.a.lblsendingfile->text(), QStringLiteral("File in uscita: ") + path);
    QVERIFY(p.senderIdle());

    QVERIFY(spin([&] { return p.b.receiver()->state() == transfer::FileReceiver::State::Listening; }));
    QVERIFY(sawPanel);
    QVERIFY(idleLocked);
    QVERIFY(titleFollows);
    const QString target = p.folder.path() + QStringLiteral("/dado.bin");
    QCOMPARE(contents(target), contents(path));
    QCOMPARE(p.b.lblfilename->text(), QStringLiteral("File in arrivo: ") + target);
    QCOMPARE(p.b.lblincomingpacketsize->text(), QStringLiteral("Packet size: 2048"));
    QCOMPARE(p.b.PrgTransfer->value(), 100);
    QCOMPARE(p.b.windowTitle(), QStringLiteral("Connessione: in ascolto..."));
    QVERIFY(p.b.PictFrame->isHidden());
    QVERIFY(p.b.Dir1->isEnabled());
    QVERIFY(!p.b.TxtNewPort->isReadOnly());
    // The receiver is told the file came, by a box of its own.
    QCOMPARE(p.receiveBoxes.titles(), QStringList{QStringLiteral("File ricevuto")});
    QVERIFY(p.receiveBoxes.shown[0].text.contains(target));
    QVERIFY(!QFile::exists(target + QStringLiteral(".parziale")));
}

void tst_TransferWindow::packetAdjustmentMovesTheScrollBar()
{
    Pair p;
    p.b.PacketScroll->setValue(1500);
    QCOMPARE(p.b.lblpacketsize->text(), QStringLiteral("1500"));
    const QString path = m_files.filePath(QStringLiteral("q.bin"));
    QVERIFY(makeFile(path, 4000));
    QVERIFY(p.connect());
    p.choose(path);
    p.a.CmdSend->click();
    QVERIFY(spin([&] { return p.a.PacketScroll2->value() == 1500; }));
    QCOMPARE(p.a.lblpacketsize2->text(), QStringLiteral("1500"));
    QCOMPARE(p.sendBoxes.titles(), QStringList{QStringLiteral("Errore di trasferimento")});
    QVERIFY(p.a.CmdSend->isEnabled()); // ready to press again
    QVERIFY(p.a.PicTransfer->isHidden());
    p.a.CmdSend->click();
    QVERIFY(spin([&] { return p.sendBoxes.shown.size() == 2; }, 10000));
    QCOMPARE(p.sendBoxes.shown[1].text, QStringLiteral("Trasferimento del file completato."));
    QVERIFY(spin([&] { return QFile::exists(p.folder.path() + QStringLiteral("/q.bin")); }));
    QCOMPARE(p.b.lblincomingpacketsize->text(), QStringLiteral("Packet size: 1500"));
}

void tst_TransferWindow::refusedFileLeavesTheOfferOpen()
{
    Pair p;
    p.b.ChkAutoSend->setChecked(false);
    QVERIFY(!p.b.receiver()->autoAccept());
    const QString path = m_files.filePath(QStringLiteral("r.bin"));
    QVERIFY(makeFile(path, 300));
    // The question names the sender as the receiver's address list has it.
    QStringListModel addresses(QStringList{QStringLiteral("Ada - 10.1.1.1"),
                                           QStringLiteral("Brom - 127.0.0.1")});
    p.b.setAddressModel(&addresses);
    QVERIFY(p.connect());
    p.choose(path);
    p.a.CmdSend->click();
    QVERIFY(spin([&] { return p.receiveBoxes.pending() == 1; }));
    QCOMPARE(p.receiveBoxes.asked[0].text, QStringLiteral("Accetti di ricevere il file: 'r.bin' di "
                                                          "300 bytes?\n\nMittente: Brom"));
    QVERIFY(p.receiveBoxes.reply(false));
    QVERIFY(spin([&] { return !p.sendBoxes.shown.isEmpty(); }));
    QCOMPARE(p.sendBoxes.texts(), QStringList{QStringLiteral("Il file è stato rifiutato. Grrrr..")});
    QVERIFY(!p.a.CmdSeek->isEnabled());
    QVERIFY(p.a.CntPort->isReadOnly());
    QVERIFY(p.a.PacketScroll2->isEnabled());
    QVERIFY(p.a.CmdAquire->isEnabled());
    QVERIFY(p.a.lstClientNome->isEnabled());
    QVERIFY(p.a.cmdAnnulla->isEnabled());
    QVERIFY(!p.a.CmdSend->isEnabled());
    QVERIFY(p.a.PicTransfer->isHidden());
    QVERIFY(p.b.PictFrame->isHidden());
    QVERIFY(p.b.ChkAutoSend->isEnabled());
}

void tst_TransferWindow::connectionRefusedByTheReceiver()
{
    Pair p;
    p.b.ChkBlockRequest->setChecked(true);
    p.a.CmdSeek->click();
    QVERIFY(spin([&] { return !p.sendBoxes.shown.isEmpty(); }));
    QCOMPARE(p.sendBoxes.lines(),
             QStringList{QStringLiteral("Connessione respinta|Il destinatario ha rifiutato la connessione.")});
    QVERIFY(p.senderIdle());
}

void tst_TransferWindow::disconnectButton()
{
    Pair p;
    QVERIFY(p.connect());
    p.a.cmdAnnulla->click();
    QCOMPARE(p.a.lblstatus2->text(), QStringLiteral("Stato: Sconnesso."));
    QVERIFY(!p.a.cmdAnnulla->isEnabled());
    QVERIFY(!p.a.CmdSend->isEnabled());
    QVERIFY(!p.a.CmdAquire->isEnabled());
    QVERIFY(p.a.lstClientNome->isEnabled());
    QVERIFY(p.a.PacketScroll2->isEnabled());
    QVERIFY(p.a.CmdSeek->isEnabled());
    QVERIFY(!p.a.CntPort->isReadOnly());
    QVERIFY(spin([&] { return p.b.receiver()->state() == transfer::FileReceiver::State::Listening; }));
    QVERIFY(p.sendBoxes.shown.isEmpty());
}

void tst_TransferWindow::receiverClosingRestoresTheSender()
{
    Pair p;
    QVERIFY(p.connect());
    const QString before = p.a.lblstatus2->text();
    p.b.close(); // its connections end
    QVERIFY(spin([&] { return p.a.CmdSeek->isEnabled(); }));
    QVERIFY(p.senderIdle());
    QCOMPARE(p.a.lblstatus2->text(), before); // left as it was
    QVERIFY(p.sendBoxes.shown.isEmpty());
}

// The file dialog does not stop the connection from ending meanwhile: the
// file chosen afterwards shows, but "Invia" stays off with nothing to send to.
void tst_TransferWindow::fileChosenAfterTheConnectionEnded()
{
    Pair p;
    const QString path = m_files.filePath(QStringLiteral("tardi.bin"));
    QVERIFY(makeFile(path, 700));
    QVERIFY(p.connect());
    QFileDialog *dialog = nullptr;
    QObject::connect(&p.a, &FrmServerCLient::fileDialogOpened, [&](QFileDialog *d) { dialog = d; });
    p.a.CmdAquire->click();
    QVERIFY(dialog);
    p.b.close(); // the receiver goes
    QVERIFY(spin([&] { return p.a.CmdSeek->isEnabled(); }));
    emit dialog->fileSelected(path); // what the dialog reports when the user picks
    QCOMPARE(p.a.TextSend->text(), path);
    QCOMPARE(p.a.lblfilesize->text(), QStringLiteral("Dimensione: 700 bytes"));
    QVERIFY(!p.a.CmdSend->isEnabled());
    QVERIFY(p.senderIdle());
}

void tst_TransferWindow::receiverCancelButton()
{
    Pair p;
    p.b.PacketScroll->setValue(2500);
    const QString path = m_files.filePath(QStringLiteral("lungo.bin"));
    QVERIFY(makeFile(path, qint64(8) << 20));
    QObject::connect(p.b.receiver(), &transfer::FileReceiver::progressChanged, &p.b, [&](double v) {
        if (v < 100 && p.b.receiver()->isReceiving() && !p.b.PictFrame->isHidden())
            p.b.CmdCancel->click();
    });
    QVERIFY(p.connect());
    p.a.PacketScroll2->setValue(2500);
    p.choose(path);
    p.a.CmdSend->click();
    QVERIFY(spin([&] { return !p.sendBoxes.shown.isEmpty(); }, 20000));
    QCOMPARE(p.sendBoxes.shown[0].icon, Icon::Warning);
    QCOMPARE(p.b.lblstatus->text(), QStringLiteral("Connessione: in ascolto..."));
    QCOMPARE(p.b.PrgTransfer->value(), 100);
    QVERIFY(p.b.PictFrame->isHidden());
    QVERIFY(p.senderIdle());
}

void tst_TransferWindow::closeKeepsTheListedSettings()
{
    const QString title = listeningOrTaken(); // before the window takes the port
    const QString active = activePort();
    FrmServerCLient w;
    MessageRecorder boxes;
    w.setMessageService(&boxes);
    const quint16 port = freeLowPort();
    QVERIFY(port != 0);
    w.show();
    w.TxtNewPort->setText(QString::number(port));
    w.CmdChangePort->click();
    QCOMPARE(w.lblcurrentport->text(), QString::number(port));
    QCOMPARE(w.receiver()->port(), port);
    QVERIFY(w.receiver()->isListening());

    // An idle connection held at the time ends for the peer.
    w.ChkAcceptID->setChecked(false);
    RawPeer peer;
    QVERIFY(peer.connectTo(port));
    QVERIFY(spin([&] { return boxes.pending() == 1; })); // accepting is off: it asks

    QTemporaryDir saves;
    w.ChkAutoSend->setChecked(false);
    w.ChkBlockRequest->setChecked(true);
    w.PacketScroll->setValue(1000);
    w.PacketScroll2->setValue(500);
    w.TxtSaveFile->setText(saves.path() + QLatin1Char('/'));
    w.setAddressEntryVisible(true);
    w.TargetIP->setText(QStringLiteral("10.1.2.3"));
    w.CntPort->setText(QStringLiteral("9999"));
    w.TextSend->setText(QStringLiteral("/tmp/x"));
    w.lblstatus2->setText(QStringLiteral("qualcosa"));

    w.close();
    QVERIFY(w.isHidden());
    QVERIFY(peer.waitClosed());
    QVERIFY(!boxes.reply(true)); // the question died with the connection
    // Back to their start...
    QCOMPARE(w.lblcurrentport->text(), active);
    QCOMPARE(w.TxtNewPort->text(), QStringLiteral("2543"));
    QCOMPARE(w.receiver()->port(), quint16(2543));
    QCOMPARE(w.TargetIP->text(), QString());
    QCOMPARE(w.CntPort->text(), QStringLiteral("2543"));
    QCOMPARE(w.TextSend->text(), QString());
    QCOMPARE(w.lblstatus2->text(), QStringLiteral("Stato: Sconnesso."));
    QCOMPARE(w.windowTitle(), title);
    // ...except what a close keeps.
    QVERIFY(!w.ChkAutoSend->isChecked());
    QVERIFY(!w.ChkAcceptID->isChecked());
    QVERIFY(w.ChkBlockRequest->isChecked());
    QCOMPARE(w.PacketScroll->value(), 1000);
    QCOMPARE(w.lblpacketsize->text(), QStringLiteral("1000"));
    QCOMPARE(w.PacketScroll2->value(), 500);
    QCOMPARE(w.lblpacketsize2->text(), QStringLiteral("500"));
    QCOMPARE(w.TxtSaveFile->text(), saves.path() + QLatin1Char('/'));
    QVERIFY(w.addressEntryVisible());
    QVERIFY(!w.Label5->isHidden());
    QVERIFY(!w.TargetIP->isHidden());
    // The fresh engine works with the kept settings.
    QVERIFY(!w.receiver()->autoAccept());
    QVERIFY(!w.receiver()->acceptRequests());
    QVERIFY(w.receiver()->blockRequests());
    QCOMPARE(w.receiver()->packetSize(), 1000);
    QCOMPARE(w.receiver()->saveFolder(), saves.path() + QLatin1Char('/'));
    QVERIFY(w.messageService() == &boxes);

    // Hidden again, and that is kept too.
    w.setAddressEntryVisible(false);
    w.show();
    w.close();
    QVERIFY(w.TargetIP->isHidden());
    QVERIFY(w.Label5->isHidden());
}

void tst_TransferWindow::closeDuringAnOfferCancelsIt()
{
    Pair p;
    p.b.ChkAutoSend->setChecked(false);
    const QString path = m_files.filePath(QStringLiteral("w.bin"));
    QVERIFY(makeFile(path, 100));
    QVERIFY(p.connect());
    p.choose(path);
    p.a.show();
    p.a.CmdSend->click();
    QVERIFY(spin([&] { return p.receiveBoxes.pending() == 1; }));
    p.a.close();
    QCOMPARE(p.sendBoxes.lines(),
             QStringList{QStringLiteral("Connessione terminata|Il trasferimento del file è stato annullato dal mittente.")});
    QVERIFY(p.senderIdle());
    QVERIFY(spin([&] { return p.b.receiver()->state() == transfer::FileReceiver::State::Listening; }));
    QVERIFY(!p.receiveBoxes.reply(true));
}

namespace {

QMessageBox *visibleBox(const QString &title)
{
    for (QWidget *top : QApplication::allWidgets()) {
        auto *box = qobject_cast<QMessageBox *>(top);
        if (box && box->isVisible() && box->windowTitle() == title)
            return box;
    }
    return nullptr;
}

} // namespace

// Real boxes: a question whose connection has ended (the peer left, or the
// window was closed and made anew) disappears instead of waiting for an
// answer that would do nothing.
void tst_TransferWindow::questionBoxGoesWithItsConnection()
{
    FrmServerCLient w;
    app::MessageBoxService boxes(&w);
    w.setMessageService(&boxes);
    w.listenOn(0);
    w.ChkAcceptID->setChecked(false);
    const QString request = QStringLiteral("Richiesta di Connessione");
    {
        RawPeer peer;
        QVERIFY(peer.connectTo(w.receiver()->port()));
        QVERIFY(spin([&] { return visibleBox(request); }));
    }
    QVERIFY(spin([&] { return w.receiver()->state() == transfer::FileReceiver::State::Listening; }));
    QVERIFY(spin([&] { return !visibleBox(request); }));

    // A file question over the shown window, which is then closed.
    w.ChkAcceptID->setChecked(true);
    w.ChkAutoSend->setChecked(false);
    w.show();
    const QString offered = QStringLiteral("File in attesa di permesso");
    RawPeer peer;
    QVERIFY(peer.connectTo(w.receiver()->port()));
    QVERIFY(peer.waitFor(transfer::wire::kAccept));
    peer.send("File~~~#:name~#:tardi.bin");
    peer.send("File~~~#:size~#:10");
    QVERIFY(spin([&] { return visibleBox(offered); }));
    w.close();
    QVERIFY(peer.waitClosed());
    QVERIFY(spin([&] { return !visibleBox(offered); }));
}

void tst_TransferWindow::portChangeThroughTheBox_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("byEnter");
    QTest::addColumn<bool>("taken");
    QTest::newRow("button") << "*" << false << true;
    QTest::newRow("enter") << "*" << true << true;
    QTest::newRow("not a number") << "abc" << false << false;
    QTest::newRow("zero") << "0" << true << false;
    QTest::newRow("negative") << "-2543" << false << false;
    QTest::newRow("above 32767") << "40000" << false << false;
}

void tst_TransferWindow::portChangeThroughTheBox()
{
    QFETCH(QString, text);
    QFETCH(bool, byEnter);
    QFETCH(bool, taken);
    FrmServerCLient w;
    w.listenOn(0);
    const QString before = w.lblcurrentport->text();
    QCOMPARE(before, QString::number(w.receiver()->port()));
    const quint16 port = freeLowPort();
    text.replace(QLatin1Char('*'), QString::number(port));
    w.TxtNewPort->setText(text);
    if (byEnter)
        emit w.TxtNewPort->returnPressed();
    else
        w.CmdChangePort->click();
    QCOMPARE(w.lblcurrentport->text(), taken ? QString::number(port) : before);
    QCOMPARE(QString::number(w.receiver()->port()), w.lblcurrentport->text());
    QVERIFY(w.receiver()->isListening());
}

void tst_TransferWindow::folderListSetsTheSaveFolder()
{
    Pair p;
    QTemporaryDir top;
    QVERIFY(QDir().mkpath(top.filePath(QStringLiteral("scelta/dentro"))));
    p.b.Dir1->setPath(top.filePath(QStringLiteral("scelta")));
    QCOMPARE(p.b.TxtSaveFile->text(), top.filePath(QStringLiteral("scelta/")));
    // The list shows the way up and the folders inside; activating one enters it.
    QCOMPARE(p.b.Dir1->count(), 2);
    QCOMPARE(p.b.Dir1->item(0)->text(), QStringLiteral(".."));
    QCOMPARE(p.b.Dir1->item(1)->text(), QStringLiteral("dentro"));
    emit p.b.Dir1->itemActivated(p.b.Dir1->item(1));
    QCOMPARE(p.b.TxtSaveFile->text(), top.filePath(QStringLiteral("scelta/dentro/")));
    emit p.b.Dir1->itemActivated(p.b.Dir1->item(0));
    QCOMPARE(p.b.TxtSaveFile->text(), top.filePath(QStringLiteral("scelta/")));

    const QString path = m_files.filePath(QStringLiteral("mappa.bin"));
    QVERIFY(makeFile(path, 1234));
    QVERIFY(p.connect());
    p.choose(path);
    p.a.CmdSend->click();
    QVERIFY(spin([&] { return !p.sendBoxes.shown.isEmpty(); }, 10000));
    QVERIFY(spin([&] { return p.b.receiver()->state() == transfer::FileReceiver::State::Listening; }));
    // Inside the folder, not beside it.
    QCOMPARE(contents(top.filePath(QStringLiteral("scelta/mappa.bin"))), contents(path));
    QVERIFY(!QFile::exists(top.filePath(QStringLiteral("sceltamappa.bin"))));

    // A folder typed without its separator still takes the file inside.
    p.b.TxtSaveFile->setText(top.filePath(QStringLiteral("scritta")));
    QVERIFY(p.connect());
    p.choose(path);
    p.a.CmdSend->click();
    QVERIFY(spin([&] { return p.sendBoxes.shown.size() == 2; }, 10000));
    QVERIFY(spin([&] { return QFile::exists(top.filePath(QStringLiteral("scritta/mappa.bin"))); }));
}

void tst_TransferWindow::participantChoice_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("address");
    QTest::newRow("the last entry wins") << "Ada" << "10.0.0.9";
    QTest::newRow("another") << "Brom" << "10.0.0.2";
    QTest::newRow("no entry keeps the box") << "Cleo" << "keep";
    QTest::newRow("a prefix is not a name") << "Ad" << "keep";
    QTest::newRow("case matters") << "ada" << "keep";
    QTest::newRow("name with spaces") << "Il Bardo" << "10.0.0.4";
}

void tst_TransferWindow::participantChoice()
{
    QFETCH(QString, name);
    QFETCH(QString, address);
    FrmServerCLient w;
    QStringListModel names({QStringLiteral("Ada"), QStringLiteral("Brom"), QStringLiteral("Cleo"),
                            QStringLiteral("Ad"), QStringLiteral("ada"), QStringLiteral("Il Bardo")});
    QStringListModel addresses({QStringLiteral("Ada - 10.0.0.1"), QStringLiteral("Brom - 10.0.0.2"),
                                QStringLiteral("Ada - 10.0.0.9"), QStringLiteral("Il Bardo - 10.0.0.4"),
                                QStringLiteral("Adam - 10.0.0.5")});
    w.setRecipientModel(&names);
    w.setAddressModel(&addresses);
    w.TargetIP->setText(QStringLiteral("keep"));
    const int row = int(names.stringList().indexOf(name));
    w.lstClientNome_Click(names.index(row));
    QCOMPARE(w.TargetIP->text(), address);
    QCOMPARE(w.TargetNome->text(), name);
}

namespace {

struct Main {
    QTemporaryDir dir;
    MessageRecorder boxes;
    std::unique_ptr<app::frmMain> form;
    explicit Main(const QString &tag)
        : form(std::make_unique<app::frmMain>(dir.filePath(tag + QStringLiteral(".ini"))))
    {
        form->setMessageService(&boxes);
        form->chat()->setConnectWait(100);
    }
    ~Main()
    {
        if (form)
            form->setMessageService(nullptr);
    }
    void host(const QString &name)
    {
        form->chat()->setPort(0);
        form->txtName->setText(name);
        emit form->txtName->textEdited(name);
        form->cmdHost->click();
    }
    void join(const QString &name, quint16 port)
    {
        form->chat()->setPort(port);
        form->txtName->setText(name);
        emit form->txtName->textEdited(name);
        form->txtIP->setText(QStringLiteral("127.0.0.1"));
        form->cmdConnect->click();
    }
    QStringList recipients() const
    {
        auto *model = qobject_cast<QStringListModel *>(form->transferWindow()->lstClientNome->model());
        return model ? model->stringList() : QStringList();
    }
};

} // namespace

void tst_TransferWindow::mainWindowCreatesItHidden()
{
    Main m(QStringLiteral("hidden"));
    FrmServerCLient *w = m.form->transferWindow();
    QVERIFY(w);
    QVERIFY(w->isHidden());
    QVERIFY(w->isWindow());
    QCOMPARE(w->parent(), m.form.get());
    QVERIFY(w->receiver());
    QCOMPARE(w->receiver()->port(), quint16(2543));
    QCOMPARE(w->lstClientNome->model(), m.form->chat()->transferRecipients());

    QPushButton *b = m.form->Command22;
    QVERIFY(b);
    QCOMPARE(b->objectName(), QStringLiteral("Command22"));
    QCOMPARE(b->toolTip(), QStringLiteral("Trasferimento file"));
    QVERIFY(!b->icon().isNull());
    QCOMPARE(b->geometry(), QRect(2810 / 15, 3090 / 15, 330 / 15, 300 / 15));
    // The caption beside the row of picture buttons leaves them room.
    auto *caption = m.form->findChild<QLabel *>(QStringLiteral("lblDialog"));
    QVERIFY(caption);
    QCOMPARE(caption->geometry(), QRect(60 / 15, 3150 / 15, 1960 / 15, 240 / 15));
    QVERIFY(caption->geometry().right() < b->geometry().left());
    auto *clock = m.form->findChild<QWidget *>(QStringLiteral("Command21"));
    QVERIFY(clock);
    QVERIFY(!b->geometry().intersects(clock->geometry()));
}

void tst_TransferWindow::command22ShowsAndFillsTheList()
{
    Main host(QStringLiteral("h"));
    host.host(QStringLiteral("Master"));
    const quint16 port = host.form->chat()->listeningPort();
    QVERIFY(port);
    Main ada(QStringLiteral("a"));
    ada.join(QStringLiteral("Ada"), port);
    QVERIFY(spin([&] { return host.form->chat()->participants()->count() == 2; }, 10000));
    QVERIFY(spin([&] {
        const QStringList all = host.form->chat()->addressList()->stringList();
        return all.size() == 2;
    }, 10000));

    host.form->setTopMost(true);
    host.form->show();
    host.form->Command22->click();
    FrmServerCLient *w = host.form->transferWindow();
    QVERIFY(w->isVisible());
    QCOMPARE(host.form->primopiano->text(), QStringLiteral("falso"));
    const QStringList names{QStringLiteral("Master"), QStringLiteral("Ada")};
    QCOMPARE(host.recipients(), names);
    host.form->Command22->click(); // afresh, no duplicates
    QCOMPARE(host.recipients(), names);

    // Choosing Ada takes her address from the main window's address list.
    QString expected;
    const QStringList entries = host.form->chat()->addressList()->stringList();
    for (qsizetype i = entries.size() - 1; i >= 0 && expected.isEmpty(); --i) {
        if (entries[i].startsWith(QLatin1String("Ada - ")))
            expected = entries[i].mid(6);
    }
    QVERIFY(!expected.isEmpty());
    w->lstClientNome_Click(w->lstClientNome->model()->index(1, 0));
    QCOMPARE(w->TargetNome->text(), QStringLiteral("Ada"));
    QCOMPARE(w->TargetIP->text(), expected);
    host.form->close();
}

void tst_TransferWindow::recipientsFollowTheParticipants()
{
    Main host(QStringLiteral("h2"));
    host.host(QStringLiteral("Master"));
    const quint16 port = host.form->chat()->listeningPort();
    Main ada(QStringLiteral("a2"));
    ada.join(QStringLiteral("Ada"), port);
    // No button pressed: the list message keeps every window's list current.
    QVERIFY(spin([&] { return host.recipients().size() == 2; }, 10000));
    QVERIFY(spin([&] { return ada.recipients().size() == 2; }, 10000));
    Main brom(QStringLiteral("b2"));
    brom.join(QStringLiteral("Brom"), port);
    const QStringList all{QStringLiteral("Master"), QStringLiteral("Ada"), QStringLiteral("Brom")};
    QVERIFY(spin([&] { return host.recipients() == all; }, 10000));
    QVERIFY(spin([&] { return ada.recipients() == all; }, 10000));
}

void tst_TransferWindow::mainWindowPassesItsMessageService()
{
    Main m(QStringLiteral("boxes"));
    FrmServerCLient *w = m.form->transferWindow();
    QVERIFY(w->messageService() == &m.boxes);
    m.form->setMessageService(nullptr);
    // Its own boxes then, over the transfer window, not the main window's.
    QVERIFY(w->messageService());
    QVERIFY(w->messageService() != &m.boxes);
    QVERIFY(w->messageService() != m.form->messageService());
    MessageRecorder other;
    m.form->setMessageService(&other);
    QVERIFY(w->messageService() == &other);
    // And the questions of its receiver reach the recorder.
    w->ChkAcceptID->setChecked(false);
    w->listenOn(0);
    RawPeer peer;
    QVERIFY(peer.connectTo(w->receiver()->port()));
    QVERIFY(spin([&] { return other.pending() == 1; }));
    QCOMPARE(other.asked[0].title, QStringLiteral("Richiesta di Connessione"));
    m.form->setMessageService(nullptr);
}

void tst_TransferWindow::mainWindowEndShutsItDown()
{
    Main m(QStringLiteral("end"));
    FrmServerCLient *w = m.form->transferWindow();
    w->listenOn(0);
    const quint16 port = w->receiver()->port();
    m.form->show();
    m.form->Command22->click();
    QVERIFY(w->isVisible());
    m.form->close();
    // Ended with the program: no fresh start listening again, no message.
    QVERIFY(!w->isVisible());
    QVERIFY(!w->receiver());
    QVERIFY(!w->fileSender());
    QVERIFY(m.boxes.shown.isEmpty());
    QTcpSocket probe;
    probe.connectToHost(QHostAddress::LocalHost, port);
    QVERIFY(spin([&] { return probe.state() == QAbstractSocket::UnconnectedState; }));
}

// The program ends in the middle of a file: the receiving side goes without
// a message and without listening again, the part written stays, and the
// sender is told the line was lost.
void tst_TransferWindow::programEndsWhileAFileComesIn()
{
    Main m(QStringLiteral("midfile"));
    FrmServerCLient *w = m.form->transferWindow();
    QTemporaryDir saves;
    w->TxtSaveFile->setText(saves.path() + QLatin1Char('/'));
    w->PacketScroll->setValue(2500);
    w->listenOn(0);
    const quint16 port = w->receiver()->port();
    const QString path = m_files.filePath(QStringLiteral("fine.bin"));
    QVERIFY(makeFile(path, qint64(8) << 20));
    m.form->show();
    // Closed from the event loop, as the user's click comes.
    bool scheduled = false;
    QObject::connect(w->receiver(), &transfer::FileReceiver::progressChanged, m.form.get(),
                     [&](double p) {
                         if (p > 0 && p < 100 && !scheduled) {
                             scheduled = true;
                             QTimer::singleShot(0, m.form.get(), [&] { m.form->close(); });
                         }
                     });
    Sender s;
    QVERIFY(s.connectAccepted(port));
    QVERIFY(s->offer(path, 2500));
    QVERIFY(s.waitEnded());
    QCOMPARE(s.outcomes, QList<FileSender::Outcome>{FileSender::Outcome::ConnectionLost});
    QVERIFY(!w->receiver());
    QVERIFY(m.boxes.shown.isEmpty());
    const QString target = saves.filePath(QStringLiteral("fine.bin.parziale"));
    QVERIFY(!QFileInfo::exists(saves.filePath(QStringLiteral("fine.bin"))));
    const qint64 partial = QFileInfo(target).size();
    QVERIFY(partial > 0);
    QVERIFY(partial < (qint64(8) << 20));
    QCOMPARE(contents(target), contents(path).left(partial));
    QTcpSocket probe;
    probe.connectToHost(QHostAddress::LocalHost, port);
    QVERIFY(spin([&] { return probe.state() == QAbstractSocket::UnconnectedState; }));
    m.form.reset(); // and the window itself goes cleanly
}

QTEST_MAIN(tst_TransferWindow)
#include "tst_window.moc"
