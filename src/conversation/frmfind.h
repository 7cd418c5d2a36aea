#pragma once

#include "findindialog.h"
#include "sinks.h"

#include <QDialog>
#include <QPointer>

#include <array>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QPlainTextEdit;

namespace conversation
{

/**
 * @brief The find dialog "Cerca nel dialogo": searches the conversation pane
 * up or down from its caret and selects what it finds. It is not modal, and
 * the search settings it works on belong to its opener and outlive it.
 */
class frmFind : public QDialog
{
    Q_OBJECT
public:
    /// @p settings and @p pane must outlive the dialog or be watched by its
    /// opener; the dialog deletes itself when closed.
    frmFind(FindSettings *settings, QPlainTextEdit *pane, session::MessageService *messages,
            QWidget *parent = nullptr);

    void setMessageService(session::MessageService *messages) { m_messages = messages; }

    /**
     * @brief The search on the pane itself: selects the occurrence found,
     * or shows "Impossibile trovare: " and the text in double quotes and
     * leaves the selection as it is.
     */
    static void FindInDialog(FindSettings &settings, QPlainTextEdit *pane,
                             session::MessageService *messages);

    QLabel *Label1;
    QLineEdit *Text1;
    QGroupBox *Frame1;
    /// optDirection(0) "Su" and optDirection(1) "Giù" (objectNames
    /// "optDirection_0" and "optDirection_1").
    std::array<QRadioButton *, 2> optDirection{};
    QCheckBox *chkCase;
    QPushButton *cmdFind;
    QPushButton *cmdcancel;

public slots:
    void Text1_Change();
    void chkCase_Click();
    void optDirection_Click(int index);
    void cmdFind_Click();
    void CmdCancel_Click();
    /// Escape is "Annulla".
    void reject() override;

private:
    /// Names the controls for a screen reader and orders the Tab key.
    void nameControls();
    void Form_Load();

    FindSettings *m_settings;
    QPointer<QPlainTextEdit> m_pane;
    session::MessageService *m_messages;
};

} // namespace conversation
