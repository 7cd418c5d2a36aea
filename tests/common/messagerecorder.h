#pragma once

// Message boxes for tests: what was shown is recorded, and questions wait
// for the test to answer them, as a user would, after the asking call has
// returned.

#include "sinks.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTimer>

#include <optional>

class MessageRecorder : public session::MessageService
{
public:
    struct Shown {
        Icon icon = Icon::None;
        QString title;
        QString text;
    };
    struct Asked {
        Icon icon = Icon::None;
        QString title;
        QString text;
        Buttons buttons = Buttons::YesNo;
        QPointer<QObject> context;
        bool hadContext = false;
        std::function<void(bool)> answer;
    };

    void showMessage(Icon icon, const QString &title, const QString &text) override
    {
        shown.append({icon, title, text});
    }

    void ask(Icon icon, const QString &title, const QString &text, Buttons buttons,
             QObject *context, std::function<void(bool)> answer) override
    {
        asked.append({icon, title, text, buttons, context, context != nullptr, std::move(answer)});
        if (autoAnswer) {
            // Answered from the event loop, never inside the asking call.
            const bool yes = *autoAnswer;
            QTimer::singleShot(0, [this, yes] { reply(yes); });
        }
    }

    /// Answers the oldest question not yet answered; false when none waits
    /// or its asker is gone.
    bool reply(bool yes)
    {
        while (m_answered < asked.size()) {
            Asked &q = asked[m_answered++];
            if (q.hadContext && !q.context)
                return false;
            if (q.answer)
                q.answer(yes);
            return true;
        }
        return false;
    }
    int pending() const { return int(asked.size()) - m_answered; }

    /// "title|text" of every message shown, in order.
    QStringList lines() const
    {
        QStringList out;
        for (const Shown &s : shown)
            out << s.title + QLatin1Char('|') + s.text;
        return out;
    }

    QStringList texts() const
    {
        QStringList out;
        for (const Shown &s : shown)
            out << s.text;
        return out;
    }
    QStringList titles() const
    {
        QStringList out;
        for (const Shown &s : shown)
            out << s.title;
        return out;
    }

    QList<Shown> shown;
    QList<Asked> asked;
    /// When set, every question is answered so from the event loop.
    std::optional<bool> autoAnswer;

private:
    int m_answered = 0;
};
