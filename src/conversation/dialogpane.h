#pragma once

#include "colouring.h"
#include "journal.h"
#include "sinks.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

class QPlainTextEdit;
class QTextEdit;

namespace session
{
class ChatSession;
}

namespace conversation
{

class ToggleButton;

/**
 * @brief The conversation pane txtDialog and the status box txtStatus, with
 * the time-stamp (Command21) and colouring (Command19) switches.
 *
 * Lines are always inserted as plain text at the end of the document, so
 * markup from a peer is shown literally, and appending never rereads the
 * pane: the cost of a line does not grow with the pane.
 */
class DialogPane : public QObject, public session::ConversationSink
{
    Q_OBJECT
public:
    /// Creates the controls as children of @p parent. @p chat provides the
    /// participant names the colouring matches (may be null: no names).
    DialogPane(QWidget *parent, session::ChatSession *chat = nullptr);

    QTextEdit *txtDialog() const { return m_txtDialog; }
    QPlainTextEdit *txtStatus() const { return m_txtStatus; }
    ToggleButton *Command21() const { return m_command21; }
    ToggleButton *Command19() const { return m_command19; }

    /// Where the time stamp comes from: the clock label's text (H.MM.SS).
    void setClockText(std::function<QString()> clockText);
    /// Overrides where the participant names come from (default: the session).
    void setNames(std::function<QStringList()> names);

    void UpdateDialog(const QString &vsDialog) override;
    void UpdateStatus(const QString &vsStatus) override;
    void clearDialog() override;

    void Command21_Click();
    void Command19_Click();
    /// Shows "IP: " + the address + "." in the status box.
    void Label2_Click(const QString &localIp);

    bool bTimeStamp() const { return m_bTimeStamp; }
    bool colouringOn() const { return m_colouring; }
    QString sTimeStamp() const { return m_sTimeStamp; }

    /// Longest run of characters shown without a possible line break.
    static constexpr qsizetype kLongRun = 256;
    /// The invisible break point put into longer runs (zero width space),
    /// after every kLongRun characters that hold no space.
    static constexpr QChar kBreakPoint = QChar(0x200B);

    /// The pane's text as received, lines joined by LF: the break points the
    /// pane put into long runs are left out (a copy leaves them out too).
    QString dialogText() const;
    /// The status box's text, without its break points.
    QString statusText() const;
    /// The pane as shown, row by row with its colours, without break points.
    QList<JournalRow> shownRows() const;

signals:
    /// A conversation line was just shown: its time stamp ("" when stamps
    /// are off), the line as shown (a roll's detail after a line feed) and
    /// its coloured runs; the rest of the line and the stamp are black.
    void lineShown(const QString &stamp, const QString &line,
                   const std::vector<conversation::ColourRun> &runs);

private:
    void scheduleScroll();
    void scrollToEnd();

    session::ChatSession *m_chat;
    QTextEdit *m_txtDialog;
    QPlainTextEdit *m_txtStatus;
    ToggleButton *m_command21;
    ToggleButton *m_command19;
    std::function<QString()> m_clockText;
    std::function<QStringList()> m_names;
    bool m_bTimeStamp = false;
    bool m_colouring = false;
    QString m_sTimeStamp;
    bool m_scrollPending = false;
};

} // namespace conversation
