#pragma once

#include <QImage>
#include <QWidget>

class QAction;
class QCheckBox;
class QLabel;
class QMenu;
class QMenuBar;
class QPushButton;
class QScrollBar;

namespace board
{
class BoardPanel;
}
namespace session
{
class MessageService;
}

namespace explorer
{

class ExplorerEngine;
class ExplorerView;

/**
 * @brief The image explorer window ("Esplora immagine"): the board's picture
 * at full size in a scrollable area, with straight and connected lines drawn
 * over it, snapped to a grid of dots on request, and copied onto the board.
 *
 * When the board has a picture of its own, "picImmagine" holds it and can be
 * drawn on. Otherwise the whole board is copied to the clipboard and
 * "picImmagine2" shows that copy, and nothing can be drawn.
 *
 * The window is application-modal; the opener shows it with show().
 */
class Form2 : public QWidget
{
    Q_OBJECT
public:
    /// Space between the window's edges and the picture area, in pixels.
    static constexpr int kMargin = 8;

    /**
     * @param board the main window's board: its picture, its grid step and
     *        its surface, drawn on with every finished line; required
     * @param messages where "Selezionare un colore prima..." is shown; may be null
     */
    Form2(board::BoardPanel *board, session::MessageService *messages, QWidget *parent = nullptr);
    ~Form2() override;

    ExplorerEngine *engine() const { return m_engine; }
    void setMessageService(session::MessageService *service);
    /// Whether the board's own picture is explored (false: only its copy is shown).
    bool drawable() const;

    QMenuBar *menuBar;
    QMenu *mnuOpzioni;
    QAction *mnuOpzioniLineeRette;
    QAction *mnuOpzioniLineeCollegate;
    QAction *mnuOpzioniCreaReticolo;
    QAction *mnuOpzioniApprossima;
    QAction *mnuOpzioniPulisci;
    QAction *mnuOpzioniEsci;

    QWidget *picContenitore;
    ExplorerView *picImmagine;
    QLabel *picImmagine2;
    QScrollBar *hscOrizzontale;
    QScrollBar *vscVerticale;
    QScrollBar *hscOrizzontale2;
    QScrollBar *vscVerticale2;
    QCheckBox *Snap2Grid;
    QCheckBox *MLine;
    // The button array Command1: index 0 "Pulisci", index 1 "Esci".
    QPushButton *Command1_0;
    QPushButton *Command1_1;

public slots:
    /// The button array: 0 clears the drawing and lays the grid again, 1 closes.
    void Command1_Click(int index);
    /// "Crea Reticolo": lays the grid (a second time takes it away).
    void DrawGrid();
    void mnuOpzioniPulisci_Click();
    void mnuOpzioniEsci_Click();

protected:
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    /// Names the controls for a screen reader and orders the Tab key.
    void nameControls();
    void buildControls();
    void buildMenu();
    void Form_Load(board::BoardPanel *board);
    void Form_Resize();
    /// Top of the picture area: below the menu bar and the row of controls.
    int areaTop() const;

    ExplorerEngine *m_engine;
    QImage m_copy;
};

} // namespace explorer
