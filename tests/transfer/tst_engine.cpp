#include "nonewdescriptors.h"
#include "transfertestkit.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include "incomingoffer.h"
#include "sizetext.h"
#include "transferprotocol.h"

#include <QSignalSpy>

#include <csignal>
#include <sys/socket.h>
#include <sys/resource.h>

using namespace transferkit;
using transfer::FileReceiver;
using transfer::FileSender;
using Icon = session::MessageService::Icon;
using State = FileSender::State;
using Outcome = FileSender::Outcome;

Q_DECLARE_METATYPE(QList<QByteArray>)

class tst_TransferEngine : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    // A whole exchange between the two engines.
    void fiveThousandBytesInPacketsOf2048();
    void lengthsAroundThePacketSize_data();
    void lengthsAroundThePacketSize();
    void fiftyMebibytesArriveIntact();
    void largerReceiverPacketPasses();
    void smallerReceiverPacketAdjustsThenSecondOfferSends();
    void replacesALongerFileOfTheSameName();

    // Connection requests.
    void blockingRefusesWhateverTheOtherSettings();
    void connectionQuestion_data();
    void connectionQuestion();
    void peerLeavesWhileAsked();
    void secondSenderIsRefusedWhileOneIsConnected();
    void idleConnectionIsClosed();
    void askerThatNeverReadsIsClosed_data();
    void askerThatNeverReadsIsClosed();
    void unreachableReceiverFails();
    void badAddressOrPortFails_data();
    void badAddressOrPortFails();

    // Offers.
    void fileQuestionRefusedThenAccepted();
    void peerLeavesWhileFileIsAsked();
    void packetAnswerFollowsTheScrollBar();
    void destinationThatCannotBeMadeIsRefused_data();
    void destinationThatCannotBeMadeIsRefused();
    void missingFileIsNotOffered();
    void emptiedFolderBoxMeansTheUsualFolder();

    // Endings.
    void receiverCancelReachesTheSender();
    void senderCancelEndsTheReceiver();
    void senderShutDownCountsAsCancel();
    void disconnectUnderAnOfferIsACancel();
    void failingWriteCancelsAndKeepsWhatWasWritten();

    // Hostile or broken peers.
    void badInputFromARawSender_data();
    void badInputFromARawSender();
    void badAnswersFromARawReceiver_data();
    void badAnswersFromARawReceiver();
    void receiverDropsMidFile();
    void silentReceiverStillCompletes();
    void stalledReceiverIsNotACompletion();
    void endlessNameFromAReceiverIsDropped();
    void permissionInTwoPieces();
    void permissionAnswers_data();
    void permissionAnswers();
    void tricklingSenderIsEnded_data();
    void tricklingSenderIsEnded();
    void senderFoundInTheAddressList_data();
    void senderFoundInTheAddressList();

    // The port.
    void portChange_data();
    void portChange();
    void portChangeClosesAnIdleConnection();
    void portTakenIsReported();
    void listeningComesBackAfterDescriptorsRanOut();

private:
    QTemporaryDir m_files;
    QString source(const QString &name, qint64 size, quint32 seed = 7)
    {
        const QString path = m_files.filePath(name);
        if (!QFile::exists(path) || QFileInfo(path).size() != size)
            makeFile(path, size, seed);
        return path;
    }
};

void tst_TransferEngine::initTestCase()
{
    QVERIFY(m_files.isValid());
}

void tst_TransferEngine::fiveThousandBytesInPacketsOf2048()
{
    Receiver r;
    Sender s;
    const QString path = source(QStringLiteral("dado.bin"), 5000);
    QVERIFY(s.connectAccepted(r.port()));
    QCOMPARE(s.statuses.last(), QStringLiteral("Connesso a Ada [%1].").arg(r.port()));
    QCOMPARE(s->connectStep(), 3);
    QVERIFY(r->status().startsWith(QLatin1String("Connesso a 127.0.0.1 [")));

    QVERIFY(s->offer(path, 2048));
    QVERIFY(s.waitEnded());
    QCOMPARE(s.outcomes, QList<Outcome>{Outcome::Completed});
    QCOMPARE(s.progress, (QList<double>{40.96, 81.92, 100.0}));
    const QStringList expected{
        QStringLiteral("Statistiche del file in uscita..."),
        QStringLiteral("File in attesa di permesso..."),
        QStringLiteral("Stato: 41% del file inviato. 2,88 KB residui."),
        QStringLiteral("Stato: 82% del file inviato. 904 bytes residui."),
        QStringLiteral("Trasferimento completato. 4,88 KB inviati."),
        QStringLiteral("Stato: Sconnesso."),
    };
    QCOMPARE(s.statuses.mid(s.statuses.size() - expected.size()), expected);
    QCOMPARE(s.messages.lines(),
             QStringList{QStringLiteral("Trasferimento completo|Trasferimento del file completato.")});
    QCOMPARE(s.messages.shown[0].icon, Icon::Information);
    QCOMPARE(s->state(), State::NotConnected);

    QVERIFY(r.waitListening());
    QCOMPARE(contents(r.file(QStringLiteral("dado.bin"))), contents(path));
    QVERIFY(r.statuses.contains(FileReceiver::kCompleted));
    QCOMPARE(r.statuses.last(), FileReceiver::kListening);
    QCOMPARE(r->receivedBytes(), qint64(0));
    // The receiver is told the file is here, from whom and where it lies.
    QCOMPARE(r.messages.titles(), QStringList{QStringLiteral("File ricevuto")});
    QCOMPARE(r.messages.shown[0].icon, Icon::Information);
    QCOMPARE(r.messages.texts(), QStringList{QStringLiteral("Ricevuto da 127.0.0.1: '") +
                                             r.file(QStringLiteral("dado.bin")) +
                                             QStringLiteral("' (4,88 KB).")});
    QVERIFY(!QFileInfo::exists(r.file(QStringLiteral("dado.bin.parziale"))));
    QVERIFY(r.messages.asked.isEmpty());
}

void tst_TransferEngine::lengthsAroundThePacketSize_data()
{
    QTest::addColumn<qint64>("length");
    QTest::addColumn<int>("packets");
    QTest::newRow("empty") << qint64(0) << 0;
    QTest::newRow("one byte") << qint64(1) << 1;
    QTest::newRow("one short of a packet") << qint64(2047) << 1;
    QTest::newRow("exactly one packet") << qint64(2048) << 1;
    QTest::newRow("one over") << qint64(2049) << 2;
    QTest::newRow("exact multiple") << qint64(3 * 2048) << 3;
}

// No empty trailing packet, and both ends finish as after any transfer.
void tst_TransferEngine::lengthsAroundThePacketSize()
{
    QFETCH(qint64, length);
    QFETCH(int, packets);
    Receiver r;
    Sender s;
    const QString name = QStringLiteral("len%1.bin").arg(length);
    const QString path = source(name, length);
    QVERIFY(s.connectAccepted(r.port()));
    QVERIFY(s->offer(path, 2048));
    QVERIFY(s.waitEnded());
    QCOMPARE(s.outcomes, QList<Outcome>{Outcome::Completed});
    QCOMPARE(s.progress.size(), qMax(packets, 1));
    QCOMPARE(s.progress.last(), 100.0);
    QVERIFY(s.statuses.contains(QStringLiteral("Trasferimento completato. ") +
                                transfer::FormatKB(length) + QStringLiteral(" inviati.")));
    QCOMPARE(s.messages.texts(), QStringList{QStringLiteral("Trasferimento del file completato.")});
    QVERIFY(r.waitListening());
    QVERIFY(QFileInfo::exists(r.file(name)));
    QCOMPARE(QFileInfo(r.file(name)).size(), length);
    QCOMPARE(sha256(r.file(name)), sha256(path));
    QVERIFY(r.statuses.contains(FileReceiver::kCompleted));
    QCOMPARE(r.statuses.last(), FileReceiver::kListening);
}

void tst_TransferEngine::fiftyMebibytesArriveIntact()
{
    Receiver r;
    Sender s;
    const QString path = source(QStringLiteral("big.bin"), qint64(50) << 20, 50);
    QSignalSpy opened(r.engine.get(), &FileReceiver::fileOpened);
    QVERIFY(s.connectAccepted(r.port()));
    r->setPacketSize(2500);
    QVERIFY(s->offer(path, 2500));
    QVERIFY(s.waitEnded(60000));
    QCOMPARE(s.outcomes, QList<Outcome>{Outcome::Completed});
    QVERIFY(r.waitListening());
    QCOMPARE(opened.size(), 1);
    QCOMPARE(QFileInfo(r.file(QStringLiteral("big.bin"))).size(), qint64(50) << 20);
    QCOMPARE(sha256(r.file(QStringLiteral("big.bin"))), sha256(path));
    // The receiver's progress lines count up to the whole file.
    QVERIFY(r.statuses.contains(QStringLiteral("Stato: Transferimento completato.")));
}

void tst_TransferEngine::largerReceiverPacketPasses()
{
    Receiver r;
    r->setPacketSize(2500);
    Sender s;
    const QString path = source(QStringLiteral("p.bin"), 10000);
    QVERIFY(s.connectAccepted(r.port()));
    QVERIFY(s->offer(path, 2048));
    QVERIFY(s.waitEnded());
    QCOMPARE(s.outcomes, QList<Outcome>{Outcome::Completed});
    QCOMPARE(s.progress.first(), 100.0 * 2048 / 10000); // the sender's own size
    QCOMPARE(s->packetSize(), 2048);
}

void tst_TransferEngine::smallerReceiverPacketAdjustsThenSecondOfferSends()
{
    Receiver r;
    r->setPacketSize(1500);
    Sender s;
    QSignalSpy adjusted(s.engine.get(), &FileSender::packetSizeAdjusted);
    QSignalSpy opened(r.engine.get(), &FileReceiver::fileOpened);
    const QString path = source(QStringLiteral("q.bin"), 4000);
    QVERIFY(s.connectAccepted(r.port()));
    QVERIFY(s->offer(path, 2048));
    QTRY_COMPARE(adjusted.size(), 1);
    QCOMPARE(adjusted[0][0].toInt(), 1500);
    QCOMPARE(s->state(), State::Accepted);
    QCOMPARE(s.messages.shown.size(), 1);
    QCOMPARE(s.messages.shown[0].title, QStringLiteral("Errore di trasferimento"));
    QCOMPARE(s.messages.shown[0].icon, Icon::Critical);
    QCOMPARE(s.messages.shown[0].text,
             QStringLiteral("La dimensione dei pacchetti selezionata è incompatibile con quella "
                            "selezionata dal destinatario del file. La dimensione è stata ora resa "
                            "compatibile. Quando pronto clicca nuovamente su 'Invia' per inoltrare il file."));
    // Nothing else went out: the receiver is still idle and has no file.
    QTest::qWait(50);
    QCOMPARE(r->state(), FileReceiver::State::Connected);
    QCOMPARE(opened.size(), 0);
    QVERIFY(!QFileInfo::exists(r.file(QStringLiteral("q.bin"))));

    QVERIFY(s->offer(path, 1500));
    QVERIFY(s.waitEnded());
    QCOMPARE(s.outcomes, QList<Outcome>{Outcome::Completed});
    QCOMPARE(s.progress.first(), 100.0 * 1500 / 4000);
    QVERIFY(r.waitListening());
    QCOMPARE(contents(r.file(QStringLiteral("q.bin"))), contents(path));
}

void tst_TransferEngine::replacesALongerFileOfTheSameName()
{
    Receiver r;
    {
        QFile old(r.file(QStringLiteral("mappa.bin")));
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write(QByteArray(20000, 'X'));
    }
    Sender s;
    const QString path = source(QStringLiteral("mappa.bin"), 5000);
    QVERIFY(s.connectAccepted(r.port()));
    QVERIFY(s->offer(path, 2048));
    QVERIFY(s.waitEnded());
    QVERIFY(r.waitListening());
    const QByteArray got = contents(r.file(QStringLiteral("mappa.bin")));
    QCOMPARE(got.size(), 5000);
    QCOMPARE(got, contents(path));
}

void tst_TransferEngine::blockingRefusesWhateverTheOtherSettings()
{
    for (const bool acceptAll : {true, false}) {
        Receiver r;
        r->setBlockRequests(true);
        r->setAcceptRequests(acceptAll);
        Sender s;
        QSignalSpy denied(s.engine.get(), &FileSender::denied);
        s.connectTo(r.port());
        QTRY_COMPARE(denied.size(), 1);
        QCOMPARE(s.messages.lines(),
                 QStringList{QStringLiteral("Connessione respinta|Il destinatario ha rifiutato la connessione.")});
        QCOMPARE(s.messages.shown[0].icon, Icon::Critical);
        QCOMPARE(s->state(), State::NotConnected);
        QVERIFY(r.messages.asked.isEmpty());
        QVERIFY(r.waitListening());
        // Listening again: unblocked, the next request gets through.
        r->setBlockRequests(false);
        r->setAcceptRequests(true);
        Sender again;
        QVERIFY(again.connectAccepted(r.port()));
    }
}

void tst_TransferEngine::connectionQuestion_data()
{
    QTest::addColumn<bool>("yes");
    QTest::newRow("yes") << true;
    QTest::newRow("no") << false;
}

void tst_TransferEngine::connectionQuestion()
{
    QFETCH(bool, yes);
    Receiver r;
    r->setAcceptRequests(false);
    Sender s;
    s.connectTo(r.port());
    QTRY_COMPARE(r.messages.asked.size(), 1);
    const MessageRecorder::Asked &q = r.messages.asked[0];
    QCOMPARE(q.title, QStringLiteral("Richiesta di Connessione"));
    QCOMPARE(q.icon, Icon::Question);
    QCOMPARE(q.buttons, session::MessageService::Buttons::YesNo);
    QCOMPARE(q.text, QStringLiteral("Una richiesta di connessione per il trasferimento di un file è "
                                    "stata inoltrata da: 127.0.0.1 [%1]. Accetti la connesstione?")
                         .arg(r.port()));
    QCOMPARE(r->state(), FileReceiver::State::Asking);
    QVERIFY(!r->isListening()); // the request is held, nobody else gets in
    QCOMPARE(s->state(), State::AwaitingAnswer);
    QVERIFY(r.messages.reply(yes));
    if (yes) {
        QVERIFY(s.waitState(State::Accepted));
        QCOMPARE(r->state(), FileReceiver::State::Connected);
        QVERIFY(s.messages.shown.isEmpty());
    } else {
        QVERIFY(s.waitState(State::NotConnected));
        QCOMPARE(s.messages.texts(), QStringList{QStringLiteral("Il destinatario ha rifiutato la connessione.")});
        QVERIFY(r.waitListening());
    }
}

void tst_TransferEngine::peerLeavesWhileAsked()
{
    Receiver r;
    r->setAcceptRequests(false);
    {
        RawPeer peer;
        QVERIFY(peer.connectTo(r.port()));
        QTRY_COMPARE(r.messages.asked.size(), 1);
    }
    QVERIFY(r.waitListening());
    // The late answer finds the connection gone and changes nothing.
    QVERIFY(!r.messages.reply(true));
    QCOMPARE(r->state(), FileReceiver::State::Listening);
    r->setAcceptRequests(true);
    Sender s;
    QVERIFY(s.connectAccepted(r.port()));
}

void tst_TransferEngine::secondSenderIsRefusedWhileOneIsConnected()
{
    Receiver r;
    Sender first;
    QVERIFY(first.connectAccepted(r.port()));
    QVERIFY(!r->isListening());
    Sender second;
    second.connectTo(r.port());
    QVERIFY(second.waitState(State::NotConnected));
    QCOMPARE(second.messages.titles(), QStringList{QStringLiteral("Errore di Connessione")});
    QCOMPARE(second.statuses.last(), QStringLiteral("Stato: Errore di connessione."));
    // The first is untouched and can still send.
    const QString path = source(QStringLiteral("first.bin"), 3000);
    QVERIFY(first->offer(path, 2048));
    QVERIFY(first.waitEnded());
    QCOMPARE(first.outcomes, QList<Outcome>{Outcome::Completed});
    QVERIFY(r.waitListening());
    Sender third;
    QVERIFY(third.connectAccepted(r.port()));
}

void tst_TransferEngine::idleConnectionIsClosed()
{
    QCOMPARE(FileReceiver::kDefaultIdleTimeoutMs, 10 * 60 * 1000);
    Receiver r;
    r->setIdleTimeout(150);
    RawPeer silent;
    QVERIFY(silent.connectTo(r.port()));
    QVERIFY(silent.waitFor(transfer::wire::kAccept));
    QVERIFY(silent.waitClosed());
    QVERIFY(r.waitListening());
    QCOMPARE(r->status(), FileReceiver::kListening);

    // Every arrival restarts the clock: a slow but living peer stays.
    RawPeer slow;
    QVERIFY(slow.connectTo(r.port()));
    QVERIFY(slow.waitFor(transfer::wire::kAccept));
    r->setIdleTimeout(400);
    for (int i = 0; i < 4; ++i) {
        QTest::qWait(150);
        slow.send("Request#:PACKET");
    }
    QVERIFY(slow.waitFor("Received:PACKET:2048Received:PACKET:2048Received:PACKET:2048Received:PACKET:2048"));
    QCOMPARE(slow.socket.state(), QAbstractSocket::ConnectedState);
    QVERIFY(slow.waitClosed());
}

// A peer that asks over and over (the packet size, or offers refused at
// once) and never reads the answers would pile them up in the receiver.
void tst_TransferEngine::askerThatNeverReadsIsClosed_data()
{
    QTest::addColumn<QByteArray>("question");
    QTest::newRow("packet size") << QByteArray(transfer::wire::kPacketRequest);
    QTest::newRow("refused offers") << QByteArray("File~~~#:name~#:..File~~~#:size~#:1");
}

void tst_TransferEngine::askerThatNeverReadsIsClosed()
{
    QFETCH(QByteArray, question);
    Receiver r;
    QTcpSocket peer;
    peer.setReadBufferSize(4096); // takes no more than this from the system
    peer.connectToHost(QHostAddress::LocalHost, r.port());
    QVERIFY(spin([&] { return peer.state() == QAbstractSocket::ConnectedState; }));
    QVERIFY(spin([&] { return r->state() == FileReceiver::State::Connected; }));
    const QByteArray burst = question.repeated((1 << 20) / question.size());
    qint64 sent = 0;
    QTimer topUp;
    QObject::connect(&topUp, &QTimer::timeout, [&] {
        // Up to 48 MiB of questions, far more than the system buffers hold.
        if (peer.state() == QAbstractSocket::ConnectedState && peer.bytesToWrite() < (4 << 20) &&
            sent < (qint64(48) << 20)) {
            peer.write(burst);
            sent += burst.size();
        }
    });
    topUp.start(1);
    QVERIFY(spin([&] { return r->state() != FileReceiver::State::Connected; }, 30000));
    QVERIFY(r.waitListening());
    // And the next sender is served.
    Sender s;
    QVERIFY(s.connectAccepted(r.port()));
}

void tst_TransferEngine::unreachableReceiverFails()
{
    QTcpServer probe;
    QVERIFY(probe.listen(QHostAddress::LocalHost));
    const quint16 port = probe.serverPort();
    probe.close();
    Sender s;
    QSignalSpy steps(s.engine.get(), &FileSender::connectStepChanged);
    s.connectTo(port);
    QCOMPARE(s.statuses.first(), QStringLiteral("Connessione: in attesa su Ada [%1].").arg(port));
    QVERIFY(s.waitState(State::NotConnected));
    QCOMPARE(s.messages.lines(),
             QStringList{QStringLiteral("Errore di Connessione|La connessione col destinatario non è "
                                        "andata a buon fine. E' consigliabile chiudere la finestra e "
                                        "tentare nuovamente.")});
    QCOMPARE(s.messages.shown[0].icon, Icon::Critical);
    QCOMPARE(s->status(), QStringLiteral("Stato: Errore di connessione."));
    QCOMPARE(steps.size(), 3);
    QCOMPARE(steps.last()[0].toInt(), 3);
}

void tst_TransferEngine::badAddressOrPortFails_data()
{
    QTest::addColumn<QString>("host");
    QTest::addColumn<QString>("port");
    QTest::newRow("empty address") << "" << "2543";
    QTest::newRow("blank address") << "   " << "2543";
    QTest::newRow("port not a number") << "127.0.0.1" << "abc";
    QTest::newRow("port 0") << "127.0.0.1" << "0";
    QTest::newRow("port too big") << "127.0.0.1" << "70000";
    QTest::newRow("negative port") << "127.0.0.1" << "-1";
    QTest::newRow("empty port") << "127.0.0.1" << "";
}

void tst_TransferEngine::badAddressOrPortFails()
{
    QFETCH(QString, host);
    QFETCH(QString, port);
    Sender s;
    s->connectTo(host, port, QStringLiteral("Ada"));
    QCOMPARE(s->state(), State::NotConnected);
    QCOMPARE(s.messages.titles(), QStringList{QStringLiteral("Errore di Connessione")});
    QCOMPARE(s->status(), QStringLiteral("Stato: Errore di connessione."));
}

void tst_TransferEngine::fileQuestionRefusedThenAccepted()
{
    Receiver r;
    r->setAutoAccept(false);
    Sender s;
    QSignalSpy refused(s.engine.get(), &FileSender::offerRefused);
    const QString path = source(QStringLiteral("scheda.bin"), 5000);
    QVERIFY(s.connectAccepted(r.port()));
    QVERIFY(s->offer(path, 2048));
    QTRY_COMPARE(r.messages.asked.size(), 1);
    QCOMPARE(r.messages.asked[0].title, QStringLiteral("File in attesa di permesso"));
    QCOMPARE(r.messages.asked[0].text, QStringLiteral("Accetti di ricevere il file: 'scheda.bin' di "
                                                      "4,88 KB?\n\nMittente: 127.0.0.1"));
    QCOMPARE(r.messages.asked[0].icon, Icon::Question);
    QCOMPARE(r->state(), FileReceiver::State::Offered);
    QCOMPARE(s->state(), State::AwaitingPermission);
    QVERIFY(r.messages.reply(false));
    QTRY_COMPARE(refused.size(), 1);
    QCOMPARE(s.messages.lines(), QStringList{QStringLiteral("File Transfer Error|Il file è stato rifiutato. Grrrr..")});
    QCOMPARE(s.messages.shown[0].icon, Icon::Critical);
    QCOMPARE(s->state(), State::Accepted);
    QCOMPARE(r->state(), FileReceiver::State::Connected);
    QVERIFY(!QFileInfo::exists(r.file(QStringLiteral("scheda.bin"))));

    // The same connection takes the next offer.
    QVERIFY(s->offer(path, 2048));
    QTRY_COMPARE(r.messages.asked.size(), 2);
    QVERIFY(r.messages.reply(true));
    QVERIFY(s.waitEnded());
    QCOMPARE(s.outcomes, QList<Outcome>{Outcome::Completed});
    QVERIFY(r.waitListening());
    QCOMPARE(contents(r.file(QStringLiteral("scheda.bin"))), contents(path));
}

void tst_TransferEngine::peerLeavesWhileFileIsAsked()
{
    Receiver r;
    r->setAutoAccept(false);
    {
        RawPeer peer;
        QVERIFY(peer.connectTo(r.port()));
        QVERIFY(peer.waitFor(transfer::wire::kAccept));
        peer.send("File~~~#:name~#:late.bin");
        peer.send("File~~~#:size~#:10");
        QTRY_COMPARE(r.messages.asked.size(), 1);
    }
    QVERIFY(r.waitListening());
    QVERIFY(!r.messages.reply(true));
    QCOMPARE(r->state(), FileReceiver::State::Listening);
    QVERIFY(!QFileInfo::exists(r.file(QStringLiteral("late.bin"))));
}

void tst_TransferEngine::packetAnswerFollowsTheScrollBar()
{
    Receiver r;
    RawPeer peer;
    QVERIFY(peer.connectTo(r.port()));
    QVERIFY(peer.waitFor(transfer::wire::kAccept));
    peer.send("Request#:PACKET");
    QVERIFY(peer.waitFor("Received:PACKET:2048"));
    r->setPacketSize(1500);
    peer.send("request#:packet");
    QVERIFY(peer.waitFor("Received:PACKET:1500"));
    QCOMPARE(peer.received, QByteArray("Received:acceptReceived:PACKET:2048Received:PACKET:1500"));
}

void tst_TransferEngine::destinationThatCannotBeMadeIsRefused_data()
{
    QTest::addColumn<QString>("obstacle"); // what stands in the way
    QTest::addColumn<QString>("reasonPart");
    QTest::newRow("folder under a plain file") << "folder" << "non è utilizzabile";
    QTest::newRow("a folder of that name") << "directory" << "non è un file normale";
    QTest::newRow("a link of that name") << "symlink" << "collegamento simbolico";
}

void tst_TransferEngine::destinationThatCannotBeMadeIsRefused()
{
    QFETCH(QString, obstacle);
    QFETCH(QString, reasonPart);
    Receiver r;
    QTemporaryDir outside;
    const QString secret = outside.filePath(QStringLiteral("target"));
    QVERIFY(makeFile(secret, 100, 3));
    const QByteArray secretBytes = contents(secret);
    if (obstacle == QLatin1String("folder")) {
        QVERIFY(makeFile(r.file(QStringLiteral("plain")), 1));
        r->setSaveFolder(r.file(QStringLiteral("plain/sub/")));
    } else if (obstacle == QLatin1String("directory")) {
        QVERIFY(QDir().mkdir(r.file(QStringLiteral("x.bin"))));
    } else {
        QVERIFY(QFile::link(secret, r.file(QStringLiteral("x.bin"))));
    }
    Sender s;
    QSignalSpy refused(s.engine.get(), &FileSender::offerRefused);
    QVERIFY(s.connectAccepted(r.port()));
    QVERIFY(s->offer(source(QStringLiteral("x.bin"), 700), 2048));
    QTRY_COMPARE(refused.size(), 1);
    QCOMPARE(s.messages.texts(), QStringList{QStringLiteral("Il file è stato rifiutato. Grrrr..")});
    QVERIFY2(r->status().startsWith(QLatin1String("Stato: File rifiutato: ")), qPrintable(r->status()));
    QVERIFY2(r->status().contains(reasonPart), qPrintable(r->status()));
    QCOMPARE(r->state(), FileReceiver::State::Connected);
    QCOMPARE(contents(secret), secretBytes);
    QVERIFY(!QFileInfo(r.file(QStringLiteral("x.bin"))).isFile() || obstacle == QLatin1String("symlink"));
}

void tst_TransferEngine::missingFileIsNotOffered()
{
    Receiver r;
    Sender s;
    QVERIFY(s.connectAccepted(r.port()));
    QVERIFY(!s->offer(m_files.filePath(QStringLiteral("no-such-file")), 2048));
    QCOMPARE(s->state(), State::Accepted);
    QCOMPARE(s.messages.titles(), QStringList{QStringLiteral("Errore di trasferimento")});
    QVERIFY(!s->offer(m_files.path(), 2048)); // a folder
    QCOMPARE(s->state(), State::Accepted);
}

// A folder box the user has emptied sends files where they go at the start,
// not to the root of the file system.
void tst_TransferEngine::emptiedFolderBoxMeansTheUsualFolder()
{
    const QString name = QStringLiteral("vuota-%1.bin").arg(QRandomGenerator::global()->generate());
    const QString usual = transfer::defaultSaveFolder();
    const bool usualExisted = QFileInfo::exists(usual);
    const QString root = QDir::rootPath() + name;
    for (const QString &folder : {QString(), QStringLiteral("  ")}) {
        Receiver r;
        r->setSaveFolder(folder);
        RawPeer peer;
        QVERIFY(peer.connectTo(r.port()));
        QVERIFY(peer.waitFor(transfer::wire::kAccept));
        peer.send("File~~~#:name~#:" + name.toLatin1());
        peer.send("File~~~#:size~#:3");
        QVERIFY(peer.waitFor(transfer::wire::kPendAccepted));
        peer.send("abc");
        QVERIFY(r.waitListening());
        const bool inRoot = QFile::remove(root);
        QVERIFY(!inRoot);
        QCOMPARE(r->destinationPath(), usual + name);
        QCOMPARE(contents(usual + name), QByteArray("abc"));
        QVERIFY(QFile::remove(usual + name));
    }
    if (!usualExisted)
        QDir().rmdir(usual);
}

void tst_TransferEngine::receiverCancelReachesTheSender()
{
    Receiver r;
    Sender s;
    const QString path = source(QStringLiteral("lungo.bin"), qint64(8) << 20);
    // Cancel at the first data that arrives.
    QObject::connect(r.engine.get(), &FileReceiver::progressChanged, r.engine.get(),
                     [&](double p) {
                         if (p < 100 && r->isReceiving())
                             r->cancel();
                     });
    QVERIFY(s.connectAccepted(r.port()));
    r->setPacketSize(2500);
    QVERIFY(s->offer(path, 2500));
    QVERIFY(s.waitEnded());
    QCOMPARE(s.outcomes, QList<Outcome>{Outcome::ReceiverCancelled});
    QCOMPARE(s.messages.lines(),
             QStringList{QStringLiteral("Trasferimento fallito!|Il trasferimento del file non è andato a "
                                        "buon fine: il destinatario ha perso o chiuso la connessione.")});
    QCOMPARE(s.messages.shown[0].icon, Icon::Warning);
    QCOMPARE(s->status(), QStringLiteral("Stato: Sconnesso."));
    QVERIFY(r.waitListening());
    const qsizetype at = r.statuses.indexOf(FileReceiver::kNotCompleted);
    QVERIFY(at >= 0);
    QCOMPARE(r.statuses.mid(at), (QStringList{FileReceiver::kNotCompleted, FileReceiver::kListening}));
    QCOMPARE(r->progress(), 100.0);
    // The part already written stays, under a name that says it is a part.
    const qint64 partial = QFileInfo(r.file(QStringLiteral("lungo.bin.parziale"))).size();
    QVERIFY(partial > 0);
    QVERIFY(partial < (qint64(8) << 20));
    QCOMPARE(contents(r.file(QStringLiteral("lungo.bin.parziale"))), contents(path).left(partial));
    QVERIFY(!QFileInfo::exists(r.file(QStringLiteral("lungo.bin"))));
    QVERIFY(r.messages.shown.isEmpty());
}

void tst_TransferEngine::senderCancelEndsTheReceiver()
{
    Receiver r;
    Sender s;
    const QString path = source(QStringLiteral("lungo.bin"), qint64(8) << 20);
    QObject::connect(s.engine.get(), &FileSender::progressChanged, s.engine.get(), [&](double p) {
        if (p > 10 && s->state() == State::Sending)
            s->cancel();
    });
    QSignalSpy closed(r.engine.get(), &FileReceiver::fileClosed);
    QVERIFY(s.connectAccepted(r.port()));
    r->setPacketSize(2500);
    QVERIFY(s->offer(path, 2500));
    QVERIFY(s.waitEnded());
    QCOMPARE(s.outcomes, QList<Outcome>{Outcome::CancelledBySender});
    // One message: the cancel is not reported again as a lost connection.
    QCOMPARE(s.messages.lines(),
             QStringList{QStringLiteral("Connessione terminata|Il trasferimento del file è stato "
                                        "annullato dal mittente.")});
    QCOMPARE(s.messages.shown[0].icon, Icon::Information);
    QVERIFY(r.waitListening());
    QCOMPARE(closed.size(), 1);
    QCOMPARE(closed[0][0].toString(), r.file(QStringLiteral("lungo.bin.parziale")));
    QCOMPARE(closed[0][1].toBool(), false);
    QVERIFY(QFileInfo(r.file(QStringLiteral("lungo.bin.parziale"))).size() < (qint64(8) << 20));
    QVERIFY(!QFileInfo::exists(r.file(QStringLiteral("lungo.bin"))));
    // The receiver is told that the sender stopped, and where the part lies.
    QCOMPARE(r.messages.titles(), QStringList{QStringLiteral("Trasferimento interrotto")});
    QVERIFY2(r.messages.shown[0].text.startsWith(
                 QStringLiteral("Il mittente (127.0.0.1) ha interrotto l'invio del file 'lungo.bin'.")),
             qPrintable(r.messages.shown[0].text));
    QVERIFY(r.messages.shown[0].text.endsWith(r.file(QStringLiteral("lungo.bin.parziale'."))));
    QCOMPARE(r->status(), FileReceiver::kListening);
}

void tst_TransferEngine::senderShutDownCountsAsCancel()
{
    for (const bool quiet : {false, true}) {
        Receiver r;
        r->setAutoAccept(false); // the send waits for the permission
        Sender s;
        QVERIFY(s.connectAccepted(r.port()));
        QVERIFY(s->offer(source(QStringLiteral("w.bin"), 100), 2048));
        QTRY_COMPARE(r.messages.asked.size(), 1);
        s->shutDown(quiet);
        QCOMPARE(s->state(), State::NotConnected);
        QCOMPARE(s.outcomes, QList<Outcome>{Outcome::CancelledBySender});
        QCOMPARE(s.messages.shown.size(), quiet ? 0 : 1);
        QVERIFY(r.waitListening());
        QVERIFY(!r.messages.reply(true));
    }
}

void tst_TransferEngine::disconnectUnderAnOfferIsACancel()
{
    Receiver r;
    r->setAutoAccept(false);
    Sender s;
    QSignalSpy byUser(s.engine.get(), &FileSender::disconnectedByUser);
    QVERIFY(s.connectAccepted(r.port()));
    QVERIFY(s->offer(source(QStringLiteral("w.bin"), 100), 2048));
    QTRY_COMPARE(r.messages.asked.size(), 1);
    s->disconnectFromReceiver();
    QCOMPARE(s.outcomes, QList<Outcome>{Outcome::CancelledBySender});
    QCOMPARE(s.messages.titles(), QStringList{QStringLiteral("Connessione terminata")});
    QCOMPARE(byUser.size(), 0);
    QVERIFY(r.waitListening());

    // Idle, it is a plain disconnect without a message.
    Sender idle;
    QSignalSpy idleByUser(idle.engine.get(), &FileSender::disconnectedByUser);
    QVERIFY(idle.connectAccepted(r.port()));
    idle->disconnectFromReceiver();
    QCOMPARE(idleByUser.size(), 1);
    QCOMPARE(idle->status(), QStringLiteral("Stato: Sconnesso."));
    QVERIFY(idle.messages.shown.isEmpty());
    QVERIFY(idle.outcomes.isEmpty());
    QVERIFY(r.waitListening());
}

namespace {

// Lowers the largest file this process may write, so a write fails as on
// a full disk; put back when the test ends.
struct FileSizeLimit {
    rlimit old{};
    void (*oldHandler)(int) = nullptr;
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &old);
        oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit lowered = old;
        lowered.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &lowered);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldHandler);
    }
};

} // namespace

void tst_TransferEngine::failingWriteCancelsAndKeepsWhatWasWritten()
{
    Receiver r;
    Sender s;
    const qint64 size = qint64(3) << 20;
    const QString path = source(QStringLiteral("pieno.bin"), size);
    const qint64 limit = 1 << 20;
    FileSizeLimit full(limit);
    QVERIFY(s.connectAccepted(r.port()));
    r->setPacketSize(2500);
    QVERIFY(s->offer(path, 2500));
    QVERIFY(s.waitEnded());
    QCOMPARE(s.outcomes, QList<Outcome>{Outcome::ReceiverCancelled});
    QCOMPARE(s.messages.shown[0].icon, Icon::Warning);
    QVERIFY(r.waitListening());
    QCOMPARE(r.messages.shown.size(), 1);
    QCOMPARE(r.messages.shown[0].icon, Icon::Warning);
    QCOMPARE(r.messages.shown[0].title, QStringLiteral("Errore di scrittura"));
    QVERIFY(r.messages.shown[0].text.contains(r.file(QStringLiteral("pieno.bin"))));
    QVERIFY(r.messages.shown[0].text.contains(QStringLiteral("La parte già ricevuta è rimasta in '") +
                                              r.file(QStringLiteral("pieno.bin.parziale'."))));
    QVERIFY(r.statuses.contains(FileReceiver::kNotCompleted));
    QCOMPARE(r->status(), FileReceiver::kListening);
    QCOMPARE(QFileInfo(r.file(QStringLiteral("pieno.bin.parziale"))).size(), limit);
    QCOMPARE(contents(r.file(QStringLiteral("pieno.bin.parziale"))), contents(path).left(limit));
}

// Every row: what a raw sender writes once accepted (each element one
// write), the bytes the receiver must have answered, the file that must
// exist afterwards with its content (none when the name is empty), and how
// the raw sender leaves: "stay", "close" or "abort". "Closed" says whether
// the receiver itself ends the connection.
void tst_TransferEngine::badInputFromARawSender_data()
{
    QTest::addColumn<QList<QByteArray>>("writes");
    QTest::addColumn<QByteArray>("answers");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("leave");

    using L = QList<QByteArray>;
    const QByteArray yes = "Received:PEND~#:1";
    const QByteArray no = "Received:PEND~#:0";
    auto offer = [](const QByteArray &name, const QByteArray &size) {
        return L{QByteArray("File~~~#:name~#:") + name, QByteArray("File~~~#:size~#:") + size};
    };
    auto with = [](L list, const QByteArray &more) {
        list << more;
        return list;
    };

    QTest::newRow("climbing name") << with(offer("../../x", "3"), "abc") << yes << "x" << QByteArray("abc") << "stay";
    QTest::newRow("absolute name") << with(offer("/etc/x", "3"), "abc") << yes << "x" << QByteArray("abc") << "stay";
    QTest::newRow("drive name") << with(offer("C:\\x", "3"), "abc") << yes << "x" << QByteArray("abc") << "stay";
    QTest::newRow("backslash name") << with(offer("a\\b", "3"), "abc") << yes << "b" << QByteArray("abc") << "stay";
    QTest::newRow("empty name") << offer("", "3") << no << "" << QByteArray() << "stay";
    QTest::newRow("dot") << offer(".", "3") << no << "" << QByteArray() << "stay";
    QTest::newRow("dot dot") << offer("..", "3") << no << "" << QByteArray() << "stay";
    QTest::newRow("CR LF in name") << offer("a\r\nb", "3") << no << "" << QByteArray() << "stay";
    QTest::newRow("NUL in name") << offer(QByteArray("a\0b", 3), "3") << no << "" << QByteArray() << "stay";
    QTest::newRow("300-byte name") << offer(QByteArray(300, 'n'), "3") << no << "" << QByteArray() << "stay";
    // A name the folder takes is received, though NAME.parziale would not fit.
    QTest::newRow("255-byte name") << with(offer(QByteArray(255, 'n'), "3"), "abc") << yes
                                   << QString(255, QLatin1Char('n')) << QByteArray("abc") << "stay";
    QTest::newRow("250-byte name, cut short")
        << with(offer(QByteArray(250, 'n'), "10"), "abc") << yes
        << transfer::partialName(QString(250, QLatin1Char('n'))) << QByteArray("abc") << "close";
    QTest::newRow("size -1") << offer("s.bin", "-1") << no << "" << QByteArray() << "stay";
    QTest::newRow("size empty") << offer("s.bin", "") << no << "" << QByteArray() << "stay";
    QTest::newRow("size abc") << offer("s.bin", "abc") << no << "" << QByteArray() << "stay";
    QTest::newRow("size +5") << offer("s.bin", "+5") << no << "" << QByteArray() << "stay";
    QTest::newRow("size 99999999999") << offer("s.bin", "99999999999") << no << "" << QByteArray() << "stay";
    QTest::newRow("offer without a name") << L{"File~~~#:size~#:5"} << no << "" << QByteArray() << "stay";
    QTest::newRow("data before any offer")
        << (L{QByteArray("\x00\x01garbage\xff", 11), "more noise"} + with(offer("d.bin", "4"), "wxyz"))
        << yes << "d.bin" << QByteArray("wxyz") << "stay";
    QTest::newRow("offer in one write, nothing follows")
        << L{"File~~~#:name~#:one.binFile~~~#:size~#:5"} << yes << "one.bin.parziale" << QByteArray()
        << "close";
    QTest::newRow("size 12abc") << offer("s.bin", "12abc") << no << "" << QByteArray() << "stay";
    QTest::newRow("size with data in its write")
        << L{"File~~~#:name~#:d.bin", QByteArray("File~~~#:size~#:3\0ab", 20)} << no << ""
        << QByteArray() << "stay";
    QTest::newRow("refused, then a good offer")
        << (offer("..", "3") + with(offer("ok.bin", "2"), "hi")) << (no + yes) << "ok.bin"
        << QByteArray("hi") << "stay";
    QTest::newRow("more than announced")
        << with(offer("m.bin", "3"), "abcdefgh") << yes << "m.bin" << QByteArray("abc") << "stay";
    QTest::newRow("fewer, then closes")
        << with(offer("f.bin", "10"), "abc") << yes << "f.bin.parziale" << QByteArray("abc") << "close";
    QTest::newRow("drops mid-file")
        << with(offer("g.bin", "10"), "abcd") << yes << "g.bin.parziale" << QByteArray("abcd") << "abort";
    QTest::newRow("empty file") << offer("vuoto.bin", "0") << yes << "vuoto.bin" << QByteArray() << "stay";
    QTest::newRow("endless name") << L{QByteArray("File~~~#:name~#:") + QByteArray(20000, 'n')}
                                  << QByteArray() << "" << QByteArray() << "stay";
}

void tst_TransferEngine::badInputFromARawSender()
{
    QFETCH(QList<QByteArray>, writes);
    QFETCH(QByteArray, answers);
    QFETCH(QString, file);
    QFETCH(QByteArray, content);
    QFETCH(QString, leave);

    // The save folder sits two levels down, so climbing names would land
    // beside it where the test can look.
    QTemporaryDir top;
    const QString folder = top.filePath(QStringLiteral("a/b/save/"));
    Receiver r;
    QVERIFY(QDir().mkpath(folder));
    r->setSaveFolder(folder);
    RawPeer peer;
    QVERIFY(peer.connectTo(r.port()));
    QVERIFY(peer.waitFor(transfer::wire::kAccept));
    peer.received.clear();
    for (const QByteArray &bytes : writes) {
        const qsizetype answered = peer.received.count("PEND~#:");
        peer.send(bytes);
        QTest::qWait(5);
        // File bytes go only after the answer to the offer, as a sender
        // waits for it; what comes with the length in one write is part of it.
        if (bytes.startsWith("File~~~#:size~#:") && !answers.isEmpty())
            QVERIFY(spin([&] { return peer.received.count("PEND~#:") > answered; }, 2000));
    }
    if (!answers.isEmpty())
        QVERIFY2(peer.waitFor(answers), peer.received.constData());
    if (leave == QLatin1String("close"))
        peer.socket.disconnectFromHost();
    else if (leave == QLatin1String("abort"))
        peer.socket.abort();

    const bool ends = leave != QLatin1String("stay") || !file.isEmpty() ||
                      QTest::currentDataTag() == QByteArray("endless name");
    if (ends) {
        QVERIFY(r.waitListening());
        QVERIFY(peer.waitClosed());
    } else {
        QTest::qWait(30);
        QCOMPARE(r->state(), FileReceiver::State::Connected);
        QCOMPARE(peer.socket.state(), QAbstractSocket::ConnectedState);
    }
    QCOMPARE(peer.received, answers);

    const QStringList inFolder = QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    if (file.isEmpty()) {
        QVERIFY2(inFolder.isEmpty(), qPrintable(inFolder.join(QLatin1Char(','))));
        if (r->status() != FileReceiver::kListening)
            QVERIFY2(r->status().startsWith(QLatin1String("Stato: File rifiutato: ")), qPrintable(r->status()));
    } else {
        QCOMPARE(inFolder, QStringList{file});
        QCOMPARE(contents(folder + file), content);
    }
    // Nothing lands outside the folder.
    QCOMPARE(QDir(top.filePath(QStringLiteral("a/b"))).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             QStringList{QStringLiteral("save")});
    QCOMPARE(QDir(top.filePath(QStringLiteral("a"))).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             QStringList{QStringLiteral("b")});
    QCOMPARE(QDir(top.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             QStringList{QStringLiteral("a")});
}

// A raw receiver answers the packet-size question; the sender's rule:
// smaller sizes from 100 on are adopted, larger ones pass, anything else
// (below 100, negative, not a number) refuses the offer with a message.
void tst_TransferEngine::badAnswersFromARawReceiver_data()
{
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<QString>("outcome"); // "sends", "adjusted", "invalid"
    QTest::addColumn<int>("packet");
    QTest::newRow("equal") << QByteArray("2048") << "sends" << 2048;
    QTest::newRow("larger") << QByteArray("2500") << "sends" << 2048;
    QTest::newRow("above the bar") << QByteArray("2600") << "sends" << 2048;
    QTest::newRow("beyond 16 bits") << QByteArray("99999") << "sends" << 2048;
    QTest::newRow("smallest") << QByteArray("100") << "adjusted" << 100;
    QTest::newRow("smaller") << QByteArray("1500") << "adjusted" << 1500;
    QTest::newRow("below the bar") << QByteArray("99") << "invalid" << 2048;
    QTest::newRow("zero") << QByteArray("0") << "invalid" << 2048;
    QTest::newRow("negative") << QByteArray("-5") << "invalid" << 2048;
    QTest::newRow("not a number") << QByteArray("abc") << "invalid" << 2048;
    QTest::newRow("empty") << QByteArray("") << "invalid" << 2048;
}

void tst_TransferEngine::badAnswersFromARawReceiver()
{
    QFETCH(QByteArray, answer);
    QFETCH(QString, outcome);
    QFETCH(int, packet);

    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost));
    QTcpSocket *peer = nullptr;
    QByteArray got;
    QObject::connect(&server, &QTcpServer::newConnection, [&] {
        peer = server.nextPendingConnection();
        QObject::connect(peer, &QTcpSocket::readyRead, [&] { got += peer->readAll(); });
        peer->write(transfer::wire::kAccept);
    });
    Sender s;
    QSignalSpy adjusted(s.engine.get(), &FileSender::packetSizeAdjusted);
    QVERIFY(s.connectAccepted(server.serverPort()));
    QVERIFY(s->offer(source(QStringLiteral("r.bin"), 3000), 2048));
    QTRY_COMPARE(got, QByteArray("Request#:PACKET"));
    got.clear();
    peer->write(QByteArray("Received:PACKET:") + answer);
    if (outcome == QLatin1String("sends")) {
        QTRY_COMPARE(got, QByteArray("File~~~#:name~#:r.binFile~~~#:size~#:3000"));
        QVERIFY(s.messages.shown.isEmpty());
        peer->write(transfer::wire::kPendAccepted);
        QTRY_COMPARE(got.size(), 41 + 3000);
        // The sender reports success once the receiver hangs up.
        QTest::qWait(20);
        QVERIFY(s.outcomes.isEmpty());
        peer->disconnectFromHost();
        QVERIFY(s.waitEnded());
        QCOMPARE(s.outcomes, QList<Outcome>{Outcome::Completed});
        QCOMPARE(s.progress.first(), 100.0 * packet / 3000);
    } else {
        QTRY_COMPARE(s.messages.shown.size(), 1);
        QCOMPARE(s.messages.shown[0].title, QStringLiteral("Errore di trasferimento"));
        QCOMPARE(s->state(), State::Accepted);
        QCOMPARE(adjusted.size(), outcome == QLatin1String("adjusted") ? 1 : 0);
        if (!adjusted.isEmpty())
            QCOMPARE(adjusted[0][0].toInt(), packet);
        else
            QVERIFY(s.messages.shown[0].text.contains(QStringLiteral("non valida")));
        QTest::qWait(20);
        QCOMPARE(got, QByteArray()); // nothing more went out
    }
}

void tst_TransferEngine::receiverDropsMidFile()
{
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost));
    QTcpSocket *peer = nullptr;
    QByteArray got;
    QObject::connect(&server, &QTcpServer::newConnection, [&] {
        peer = server.nextPendingConnection();
        peer->setReadBufferSize(64 * 1024);
        QObject::connect(peer, &QTcpSocket::readyRead, [&] {
            got += peer->readAll();
            if (got == "Request#:PACKET") {
                got.clear();
                peer->write("Received:PACKET:2500");
            } else if (got.endsWith("File~~~#:size~#:8388608")) {
                got.clear();
                peer->write(transfer::wire::kPendAccepted);
            } else if (got.size() > 100000) {
                peer->abort(); // no cancel first
            }
        });
        peer->write(transfer::wire::kAccept);
    });
    Sender s;
    QVERIFY(s.connectAccepted(server.serverPort()));
    QVERIFY(s->offer(source(QStringLiteral("lungo.bin"), qint64(8) << 20), 2500));
    QVERIFY(s.waitEnded());
    QCOMPARE(s.outcomes, QList<Outcome>{Outcome::ConnectionLost});
    QCOMPARE(s.messages.lines(),
             QStringList{QStringLiteral("Trasferimento fallito!|Il trasferimento del file non è andato a "
                                        "buon fine: la connessione col destinatario è stata persa.")});
    QCOMPARE(s.messages.shown[0].icon, Icon::Critical);
    QCOMPARE(s->state(), State::NotConnected);
}

// A receiver that takes every byte and never hangs up does not hold the
// sender forever.
void tst_TransferEngine::silentReceiverStillCompletes()
{
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost));
    QTcpSocket *peer = nullptr;
    QByteArray got;
    QObject::connect(&server, &QTcpServer::newConnection, [&] {
        peer = server.nextPendingConnection();
        QObject::connect(peer, &QTcpSocket::readyRead, [&] {
            got += peer->readAll();
            if (got == "Request#:PACKET") {
                got.clear();
                peer->write("Received:PACKET:2048");
            } else if (got.endsWith("File~~~#:size~#:5000")) {
                got.clear();
                peer->write(transfer::wire::kPendAccepted);
            }
        });
        peer->write(transfer::wire::kAccept);
    });
    Sender s;
    s->setFinishTimeout(200);
    QVERIFY(s.connectAccepted(server.serverPort()));
    QVERIFY(s->offer(source(QStringLiteral("dado.bin"), 5000), 2048));
    QVERIFY(s.waitEnded());
    QCOMPARE(s.outcomes, QList<Outcome>{Outcome::Completed});
    QCOMPARE(got.size(), 5000);
    QCOMPARE(s.messages.texts(), QStringList{QStringLiteral("Trasferimento del file completato.")});
}

// Every byte handed to the system is not yet every byte delivered: while
// the system still holds bytes the receiver has not acknowledged (a stalled
// line, a receiver that stopped reading), waiting on is no success.
void tst_TransferEngine::stalledReceiverIsNotACompletion()
{
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost));
    QTcpSocket *peer = nullptr;
    QByteArray got;
    QObject::connect(&server, &QTcpServer::newConnection, [&] {
        peer = server.nextPendingConnection();
        // The smallest buffer the system allows, and no reading once the
        // file is accepted: most of the file stays unacknowledged.
        const int small = 1024;
        ::setsockopt(int(peer->socketDescriptor()), SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
        peer->setReadBufferSize(64);
        QObject::connect(peer, &QTcpSocket::readyRead, [&] {
            got += peer->readAll();
            if (got == "Request#:PACKET") {
                got.clear();
                peer->write("Received:PACKET:2048");
            } else if (got.endsWith("File~~~#:size~#:8000")) {
                got.clear();
                QObject::disconnect(peer, &QTcpSocket::readyRead, nullptr, nullptr);
                peer->write(transfer::wire::kPendAccepted);
            }
        });
        peer->write(transfer::wire::kAccept);
    });
    Sender s;
    s->setFinishTimeout(100);
    QVERIFY(s.connectAccepted(server.serverPort()));
    QVERIFY(s->offer(source(QStringLiteral("fermo.bin"), 8000), 2048));
    // The whole file is with the system: the last progress line is shown.
    QVERIFY(spin([&] { return s.progress.size() == 4; }));
    QCOMPARE(s.progress.last(), 100.0);
    QTest::qWait(500); // several finish timeouts
    QVERIFY(s.outcomes.isEmpty());
    QCOMPARE(s->state(), State::Sending);
    // The line dies without the receiver having it all: that is a loss.
    peer->abort();
    QVERIFY(s.waitEnded());
    QCOMPARE(s.outcomes, QList<Outcome>{Outcome::ConnectionLost});
}

// A receiver that starts a name and never ends it: the sender must neither
// keep those bytes nor stop understanding what comes after them.
void tst_TransferEngine::endlessNameFromAReceiverIsDropped()
{
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost));
    QTcpSocket *peer = nullptr;
    QObject::connect(&server, &QTcpServer::newConnection, [&] {
        peer = server.nextPendingConnection();
        peer->write(transfer::wire::kAccept);
    });
    Sender s;
    QVERIFY(s.connectAccepted(server.serverPort()));
    peer->write(QByteArray("File~~~#:name~#:") + QByteArray(64 * 1024, 'n'));
    // The refusal is repeated until it is heard; a sender still holding the
    // runaway name never hears it.
    QTimer again;
    QObject::connect(&again, &QTimer::timeout, [&] { peer->write(transfer::wire::kDenied); });
    again.start(20);
    QVERIFY(s.waitState(State::NotConnected));
    QCOMPARE(s.messages.texts(), QStringList{QStringLiteral("Il destinatario ha rifiutato la connessione.")});
}

// The stream may cut the permission before its digit; the sender then
// waits for the digit rather than taking an empty answer and waiting forever.
void tst_TransferEngine::permissionInTwoPieces()
{
    RawReceiver raw("2048", "5000", [&] {
        raw.peer->write("Received:PEND~#:");
        raw.peer->flush();
        QTimer::singleShot(50, raw.peer, [&] { raw.peer->write("1"); });
    });
    Sender s;
    QVERIFY(s.connectAccepted(raw.port()));
    QVERIFY(s->offer(source(QStringLiteral("dado.bin"), 5000), 2048));
    QTRY_COMPARE(raw.got.size(), 5000);
    QCOMPARE(s->state(), State::Sending);
    raw.peer->disconnectFromHost();
    QVERIFY(s.waitEnded());
    QCOMPARE(s.outcomes, QList<Outcome>{Outcome::Completed});
}

// "Received:PEND~#:" answers one after the other: 2 is the wait's own
// value and keeps the sender waiting; 0 refuses, any other number sends.
void tst_TransferEngine::permissionAnswers_data()
{
    QTest::addColumn<QByteArrayList>("answers");
    QTest::addColumn<QString>("outcome"); // "sends", "refused", "waits"
    QTest::newRow("1 sends") << QByteArrayList{"1"} << "sends";
    QTest::newRow("2 waits") << QByteArrayList{"2"} << "waits";
    QTest::newRow("2, then 1 sends") << QByteArrayList{"2", "1"} << "sends";
    QTest::newRow("2, then 0 refuses") << QByteArrayList{"2", "0"} << "refused";
    QTest::newRow("2 twice, then 1 sends") << QByteArrayList{"2", "2", "1"} << "sends";
}

void tst_TransferEngine::permissionAnswers()
{
    QFETCH(QByteArrayList, answers);
    QFETCH(QString, outcome);
    bool offered = false;
    RawReceiver raw("2048", "3000", [&] { offered = true; });
    QTcpSocket *&peer = raw.peer;
    QByteArray &got = raw.got;
    Sender s;
    QSignalSpy refused(s.engine.get(), &FileSender::offerRefused);
    QVERIFY(s.connectAccepted(raw.port()));
    QVERIFY(s->offer(source(QStringLiteral("attesa.bin"), 3000), 2048));
    QTRY_VERIFY(offered);
    for (const QByteArray &answer : answers) {
        peer->write("Received:PEND~#:" + answer);
        peer->flush();
        if (answer == "2") {
            // Still waiting: no byte of the file goes out meanwhile.
            QTest::qWait(60);
            QCOMPARE(s->state(), State::AwaitingPermission);
            QCOMPARE(got, QByteArray());
        }
    }
    if (outcome == QLatin1String("sends")) {
        QTRY_COMPARE(got.size(), 3000);
    } else if (outcome == QLatin1String("refused")) {
        QTRY_COMPARE(refused.size(), 1);
        QCOMPARE(s->state(), State::Accepted);
        QCOMPARE(got, QByteArray());
    } else {
        QCOMPARE(s->state(), State::AwaitingPermission);
        QVERIFY(s.messages.shown.isEmpty());
    }
}

// A sender that sends a few bytes now and then, just enough to keep the
// connection alive, is ended once the file grows by less than the limit in
// a stall period; one that sends steadily is not. The receiver is told,
// listens again, and the part received lies in NOME.parziale.
void tst_TransferEngine::tricklingSenderIsEnded_data()
{
    QTest::addColumn<int>("bytesPerWrite");
    QTest::addColumn<int>("everyMs");
    QTest::addColumn<bool>("ended");
    QTest::newRow("a byte now and then") << 1 << 60 << true;
    QTest::newRow("a few bytes now and then") << 20 << 100 << true;
    QTest::newRow("steady") << 500 << 30 << false;
}

void tst_TransferEngine::tricklingSenderIsEnded()
{
    QFETCH(int, bytesPerWrite);
    QFETCH(int, everyMs);
    QFETCH(bool, ended);
    Receiver r;
    r->setStallLimit(400, 400);
    RawPeer peer;
    QVERIFY(peer.connectTo(r.port()));
    QVERIFY(peer.waitFor(transfer::wire::kAccept));
    const int size = 20000;
    peer.send("File~~~#:name~#:lento.bin");
    QTest::qWait(5);
    peer.send("File~~~#:size~#:" + QByteArray::number(size));
    QVERIFY(peer.waitFor(transfer::wire::kPendAccepted));
    QTimer drip;
    int sent = 0;
    QObject::connect(&drip, &QTimer::timeout, [&] {
        if (sent >= size || peer.socket.state() != QAbstractSocket::ConnectedState)
            return;
        const int n = qMin(bytesPerWrite, size - sent);
        peer.send(QByteArray(n, 'd'));
        sent += n;
    });
    drip.start(everyMs);
    if (ended) {
        QVERIFY(peer.waitFor(transfer::wire::kKick, 5000));
        QVERIFY(r.waitListening());
        drip.stop();
        QCOMPARE(r.messages.titles(), QStringList{QStringLiteral("Trasferimento interrotto")});
        QVERIFY(r.messages.shown[0].text.contains(QStringLiteral("non arrivava più")));
        QVERIFY(!QFileInfo::exists(r.file(QStringLiteral("lento.bin"))));
        const QByteArray part = contents(r.file(QStringLiteral("lento.bin.parziale")));
        QVERIFY(part.size() > 0 && part.size() < size);
        QCOMPARE(part, QByteArray(part.size(), 'd'));
    } else {
        QVERIFY(spin([&] { return r->state() == FileReceiver::State::Listening; }, 10000));
        QCOMPARE(contents(r.file(QStringLiteral("lento.bin"))), QByteArray(size, 'd'));
        QVERIFY(!peer.received.contains(transfer::wire::kKick));
        QCOMPARE(r.messages.titles(), QStringList{QStringLiteral("File ricevuto")});
    }
}

// The offer question names the sender as the address list has it (the
// window's test sees the name in the question): the last entry at exactly
// that address, else nobody, and the receiver says the address instead.
void tst_TransferEngine::senderFoundInTheAddressList_data()
{
    QTest::addColumn<QStringList>("addressList");
    QTest::addColumn<QString>("sender");
    QTest::newRow("known") << QStringList{"Ada - 10.0.0.9", "Brom - 127.0.0.1"} << "Brom";
    QTest::newRow("the last entry wins")
        << QStringList{"Vecchio - 127.0.0.1", "Brom - 127.0.0.1"} << "Brom";
    QTest::newRow("a longer address") << QStringList{"Ada - 127.0.0.10"} << "";
    QTest::newRow("an entry with no name") << QStringList{" - 127.0.0.1"} << "";
    QTest::newRow("empty list") << QStringList{} << "";
}

void tst_TransferEngine::senderFoundInTheAddressList()
{
    QFETCH(QStringList, addressList);
    QFETCH(QString, sender);
    QCOMPARE(transfer::participantAt(addressList, QStringLiteral("127.0.0.1")), sender);
    QCOMPARE(transfer::participantAt(addressList, QString()), QString());
}

void tst_TransferEngine::portChange_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("taken");
    QTest::newRow("a free port") << "*" << true;
    QTest::newRow("with spaces") << " * " << true;
    QTest::newRow("not a number") << "abc" << false;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("zero") << "0" << false;
    QTest::newRow("negative") << "-5" << false;
    QTest::newRow("above 32767") << "40000" << false;
    QTest::newRow("decimal") << "25.5" << false;
}

void tst_TransferEngine::portChange()
{
    QFETCH(QString, text);
    QFETCH(bool, taken);
    Receiver r;
    const quint16 before = r.port();
    const quint16 wanted = freeLowPort();
    QVERIFY(wanted != 0);
    text.replace(QLatin1Char('*'), QString::number(wanted));
    QSignalSpy changed(r.engine.get(), &FileReceiver::portChanged);
    QCOMPARE(r->changePort(text), taken);
    QCOMPARE(changed.size(), 1);
    QVERIFY(r->isListening());
    QCOMPARE(r.port(), taken ? wanted : before);
    QCOMPARE(changed[0][0].value<quint16>(), r.port());
    Sender s;
    QVERIFY(s.connectAccepted(r.port()));
}

void tst_TransferEngine::portChangeClosesAnIdleConnection()
{
    Receiver r;
    RawPeer peer;
    QVERIFY(peer.connectTo(r.port()));
    QVERIFY(peer.waitFor(transfer::wire::kAccept));
    QVERIFY(!r->changePort(QStringLiteral("x")));
    QVERIFY(peer.waitClosed());
    QVERIFY(r->isListening());
}

// A port it could not get is not reported as listening: the status says
// nothing can arrive and how to choose another; a good port brings it back.
void tst_TransferEngine::portTakenIsReported()
{
    QTcpServer squatter;
    QVERIFY(squatter.listen(QHostAddress::Any));
    FileReceiver r;
    MessageRecorder messages;
    r.setMessageService(&messages);
    QVERIFY(!r.listen(squatter.serverPort()));
    QCOMPARE(r.state(), FileReceiver::State::Stopped);
    QCOMPARE(r.status(), FileReceiver::listenFailureText(squatter.serverPort(),
                                                         QAbstractSocket::AddressInUseError));
    QVERIFY(r.status().contains(QString::number(squatter.serverPort())));
    QVERIFY(messages.shown.isEmpty());
    quint16 free = 0; // the box takes ports up to 32767
    for (quint16 p = 20000; p < 20500 && free == 0; ++p) {
        QTcpServer probe;
        if (probe.listen(QHostAddress::Any, p))
            free = p;
    }
    QVERIFY(r.changePort(QString::number(free)));
    QCOMPARE(r.state(), FileReceiver::State::Listening);
    QCOMPARE(r.status(), FileReceiver::kListening);
}

void tst_TransferEngine::listeningComesBackAfterDescriptorsRanOut()
{
    FileReceiver r;
    r.setAcceptPause(200);
    QVERIFY(r.listen(0));
    // The sender's descriptor is made before the limit comes down; the
    // system completes the connection on its own, only accepting it fails.
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    QVERIFY(fd >= 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(r.port());
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    {
        NoNewDescriptors limit;
        QVERIFY(limit.lowered);
        QCOMPARE(::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
        QVERIFY(spin([&] { return r.acceptPauses() >= 1; }));
        QCOMPARE(r.state(), FileReceiver::State::Listening);
    }
    // Descriptors are back: the rest ends and the waiting sender is greeted.
    QVERIFY(spin([&] { return r.state() == FileReceiver::State::Connected; }));
    pollfd p{fd, POLLIN, 0};
    QCOMPARE(::poll(&p, 1, 5000), 1);
    char buf[64] = {};
    QVERIFY(::read(fd, buf, sizeof buf - 1) > 0);
    QCOMPARE(QByteArray(buf), QByteArray("Received:accept"));
    ::close(fd);
}

QTEST_GUILESS_MAIN(tst_TransferEngine)
#include "tst_engine.moc"
