#include "panellayout.h"

#include <QtGlobal>

namespace panel
{

PanelLayout::PanelLayout()
{
    placePicture();
    layOut();
}

void PanelLayout::placePicture()
{
    m_picture =
        QRect(kBaseLeft - m_vscroll1, kTop, kBaseWidth + m_vscroll1, kBaseHeight + m_vscroll2);
}

int PanelLayout::hitTest(int x, int y) const
{
    int hit = 0;
    if (x > m_quadrants[NW].width() && x < m_quadrants[NE].left())
        hit |= VerticalBar;
    if (y > m_quadrants[NW].height() && y < m_quadrants[SW].top())
        hit |= HorizontalBar;
    return hit;
}

void PanelLayout::mouseDown(int x, int y)
{
    m_drag = hitTest(x, y);
    m_highlighted = -1;
}

int PanelLayout::mouseMove(int x, int y)
{
    const int hit = hitTest(x, y);
    if (m_drag == 0)
        return hit;
    const int height = ScaleHeight();
    const int width = ScaleWidth();
    // A panel narrower than both margins has no room to drag in.
    if (m_drag & HorizontalBar && height > 0) {
        const int clamped = qMax(kEdge, qMin(y, height - kEdge));
        m_verticalRatio = float(clamped) / float(height);
    }
    if (m_drag & VerticalBar && width > 0) {
        const int clamped = qMax(kEdge, qMin(x, width - kEdge));
        m_horizontalRatio = float(clamped) / float(width);
    }
    layOut();
    return hit;
}

void PanelLayout::mouseUp()
{
    m_drag = 0;
    layOut();
}

void PanelLayout::layOut()
{
    const int top = qRound(float(ScaleHeight() - kBar) * m_verticalRatio);
    const int left = qRound(float(ScaleWidth() - kBar) * m_horizontalRatio);
    const int bottom = ScaleHeight() - kBar - top;
    const int right = ScaleWidth() - kBar - left;
    m_quadrants[NW] = QRect(0, 0, left, top);
    m_quadrants[SW] = QRect(0, top + kBar, left, bottom);
    m_quadrants[NE] = QRect(left + kBar, 0, right, top);
    m_quadrants[SE] = QRect(left + kBar, top + kBar, right, bottom);
}

void PanelLayout::enlarge(int q)
{
    if (q < NW || q > SE)
        return;
    m_vscroll1 = 0;
    m_vscroll2 = 0;
    placePicture();
    const bool westWide = q == NW || q == SW;
    const bool northTall = q == NW || q == NE;
    const int leftWidth = westWide ? kLarge : kCollapsed;
    const int rightWidth = westWide ? kCollapsed : kLarge;
    const int topHeight = northTall ? kLargeHeight : kCollapsed;
    const int bottomHeight = northTall ? kCollapsed : kLargeHeight;
    const int rightLeft = leftWidth + kGap;
    const int bottomTop = topHeight + kGap;
    m_quadrants[NW] = QRect(0, 0, leftWidth, topHeight);
    m_quadrants[NE] = QRect(rightLeft, 0, rightWidth, topHeight);
    m_quadrants[SW] = QRect(0, bottomTop, leftWidth, bottomHeight);
    m_quadrants[SE] = QRect(rightLeft, bottomTop, rightWidth, bottomHeight);
    m_highlighted = q;
}

// The bars resize Picture1 and nothing else: the quadrant boxes keep their
// places, so an enlarged pane stays enlarged (the next splitter drag lays
// them out afresh over the new size). Only the height's bar turns the
// enlarge buttons off.
void PanelLayout::setVScroll1(int v)
{
    m_vscroll1 = qMax(0, v);
    placePicture();
}

void PanelLayout::setVScroll2(int v)
{
    m_vscroll2 = qMax(0, v);
    placePicture();
    m_highlighted = -1;
}

} // namespace panel
