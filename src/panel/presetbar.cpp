#include "presetbar.h"

#include "togglebutton.h"
#include "windowpresets.h"

#include <QEvent>
#include <QPainter>
#include <QScreen>
#include <QWidget>

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

const char *const kTips[] = {"Finestra stretta", "Schermo intero", "Finestra larga",
                             "Finestra media"};

} // namespace

PresetBar::PresetBar(QWidget *window, int frameAllowance)
    : QObject(window), m_window(window), m_frameAllowance(frameAllowance)
{
    setObjectName(QStringLiteral("PresetBar"));
    for (int i = 0; i < WindowPresets::kCount; ++i) {
        // One button per element of the control array Command23(0..3).
        auto *button =
            new conversation::ToggleButton(QStringLiteral("Command23_%1").arg(i), window);
        button->setIcon(presetIcon(i));
        button->setToolTip(QLatin1String(kTips[i]));
        connect(button, &QPushButton::clicked, this, [this, i] { Command23_Click(i); });
        m_buttons[i] = button;
    }
    window->installEventFilter(this);
    Form_Resize();
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
    const int width = WindowPresets::presetWidth(index);
    if (QScreen *screen = m_window->screen()) {
        const QRect area = screen->geometry();
        const QPoint corner = WindowPresets::centredTopLeft(
            QSize(area.width() * kTwipsPerPixel, area.height() * kTwipsPerPixel), index);
        m_window->move(area.topLeft() + corner / kTwipsPerPixel);
    }
    m_window->resize(width / kTwipsPerPixel,
                     (WindowPresets::kHeight - m_frameAllowance) / kTwipsPerPixel);
    highlight(index);
}

void PresetBar::Form_Resize()
{
    highlight(WindowPresets::highlighted(m_window->width() * kTwipsPerPixel,
                                         m_window->height() * kTwipsPerPixel + m_frameAllowance,
                                         m_window->isMaximized()));
}

void PresetBar::highlight(int element)
{
    m_highlighted = element;
    for (int i = 0; i < WindowPresets::kCount; ++i)
        m_buttons[i]->setOn(i == element);
}

bool PresetBar::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_window &&
        (event->type() == QEvent::Resize || event->type() == QEvent::WindowStateChange))
        Form_Resize();
    return QObject::eventFilter(watched, event);
}

} // namespace panel
