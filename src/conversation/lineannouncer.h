#pragma once

#include "spokenline.h"

#include <QObject>

namespace a11y
{
class Announcer;
}

namespace conversation
{

class DialogPane;

/**
 * @brief Says every new line of the conversation and of the status box to
 * assistive technology, in words: who speaks and how, dice results spelled
 * out, joins and leaves.
 *
 * The echo of what the user just typed is not said again, their own rolls
 * are: the result is news to them too.
 */
class LineAnnouncer : public QObject
{
    Q_OBJECT
public:
    LineAnnouncer(DialogPane *pane, a11y::Announcer *announcer, QObject *parent = nullptr);

public slots:
    /// The user's own line is being sent (from ComposerPanel::sending).
    void setSending(bool on) { m_sending = on; }

private:
    void onLine(const SpokenLine::Reading &reading);

    a11y::Announcer *m_announcer;
    bool m_sending = false;
};

} // namespace conversation
