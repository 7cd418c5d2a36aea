#pragma once

#include "anglepicker.h"
#include "textrenderer.h"

#include <QDialog>
#include <QImage>
#include <QPoint>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace board
{

class DrawingTools;

/**
 * @brief The text dialog "Aggiungi testo": the text, font, character height
 * and width, weight, italic, underline and strike-out, the angle picker and
 * a preview. "OK" draws the text on the board at the anchor of the press
 * that opened the dialog and sends it to everyone, then hides the dialog
 * (its settings stay for the next text); "Esci" closes it for good (the next
 * text starts from the start values).
 */
class frmInsText : public QDialog
{
    Q_OBJECT
public:
    explicit frmInsText(DrawingTools *tools, QWidget *parent = nullptr);

    /// The weight list's entries, heaviest first, and the weight of each.
    static const QStringList &weightNames();
    static int weightOf(const QString &name);

    /// Where the text goes on the board, in whole units of its scale mode.
    void setAnchor(const QPoint &anchor) { m_anchor = anchor; }
    QPoint anchor() const { return m_anchor; }

    /// The text as the controls describe it, at the anchor.
    TextParams params() const;

    AnglePicker &anglePicker() { return m_picker; }
    /// What the preview box shows.
    const QImage &preview() const { return m_preview; }

    QLineEdit *txtText;
    QComboBox *cboFonts;
    QComboBox *cboHeight;
    QComboBox *cboWidth;
    QComboBox *cboBold;
    QCheckBox *chbItalic;
    QCheckBox *chbUnderlined;
    QCheckBox *chbStrikeout;
    QPushButton *Command1; ///< "C": italic
    QPushButton *Command2; ///< "S": underline
    QPushButton *Command3; ///< "B": strike-out
    QLabel *picAngle;
    QLabel *picBackBuffer; ///< never visible: the picker is drawn here first
    QLabel *picTest;
    QPushButton *cmdDrawPrev;
    QPushButton *cmdDrawPic;
    QPushButton *cmdCancel;

public slots:
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void cmdDrawPrev_Click();
    void cmdDrawPic_Click();
    void cmdCancel_Click();
    /// The angle picker pressed or moved over at (x, y) in its units.
    void picAngle_MouseDown(double x, double y);
    void picAngle_MouseMove(double x, double y);
    /// A click on the preview clears it.
    void picTest_Click();

    /// "Esci", Escape and the close button all end the dialog for good.
    void reject() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    /// Names the controls for a screen reader and orders the Tab key.
    void nameControls();
    void redrawPicker(QPointF towards);
    void showToggle(QPushButton *button, bool on);

    DrawingTools *m_tools;
    AnglePicker m_picker;
    QPoint m_anchor;
    QImage m_backBuffer;
    QImage m_preview;
};

} // namespace board
