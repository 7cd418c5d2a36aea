#include "eventspanel.h"

#include "chatsession.h"
#include "trafficlog.h"

#include <QCheckBox>
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
    : QObject(parent), m_parent(parent),
      m_chkTutorial(new QCheckBox(QStringLiteral("Eventi"), parent)),
      m_lblSent(new QLabel(QStringLiteral("Messaggi inviati:"), parent)),
      m_lblRecv(new QLabel(QStringLiteral("Messaggi ricevuti:"), parent))
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
    showLogs(false);
}

void EventsPanel::showLogs(bool shown)
{
    // A hidden list view still lays its whole list out again for every
    // batch of rows it hears of; while the panel is hidden the logs keep
    // their entries and tell the views nothing.
    for (QListView *view : {m_lstSent, m_lstReceived}) {
        if (auto *log = qobject_cast<session::TrafficLog *>(view->model()))
            log->setViewsShown(shown);
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

    QSize size = win->size();
    if (m_chkTutorial->isVisible() && !maximized && checked) {
        size.setHeight(qMax(size.height(), kTallHeight));
        size.setWidth(qMax(size.width(), kMinWidth));
    } else if (!maximized && size.height() == kTallHeight) {
        size.setHeight(kShortHeight);
    }
    if (!maximized) {
        win->resize(size);
        if (QScreen *screen = win->screen()) {
            const QRect area = screen->geometry();
            win->move(area.left() + (area.width() - win->width()) / 2,
                      area.top() + (area.height() - win->height()) / 2);
        }
    }

    for (QWidget *w : {static_cast<QWidget *>(m_lblSent), static_cast<QWidget *>(m_lstSent),
                       static_cast<QWidget *>(m_lblRecv), static_cast<QWidget *>(m_lstReceived)})
        w->setVisible(checked);
    showLogs(checked);
    if (checked)
        scrollLogs();
}

} // namespace conversation
