#include "announcer.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QTimer>

namespace a11y
{

namespace
{

// A notification whose name is the last announcement.
class AnnouncerAccessible : public QAccessibleWidget
{
public:
    explicit AnnouncerAccessible(Announcer *announcer)
        : QAccessibleWidget(announcer, QAccessible::Notification)
    {
    }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name)
            return static_cast<Announcer *>(widget())->text();
        return QAccessibleWidget::text(t);
    }

    QAccessible::State state() const override
    {
        // Never painted, yet what it says is meant to be heard.
        QAccessible::State s = QAccessibleWidget::state();
        s.invisible = false;
        s.offscreen = false;
        s.focusable = false;
        return s;
    }
};

QAccessibleInterface *announcerFactory(const QString &key, QObject *object)
{
    if (key == QLatin1String("a11y::Announcer"))
        return new AnnouncerAccessible(static_cast<Announcer *>(object));
    return nullptr;
}

} // namespace

Announcer::Announcer(QWidget *parent) : QWidget(parent), m_timer(new QTimer(this))
{
    static const bool installed = [] {
        QAccessible::installFactory(announcerFactory);
        return true;
    }();
    Q_UNUSED(installed);
    setObjectName(QStringLiteral("announcer"));
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    // One pixel in the corner: a widget of no size is not shown at all.
    setGeometry(0, 0, 1, 1);
    m_timer->setSingleShot(true);
    m_timer->setInterval(0);
    connect(m_timer, &QTimer::timeout, this, &Announcer::flush);
}

void Announcer::announce(const QString &words)
{
    if (words.trimmed().isEmpty())
        return;
    m_queue.append(words);
    if (!m_timer->isActive())
        m_timer->start();
}

void Announcer::flush()
{
    if (m_queue.isEmpty())
        return;
    QString words;
    if (m_queue.size() > kMostAtOnce) {
        // "novità" is the same in the singular: the source needs no plural.
        words = tr("%n novità; l'ultima: %1", nullptr, int(m_queue.size())).arg(m_queue.last());
    } else {
        words = m_queue.join(QLatin1Char(' '));
    }
    m_queue.clear();
    m_text = words;
    ++m_count;
    if (QAccessible::isActive()) {
        // Hidden, renamed and shown again: a reader takes the showing of a
        // notification as the moment to speak it.
        QAccessibleEvent hide(this, QAccessible::ObjectHide);
        QAccessible::updateAccessibility(&hide);
        QAccessibleEvent name(this, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&name);
        QAccessibleEvent show(this, QAccessible::ObjectShow);
        QAccessible::updateAccessibility(&show);
    }
    emit announced(words);
}

} // namespace a11y
