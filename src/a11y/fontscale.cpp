#include "fontscale.h"

#include <QFontMetricsF>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace a11y
{

double FontScale::factor(const QFont &font)
{
    const QFontMetricsF metrics(font);
    const double high = metrics.height() / kLaidOutHeight;
    const double wide = metrics.horizontalAdvance(QLatin1String(kSample)) / kLaidOutWidth;
    return std::max({1.0, high, wide});
}

double FontScale::factor(const QWidget *widget)
{
    return factor(widget->font());
}

int FontScale::scaled(int pixels, double factor)
{
    return int(std::lround(pixels * factor));
}

QRect FontScale::scaled(const QRect &rect, double factor)
{
    const int left = scaled(rect.left(), factor);
    const int top = scaled(rect.top(), factor);
    return QRect(left, top, scaled(rect.left() + rect.width(), factor) - left,
                 scaled(rect.top() + rect.height(), factor) - top);
}

void FontScale::fit(QWidget *window)
{
    const double f = factor(window);
    if (f <= 1.0)
        return;
    for (QWidget *child : window->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
        if (child->isWindow())
            continue;
        const QRect r = scaled(child->geometry(), f);
        child->setGeometry(child->property(kKeepSize).toBool() ? QRect(r.topLeft(), child->size()) : r);
    }
    const QSize fixed = window->minimumSize();
    if (fixed == window->maximumSize())
        window->setFixedSize(scaled(QRect(QPoint(), fixed), f).size());
    else
        window->resize(scaled(QRect(QPoint(), window->size()), f).size());
}

} // namespace a11y
