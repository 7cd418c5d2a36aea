#include "headlesssinks.h"

#include <QMetaObject>
#include <QObject>
#include <QPointer>

namespace server
{

void LogConversation::UpdateDialog(const QString &vsDialog)
{
    m_log.info(QStringLiteral("dialogo: ") + vsDialog);
}

void LogConversation::UpdateStatus(const QString &vsStatus)
{
    m_log.info(vsStatus);
}

void LogMessages::showMessage(Icon icon, const QString &, const QString &text)
{
    switch (icon) {
    case Icon::Critical:
        m_log.error(text);
        break;
    case Icon::Warning:
        m_log.warning(text);
        break;
    default:
        m_log.info(text);
        break;
    }
}

void LogMessages::ask(Icon, const QString &, const QString &text, Buttons, QObject *context,
                      std::function<void(bool)> answer)
{
    m_log.warning(text + QStringLiteral(" (nessuno può rispondere: no)"));
    if (!context || !answer)
        return;
    // Later, as a window's answer would come, and never once the asker is gone.
    QMetaObject::invokeMethod(
        context, [answer = std::move(answer)] { answer(false); }, Qt::QueuedConnection);
}

} // namespace server
