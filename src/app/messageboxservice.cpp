#include "messageboxservice.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QMessageBox>

#include <utility>

namespace app {

namespace {

QMessageBox::Icon toQt(session::MessageService::Icon icon)
{
    using Icon = session::MessageService::Icon;
    switch (icon) {
    case Icon::None:
        break;
    case Icon::Information:
        return QMessageBox::Information;
    case Icon::Warning:
        return QMessageBox::Warning;
    case Icon::Critical:
        return QMessageBox::Critical;
    case Icon::Question:
        return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

} // namespace

MessageBoxService::MessageBoxService(QWidget *parent) : m_parent(parent) {}

QMessageBox *MessageBoxService::makeBox(Icon icon, const QString &title, const QString &text,
                                        QMessageBox::StandardButtons buttons) const
{
    // A window that is hidden (the transfer window lives hidden) cannot carry
    // a window-modal box the user would see, so the box stands alone then.
    QWidget *parent = m_parent && m_parent->isVisible() ? m_parent.data() : nullptr;
    auto *box = new QMessageBox(toQt(icon), title, text, buttons, parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    // A box standing alone must not keep the program running once the main
    // window has closed.
    box->setAttribute(Qt::WA_QuitOnClose, false);
    box->setTextFormat(Qt::PlainText); // names typed by peers appear in messages
    // The buttons speak the program's language even without Qt's translations.
    const std::pair<QMessageBox::StandardButton, const char *> captions[] = {
        {QMessageBox::Ok, QT_TRANSLATE_NOOP("app::MessageBoxService", "OK")},
        {QMessageBox::Cancel, QT_TRANSLATE_NOOP("app::MessageBoxService", "Annulla")},
        {QMessageBox::Yes, QT_TRANSLATE_NOOP("app::MessageBoxService", "Sì")},
        {QMessageBox::No, QT_TRANSLATE_NOOP("app::MessageBoxService", "No")},
    };
    for (const auto &[which, caption] : captions) {
        if (QAbstractButton *b = box->button(which))
            b->setText(QCoreApplication::translate("app::MessageBoxService", caption));
    }
    return box;
}

void MessageBoxService::showMessage(Icon icon, const QString &title, const QString &text)
{
    makeBox(icon, title, text, QMessageBox::Ok)->open();
}

void MessageBoxService::ask(Icon icon, const QString &title, const QString &text, Buttons buttons,
                            QObject *context, std::function<void(bool)> answer)
{
    const bool yesNo = buttons == Buttons::YesNo;
    QMessageBox *box = makeBox(icon, title, text,
                               yesNo ? QMessageBox::Yes | QMessageBox::No
                                     : QMessageBox::Ok | QMessageBox::Cancel);
    const QMessageBox::StandardButton accept = yesNo ? QMessageBox::Yes : QMessageBox::Ok;
    QObject::connect(box, &QMessageBox::finished, context ? context : box,
                     [box, accept, answer = std::move(answer)](int) {
                         if (answer)
                             answer(box->standardButton(box->clickedButton()) == accept);
                     });
    // A question about something that is gone is moot: the box goes with it
    // rather than wait for an answer that would do nothing.
    if (context)
        QObject::connect(context, &QObject::destroyed, box, &QObject::deleteLater);
    box->open();
}

} // namespace app
