#pragma once

#include <QRect>

#include <array>

namespace panel
{

/**
 * @brief The program panel's geometry in twips: where Picture1 lies in the
 * main window, where its four quadrant boxes lie inside it, the cross-shaped
 * splitter between them and the four enlarge buttons.
 *
 * No widget is involved, so the arithmetic is tested without a screen; the
 * panel's widgets copy the rectangles after every operation.
 */
class PanelLayout
{
public:
    /// Quadrants in slot order: slot 1 north-west, 2 north-east, 3 south-west, 4 south-east.
    enum Quadrant { NW = 0, NE = 1, SW = 2, SE = 3 };
    /// Drag and hit-test bits: the bar between the columns, the bar between the rows.
    enum Bar { VerticalBar = 1, HorizontalBar = 2 };

    static constexpr int kBaseLeft = 7570;
    static constexpr int kBaseWidth = 4150;
    static constexpr int kBaseHeight = 5550;
    /// Picture1 sits below the row of path boxes and buttons.
    static constexpr int kTop = 360;
    static constexpr int kBar = 50;
    /// The splitter keeps this far from the panel's edges.
    static constexpr int kEdge = 20;
    static constexpr int kLarge = 4025;
    static constexpr int kLargeHeight = 5420;
    static constexpr int kCollapsed = 20;
    static constexpr int kGap = 50;

    PanelLayout();

    /// Picture1 in the main window.
    QRect picture() const { return m_picture; }
    /// A quadrant box inside Picture1.
    QRect quadrant(int q) const { return m_quadrants.at(q); }
    /// Picture1's inner size (it has no border, so its whole size).
    int ScaleWidth() const { return m_picture.width(); }
    int ScaleHeight() const { return m_picture.height(); }

    float verticalRatio() const { return m_verticalRatio; }
    float horizontalRatio() const { return m_horizontalRatio; }
    int dragFlag() const { return m_drag; }
    /// The enlarge button shown as on (0 for Command8 ... 3 for Command11), -1 for none.
    int highlighted() const { return m_highlighted; }
    int VScroll1() const { return m_vscroll1; }
    int VScroll2() const { return m_vscroll2; }

    /// The bars at (x, y) in Picture1: VerticalBar, HorizontalBar, both or 0.
    int hitTest(int x, int y) const;

    /// A button went down on Picture1: the bars there become the drag flag.
    void mouseDown(int x, int y);
    /// The pointer moved; while dragging the bars follow it. Returns the hit
    /// test at (x, y), for the pointer's shape.
    int mouseMove(int x, int y);
    void mouseUp();

    /// Lays the quadrants out from the two ratios.
    void layOut();
    /// Enlarges quadrant @p q (Command8 ... Command11): both scroll bars go
    /// back to 0 and the boxes take the fixed sizes of the enlarge table.
    void enlarge(int q);
    /// VScroll1 moved: Picture1 widens to the left by @p v; the quadrants
    /// and the enlarge buttons stay as they are.
    void setVScroll1(int v);
    /// VScroll2 moved: Picture1 grows down by @p v and every enlarge button
    /// turns off; the quadrants stay as they are.
    void setVScroll2(int v);

private:
    void placePicture();

    QRect m_picture;
    std::array<QRect, 4> m_quadrants;
    float m_verticalRatio = 0.5f;
    float m_horizontalRatio = 0.5f;
    int m_drag = 0;
    int m_highlighted = -1;
    int m_vscroll1 = 0;
    int m_vscroll2 = 0;
};

} // namespace panel
