#include "eventspanel.h"

#include "chatsession.h"
#include "fontscale.h"
#include "trafficlog.h"

#include <QCheckBox>
#include <QEvent>
#include <QTimer>
#include <QLabel>
#include <QListView>
#include <QScreen>
#include <QWidget>

namespace conversation
{

namespace
{
constexpr int px(int twips)
{
    return twips / 15;
}
constexpr int kLeft = 8;

// The newest entry is the first one visible.
void showAtTop(QListView *view, int row)
{
    view->scrollTo(view->model()->index(row, 0), QAbstractItemView::PositionAtTop);
}
} // namespace

EventsPanel::EventsPanel(session::ChatSession *chat, QWidget *parent)
    : QObject(parent), m_parent(parent), m_chkTutorial(new QCheckBox(tr("Eventi"), parent)),
      m_lblSent(new QLabel(tr("Messaggi inviati:"), parent)),
      m_lblRecv(new QLabel(tr("Messaggi ricevuti:"), parent))
{
    setObjectName(QStringLiteral("EventsPanel"));
    m_chkTutorial->setObjectName(QStringLiteral("chkTutorial"));
    m_chkTutorial->setGeometry(kLeft, px(5700), px(1000), px(255));
    m_chkTutorial->hide();
    connect(m_chkTutorial, &QCheckBox::clicked, this, &EventsPanel::chkTutorial_Click);

    m_lblSent->setObjectName(QStringLiteral("lblSent"));
    m_lblSent->setGeometry(kLeft, px(6000), px(3000), px(240));
    m_lblRecv->setObjectName(QStringLiteral("lblRecv"));
    m_lblRecv->setGeometry(kLeft, px(7080), px(3000), px(240));

    m_lstSent = makeLog(QStringLiteral("lstSent"), chat ? chat->sentLog() : nullptr, px(6240));
    m_lstReceived =
        makeLog(QStringLiteral("lstReceived"), chat ? chat->receivedLog() : nullptr, px(7320));

    for (QWidget *w : {static_cast<QWidget *>(m_lblSent), static_cast<QWidget *>(m_lstSent),
                       static_cast<QWidget *>(m_lblRecv), static_cast<QWidget *>(m_lstReceived)})
        w->hide();
    // Where the views are on the screen changes with the window's size and
    // with the views' own place, not only with the box.
    m_parent->installEventFilter(this);
    m_lstSent->installEventFilter(this);
    m_lstReceived->installEventFilter(this);
    followScreen();
}

bool EventsPanel::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::Show:
    case QEvent::Hide:
    case QEvent::Resize:
    case QEvent::Move:
        // Looked at once the window has settled, not in the middle of it.
        if (!m_followPending) {
            m_followPending = true;
            QTimer::singleShot(0, this, [this] {
                m_followPending = false;
                followScreen();
            });
        }
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

void EventsPanel::followScreen()
{
    // A list view lays its whole list out again for every batch of rows it
    // hears of, even when nobody can see it: with "Eventi" off, or with the
    // logs below the bottom of a window too short to show them. Such a log
    // keeps its entries and tells its view nothing until the view is seen.
    for (QListView *view : {m_lstSent, m_lstReceived}) {
        auto *log = qobject_cast<session::TrafficLog *>(view->model());
        if (!log)
            continue;
        const bool seen = view->isVisible() && !view->visibleRegion().isEmpty();
        if (seen == log->viewsShown())
            continue;
        log->setViewsShown(seen);
        if (seen && log->rowCount() > 0)
            showAtTop(view, log->rowCount() - 1);
    }
}

QListView *EventsPanel::makeLog(const QString &name, session::TrafficLog *log, int top)
{
    auto *view = new QListView(m_parent);
    view->setObjectName(name);
    view->setUniformItemSizes(true);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setGeometry(kLeft, top, px(7335), px(840));
    if (log) {
        view->setModel(log);
        // The log announces new entries in batches, with the newest row, so
        // a burst (a freehand stroke) costs a scroll per batch, not per entry.
        connect(log, &session::TrafficLog::entryAppended, view,
                [view](int row) { showAtTop(view, row); });
    }
    return view;
}

void EventsPanel::scrollLogs()
{
    for (QListView *view : {m_lstSent, m_lstReceived}) {
        QAbstractItemModel *model = view->model();
        if (model && model->rowCount() > 0)
            showAtTop(view, model->rowCount() - 1);
    }
}

void EventsPanel::chkTutorial_Click()
{
    QWidget *win = m_parent->window();
    const bool checked = m_chkTutorial->isChecked();
    const bool maximized = win->isMaximized();

    // A larger desktop font makes the whole window larger.
    const double scale = a11y::FontScale::factor(win);
    const int tall = a11y::FontScale::scaled(kTallHeight, scale);
    QSize size = win->size();
    if (m_chkTutorial->isVisible() && !maximized && checked) {
        size.setHeight(qMax(size.height(), tall));
        size.setWidth(qMax(size.width(), a11y::FontScale::scaled(kMinWidth, scale)));
    } else if (!maximized && size.height() == tall) {
        size.setHeight(a11y::FontScale::scaled(kShortHeight, scale));
    }
    if (!maximized) {
        win->resize(size);
        if (QScreen *screen = win->screen()) {
            const QRect area = screen->geometry();
            win->move(area.left() + (area.width() - win->width()) / 2,
                      area.top() + (area.height() - win->height()) / 2);
        }
    }

    // Shown whenever ticked, even while the box itself is hidden: a first
    // start ticks it, and the logs are there for a window tall enough.
    const bool shown = checked;
    for (QWidget *w : {static_cast<QWidget *>(m_lblSent), static_cast<QWidget *>(m_lstSent),
                       static_cast<QWidget *>(m_lblRecv), static_cast<QWidget *>(m_lstReceived)})
        w->setVisible(shown);
    followScreen();
    if (shown)
        scrollLogs();
    emit logsShownChanged(shown);
}

} // namespace conversation
