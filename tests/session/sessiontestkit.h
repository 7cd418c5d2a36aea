#pragma once

// Shared doubles and helpers for the session tests: recorders for the sinks
// and the message service, a raw wire-level client, and a session wired to
// them.

#include "messagerecorder.h"
#include "chatsession.h"
#include "heartbeat.h"
#include "reconnectpolicy.h"
#include "participantlist.h"
#include "protocol.h"
#include "sinks.h"
#include "trafficlog.h"

#include <QHostAddress>
#include <QList>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include <map>
#include <memory>
#include <vector>

namespace testkit
{

using session::ChatSession;
using session::MessageService;

struct RecordingConversation : session::ConversationSink {
    QStringList dialog;
    QStringList status;
    int clears = 0;
    /// Lines of our own by id: the text and every state it took, in order.
    struct Own {
        QString line;
        QList<OwnLine> states;
        bool late = false;
    };
    std::map<quint64, Own> own;
    void UpdateDialog(const QString &vsDialog) override { dialog.append(vsDialog); }
    void UpdateStatus(const QString &vsStatus) override { status.append(vsStatus); }
    void clearDialog() override { ++clears; }
    void showOwnLine(quint64 id, const QString &line, OwnLine state) override
    {
        dialog.append(line);
        if (id != 0)
            own[id] = {line, {state}, false};
    }
    void markOwnLine(quint64 id, OwnLine state, bool late) override
    {
        own[id].states.append(state);
        own[id].late = late;
    }
};

struct RecordingBoard : session::BoardSink {
    struct Text {
        session::TextSet text;
        qint16 palette;
        qint16 unit;
    };
    int clears = 0;
    size_t linesAtLastClear = 0; ///< lines.size() when the board was last cleared
    std::vector<session::DrawFields> lines;
    std::vector<session::DrawFields> circles;
    struct Fill {
        float x, y;
        qint32 colour;
    };
    std::vector<Fill> fills;
    std::vector<Text> texts;
    void clearBoard() override
    {
        ++clears;
        linesAtLastClear = lines.size();
    }
    size_t linesSinceClear() const { return lines.size() - linesAtLastClear; }
    void receiveLine(const session::DrawFields &f) override { lines.push_back(f); }
    void receiveCircle(const session::DrawFields &f) override { circles.push_back(f); }
    void receiveFill(float x, float y, qint32 colour) override { fills.push_back({x, y, colour}); }
    void receiveText(const session::TextSet &t, qint16 palette, qint16 unit) override
    {
        texts.push_back({t, palette, unit});
    }
    int drawCalls() const
    {
        return int(lines.size() + circles.size() + fills.size() + texts.size());
    }
};

using RecordingMessages = MessageRecorder;

/// A session with recorders plugged in.
struct Peer {
    std::unique_ptr<ChatSession> chat = std::make_unique<ChatSession>();
    RecordingConversation conversation;
    RecordingBoard board;
    RecordingMessages messages;

    explicit Peer(const QString &name)
    {
        chat->setConversationSink(&conversation);
        chat->setBoardSink(&board);
        chat->setMessageService(&messages);
        chat->setName(name);
        chat->setConnectWait(30);
    }
    ~Peer() { chat.reset(); }
    ChatSession *operator->() const { return chat.get(); }
    session::ParticipantList *people() const { return chat->participants(); }

    /// Hosts on a port the system chooses; returns it (0 on failure).
    quint16 host(quint16 port = 0)
    {
        chat->setPort(port);
        chat->cmdHost_Click();
        return chat->listeningPort();
    }
    /// Joins a host on 127.0.0.1 and waits for the whole join sequence: the
    /// last thing the host sends is the address list, whose last entry is ours.
    bool join(quint16 port)
    {
        chat->setPort(port);
        const qsizetype before = chat->receivedLog()->size();
        chat->cmdConnect_Click(QStringLiteral("127.0.0.1"));
        qsizetype scanned = before;
        return QTest::qWaitFor(
            [&] {
                const auto *log = chat->receivedLog();
                for (; scanned < log->size(); ++scanned) {
                    const QString &entry = log->at(scanned);
                    if (!chat->sMyName().isEmpty() &&
                        entry.startsWith(QLatin1String("sckConnect: [Aggiorna NeoConnesso]") +
                                         chat->sMyName() + QLatin1String(" - ")))
                        return true;
                }
                return false;
            },
            10000);
    }
};

/// A client that speaks the wire directly, so a test sees the exact bytes.
/// Like a program of the basic protocol it passes over the host's greeting,
/// counts and seat notice (see keepHousekeeping), which tests of other
/// rules need not count.
struct RawClient {
    QTcpSocket socket;
    QByteArray buffer;
    QList<QByteArray> lines; ///< complete lines received, without CR LF
    bool keepHousekeeping = false;

    static bool housekeeping(const QByteArray &line)
    {
        return line.startsWith("[Tavernix Saluto]") || line.startsWith("[Tavernix Ricevuto]") ||
               line.startsWith("[Tavernix Seduto]");
    }
    RawClient()
    {
        QObject::connect(&socket, &QTcpSocket::readyRead, [this] {
            buffer += socket.readAll();
            // One pass over the read, so a long burst is not moved once per line.
            qsizetype pos = 0, end;
            while ((end = buffer.indexOf("\r\n", pos)) >= 0) {
                const QByteArray line = buffer.mid(pos, end - pos);
                if (keepHousekeeping || !housekeeping(line))
                    lines.append(line);
                pos = end + 2;
            }
            buffer.remove(0, pos);
        });
    }
    bool connectTo(quint16 port)
    {
        socket.connectToHost(QHostAddress::LocalHost, port);
        return QTest::qWaitFor([&] { return socket.state() == QAbstractSocket::ConnectedState; },
                               5000);
    }
    void send(const QString &message)
    {
        socket.write(session::encodeLine(message));
        socket.flush();
    }
    void sendRaw(const QByteArray &bytes)
    {
        socket.write(bytes);
        socket.flush();
    }
    bool waitForLines(int count, int timeoutMs = 5000)
    {
        return QTest::qWaitFor([&] { return lines.size() >= count; }, timeoutMs);
    }
    /// Waits until a line equal to @p line arrived.
    bool waitForLine(const QByteArray &line, int timeoutMs = 5000)
    {
        return QTest::qWaitFor([&] { return lines.contains(line); }, timeoutMs);
    }
    QStringList text() const
    {
        QStringList out;
        for (const QByteArray &l : lines)
            out.append(session::decodeText(l));
        return out;
    }
    /// Joins as the real client would: introduces itself and waits for the rename.
    bool joinAs(quint16 port, const QString &name)
    {
        if (!connectTo(port))
            return false;
        send(QStringLiteral("[Connessione]") + name);
        send(QStringLiteral("[Aggiorna Listato InviaFile]"));
        return QTest::qWaitFor(
            [&] {
                for (const QByteArray &l : lines)
                    if (l.startsWith("[Rename di Connessione]"))
                        return true;
                return false;
            },
            5000);
    }
    /// The parameter text of the last line with @p tag, waiting for one;
    /// empty when none came.
    QString waitForParams(const QString &tag, int timeoutMs = 5000)
    {
        QString params;
        const bool came = QTest::qWaitFor(
            [&] {
                for (const QString &l : text())
                    if (l.startsWith(tag))
                        params = l.mid(tag.size());
                return !params.isEmpty();
            },
            timeoutMs);
        return came ? params : QString();
    }
    /// Joins as a Tavernix client does, with @p first between "[Tavernix]1"
    /// and the introduction and @p after behind it. The name the host
    /// confirmed, or an empty text when none came.
    QString joinAsTavernix(quint16 port, const QString &name, const QStringList &first = {},
                           const QStringList &after = {})
    {
        if (!connectTo(port))
            return {};
        for (const QString &line : QStringList{QStringLiteral("[Tavernix]1")} + first +
                                       QStringList{QStringLiteral("[Connessione]") + name,
                                                   QStringLiteral("[Aggiorna Listato InviaFile]")} +
                                       after)
            send(line);
        return waitForParams(QStringLiteral("[Rename di Connessione]"));
    }
};

/// The schedule and watch of a session, 1/50 of the real ones.
inline void shortenWaits(Peer &peer)
{
    session::ReconnectPolicy::Schedule fast;
    fast.delaysMs = {20, 40, 80, 160, 300};
    fast.repeatMs = 600;
    fast.giveUpAfterMs = 60000;
    peer->reconnectPolicy()->setSchedule(fast);
    peer->heartbeat()->setIntervals(100, 800);
    peer->setAnswerWait(1000);
}

inline std::unique_ptr<Peer> hostWithShortWaits()
{
    auto host = std::make_unique<Peer>(QStringLiteral("Oste"));
    shortenWaits(*host);
    return host;
}

/// Passes bytes between clients and a host; blackhole() stops passing them
/// on the pairs open now without closing either end, as a network that drops
/// silently would. Later connections pass again.
class Proxy : public QObject
{
public:
    explicit Proxy(quint16 upstream) : m_upstream(upstream)
    {
        m_server.listen(QHostAddress::LocalHost, 0);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *down = m_server.nextPendingConnection()) {
                auto *up = new QTcpSocket(this);
                auto *dead = new bool(false);
                m_dead.push_back(dead);
                up->connectToHost(QHostAddress::LocalHost, m_upstream);
                connect(down, &QTcpSocket::readyRead, this, [=] {
                    const QByteArray bytes = down->readAll();
                    if (!*dead)
                        up->write(bytes);
                });
                connect(up, &QTcpSocket::readyRead, this, [=] {
                    const QByteArray bytes = up->readAll();
                    if (!*dead)
                        down->write(bytes);
                });
            }
        });
    }
    ~Proxy() override
    {
        for (bool *d : m_dead)
            delete d;
    }
    quint16 port() const { return m_server.serverPort(); }
    void blackhole()
    {
        for (bool *d : m_dead)
            *d = true;
    }

private:
    quint16 m_upstream;
    QTcpServer m_server;
    std::vector<bool *> m_dead;
};

/// Lets pending socket traffic settle: waits until @p condition holds.
template <typename F> bool settle(F condition, int timeoutMs = 5000)
{
    return QTest::qWaitFor(condition, timeoutMs);
}

/// The session's sent log from row @p from on.
inline QStringList logFrom(const session::TrafficLog *log, qsizetype from = 0)
{
    QStringList out;
    for (qsizetype i = from; i < log->size(); ++i)
        out.append(log->at(i));
    return out;
}

} // namespace testkit
