#pragma once

#include <QObject>
#include <QSize>

#include <array>
#include <functional>
#include <initializer_list>

class QToolButton;

namespace conversation
{
class ToggleButton;
}

namespace panel
{

/**
 * @brief The four preset size buttons of the main window, Command23(0..3)
 * (objectNames "Command23_0" ... "Command23_3"), and the highlight of the
 * preset that the window's size matches, which follows resizing by hand.
 *
 * The presets measure the whole window, frame included, as the window
 * manager reports the frame once the window is on screen; until then, or
 * where no frame is reported, the frame is counted as @p frameAllowance
 * twips of height. The highlight compares the same whole size, so a window
 * resized by hand to a preset's size shows that preset.
 *
 * Where the window is too narrow to show the four buttons (the narrow
 * preset), cmdPresets, a button with the four presets in its menu, is the
 * way back; the main window places it and shows it only then.
 */
class PresetBar : public QObject
{
    Q_OBJECT
public:
    PresetBar(QWidget *window, int frameAllowance);

    conversation::ToggleButton *Command23(int index) const { return m_buttons.at(index); }
    /// The element shown as selected, -1 for none.
    int highlighted() const { return m_highlighted; }
    /// cmdPresets: the four presets in a menu.
    QToolButton *menuButton() const { return m_menuButton; }
    /// What the window's frame adds to its size, in pixels.
    QSize frameSize() const;
    /// Where the frame's size comes from (tests stand in for a window manager).
    void setFrameSource(std::function<QSize()> source);

    /**
     * @brief Gives the window the size of element 0, 2 or 3 without moving
     * it (the window's first size, or one remembered). Until the window is
     * resized otherwise, the size follows the frame the window manager
     * reports once the window is on screen.
     */
    void applySize(int element);
    /// Centres the whole window, frame included, on its screen.
    void centre();

signals:
    /// The preset's size was applied again to take in a frame the window
    /// manager reported late; a window centred before is no longer.
    void frameFollowed();

public slots:
    /// Element 0, 2 or 3 resizes and centres the window; 1 maximises it or
    /// sets a maximised window back to normal.
    void Command23_Click(int index);
    /// Highlights the element that matches the window's size and state.
    void Form_Resize();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    /// Twips of the presets as pixels at the window's font, and back; a
    /// size of @p exact comes back as itself.
    int pixels(int twips) const;
    int twips(int pixels, std::initializer_list<int> exact) const;
    void highlight(int element);
    /// A frame reported late (after the preset was applied) is taken in.
    void followFrame();

    QWidget *m_window;
    int m_frameAllowance;
    std::function<QSize()> m_frameSource;
    std::array<conversation::ToggleButton *, 4> m_buttons{};
    QToolButton *m_menuButton;
    int m_highlighted = -1;
    /// The preset last applied while the window keeps its size, else -1.
    int m_wanted = -1;
    QSize m_appliedSize;  ///< the content size it gave
    QSize m_appliedFrame; ///< the frame it counted
    bool m_following = false;
};

} // namespace panel
