#pragma once

#include "gridpainter.h"
#include "sinks.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace board
{

class BoardSurface;
class DrawingTools;
class Palette;

/**
 * @brief The grid dialog "Reticolo": the kind of grid, its two steps, and
 * the hidden general step "PASSIGEN" that the snap of the drawing tools
 * reads. "OK" paints the grid on the local board; "Annulla" hides the
 * dialog. The dialog lives as long as its window, hidden when not in use,
 * so the general step is always there to read.
 */
class reticolobox : public QDialog
{
    Q_OBJECT
public:
    /// The general step's start text, in twips.
    static constexpr const char *kInitialGeneralStep = "120";
    /// The dialog's width, and where the fields start right of their labels.
    static constexpr int kWidth = 330;
    static constexpr int kFieldLeft = 72;

    /// @p tools gives the message boxes and has its rubber band erased
    /// before a grid is painted.
    reticolobox(BoardSurface *surface, Palette *palette, DrawingTools *tools,
                QWidget *parent = nullptr);

    QComboBox *tipo;
    QLineEdit *passi1;
    QLineEdit *passi2;
    QLabel *Labelx;
    QLineEdit *PASSIGEN; ///< never visible
    QProgressBar *ProgressBar1;
    QPushButton *retOK;
    QPushButton *retAnnulla;
    /// "Condividi con il tavolo": the grid "OK" paints goes to everyone too.
    QCheckBox *chkShare;
    /// "Colore:" and the colour the grid will be painted in (the palette's).
    QLabel *lblColore;
    QLabel *picColore;

    GridPainter &painter() { return m_painter; }
    /// What the last "OK" came to.
    GridPainter::Outcome lastOutcome() const { return m_lastOutcome; }

public slots:
    /// A kind was chosen: shows the step boxes that kind uses.
    void tipo_Click();
    void retOK_Click();
    void retAnnulla_Click();

signals:
    /// The values the progress bar took while painting (tests follow them).
    void progressed(int maximum, int value);
    /// "OK" painted a grid with "Condividi con il tavolo" ticked: @p grid
    /// (kind, steps, colour) is to be shared.
    void gridToShare(const session::GridFields &grid);

protected:
    void showEvent(QShowEvent *event) override;

private:
    /// Names the controls for a screen reader and orders the Tab key.
    void nameControls();
    void resetProgress();
    /// picColore shows the palette's colour, or says there is none.
    void showColour();

    DrawingTools *m_tools;
    Palette *m_palette;
    GridPainter m_painter;
    GridPainter::Outcome m_lastOutcome = GridPainter::Outcome::Nothing;
};

} // namespace board
