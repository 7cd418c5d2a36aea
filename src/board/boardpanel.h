#pragma once

#include <QColor>
#include <QHash>
#include <QObject>

class QCheckBox;
class QGroupBox;
class QLabel;
class QListWidget;
class QPalette;
class QPushButton;
class QScrollBar;
class QToolButton;
class QWidget;

namespace fill
{
class Bruvela;
}
namespace session
{
class BoardSink;
class ChatSession;
} // namespace session

namespace board
{

class BoardSurface;
class BoardView;
class DrawingTools;
class Palette;
class Viewport;

/**
 * @brief Creates the whiteboard's controls on a window and binds them to the
 * board engine: the container "picCont" with the surface "picDraw", its
 * scroll bars and corner button, the visible-area read-out, "Pulisci", the
 * tool buttons, the style list, the hidden tool check boxes and the pen
 * width bar. The palette widgets are not made here; the panel only reads the
 * colour from the palette it is given.
 *
 * Every control is a child of the parent widget (or of "picCont") with its
 * objectName set, so the window can move them where it wants them.
 */
class BoardPanel : public QObject
{
    Q_OBJECT
public:
    /**
     * @param parent the window the controls are placed on
     * @param palette where the drawing colour is read; required
     * @param session where drawings are sent and message boxes shown; may be null
     * @param bruvela the fill control to use; when null the panel makes its
     *        own, a child of @p parent named "Bruvela1"
     */
    BoardPanel(QWidget *parent, Palette *palette, session::ChatSession *session = nullptr,
               fill::Bruvela *bruvela = nullptr);

    BoardSurface *surface() const { return m_surface; }
    DrawingTools *tools() const { return m_tools; }
    Viewport *viewport() const { return m_viewport; }
    /// What the session's dispatcher draws received messages through.
    session::BoardSink *boardSink() const;
    fill::Bruvela *Bruvela1() const { return m_bruvela; }

    QWidget *picCont() const { return m_picCont; }
    BoardView *picDraw() const { return m_picDraw; }
    QScrollBar *hsbImm() const { return m_hsb; }
    QScrollBar *vsbImm() const { return m_vsb; }
    QPushButton *Command2() const { return m_command2; }
    QToolButton *toolButton(const QString &name) const { return m_buttons.value(name); }
    QListWidget *List1() const { return m_list; }
    QScrollBar *pennello() const { return m_pennello; }

    /// Colours of a tool button that is on (Window, a step darker) and of one
    /// that is off (Light); the same rule as conversation::ToggleButton.
    static QColor highlightOnColour(const QPalette &palette);
    static QColor highlightOffColour(const QPalette &palette);

    /// Lays the viewport out for the container's current size and refreshes
    /// the read-out. Runs on show, on resize and whenever the window is activated.
    void FlexInit();

signals:
    /// The corner button was clicked: the image explorer should open.
    void imageExplorerRequested();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls(QWidget *parent);
    void bindViewport();
    void bindTools();
    void syncFromTools();
    void applyHighlight(const QString &name, bool on);
    void applyBars();

    QWidget *m_window;
    Palette *m_palette;
    BoardSurface *m_surface;
    fill::Bruvela *m_bruvela;
    DrawingTools *m_tools;
    Viewport *m_viewport;

    QWidget *m_picCont = nullptr;
    BoardView *m_picDraw = nullptr;
    QScrollBar *m_hsb = nullptr;
    QScrollBar *m_vsb = nullptr;
    QPushButton *m_command2 = nullptr;
    QGroupBox *m_zFrame4 = nullptr;
    QLabel *m_visLabels[4] = {};
    QToolButton *m_clear = nullptr;
    QHash<QString, QToolButton *> m_buttons;
    QListWidget *m_list = nullptr;
    QCheckBox *m_riempi = nullptr;
    QCheckBox *m_testoinBox = nullptr;
    QCheckBox *m_lineaRetta = nullptr;
    QCheckBox *m_MLine = nullptr;
    QCheckBox *m_Snap2Grid = nullptr;
    QScrollBar *m_pennello = nullptr;
    QLabel *m_caption = nullptr;
    bool m_syncing = false;
};

} // namespace board
