#include "portmapper.h"

#include "mappingtext.h"

#include <QLoggingCategory>
#include <QMetaObject>
#include <QTimer>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

// Off unless asked for (QT_LOGGING_RULES="tavernix.portmap.info=true"):
// one line for every change of state, with the port and the text shown.
Q_LOGGING_CATEGORY(lcPortmap, "tavernix.portmap", QtWarningMsg)

namespace portmap {

/// What the caller's thread and the worker share, under one lock. The
/// worker keeps it alive as long as it runs, so a mapper may go away while
/// its worker is still blocked in a call to a silent gateway.
struct PortMapper::Shared {
    struct Entry {
        Job job = Job::Quit;
        quint64 request = 0;
        quint16 port = 0;
        QByteArray description;
        int lease = 0;
    };
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<Entry> queue;
    PortMapper *owner = nullptr; ///< null once the mapper no longer listens
    std::atomic<bool> cancel{false};
    std::atomic<bool> requesting{false}; ///< a request that may make a forwarding is under way
    bool holding = false; ///< the gateway holds a forwarding we made
    bool done = false;    ///< the worker has ended

    static void run(std::shared_ptr<Shared> s, GatewayClient::Settings settings);
};

void PortMapper::Shared::run(std::shared_ptr<Shared> s, GatewayClient::Settings settings)
{
    GatewayClient client(std::move(settings));
    client.setCancelFlags(&s->cancel, &s->requesting);
    for (;;) {
        Entry e;
        {
            std::unique_lock lock(s->mutex);
            s->wake.wait(lock, [&] { return !s->queue.empty(); });
            e = s->queue.front();
            s->queue.pop_front();
            if (e.job == Job::Quit) {
                s->done = true;
                s->holding = client.holdsMapping();
                s->wake.notify_all();
                return;
            }
        }
        Outcome o;
        switch (e.job) {
        case Job::Map:
            o = client.map(e.port, e.description, e.lease);
            break;
        case Job::Renew:
            o = client.renew();
            // A gateway that restarted forgot us: ask afresh, from discovery.
            if (o.result != Result::Mapped && !s->cancel)
                o = client.map(e.port, e.description, e.lease);
            break;
        case Job::Unmap:
        case Job::Quit:
            o = client.unmap();
            break;
        }
        std::lock_guard lock(s->mutex);
        s->holding = client.holdsMapping();
        s->requesting = false;
        if (PortMapper *owner = s->owner) {
            const quint64 request = e.request;
            const Job job = e.job;
            QMetaObject::invokeMethod(
                owner, [owner, request, job, o] { owner->onOutcome(request, job, o); },
                Qt::QueuedConnection);
        }
        s->wake.notify_all();
    }
}

PortMapper::PortMapper(QObject *parent) : PortMapper(Options(), parent) {}

PortMapper::PortMapper(Options options, QObject *parent)
    : QObject(parent), m_options(std::move(options)), m_shared(std::make_shared<Shared>()),
      m_renewTimer(new QTimer(this))
{
    m_shared->owner = this;
    m_renewTimer->setSingleShot(true);
    connect(m_renewTimer, &QTimer::timeout, this, [this] { post(Job::Renew); });
    std::thread(&Shared::run, m_shared, m_options.gateway).detach();
}

PortMapper::~PortMapper()
{
    stop();
    waitStopped(m_closeTimeoutMs);
}

void PortMapper::post(Job job)
{
    if (m_finished)
        return;
    Shared::Entry e;
    e.job = job;
    e.request = m_request;
    e.port = m_port;
    e.description = m_description.toUtf8();
    e.lease = m_options.leaseSeconds;
    std::lock_guard lock(m_shared->mutex);
    // Only the newest wish counts; map() of another port removes the old
    // forwarding first on its own.
    m_shared->queue.clear();
    m_shared->queue.push_back(std::move(e));
    m_shared->wake.notify_all();
}

void PortMapper::setEnabled(bool enabled)
{
    if (enabled == m_enabled)
        return;
    m_enabled = enabled;
    m_renewTimer->stop();
    ++m_request;
    if (!enabled) {
        post(Job::Unmap);
        setState(State::Off, disabledText());
    } else if (m_port != 0) {
        post(Job::Map);
        setState(State::Asking, askingText(m_port));
    } else {
        setState(State::Idle, QString());
    }
}

void PortMapper::map(quint16 port, const QString &description)
{
    m_port = port;
    m_description = description;
    if (!m_enabled || m_finished)
        return;
    m_renewTimer->stop();
    ++m_request;
    post(Job::Map);
    setState(State::Asking, askingText(port));
}

void PortMapper::unmap()
{
    m_port = 0;
    m_renewTimer->stop();
    if (!m_enabled || m_finished)
        return;
    ++m_request;
    post(Job::Unmap);
    setState(State::Idle, QString());
}

bool PortMapper::finish(int timeoutMs)
{
    stop();
    return waitStopped(timeoutMs);
}

void PortMapper::stop()
{
    if (m_finished)
        return;
    m_finished = true;
    m_renewTimer->stop();
    std::lock_guard lock(m_shared->mutex);
    m_shared->owner = nullptr;
    m_shared->cancel = true;
    m_shared->queue.clear();
    Shared::Entry unmapEntry;
    unmapEntry.job = Job::Unmap;
    m_shared->queue.push_back(unmapEntry);
    m_shared->queue.push_back(Shared::Entry());
    m_shared->wake.notify_all();
}

bool PortMapper::waitStopped(int timeoutMs)
{
    std::unique_lock lock(m_shared->mutex);
    // Nothing on the gateway and nothing about to be (a worker still
    // looking for the gateway gives up on its own): no reason to wait.
    auto settled = [&] {
        return m_shared->done || (!m_shared->holding && !m_shared->requesting);
    };
    m_shared->wake.wait_for(lock, std::chrono::milliseconds(qMax(0, timeoutMs)), settled);
    return settled() && !m_shared->holding;
}

void PortMapper::onOutcome(quint64 request, Job job, const Outcome &outcome)
{
    if (request != m_request || m_finished)
        return; // a newer request has taken its place
    if (job == Job::Unmap) {
        setState(m_enabled ? State::Idle : State::Off,
                 !m_enabled ? disabledText()
                 : outcome.protocol != Protocol::None ? describe(outcome)
                                                      : QString());
        return;
    }
    if (outcome.result == Result::Removed)
        return; // stopped short: the program is closing
    m_outcome = outcome;
    if (outcome.result == Result::Mapped) {
        if (job == Job::Renew) {
            ++m_renewals;
            emit renewed();
        }
        if (outcome.leaseSeconds > 0)
            m_renewTimer->start(qMax(1000, outcome.leaseSeconds * 500));
        setState(State::Mapped, describe(outcome));
    } else {
        setState(State::Failed, describe(outcome));
    }
}

void PortMapper::setState(State state, const QString &message)
{
    const bool stateChange = state != m_state;
    const bool messageChange = message != m_message;
    m_state = state;
    m_message = message;
    if (stateChange || messageChange)
        qCInfo(lcPortmap).noquote() << "port" << m_port << state << message;
    if (stateChange)
        emit stateChanged(state);
    if (messageChange)
        emit messageChanged(message);
}

} // namespace portmap
