#pragma once

#include "serverlog.h"
#include "sinks.h"

namespace server
{

/**
 * @brief Where the session's status box and conversation pane go on a host
 * without a window: into the log.
 */
class LogConversation : public session::ConversationSink
{
public:
    explicit LogConversation(ServerLog &log) : m_log(log) {}
    void UpdateDialog(const QString &vsDialog) override;
    void UpdateStatus(const QString &vsStatus) override;
    void clearDialog() override {}

private:
    ServerLog &m_log;
};

/**
 * @brief Message boxes on a host without a window: logged at the level their
 * icon gives; a question nobody can answer is taken as No.
 */
class LogMessages : public session::MessageService
{
public:
    explicit LogMessages(ServerLog &log) : m_log(log) {}
    void showMessage(Icon icon, const QString &title, const QString &text) override;
    void ask(Icon icon, const QString &title, const QString &text, Buttons buttons,
             QObject *context, std::function<void(bool)> answer) override;

private:
    ServerLog &m_log;
};

} // namespace server
