#pragma once

#include <QIcon>
#include <QSize>

namespace board
{

/// The pictures on the board's tool buttons, drawn in code so they need no
/// image files and stay sharp at any device pixel ratio.
enum class ToolIcon {
    Freehand, ///< a squiggle: drawing by hand
    Line,     ///< a diagonal stroke: straight lines
    Circle,   ///< an outline circle: circles
    Fill,     ///< a tipped bucket with a drop: filling an area
    Text,     ///< a serif "T": writing text
    Snap,     ///< a grid of dots with one marked: snapping to the grid
    Link,     ///< two chain links: joining one line to the next
    Clear,    ///< an eraser wiping a line: clearing the board
    Grid,     ///< a square ruled into cells: laying a grid
    Resize,   ///< a small frame and a larger one with an arrow: resizing
    Paste,    ///< a clipboard with a sheet: pasting a picture
    ZoomIn,   ///< a magnifier with "+": showing the board larger
    ZoomOut,  ///< a magnifier with "−": showing the board smaller
    ZoomFit,  ///< a frame with four corners pointing out: the whole board in view
    ZoomActual, ///< "1:1": the board at its own size
    Share,    ///< a picture with an arrow going out: sharing with the table
    Restore,  ///< an arrow turning back: bringing the cleared board back
    Lock,     ///< a padlock: something only the host may do
};

/// Edge of the square the pictures are drawn for, in device-independent pixels.
inline constexpr int kToolIconSize = 18;

/// The picture for @p kind, with pixmaps for 1x and 2x screens, drawn to
/// read on a button whose face is @p face (the design's dark ink when none
/// is given or the face is light).
QIcon toolIcon(ToolIcon kind, const QColor &face = QColor());

} // namespace board
