#include "bellclock.h"

#include <QTimer>

namespace conversation
{

namespace
{
// Fire a little after the second has turned, so that timer slack never
// lands the tick in the old second.
constexpr int kMarginMs = 5;
} // namespace

BellClock::BellClock(TimeSource source, QObject *parent)
    : QObject(parent), m_source(std::move(source)), m_timer(new QTimer(this))
{
    if (!m_source)
        m_source = [] { return QTime::currentTime(); };
    m_timer->setObjectName(QStringLiteral("Timer1"));
    m_timer->setSingleShot(true);
    m_timer->setTimerType(Qt::PreciseTimer);
    connect(m_timer, &QTimer::timeout, this, [this] {
        tick();
        schedule();
    });
}

QString BellClock::clockText(const QTime &time)
{
    if (!time.isValid())
        return {};
    return QStringLiteral("%1.%2.%3")
        .arg(time.hour())
        .arg(time.minute(), 2, 10, QLatin1Char('0'))
        .arg(time.second(), 2, 10, QLatin1Char('0'));
}

void BellClock::setTimeSource(TimeSource source)
{
    m_source = source ? std::move(source) : TimeSource([] { return QTime::currentTime(); });
}

void BellClock::start()
{
    tick();
    schedule();
}

void BellClock::stop()
{
    m_timer->stop();
}

int BellClock::msecsToNextSecond(const QTime &now)
{
    const int ms = now.isValid() ? now.msec() : 0;
    return 1000 - ms + kMarginMs;
}

void BellClock::schedule()
{
    m_timer->start(msecsToNextSecond(m_source()));
}

void BellClock::tick()
{
    const QString now = clockText(m_source());
    const QString before = m_text;

    if (now.endsWith(QStringLiteral(".00.00"))) {
        if (!m_bellFlag) {
            setBellFlag(true);
            emit bellRing(now);
        }
    } else {
        const bool beforeMinuteZero =
            before.size() >= 5 && QStringView(before).mid(before.size() - 5, 2) == u"00";
        const int nowSeconds = now.right(2).toInt();
        if (!(beforeMinuteZero && nowSeconds < 7)) {
            // The window is told to close before the flag is seen cleared.
            if (m_bellFlag)
                emit bellClose();
            setBellFlag(false);
        }
    }

    if (now != m_text) {
        m_text = now;
        emit textChanged(now);
    }
}

void BellClock::setBellFlag(bool on)
{
    if (m_bellFlag == on)
        return;
    m_bellFlag = on;
    emit bellFlagChanged(on);
}

} // namespace conversation
