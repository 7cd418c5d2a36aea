#pragma once

// Fixtures for the transfer tests: a receiver and a sender engine with
// recorded message boxes, a raw peer that speaks the wire itself, and files
// of known content.

#include "filereceiver.h"
#include "filesender.h"
#include "messagerecorder.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <QFile>
#include <QHostAddress>
#include <QRandomGenerator>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <memory>

namespace transferkit {

using transfer::FileReceiver;
using transfer::FileSender;

/**
 * Runs the event loop until @p condition holds or @p ms pass. Unlike
 * QTest::qWaitFor, which sleeps 10 ms between rounds of events, the loop
 * runs without pause, so a stream of packets flows at its own pace.
 */
template <typename F> bool spin(F condition, int ms = 5000)
{
    if (condition())
        return true;
    QEventLoop loop;
    QElapsedTimer clock;
    clock.start();
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (condition() || clock.elapsed() > ms)
            loop.quit();
    });
    check.start(2);
    loop.exec();
    return condition();
}

/// Writes @p size bytes of seeded pseudo-random content to @p path in
/// pieces, so big files cost no memory.
inline bool makeFile(const QString &path, qint64 size, quint32 seed = 7)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QRandomGenerator random(seed);
    QByteArray block(1 << 20, Qt::Uninitialized);
    qint64 left = size;
    while (left > 0) {
        const qint64 n = qMin<qint64>(left, block.size());
        random.fillRange(reinterpret_cast<quint32 *>(block.data()), int(block.size() / 4));
        if (file.write(block.constData(), n) != n)
            return false;
        left -= n;
    }
    return true;
}

inline QByteArray sha256(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(&file);
    return hash.result().toHex();
}

inline QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

/// A receiver on a port the system picks, saving into a folder of its own.
struct Receiver {
    MessageRecorder messages;
    QTemporaryDir dir;
    std::unique_ptr<FileReceiver> engine = std::make_unique<FileReceiver>();
    QStringList statuses;

    Receiver()
    {
        engine->setMessageService(&messages);
        engine->setSaveFolder(folder());
        QObject::connect(engine.get(), &FileReceiver::statusChanged,
                         [this](const QString &s) { statuses << s; });
        engine->listen(0);
    }
    // The engine goes first: its last signals still reach the lists.
    ~Receiver() { engine.reset(); }
    QString folder() const { return dir.path() + QLatin1Char('/'); }
    QString file(const QString &name) const { return folder() + name; }
    quint16 port() const { return engine->port(); }
    FileReceiver *operator->() const { return engine.get(); }
    bool waitListening(int ms = 5000)
    {
        return spin([&] { return engine->state() == FileReceiver::State::Listening; }, ms);
    }
};

/// A sender with its outcomes and status lines recorded.
struct Sender {
    MessageRecorder messages;
    std::unique_ptr<FileSender> engine = std::make_unique<FileSender>();
    QStringList statuses;
    QList<FileSender::Outcome> outcomes;
    QList<double> progress;

    Sender()
    {
        engine->setMessageService(&messages);
        QObject::connect(engine.get(), &FileSender::statusChanged,
                         [this](const QString &s) { statuses << s; });
        QObject::connect(engine.get(), &FileSender::transferEnded,
                         [this](FileSender::Outcome o) { outcomes << o; });
        QObject::connect(engine.get(), &FileSender::progressChanged,
                         [this](double p) { progress << p; });
    }
    ~Sender() { engine.reset(); }
    FileSender *operator->() const { return engine.get(); }
    void connectTo(quint16 port)
    {
        engine->connectTo(QStringLiteral("127.0.0.1"), QString::number(port), QStringLiteral("Ada"));
    }
    bool waitState(FileSender::State state, int ms = 5000)
    {
        return spin([&] { return engine->state() == state; }, ms);
    }
    /// Connects and waits for the receiver's acceptance.
    bool connectAccepted(quint16 port)
    {
        connectTo(port);
        return waitState(FileSender::State::Accepted);
    }
    bool waitEnded(int ms = 20000)
    {
        const bool ok = spin([&] { return !outcomes.isEmpty(); }, ms);
        if (!ok)
            qWarning() << "sender still" << engine->state() << statuses.mid(statuses.size() - 3) << progress.size();
        return ok;
    }
};

/// A peer that writes and reads the wire itself.
struct RawPeer {
    QTcpSocket socket;
    QByteArray received;

    RawPeer()
    {
        QObject::connect(&socket, &QTcpSocket::readyRead, [this] { received += socket.readAll(); });
    }
    bool connectTo(quint16 port)
    {
        socket.connectToHost(QHostAddress::LocalHost, port);
        return spin([&] { return socket.state() == QAbstractSocket::ConnectedState; }, 5000);
    }
    void send(const QByteArray &bytes)
    {
        socket.write(bytes);
        socket.flush();
    }
    bool waitFor(const QByteArray &bytes, int ms = 5000)
    {
        return spin([&] { return received.contains(bytes); }, ms);
    }
    bool waitClosed(int ms = 5000)
    {
        return spin([&] { return socket.state() == QAbstractSocket::UnconnectedState; }, ms);
    }
};

/**
 * A receiver that speaks the wire itself: it accepts the connection,
 * answers the packet-size question with @p packet and calls @p onOffer once
 * the whole offer (name and size) has come; everything read is in got.
 */
struct RawReceiver {
    QTcpServer server;
    QTcpSocket *peer = nullptr;
    QByteArray got;

    explicit RawReceiver(QByteArray packet, QByteArray size, std::function<void()> onOffer)
    {
        server.listen(QHostAddress::LocalHost);
        QObject::connect(&server, &QTcpServer::newConnection, [this, packet, size, onOffer] {
            peer = server.nextPendingConnection();
            QObject::connect(peer, &QTcpSocket::readyRead, [this, packet, size, onOffer] {
                got += peer->readAll();
                if (got == "Request#:PACKET") {
                    got.clear();
                    peer->write("Received:PACKET:" + packet);
                } else if (got.endsWith("File~~~#:size~#:" + size)) {
                    got.clear();
                    onOffer();
                }
            });
            peer->write("Received:accept");
        });
    }
    quint16 port() const { return server.serverPort(); }
};

/// A port from 1 to 32767 nobody listens on now (the port box takes 16-bit
/// signed numbers, so the system's own choice, above 32767, will not do).
inline quint16 freeLowPort()
{
    for (int attempt = 0; attempt < 200; ++attempt) {
        const quint16 port = quint16(20000 + QRandomGenerator::global()->bounded(12000));
        QTcpServer probe;
        if (probe.listen(QHostAddress::Any, port))
            return port;
    }
    return 0;
}

} // namespace transferkit
