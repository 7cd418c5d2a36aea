#pragma once

#include "diceroller.h"

#include <QCheckBox>
#include <QObject>
#include <QPointer>

#include <cstdint>
#include <optional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;

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
};

} // namespace conversation
