#pragma once

#include "panellayout.h"

#include <QObject>

#include <array>
#include <functional>

class QFrame;
class QLineEdit;
class QPushButton;
class QScrollBar;
class QWidget;

namespace conversation
{
class ToggleButton;
}

namespace panel
{

class HostPane;
class WindowSearch;

/**
 * @brief The program panel of the main window: Picture1 with its four panes,
 * the splitter, the enlarge buttons, the two scroll bars that resize it, the
 * four path boxes and the launch.
 *
 * The controls are made as children of the main window, which places the
 * buttons, boxes and bars from its layout table; Picture1 is placed here,
 * since the scroll bars move it. A launched program's window is looked for by
 * its process and embedded in the slot's pane; where that is impossible the
 * program runs in a window of its own and the pane says so.
 */
class ProgramPanel : public QObject
{
    Q_OBJECT
public:
    static constexpr int kSlots = 4;
    static constexpr int kVScroll1Max = PanelLayout::kBaseLeft;
    static constexpr int kVScroll2Max = 2400;

    explicit ProgramPanel(QWidget *window);

    /**
     * @brief How a launch reaches the main window's stay-on-top state:
     * @p isTopMost tells whether the window is kept on top (the flag does
     * not read "falso"), @p setTopMost changes it. Without them a launch
     * leaves the window alone.
     */
    void setTopMostControl(std::function<bool()> isTopMost, std::function<void(bool)> setTopMost);

    /// The path box of slot @p slot (1 to 4), null outside.
    QLineEdit *programBox(int slot) const;
    /// The host pane of slot @p slot (1 to 4), null outside.
    HostPane *hostPane(int slot) const;
    /// A quadrant box, in slot order (0 is picNW).
    QFrame *quadrantBox(int index) const { return m_quadrants.at(index); }
    /// The enlarge button of quadrant @p index (0 is Command8).
    conversation::ToggleButton *enlargeButton(int index) const { return m_enlarge.at(index); }

    const PanelLayout &layout() const { return m_layout; }
    /// Moves Picture1 @p pixels right of where its layout puts it (the main
    /// window widens the board in front of it).
    void setOffset(int pixels);
    WindowSearch *windowSearch() const { return m_search; }
    /// The process last started in slot @p slot, 0 for none.
    qint64 processId(int slot) const;

    /**
     * @brief Starts @p commandLine as a program with no window of its own
     * here and returns its process id through @p pid. A text that names an
     * executable file is run as it is, spaces and all; anything else is
     * split into a program and its arguments as a shell would.
     */
    static bool startProgram(const QString &commandLine, qint64 *pid);
    /// The program @p commandLine starts (its first word, or the whole text
    /// when that names an executable file).
    static QString programOf(const QString &commandLine);

    QWidget *Picture1;
    QFrame *picNW;
    QFrame *picNE;
    QFrame *picSW;
    QFrame *picSE;
    HostPane *picChild;
    HostPane *picChild2;
    HostPane *picChild3;
    HostPane *picChild4;
    QLineEdit *txtProgram;
    QLineEdit *txtProgram2;
    QLineEdit *txtProgram3;
    QLineEdit *txtProgram4;
    QPushButton *Command7;
    conversation::ToggleButton *Command8;
    conversation::ToggleButton *Command9;
    conversation::ToggleButton *Command10;
    conversation::ToggleButton *Command11;
    QScrollBar *VScroll1;
    QScrollBar *VScroll2;

public slots:
    /// Starts the program of every slot whose path box is not empty.
    void Command7_Click();
    void Command8_Click() { enlarge(PanelLayout::NW); }
    void Command9_Click() { enlarge(PanelLayout::NE); }
    void Command10_Click() { enlarge(PanelLayout::SW); }
    void Command11_Click() { enlarge(PanelLayout::SE); }
    void VScroll1_Change(int value);
    void VScroll2_Change(int value);
    /**
     * @brief Puts @p path in slot @p slot's path box, empties the other
     * three and launches, so exactly that program starts into that pane
     * (what the file browser's pane buttons do).
     */
    void launchInSlot(int slot, const QString &path);
    /// Gives every hosted window back to the desktop.
    void releaseAll();

signals:
    /// Slot @p slot's program started as process @p pid.
    void programStarted(int slot, qint64 pid);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls(QWidget *window);
    void enlarge(int quadrant);
    void apply();
    int m_offset = 0;
    void launchSlot(int slot);
    void onFound(int slot, quint64 window);

    PanelLayout m_layout;
    WindowSearch *m_search;
    std::array<QFrame *, kSlots> m_quadrants{};
    std::array<HostPane *, kSlots> m_panes{};
    std::array<QLineEdit *, kSlots> m_boxes{};
    std::array<conversation::ToggleButton *, kSlots> m_enlarge{};
    std::array<qint64, kSlots> m_pids{};
    std::array<QString, kSlots> m_programs;
    std::function<bool()> m_isTopMost;
    std::function<void(bool)> m_setTopMost;
};

} // namespace panel
