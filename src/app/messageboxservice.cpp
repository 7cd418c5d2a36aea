#include "messageboxservice.h"

#include <QMessageBox>

namespace app {

MessageBoxService::MessageBoxService(QWidget *parent) : m_parent(parent) {}

void MessageBoxService::showMessage(Icon icon, const QString &title, const QString &text)
{
    QMessageBox::Icon qtIcon = QMessageBox::NoIcon;
    switch (icon) {
    case Icon::None:
        break;
    case Icon::Information:
        qtIcon = QMessageBox::Information;
        break;
    case Icon::Warning:
        qtIcon = QMessageBox::Warning;
        break;
    case Icon::Critical:
        qtIcon = QMessageBox::Critical;
        break;
    case Icon::Question:
        qtIcon = QMessageBox::Question;
        break;
    }
    auto *box = new QMessageBox(qtIcon, title, text, QMessageBox::Ok, m_parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setTextFormat(Qt::PlainText); // names typed by peers appear in messages
    box->open();
}

} // namespace app
