#pragma once

#include "toolicons.h"

#include <QColor>
#include <QHash>
#include <QImage>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QUrl>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
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

class BoardImages;
class BoardSurface;
class BoardView;
class BoardZoom;
class TableShare;
class DrawingTools;
class Palette;
class Viewport;
class frmInsText;
class reticolobox;

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
    /// Shrinks the type of the visible-area frame's title and of the corner
    /// button's caption until they fit their controls as placed now.
    void fitCaptions();
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
    /// How large the board is shown; the zoom buttons and keys act on it.
    BoardZoom *zoom() const { return m_zoom; }
    /// What the session's dispatcher draws received messages through.
    session::BoardSink *boardSink() const;
    fill::Bruvela *Bruvela1() const { return m_bruvela; }

    QWidget *picCont() const { return m_picCont; }
    BoardView *picDraw() const { return m_picDraw; }
    QScrollBar *hsbImm() const { return m_hsb; }
    QScrollBar *vsbImm() const { return m_vsb; }
    QPushButton *Command2() const { return m_command2; }
    /// The zoom's buttons: "cmdZoomOut", "cmdZoomIn", "cmdZoomFit" and
    /// "cmdZoom100", which brings back 100 % and tells the zoom in force.
    QToolButton *zoomButton(const QString &name) const { return m_zoomButtons.value(name); }
    /// The tool tip of "cmdZoom100" at @p factor.
    static QString zoom100Tip(double factor);
    QToolButton *toolButton(const QString &name) const { return m_buttons.value(name); }
    QListWidget *List1() const { return m_list; }
    QScrollBar *pennello() const { return m_pennello; }

    /// The question "Pulisci" asks before clearing for everyone, and the one
    /// it asks when no session is open.
    static constexpr const char *kAskClearAll = QT_TR_NOOP("Pulire la lavagna per tutti?");
    static constexpr const char *kAskClear = QT_TR_NOOP("Pulire la lavagna?");
    /// Host only: "Ripristina lavagna" and the switch that lets only the
    /// host clear; hidden unless hosting.
    QToolButton *cmdRestoreBoard() const { return m_restore; }
    QToolButton *cmdClearHostOnly() const { return m_hostOnly; }

    /// Colours of a tool button that is on (Window, a step darker) and of one
    /// that is off (Light); the same rule as conversation::ToggleButton.
    static QColor highlightOnColour(const QPalette &palette);
    static QColor highlightOffColour(const QPalette &palette);

    /// Lays the viewport out for the container's current size and refreshes
    /// the read-out. Runs on show, on resize and whenever the window is activated.
    void FlexInit();

    // --- grid ------------------------------------------------------------------
    /// The grid dialog; it exists from the start, hidden while not in use.
    reticolobox *gridDialog() const { return m_reticolobox; }
    /// The grid dialog's general step in twips, as text ("120" at start).
    QString PASSIGEN() const;
    /// Takes the snap step from the grid dialog now (the window's start).
    void takeGridStep();
    QToolButton *reticolo() const { return m_reticolo; }

    // --- text ------------------------------------------------------------------
    /// The text dialog while it is loaded (open, or hidden after "OK").
    frmInsText *textDialog() const;

    // --- pictures ----------------------------------------------------------------
    BoardImages *images() const { return m_images; }
    /// Pictures and grids shared with the table: what the session shows
    /// through, and what the share button and the offers send.
    TableShare *tableShare() const { return m_share; }
    /// "Condividi con il tavolo", beside the picture buttons.
    QToolButton *cmdSharePicture() const { return m_sharePicture; }
    /// The offer made after a picture is dropped, pasted or loaded during a session.
    static constexpr const char *kOfferShare = QT_TR_NOOP("Condividere l'immagine con il tavolo?");
    /// Whether the board shows a background picture of its own.
    bool hasPicture() const;
    /// The board's background picture (null when it has none).
    QImage picture() const;
    /**
     * @brief Loads a picture file onto the board as a drop does: the board's
     * picture, "picHidden", `dibImage` and the size boxes. When it cannot be
     * read as a picture the answer is false and, if @p reportFailure, the
     * message "Immagine non valida." is shown.
     */
    bool loadPictureFile(const QString &path, bool reportFailure = true);
    /// Copies the whole board onto the clipboard as a bitmap.
    bool CopyEntirePicture() const;
    QLineEdit *txtWidth() const { return m_txtWidth; }
    QLineEdit *txtHeight() const { return m_txtHeight; }
    QToolButton *cmdRidim() const { return m_cmdRidim; }
    QToolButton *IncollaClipboard() const { return m_incolla; }
    QLabel *picHidden() const { return m_picHidden; }

public slots:
    /// "Pulisci": asks, then clears the board for everyone.
    void cmdClearDraw_Click();
    /// "Condividi con il tavolo": shares the board's picture.
    void cmdSharePicture_Click();
    /// "Crea reticolo": opens the grid dialog, window-modal.
    void reticolo_Click();
    /// "Ridimensiona/Copia appunti".
    void cmdRidim_Click();
    /// "Incolla appunti".
    void IncollaClipboard_Click();
    /// Opens the text dialog for a text anchored at @p anchor.
    void openTextDialog(const QPoint &anchor);
    /// Files dropped on the board: the first one is loaded as a picture.
    void picDraw_Drop(const QList<QUrl> &urls);

signals:
    /// The corner button was clicked: the image explorer should open.
    void imageExplorerRequested();
    /// A dialog of the board is about to open: a window kept on top must
    /// step back first, or it would hide it.
    void secondaryWindowOpening();
    /// The text dialog was opened (tests drive it from here).
    void textDialogOpened(board::frmInsText *dialog);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls(QWidget *parent);
    void bindViewport();
    void bindTools();
    void syncFromTools();
    void applyHighlight(const QString &name, bool on);
    /// Shows @p icon on @p button, drawn to read on the button's face.
    void setToolIcon(QToolButton *button, ToolIcon icon);
    void applyBars();
    void buildPictureControls(QWidget *parent, int right);
    void buildZoomControls(QWidget *parent, int right);
    void bindZoom();
    void buildHostControls(QWidget *parent, int right);
    /// After a picture came onto the board: in a session, offers to share it.
    void offerToShare();
    /// Shares the board's picture, fitted to the board when @p fit.
    void sharePicture(bool fit);
    void bindSizeBox(QLineEdit *box);
    void showMessage(const QString &text) const;

    QWidget *m_window;
    session::ChatSession *m_session;
    Palette *m_palette;
    BoardSurface *m_surface;
    fill::Bruvela *m_bruvela;
    DrawingTools *m_tools;
    Viewport *m_viewport;
    BoardZoom *m_zoom;

    QWidget *m_picCont = nullptr;
    BoardView *m_picDraw = nullptr;
    QScrollBar *m_hsb = nullptr;
    QScrollBar *m_vsb = nullptr;
    QPushButton *m_command2 = nullptr;
    QGroupBox *m_zFrame4 = nullptr;
    QLabel *m_visLabels[4] = {};
    QToolButton *m_clear = nullptr;
    QToolButton *m_restore = nullptr;
    QToolButton *m_hostOnly = nullptr;
    QToolButton *m_sharePicture = nullptr;
    TableShare *m_share = nullptr;
    QHash<QString, QToolButton *> m_buttons;
    /// The picture of every button that shows one, drawn anew when its face changes.
    QHash<QToolButton *, ToolIcon> m_icons;
    QHash<QString, QToolButton *> m_zoomButtons;
    QListWidget *m_list = nullptr;
    QCheckBox *m_riempi = nullptr;
    QCheckBox *m_testoinBox = nullptr;
    QCheckBox *m_lineaRetta = nullptr;
    QCheckBox *m_MLine = nullptr;
    QCheckBox *m_Snap2Grid = nullptr;
    QScrollBar *m_pennello = nullptr;
    QLabel *m_caption = nullptr;
    bool m_syncing = false;

    BoardImages *m_images = nullptr;
    reticolobox *m_reticolobox = nullptr;
    QPointer<frmInsText> m_insText;
    QToolButton *m_reticolo = nullptr;
    QLineEdit *m_txtWidth = nullptr;
    QLineEdit *m_txtHeight = nullptr;
    QToolButton *m_cmdRidim = nullptr;
    QToolButton *m_incolla = nullptr;
    QLabel *m_picHidden = nullptr;
};

} // namespace board
