#pragma once

#include <QList>
#include <QRect>

class QWidget;

namespace a11y
{

/**
 * @brief Puts the Tab key's way through a window in the order a reader takes
 * it in: column by column, and in each column row by row from the top, left
 * to right within a row.
 *
 * The order is worked out from where the controls are, so a control added
 * anywhere takes its place in the chain without being listed. A window of
 * several columns gives the x at which each column after the first begins.
 */
class ReadingOrder
{
public:
    /// A control the mouse uses whose work the keyboard does through
    /// another one (the colour swatches through the colour list, the
    /// board's scroll bars through the board's arrow keys) names that one's
    /// objectName in this property, rather than being a stop of its own.
    static constexpr const char *kKeyboardVia = "a11yKeyboardVia";

    /// The indexes of @p rects in reading order, with columns starting at
    /// the x positions of @p columnStarts (ascending).
    static QList<int> sort(const QList<QRect> &rects, const QList<int> &columnStarts = {});

    /// The controls of @p window that the Tab key stops at, in reading
    /// order; hidden ones included (Tab passes over them while hidden).
    static QList<QWidget *> chain(QWidget *window, const QList<int> &columnStarts = {});

    /// Sets the Tab key's order of @p window to chain().
    static void apply(QWidget *window, const QList<int> &columnStarts = {});

    /// Sets it each time @p window is shown, when its layout has placed
    /// every control (a window laid out by a layout has no places before).
    static void keep(QWidget *window, const QList<int> &columnStarts = {});
};

} // namespace a11y
