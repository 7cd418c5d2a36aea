#pragma once

#include <QObject>
#include <QString>
#include <QTime>

#include <functional>

class QTimer;

namespace conversation
{

/**
 * @brief The clock of the main window and its hourly bell, without widgets.
 *
 * Instead of polling, a single-shot timer is re-armed to fire just after
 * each next whole second, so the text changes once a second and an idle
 * program does not keep a core awake. The time source can be replaced so
 * tests can walk through an hour.
 */
class BellClock : public QObject
{
    Q_OBJECT
public:
    using TimeSource = std::function<QTime()>;

    /// @p source defaults to the local time of day.
    explicit BellClock(TimeSource source = {}, QObject *parent = nullptr);

    /// H.MM.SS: hours without a leading zero, "." as separator.
    static QString clockText(const QTime &time);

    /// The text the clock label shows (empty before the first tick).
    QString text() const { return m_text; }
    /// True from the ring until the first tick after second 6 of the hour,
    /// which is also while the bell window is meant to be open.
    bool bellFlag() const { return m_bellFlag; }

    /// Replaces the time source; an empty one means the local time of day.
    void setTimeSource(TimeSource source);
    /// The timer that drives the ticks (named Timer1).
    QTimer *timer() const { return m_timer; }

    /// Starts ticking: one tick now, then one just after every whole second.
    void start();
    /// Stops ticking; the text and the bell flag keep their last state.
    void stop();

    /// One clock tick with the current time of the source.
    void tick();

    /// Milliseconds from @p now to a little after the next whole second.
    static int msecsToNextSecond(const QTime &now);

signals:
    /// The clock text changed (at most once a tick).
    void textChanged(const QString &text);
    /// The hour has struck: show the bell with the caption "Ore: " + @p text.
    void bellRing(const QString &text);
    /// The bell window's time is over: close it.
    void bellClose();
    /// The bell flag was set or cleared (mirrored by the hidden check box).
    void bellFlagChanged(bool checked);

private:
    void setBellFlag(bool on);
    void schedule();

    TimeSource m_source;
    QTimer *m_timer;
    QString m_text;
    bool m_bellFlag = false;
};

} // namespace conversation
