#pragma once

#include <QPointer>
#include <QTimer>
#include <QWidget>

class QLabel;

namespace panel
{

/**
 * @brief One host pane of the program panel (picChild ... picChild4): shows
 * the window of the program started into it, or a line saying where that
 * program is instead.
 *
 * A hosted window is handed back to the desktop when the pane hosts another
 * program or is released: the X server would otherwise destroy it with the
 * pane, and its program would lose its window and its unsaved work. Qt
 * destroys a window's native windows before its child widgets, so whoever
 * owns the top-level window calls release() before destroying it.
 */
class HostPane : public QWidget
{
    Q_OBJECT
public:
    /// Why a started program runs in a window of its own.
    enum class FreeReason {
        NoEmbedding,    ///< the window system cannot host other programs' windows
        NoWindowInTime, ///< its window did not appear within the search's time
    };

    HostPane(int slot, QWidget *parent);
    ~HostPane() override;

    int slot() const { return m_slot; }

    void showIdle();
    void showStarting(const QString &program);
    void showFree(const QString &program, FreeReason reason);
    void showEnded(const QString &program);

    /// Embeds the top-level window @p window of another program.
    bool host(quint64 window);
    /// Gives the hosted window back to the desktop, where it stays open.
    void release();

    /// The hosted window, 0 for none.
    quint64 hostedWindow() const { return m_window; }
    /// The hosted window's parent before it came here (a root window or a
    /// window manager's frame).
    quint64 previousParent() const { return m_previousParent; }
    /// The widget that holds the hosted window, null for none.
    QWidget *container() const { return m_container; }
    /// The line the pane shows when it hosts nothing.
    QString statusText() const;

    /// How often the pane checks that its hosted window still exists.
    static constexpr int kWatchInterval = 1000; // ms

signals:
    /// The hosted window was closed by its program.
    void hostedWindowClosed(int slot);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void setStatus(const QString &text);
    void checkHosted();
    void dropContainer();

    int m_slot;
    QLabel *m_status;
    QPointer<QWidget> m_container;
    quint64 m_window = 0;
    quint64 m_previousParent = 0;
    QTimer m_watch;
};

} // namespace panel
