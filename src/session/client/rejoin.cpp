#include "rejoin.h"

#include <QTimer>

namespace session
{

Rejoin::Rejoin(QObject *parent)
    : QObject(parent), m_policy(new ReconnectPolicy(this)), m_answerTimer(new QTimer(this))
{
    m_answerTimer->setSingleShot(true);
    m_answerTimer->setInterval(15000);
    // Something that accepts and never answers as a host does not hold the
    // tries up.
    connect(m_answerTimer, &QTimer::timeout, this, &Rejoin::tryFailed);
    connect(m_policy, &ReconnectPolicy::tryNow, this, [this] {
        m_tryOpen = true;
        m_answerTimer->start();
        if (m_hooks.connect)
            m_hooks.connect();
    });
    connect(m_policy, &ReconnectPolicy::tryScheduled, this, [this](int delayMs, const QDateTime &when) {
        if (m_hooks.status)
            m_hooks.status(tr("Nuovo tentativo di connessione a %1 (porta %2) alle %3, "
                              "tra %4 s. \"Sconnetti\" smette di riprovare.")
                               .arg(m_address)
                               .arg(m_port)
                               .arg(when.toString(QStringLiteral("H.mm.ss")))
                               .arg((delayMs + 999) / 1000));
    });
    connect(m_policy, &ReconnectPolicy::gaveUp, this, [this] {
        if (m_hooks.status)
            m_hooks.status(tr("L'host non risponde da %n minuti: nessun altro "
                              "tentativo. \"Connetti\" per riprovare.",
                              nullptr, m_policy->schedule().giveUpAfterMs / 60000));
        emit gaveUp();
    });
}

void Rejoin::setAnswerWait(int ms)
{
    m_answerTimer->setInterval(qMax(0, ms));
}

void Rejoin::begin(const QString &address, quint16 port)
{
    m_address = address;
    m_port = port;
    m_tryOpen = false;
    m_policy->start();
}

void Rejoin::tryFailed()
{
    if (!m_tryOpen)
        return;
    m_tryOpen = false;
    m_answerTimer->stop();
    if (m_hooks.abandon)
        m_hooks.abandon();
    m_policy->tryFailed();
}

void Rejoin::answered()
{
    if (!m_tryOpen)
        return;
    m_tryOpen = false;
    m_answerTimer->stop();
    m_policy->stop();
    emit back();
}

void Rejoin::stop()
{
    m_tryOpen = false;
    m_answerTimer->stop();
    m_policy->stop();
}

} // namespace session
