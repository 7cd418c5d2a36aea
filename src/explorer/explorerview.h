#pragma once

#include <QWidget>

namespace explorer
{

class ExplorerEngine;

/**
 * @brief "picImmagine": shows the explorer's picture surface one pixel to
 * one pixel and hands presses and moves to the engine in twips. Without a
 * picture it shows nothing and takes no clicks.
 */
class ExplorerView : public QWidget
{
    Q_OBJECT
public:
    ExplorerView(ExplorerEngine *engine, QWidget *parent = nullptr);

    /// Follows the engine's picture: its size, and repaints of what changed.
    void bindPicture();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    ExplorerEngine *m_engine;
};

} // namespace explorer
