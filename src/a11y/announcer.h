#pragma once

#include <QStringList>
#include <QWidget>

class QTimer;

namespace a11y
{

/**
 * @brief Tells assistive technology something new happened, without taking
 * the keyboard focus from where the user types.
 *
 * Qt has no announcement of its own here, so the announcer is a tiny,
 * never painted widget that screen readers see as a notification: each
 * announcement gives it the words as its name and shows it anew, which the
 * Linux accessibility bridge passes on as a notification appearing; Orca
 * speaks such a notification at once, wherever the focus is.
 *
 * Announcements made during one turn of the event loop are said together;
 * past kMostAtOnce of them only the count and the last are said, so a burst
 * (a replay, a reconnection) does not keep the reader talking for minutes.
 */
class Announcer : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kMostAtOnce = 3;

    explicit Announcer(QWidget *parent);

    /// What the notification says now (the last announcement).
    QString text() const { return m_text; }
    /// How many announcements were made (a reader's event each).
    int count() const { return m_count; }

public slots:
    /// Queues @p words to be said once the current event-loop turn is over.
    void announce(const QString &words);

signals:
    /// The words were handed to assistive technology.
    void announced(const QString &words);

private:
    void flush();

    QStringList m_queue;
    QString m_text;
    int m_count = 0;
    QTimer *m_timer;
};

} // namespace a11y
