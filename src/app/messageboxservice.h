#pragma once

#include "sinks.h"

#include <QMessageBox>
#include <QPointer>

class QWidget;

namespace app {

/**
 * @brief Message boxes on screen. They open window-modal over their window
 * (or stand alone while it is hidden) and return at once, so no nested
 * event loop runs inside a socket handler while the user reads or answers.
 * A question closes by itself, unanswered, when its context goes.
 */
class MessageBoxService : public session::MessageService
{
public:
    explicit MessageBoxService(QWidget *parent);
    void showMessage(Icon icon, const QString &title, const QString &text) override;
    void ask(Icon icon, const QString &title, const QString &text, Buttons buttons,
             QObject *context, std::function<void(bool)> answer) override;

private:
    QMessageBox *makeBox(Icon icon, const QString &title, const QString &text,
                         QMessageBox::StandardButtons buttons) const;
    QPointer<QWidget> m_parent;
};

} // namespace app
