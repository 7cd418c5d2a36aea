#pragma once

#include <QObject>

#include <array>

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
 * The presets measure the whole window, frame included; the window sets its
 * content, so the frame is counted as @p frameAllowance twips of height.
 */
class PresetBar : public QObject
{
    Q_OBJECT
public:
    PresetBar(QWidget *window, int frameAllowance);

    conversation::ToggleButton *Command23(int index) const { return m_buttons.at(index); }
    /// The element shown as selected, -1 for none.
    int highlighted() const { return m_highlighted; }

public slots:
    /// Element 0, 2 or 3 resizes and centres the window; 1 maximises it or
    /// sets a maximised window back to normal.
    void Command23_Click(int index);
    /// Highlights the element that matches the window's size and state.
    void Form_Resize();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void highlight(int element);

    QWidget *m_window;
    int m_frameAllowance;
    std::array<conversation::ToggleButton *, 4> m_buttons{};
    int m_highlighted = -1;
};

} // namespace panel
