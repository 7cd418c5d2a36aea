#pragma once

#include "sinks.h"

#include <QPointer>

class QWidget;

namespace app {

/**
 * @brief Message boxes on screen. They open window-modal over the main
 * window and return at once, so no nested event loop runs inside a socket
 * handler while the user reads the message.
 */
class MessageBoxService : public session::MessageService
{
public:
    explicit MessageBoxService(QWidget *parent);
    void showMessage(Icon icon, const QString &title, const QString &text) override;

private:
    QPointer<QWidget> m_parent;
};

} // namespace app
