#include "controlnames.h"

#include <QAccessible>
#include <QCoreApplication>
#include <QWidget>

namespace a11y
{

void ControlNames::apply(QWidget *root, const char *context, std::initializer_list<Entry> entries)
{
    if (!root)
        return;
    for (const Entry &e : entries) {
        const QString object = QLatin1String(e.object);
        QWidget *w = root->objectName() == object ? root : root->findChild<QWidget *>(object);
        if (!w)
            continue;
        w->setAccessibleName(QCoreApplication::translate(context, e.name));
        if (e.description)
            w->setAccessibleDescription(QCoreApplication::translate(context, e.description));
    }
}

QString ControlNames::spokenName(QWidget *widget)
{
    QAccessibleInterface *iface = widget ? QAccessible::queryAccessibleInterface(widget) : nullptr;
    return iface ? iface->text(QAccessible::Name) : QString();
}

} // namespace a11y
