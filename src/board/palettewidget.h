#pragma once

#include <QObject>
#include <QPoint>

#include <array>

class QComboBox;
class QFrame;
class QWidget;

namespace board {

class Palette;

/**
 * @brief Puts the palette's controls on a window and keeps them in step
 * with the Palette: the 26 swatches "picSelColor(0)".."picSelColor(25)" and
 * the colour name list "Combo1".
 *
 * Swatches 0-15 form a grid of two rows; 16-25 all lie at one spot inside a
 * container of their own ("picSelColorExtra"), so the name list is the way
 * to reach them. A click on a swatch selects it; choosing a name selects the
 * swatch of that name. The bordered swatch is a box frame (BorderStyle 1)
 * drawn as a thick dark line with a white ring inside, so it shows on any
 * colour.
 */
class PaletteWidget : public QObject
{
    Q_OBJECT
public:
    static constexpr int kColumns = 8;

    /// Creates the controls as children of @p parent with the grid's
    /// top-left corner at @p origin (pixels of the parent).
    PaletteWidget(Palette *palette, QWidget *parent, QPoint origin = {});

    /// Moves the swatches so the grid's top-left corner is at @p origin
    /// (the name list is placed by the window's layout).
    void setOrigin(QPoint origin);

    QFrame *picSelColor(int index) const;
    QComboBox *Combo1() const { return m_combo; }
    QWidget *extraContainer() const { return m_extra; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void showBorders();

    Palette *m_palette;
    std::array<QFrame *, 26> m_swatches{};
    QWidget *m_extra = nullptr;
    QComboBox *m_combo = nullptr;
};

} // namespace board
