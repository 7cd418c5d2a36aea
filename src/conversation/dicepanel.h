#pragma once

#include "diceroller.h"
#include "rollrecord.h"

#include <QCheckBox>
#include <QObject>
#include <QPointer>

#include <cstdint>
#include <optional>

class QCheckBox;
class QAction;
class QToolButton;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace session
{
class ChatSession;
}

namespace conversation
{

/**
 * @brief The dice lists dado1 ("N") and dado2 ("F") with the label Label6
 * ("d") between them, and the hidden boxes RisuSing, parziale and Text1.
 *
 * Each list is one row high and is stepped with the arrow keys; Enter in
 * either list rolls. A click on "d" switches the per-die details.
 *
 * Beside them: the dice box txtDadi, where any expression is typed and
 * Enter rolls it; cmdTiro, whether a roll is public, a "Tiro segreto" or a
 * "Tiro per il master" (a menu, as the speaking way beside the message box); cmdVantaggio and cmdSvantaggio, 2d20 keeping the higher
 * or the lower in one click; and cmdVerificaDadi, "Verifica i dadi".
 */
class DicePanel : public QObject
{
    Q_OBJECT
public:
    /// @p seed fixes the generator (tests); without it the system's entropy seeds it.
    DicePanel(session::ChatSession *chat, QWidget *parent,
              std::optional<std::uint64_t> seed = std::nullopt);

    QListWidget *dado1() const { return m_dado1; }
    QListWidget *dado2() const { return m_dado2; }
    QLabel *Label6() const { return m_label6; }
    QCheckBox *RisuSing() const { return m_risuSing; }
    QLineEdit *parziale() const { return m_parziale; }
    QLineEdit *Text1() const { return m_text1; }
    DiceRoller &roller() { return m_roller; }
    QLineEdit *txtDadi() const { return m_txtDadi; }
    QToolButton *cmdTiro() const { return m_cmdTiro; }
    /// Chooses who sees the next rolls.
    void setKind(dice::RollRecord::Kind kind);
    QPushButton *cmdVantaggio() const { return m_cmdVantaggio; }
    QPushButton *cmdSvantaggio() const { return m_cmdSvantaggio; }
    QPushButton *cmdVerificaDadi() const { return m_cmdVerificaDadi; }

    /// Public, secret or for the master, as cmdTiro says.
    dice::RollRecord::Kind kind() const;
    /**
     * @brief Rolls the expression @p text (label included) as cmdTiro,
     * "Privato" and the per-die details say; a mistyped expression, or a
     * roll that cannot be made here, is refused with a message saying why.
     * True when it rolled.
     */
    bool rollExpression(const QString &text);
    /// Advantage (2d20, the higher kept) or disadvantage (the lower kept).
    void rollAdvantage(bool advantage);
    /// "Verifica i dadi".
    void cmdVerificaDadi_Click();

    /// The composer's "Privato" box, which makes rolls private too.
    void setPrivateBox(QCheckBox *chkPrivate);

    /// The width a dice box needs to show three digits whole in its font.
    int boxWidth() const;

    /// The text a dice list stands for: the selected entry, or empty.
    static QString listText(const QListWidget *list);

    /// One roll from the current selections, delivered and echoed.
    void roll();
    void Label6_Click();
    /// After a click in a list: choosing the empty entry removes the selection.
    void dado_Click(QListWidget *list);

signals:
    void rolled(const QString &line);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QListWidget *makeList(const QString &name, int x);

    session::ChatSession *m_chat;
    DiceRoller m_roller;
    QListWidget *m_dado1;
    QLabel *m_label6;
    QListWidget *m_dado2;
    QCheckBox *m_risuSing;
    QLineEdit *m_parziale;
    QLineEdit *m_text1;
    QPointer<QCheckBox> m_chkPrivate;
    QLineEdit *m_txtDadi;
    QToolButton *m_cmdTiro;
    QAction *m_kindActions[3] = {};
    dice::RollRecord::Kind m_kind = dice::RollRecord::Kind::Public;
    QPushButton *m_cmdVantaggio;
    QPushButton *m_cmdSvantaggio;
    QPushButton *m_cmdVerificaDadi;
};

} // namespace conversation
