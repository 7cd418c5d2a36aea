#pragma once

#include <QColor>
#include <QGuiApplication>
#include <QPushButton>

#include <optional>

namespace conversation
{

/**
 * @brief A picture button whose back colour tells its state.
 *
 * Switches that are on show the menu face colour, switches that are off the
 * 3-D highlight; the send button uses the same two colours for enabled
 * (highlight) and disabled (menu). Both colours come from the palette of the
 * widget the button stands on, as the board's tool buttons do, so every switch
 * of a window shows "on" alike; the state is readable for tests.
 */
class ToggleButton : public QPushButton
{
    Q_OBJECT
public:
    explicit ToggleButton(const QString &objectName, QWidget *parent = nullptr);

    /// Menu face (Window, a step darker so it stands apart from Light): the
    /// colour of a switch that is on.
    static QColor menuColour(const QPalette &palette = QGuiApplication::palette());
    /// 3-D highlight: the colour of a switch that is off.
    static QColor highlightColour(const QPalette &palette = QGuiApplication::palette());

    /// Whether the switch is on.
    bool isOn() const { return m_on; }
    /// Sets the state and the matching back colour.
    void setOn(bool on);
    /// Paints the back in the menu (true) or highlight (false) colour without
    /// touching the on state (the send button's enabled look).
    void setMenuBack(bool menu);
    /// The back colour the button shows now.
    QColor backColour() const;

    /// A small drawn picture, since the buttons carry no caption.
    enum class Picture { Clock, Colours, Send, Find, TopMost };
    /// Shows @p picture as the button's icon, with no caption.
    void setPicture(Picture picture);

protected:
    void changeEvent(QEvent *event) override;

private:
    /// Draws the picture in colours that stand out from the back.
    void drawPicture();

    bool m_on = false;
    bool m_menuBack = false;
    std::optional<Picture> m_picture;
};

} // namespace conversation
