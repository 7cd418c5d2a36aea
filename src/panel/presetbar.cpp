#include "presetbar.h"

#include "fontscale.h"
#include "togglebutton.h"
#include "windowpresets.h"

#include <QActionGroup>
#include <QEvent>
#include <QMenu>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <QToolButton>
#include <QWidget>

#include <cmath>

namespace panel
{

namespace
{

constexpr int kTwipsPerPixel = 15;

// A screen with a window of the preset's shape on it.
QIcon presetIcon(int element)
{
    QPixmap pm(16, 12);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setPen(QColor(60, 60, 60));
    p.setBrush(Qt::white);
    p.drawRect(0, 0, 15, 11);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 90, 160));
    switch (element) {
    case WindowPresets::Narrow:
        p.drawRect(6, 2, 4, 8);
        break;
    case WindowPresets::FullScreen:
        p.drawRect(1, 1, 14, 10);
        break;
    case WindowPresets::Wide:
        p.drawRect(2, 2, 12, 8);
        break;
    case WindowPresets::Medium:
        p.drawRect(4, 2, 8, 8);
        break;
    }
    p.end();
    return QIcon(pm);
}

const char *const kTips[] = {QT_TRANSLATE_NOOP("panel::PresetBar", "Finestra stretta"),
                             QT_TRANSLATE_NOOP("panel::PresetBar", "Schermo intero"),
                             QT_TRANSLATE_NOOP("panel::PresetBar", "Finestra larga"),
                             QT_TRANSLATE_NOOP("panel::PresetBar", "Finestra media")};

} // namespace

PresetBar::PresetBar(QWidget *window, int frameAllowance)
    : QObject(window), m_window(window), m_frameAllowance(frameAllowance),
      m_menuButton(new QToolButton(window))
{
    setObjectName(QStringLiteral("PresetBar"));
    auto *menu = new QMenu(m_menuButton);
    menu->setObjectName(QStringLiteral("mnuPresets"));
    for (int i = 0; i < WindowPresets::kCount; ++i) {
        // One button per element of the control array Command23(0..3).
        auto *button =
            new conversation::ToggleButton(QStringLiteral("Command23_%1").arg(i), window);
        button->setIcon(presetIcon(i));
        button->setToolTip(tr(kTips[i]));
        connect(button, &QPushButton::clicked, this, [this, i] { Command23_Click(i); });
        m_buttons[i] = button;
        QAction *action = menu->addAction(presetIcon(i), tr(kTips[i]));
        action->setObjectName(QStringLiteral("actPreset_%1").arg(i));
        action->setCheckable(true);
        connect(action, &QAction::triggered, this, [this, i] { Command23_Click(i); });
    }
    // The menu shows which preset the window has when it opens.
    connect(menu, &QMenu::aboutToShow, this, [this, menu] {
        const auto actions = menu->actions();
        for (int i = 0; i < actions.size(); ++i)
            actions[i]->setChecked(i == m_highlighted);
    });
    m_menuButton->setObjectName(QStringLiteral("cmdPresets"));
    m_menuButton->setIcon(presetIcon(WindowPresets::Medium));
    m_menuButton->setToolTip(tr("Dimensioni della finestra"));
    m_menuButton->setPopupMode(QToolButton::InstantPopup);
    m_menuButton->setStyleSheet(
        QStringLiteral("QToolButton::menu-indicator { image: none; width: 0; }"));
    m_menuButton->setMenu(menu);
    m_menuButton->hide();
    window->installEventFilter(this);
    Form_Resize();
}

void PresetBar::setFrameSource(std::function<QSize()> source)
{
    m_frameSource = std::move(source);
    Form_Resize();
}

QSize PresetBar::frameSize() const
{
    QSize frame;
    if (m_frameSource) {
        frame = m_frameSource();
    } else if (m_window->isVisible()) {
        // What the window manager's frame adds, once it has told.
        frame = m_window->frameGeometry().size() - m_window->geometry().size();
    }
    if (frame.width() <= 0 && frame.height() <= 0)
        return QSize(0, pixels(m_frameAllowance));
    return frame;
}

void PresetBar::Command23_Click(int index)
{
    if (index < 0 || index >= WindowPresets::kCount)
        return;
    if (index == WindowPresets::FullScreen) {
        if (m_window->isMaximized())
            m_window->showNormal();
        else
            m_window->showMaximized();
        highlight(WindowPresets::FullScreen);
        // Back to normal, the highlight is the size's again, whenever the
        // window system gets round to restoring it.
        if (!m_window->isMaximized())
            Form_Resize();
        return;
    }
    if (m_window->isMaximized())
        m_window->showNormal();
    if (QScreen *screen = m_window->screen()) {
        const QRect area = screen->geometry();
        const QPoint corner = WindowPresets::centredTopLeft(
            QSize(twips(area.width(), {}), twips(area.height(), {})), index);
        m_window->move(area.topLeft() + QPoint(pixels(corner.x()), pixels(corner.y())));
    }
    applySize(index);
}

void PresetBar::applySize(int element)
{
    const int width = WindowPresets::presetWidth(element);
    if (width == 0)
        return;
    const QSize frame = frameSize();
    m_wanted = element;
    m_appliedFrame = frame;
    m_appliedSize = QSize(pixels(width) - frame.width(), pixels(WindowPresets::kHeight) - frame.height());
    m_following = true;
    m_window->resize(m_appliedSize);
    m_following = false;
    highlight(element);
}

void PresetBar::followFrame()
{
    if (m_wanted < 0 || m_following || !m_window->isVisible() || m_window->isMaximized())
        return;
    if (m_window->size() != m_appliedSize) {
        m_wanted = -1; // resized otherwise since: the size is the user's now
        return;
    }
    if (frameSize() != m_appliedFrame) {
        applySize(m_wanted);
        emit frameFollowed();
    }
}

void PresetBar::centre()
{
    QScreen *screen = m_window->screen();
    if (!screen || m_window->isMaximized())
        return;
    const QRect area = screen->geometry();
    const QSize whole = m_window->size() + frameSize();
    m_window->move(area.left() + (area.width() - whole.width()) / 2,
                   area.top() + (area.height() - whole.height()) / 2);
}

void PresetBar::Form_Resize()
{
    const QSize whole = m_window->size() + frameSize();
    const int width = twips(whole.width(), {WindowPresets::presetWidth(WindowPresets::Narrow),
                                            WindowPresets::presetWidth(WindowPresets::Wide),
                                            WindowPresets::presetWidth(WindowPresets::Medium)});
    highlight(WindowPresets::highlighted(width,
                                         twips(whole.height(), {WindowPresets::kHeight}),
                                         m_window->isMaximized()));
}

// The presets measure the window in twips of the font the window was laid
// out for; a larger desktop font makes every preset larger alike.
int PresetBar::pixels(int twips) const
{
    return int(twips * a11y::FontScale::factor(m_window) / kTwipsPerPixel);
}

int PresetBar::twips(int pixels, std::initializer_list<int> exact) const
{
    // A preset's size comes back as the preset's own twips, which the
    // rounding to pixels would otherwise miss at a scale other than 1.
    for (const int t : exact) {
        if (this->pixels(t) == pixels)
            return t;
    }
    return int(std::lround(pixels * kTwipsPerPixel / a11y::FontScale::factor(m_window)));
}

void PresetBar::highlight(int element)
{
    m_highlighted = element;
    for (int i = 0; i < WindowPresets::kCount; ++i)
        m_buttons[i]->setOn(i == element);
}

bool PresetBar::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_window)
        return QObject::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::Resize:
    case QEvent::WindowStateChange:
        followFrame();
        Form_Resize();
        break;
    case QEvent::Show:
        // The window manager frames a window after it is shown. Where the
        // window was placed by its content's position nothing moves then,
        // and no event tells; so the frame is looked at again a little later.
        for (const int ms : {250, 1000}) {
            QTimer::singleShot(ms, this, [this] {
                followFrame();
                Form_Resize();
            });
        }
        followFrame();
        Form_Resize();
        break;
    case QEvent::Move:
        // Framing a window placed by its frame's corner moves its content.
        followFrame();
        Form_Resize();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace panel
