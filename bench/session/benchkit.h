#pragma once

#include <vector>

#include <algorithm>

// Helpers shared by the session benchmarks: counting sinks, peak memory,
// and an event-loop wait.

#include "chatsession.h"
#include "sinks.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QString>

#include <cstdio>
#include <memory>

namespace benchkit
{

/// Peak resident set of this process in MiB (VmHWM), or -1.
inline double peakRssMiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    }
    return -1;
}

/// Resident set of this process in MiB now (VmRSS), or -1.
inline double rssMiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    }
    return -1;
}

/// Counts conversation lines "L<n>" and checks that they arrive in order.
struct CountingConversation : session::ConversationSink {
    qint64 received = 0;
    qint64 outOfOrder = 0;
    qint64 lastAtNs = 0;
    const QElapsedTimer *clock = nullptr;
    void UpdateDialog(const QString &line) override
    {
        if (!line.startsWith(QLatin1Char('L')))
            return;
        bool ok = false;
        const qint64 n = QStringView(line).mid(1).toLongLong(&ok);
        if (!ok || n != received)
            ++outOfOrder;
        ++received;
        if (clock)
            lastAtNs = clock->nsecsElapsed();
    }
    void UpdateStatus(const QString &) override {}
    void clearDialog() override {}
};

/// Runs the event loop until @p done holds or @p timeoutMs passes.
template <typename F> bool waitUntil(F done, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

struct Member {
    std::unique_ptr<session::ChatSession> chat = std::make_unique<session::ChatSession>();
    CountingConversation conversation;
    explicit Member(const QString &name)
    {
        chat->setConversationSink(&conversation);
        chat->setName(name);
        chat->setConnectWait(20);
    }
};

/// Connects @p member to the host and waits until the host renamed it.
inline bool join(Member &member, quint16 port, int timeoutMs = 10000)
{
    for (int attempt = 0; attempt < 3; ++attempt) {
        member.chat->setPort(port);
        member.chat->cmdConnect_Click(QStringLiteral("127.0.0.1"));
        if (waitUntil(
                [&] {
                    return !member.chat->sMyName().isEmpty() ||
                           member.chat->phase() == session::ChatSession::Phase::Idle;
                },
                timeoutMs) &&
            !member.chat->sMyName().isEmpty())
            return true;
    }
    return false;
}

using Members = std::vector<std::unique_ptr<Member>>;

/// Times every member's arrivals against @p clock.
inline void timeArrivals(Members &members, const QElapsedTimer &clock)
{
    for (auto &m : members)
        m->conversation.clock = &clock;
}

/// Lines received by the member that has the fewest, at most @p cap.
inline qint64 fewestReceived(const Members &members, qint64 cap)
{
    qint64 low = cap;
    for (const auto &m : members)
        low = std::min(low, m->conversation.received);
    return low;
}

} // namespace benchkit
