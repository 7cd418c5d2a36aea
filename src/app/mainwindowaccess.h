#pragma once

#include <QCoreApplication>
#include <QKeySequence>
#include <QList>
#include <QObject>

class QWidget;

namespace a11y
{
class Announcer;
}
namespace conversation
{
class LineAnnouncer;
}

namespace app
{

class frmMain;

/**
 * @brief Makes the main window usable without a mouse and with a screen
 * reader: names and describes its controls, puts the Tab key's way in the
 * window's reading order, gives it the desktop's usual shortcuts and says
 * every new line of the conversation to assistive technology.
 */
class MainWindowAccess : public QObject
{
    Q_OBJECT
public:
    explicit MainWindowAccess(frmMain *window);

    /// One keyboard shortcut of the window and what it does, as the README
    /// and the manual page list them.
    struct Shortcut {
        QKeySequence keys;
        QString what;
    };
    /// Every shortcut the main window has, in the order of the list.
    QList<Shortcut> shortcuts() const { return m_shortcuts; }

    a11y::Announcer *announcer() const { return m_announcer; }

    /// Names the controls and sets the Tab order again (after controls
    /// were added to the window).
    void refresh();

    /// The areas F6 moves the focus between, in order.
    QList<QWidget *> areas() const;

private:
    void nameControls();
    void addShortcut(const QKeySequence &keys, const QString &what, const std::function<void()> &act);
    void addShortcuts();
    /// Moves the focus to the next (or previous) area of the window.
    void cycleArea(int step);

    frmMain *m_window;
    a11y::Announcer *m_announcer;
    conversation::LineAnnouncer *m_lines;
    QList<Shortcut> m_shortcuts;
};

} // namespace app
