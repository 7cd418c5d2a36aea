#pragma once

class QWidget;

namespace panel
{

/**
 * @brief The window-on-top operation: keeps @p window above other windows
 * (@p onTop true) or lets it be covered again, leaving its position, size,
 * visibility and children as they are.
 */
void setWindowOnTop(QWidget *window, bool onTop);

} // namespace panel
