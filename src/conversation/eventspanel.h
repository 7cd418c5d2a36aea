#pragma once

#include <QObject>

class QCheckBox;
class QLabel;
class QListView;

namespace session
{
class ChatSession;
class TrafficLog;
} // namespace session

namespace conversation
{

/**
 * @brief The events panel: the box chkTutorial ("Eventi") and the two
 * traffic logs lstSent and lstReceived with their labels.
 *
 * The views show the session's log models lazily; a view scrolls to the
 * newest entry whenever its log announces a batch of new ones, so a burst of
 * entries costs a few scrolls, not one each. While a view cannot be seen
 * (the panel is off, or the window is too short to show it) its log
 * announces nothing, so hidden views cost nothing per entry.
 */
class EventsPanel : public QObject
{
    Q_OBJECT
public:
    /// The window heights below measure the whole window; a desktop's title
    /// bar and borders take about this many twips of them, and the rest is
    /// the window's content, which is what resizing sets.
    static constexpr int kFrameAllowance = 450;

    /// Window sizes of the panel, in pixels (15 twips each).
    static constexpr int kMinWidth = (7695 + 7) / 15; ///< 7695 twips
    /// 8690 twips with the logs shown, less the frame.
    static constexpr int kTallHeight = (8690 - kFrameAllowance + 7) / 15;
    /// 6450 twips without them (the main window's preset), less the frame.
    static constexpr int kShortHeight = (6450 - kFrameAllowance) / 15;

    EventsPanel(session::ChatSession *chat, QWidget *parent);

    QCheckBox *chkTutorial() const { return m_chkTutorial; }
    QLabel *lblSent() const { return m_lblSent; }
    QListView *lstSent() const { return m_lstSent; }
    QLabel *lblRecv() const { return m_lblRecv; }
    QListView *lstReceived() const { return m_lstReceived; }

    /**
     * @brief Applies the panel's state: shows or hides the logs and grows,
     * shrinks and centres the top-level window. Also run once at start after
     * the preference has been put into chkTutorial.
     *
     * The logs show while "Eventi" is ticked, whether or not the box can be
     * seen (it is hidden until the hidden options are revealed, yet a first
     * start ticks it); only a visible box grows the window for them.
     */
    void chkTutorial_Click();

signals:
    /// The logs were shown or hidden by chkTutorial_Click().
    void logsShownChanged(bool shown);

private:
    QListView *makeLog(const QString &name, session::TrafficLog *log, int top);
    /// Brings the newest entry of each log to the top of its view.
    void scrollLogs();
    /// Tells each log whether its view can be seen now.
    void followScreen();
    bool eventFilter(QObject *watched, QEvent *event) override;

    QWidget *m_parent;
    QCheckBox *m_chkTutorial;
    QLabel *m_lblSent;
    QListView *m_lstSent;
    QLabel *m_lblRecv;
    QListView *m_lstReceived;
    bool m_followPending = false;
};

} // namespace conversation
