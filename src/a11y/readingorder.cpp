#include "readingorder.h"

#include <QEvent>
#include <QLayout>
#include <QWidget>

#include <algorithm>

namespace a11y
{

QList<int> ReadingOrder::sort(const QList<QRect> &rects, const QList<int> &columnStarts)
{
    struct Item {
        int index;
        int column;
        QRect rect;
    };
    QList<Item> items;
    items.reserve(rects.size());
    for (int i = 0; i < rects.size(); ++i) {
        const QRect &r = rects[i];
        const int column = int(std::count_if(columnStarts.begin(), columnStarts.end(),
                                             [&r](int x) { return r.left() >= x; }));
        items.append({i, column, r});
    }
    std::stable_sort(items.begin(), items.end(), [](const Item &a, const Item &b) {
        if (a.column != b.column)
            return a.column < b.column;
        return a.rect.top() < b.rect.top();
    });

    // Rows: a control whose top lies in the upper half of the row's first
    // control belongs to its row (buttons a few pixels lower than a label
    // beside them still read as one line).
    QList<int> order;
    order.reserve(items.size());
    for (int i = 0; i < items.size();) {
        const QRect first = items[i].rect;
        const int rowEnd = first.top() + qMax(1, first.height() / 2);
        int j = i + 1;
        while (j < items.size() && items[j].column == items[i].column && items[j].rect.top() < rowEnd)
            ++j;
        QList<Item> row = items.mid(i, j - i);
        std::stable_sort(row.begin(), row.end(),
                         [](const Item &a, const Item &b) { return a.rect.left() < b.rect.left(); });
        for (const Item &item : row)
            order.append(item.index);
        i = j;
    }
    return order;
}

QList<QWidget *> ReadingOrder::chain(QWidget *window, const QList<int> &columnStarts)
{
    QList<QWidget *> stops;
    QList<QRect> rects;
    const auto children = window->findChildren<QWidget *>();
    for (QWidget *w : children) {
        if (w->window() != window || !(w->focusPolicy() & Qt::TabFocus) || w->focusProxy())
            continue;
        stops.append(w);
        rects.append(QRect(w->mapTo(window, QPoint(0, 0)), w->size()));
    }
    QList<QWidget *> ordered;
    ordered.reserve(stops.size());
    for (int i : sort(rects, columnStarts))
        ordered.append(stops[i]);
    return ordered;
}

void ReadingOrder::apply(QWidget *window, const QList<int> &columnStarts)
{
    const QList<QWidget *> ordered = chain(window, columnStarts);
    if (ordered.isEmpty())
        return;
    // The chain is a ring through the window itself, and Qt leaves two
    // controls as they are when only controls without focus (the window)
    // lie between them. For a moment the window takes the focus too, so it
    // is put right before the first control (where the first Tab in a new
    // window starts) and every control after its own predecessor.
    const Qt::FocusPolicy policy = window->focusPolicy();
    window->setFocusPolicy(Qt::TabFocus);
    QWidget::setTabOrder(window, ordered.first());
    for (int i = 1; i < ordered.size(); ++i)
        QWidget::setTabOrder(ordered[i - 1], ordered[i]);
    window->setFocusPolicy(policy);
}

namespace
{

class OrderKeeper : public QObject
{
public:
    OrderKeeper(QWidget *window, const QList<int> &columns) : QObject(window), m_columns(columns)
    {
        setObjectName(QStringLiteral("a11yOrderKeeper"));
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show) {
            auto *window = static_cast<QWidget *>(watched);
            if (window->layout())
                window->layout()->activate();
            ReadingOrder::apply(window, m_columns);
        }
        return false;
    }

private:
    QList<int> m_columns;
};

} // namespace

void ReadingOrder::keep(QWidget *window, const QList<int> &columnStarts)
{
    window->installEventFilter(new OrderKeeper(window, columnStarts));
    if (window->layout())
        window->layout()->activate();
    apply(window, columnStarts);
}

} // namespace a11y
