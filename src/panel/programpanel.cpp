#include "programpanel.h"

#include "fontscale.h"
#include "hostpane.h"
#include "togglebutton.h"
#include "windowsearch.h"
#include "x11windows.h"

#include <QFileInfo>
#include <QFrame>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QProcess>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>

#include <cmath>

namespace panel
{

namespace
{

constexpr int kTwipsPerPixel = 15;

// A rectangle in twips as pixels, at @p scale (a larger desktop font makes
// the panel larger); the edges are converted, not the sizes, so neighbouring
// boxes keep their gaps.
QRect pixels(const QRect &twips, double scale)
{
    const auto px = [scale](int t) { return int(t * scale / kTwipsPerPixel); };
    const int left = px(twips.left());
    const int top = px(twips.top());
    return QRect(left, top, px(twips.left() + twips.width()) - left,
                 px(twips.top() + twips.height()) - top);
}

// The middle of a pixel in twips.
int twipsOf(qreal pixel, double scale)
{
    return int(std::floor(pixel / scale) * kTwipsPerPixel) + kTwipsPerPixel / 2;
}

// Four small squares, the one of quadrant @p q filled.
QIcon quadrantIcon(int q)
{
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setPen(QPen(QColor(60, 60, 60), 1));
    for (int i = 0; i < 4; ++i) {
        const QRect cell(1 + (i % 2) * 7, 1 + (i / 2) * 7, 6, 6);
        p.setBrush(i == q ? QColor(40, 90, 160) : QColor(Qt::white));
        p.drawRect(cell);
    }
    p.end();
    return QIcon(pm);
}

const char *const kQuadrantNames[] = {"picNW", "picNE", "picSW", "picSE"};
const char *const kBoxNames[] = {"txtProgram", "txtProgram2", "txtProgram3", "txtProgram4"};
const char *const kEnlargeNames[] = {"Command8", "Command9", "Command10", "Command11"};
const char *const kEnlargeTips[] = {
    QT_TRANSLATE_NOOP("panel::ProgramPanel", "Ingrandisci il riquadro in alto a sinistra"),
    QT_TRANSLATE_NOOP("panel::ProgramPanel", "Ingrandisci il riquadro in alto a destra"),
    QT_TRANSLATE_NOOP("panel::ProgramPanel", "Ingrandisci il riquadro in basso a sinistra"),
    QT_TRANSLATE_NOOP("panel::ProgramPanel", "Ingrandisci il riquadro in basso a destra")};

} // namespace

ProgramPanel::ProgramPanel(QWidget *window)
    : QObject(window), m_search(new WindowSearch(&X11Windows::findWindowOfProcess, this))
{
    setObjectName(QStringLiteral("ProgramPanel"));
    buildControls(window);
    connect(m_search, &WindowSearch::found, this, &ProgramPanel::onFound);
    connect(m_search, &WindowSearch::gaveUp, this, [this](int slot) {
        hostPane(slot)->showFree(m_programs[slot - 1], HostPane::FreeReason::NoWindowInTime);
    });
    connect(m_search, &WindowSearch::processEnded, this,
            [this](int slot) { hostPane(slot)->showEnded(m_programs[slot - 1]); });
    apply();
}

void ProgramPanel::buildControls(QWidget *window)
{
    Picture1 = new QWidget(window);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    // The bars between the panes are Picture1 itself showing through.
    Picture1->setAutoFillBackground(true);
    Picture1->setBackgroundRole(QPalette::Mid);
    Picture1->setMouseTracking(true);
    Picture1->installEventFilter(this);

    for (int i = 0; i < kSlots; ++i) {
        auto *box = new QFrame(Picture1);
        box->setObjectName(QLatin1String(kQuadrantNames[i]));
        m_quadrants[i] = box;
        m_panes[i] = new HostPane(i + 1, box);

        auto *path = new QLineEdit(window);
        path->setObjectName(QLatin1String(kBoxNames[i]));
        path->setPlaceholderText(QString::number(i + 1));
        const QString tip = tr("Programma del riquadro %1").arg(i + 1);
        path->setToolTip(tip);
        // The boxes are narrow: the tool tip shows the whole path.
        connect(path, &QLineEdit::textChanged, path, [path, tip](const QString &text) {
            path->setToolTip(text.isEmpty() ? tip : tip + QStringLiteral(":\n") + text);
        });
        connect(path, &QLineEdit::returnPressed, this, &ProgramPanel::Command7_Click);
        m_boxes[i] = path;

        auto *button = new conversation::ToggleButton(QLatin1String(kEnlargeNames[i]), window);
        button->setIcon(quadrantIcon(i));
        button->setToolTip(tr(kEnlargeTips[i]));
        connect(button, &QPushButton::clicked, this, [this, i] { enlarge(i); });
        m_enlarge[i] = button;
    }
    picNW = m_quadrants[0];
    picNE = m_quadrants[1];
    picSW = m_quadrants[2];
    picSE = m_quadrants[3];
    picChild = m_panes[0];
    picChild2 = m_panes[1];
    picChild3 = m_panes[2];
    picChild4 = m_panes[3];
    txtProgram = m_boxes[0];
    txtProgram2 = m_boxes[1];
    txtProgram3 = m_boxes[2];
    txtProgram4 = m_boxes[3];
    Command8 = m_enlarge[0];
    Command9 = m_enlarge[1];
    Command10 = m_enlarge[2];
    Command11 = m_enlarge[3];

    Command7 = new QPushButton(tr("Avvia"), window);
    Command7->setObjectName(QStringLiteral("Command7"));
    Command7->setToolTip(tr("Avvia i programmi dei riquadri"));
    connect(Command7, &QPushButton::clicked, this, &ProgramPanel::Command7_Click);

    VScroll1 = new QScrollBar(Qt::Vertical, window);
    VScroll1->setObjectName(QStringLiteral("VScroll1"));
    VScroll1->setRange(0, kVScroll1Max);
    VScroll1->setSingleStep(150);
    VScroll1->setPageStep(750);
    VScroll1->setToolTip(tr("Allarga il pannello verso sinistra"));
    connect(VScroll1, &QScrollBar::valueChanged, this, &ProgramPanel::VScroll1_Change);

    VScroll2 = new QScrollBar(Qt::Vertical, window);
    VScroll2->setObjectName(QStringLiteral("VScroll2"));
    VScroll2->setRange(0, kVScroll2Max);
    VScroll2->setSingleStep(150);
    VScroll2->setPageStep(600);
    VScroll2->setToolTip(tr("Allunga il pannello verso il basso"));
    connect(VScroll2, &QScrollBar::valueChanged, this, &ProgramPanel::VScroll2_Change);
}

void ProgramPanel::setTopMostControl(std::function<bool()> isTopMost,
                                     std::function<void(bool)> setTopMost)
{
    m_isTopMost = std::move(isTopMost);
    m_setTopMost = std::move(setTopMost);
}

QLineEdit *ProgramPanel::programBox(int slot) const
{
    return slot >= 1 && slot <= kSlots ? m_boxes[slot - 1] : nullptr;
}

HostPane *ProgramPanel::hostPane(int slot) const
{
    return slot >= 1 && slot <= kSlots ? m_panes[slot - 1] : nullptr;
}

qint64 ProgramPanel::processId(int slot) const
{
    return slot >= 1 && slot <= kSlots ? m_pids[slot - 1] : 0;
}

void ProgramPanel::apply()
{
    const double scale = a11y::FontScale::factor(Picture1);
    Picture1->setGeometry(pixels(m_layout.picture(), scale).translated(m_offset, 0));
    for (int i = 0; i < kSlots; ++i) {
        m_quadrants[i]->setGeometry(pixels(m_layout.quadrant(i), scale));
        m_panes[i]->setGeometry(m_quadrants[i]->rect());
        m_enlarge[i]->setOn(m_layout.highlighted() == i);
    }
    const QSignalBlocker block1(VScroll1);
    const QSignalBlocker block2(VScroll2);
    VScroll1->setValue(m_layout.VScroll1());
    VScroll2->setValue(m_layout.VScroll2());
}

void ProgramPanel::setOffset(int pixels)
{
    if (pixels == m_offset)
        return;
    m_offset = pixels;
    apply();
}

void ProgramPanel::enlarge(int quadrant)
{
    m_layout.enlarge(quadrant);
    apply();
}

void ProgramPanel::VScroll1_Change(int value)
{
    m_layout.setVScroll1(value);
    apply();
}

void ProgramPanel::VScroll2_Change(int value)
{
    m_layout.setVScroll2(value);
    apply();
}

bool ProgramPanel::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != Picture1)
        return QObject::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        const double scale = a11y::FontScale::factor(Picture1);
        m_layout.mouseDown(twipsOf(mouse->position().x(), scale),
                           twipsOf(mouse->position().y(), scale));
        apply();
        return true;
    }
    case QEvent::MouseMove: {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        const int dragging = m_layout.dragFlag();
        const double scale = a11y::FontScale::factor(Picture1);
        const int hit = m_layout.mouseMove(twipsOf(mouse->position().x(), scale),
                                           twipsOf(mouse->position().y(), scale));
        if (dragging)
            apply();
        // The pointer shows which way the bar under it moves.
        const int shape = dragging ? dragging : hit;
        if (shape == (PanelLayout::VerticalBar | PanelLayout::HorizontalBar))
            Picture1->setCursor(Qt::SizeAllCursor);
        else if (shape == PanelLayout::VerticalBar)
            Picture1->setCursor(Qt::SplitHCursor);
        else if (shape == PanelLayout::HorizontalBar)
            Picture1->setCursor(Qt::SplitVCursor);
        else
            Picture1->unsetCursor();
        return true;
    }
    case QEvent::MouseButtonRelease:
        m_layout.mouseUp();
        apply();
        return true;
    default:
        return QObject::eventFilter(watched, event);
    }
}

namespace
{

// A path box's text as a program and its arguments.
QStringList commandOf(const QString &commandLine)
{
    const QString text = commandLine.trimmed();
    const QFileInfo file(text);
    if (file.isFile() && file.isExecutable())
        return {text};
    return QProcess::splitCommand(text);
}

} // namespace

QString ProgramPanel::programOf(const QString &commandLine)
{
    return commandOf(commandLine).value(0);
}

bool ProgramPanel::startProgram(const QString &commandLine, qint64 *pid)
{
    QStringList arguments = commandOf(commandLine);
    if (arguments.isEmpty())
        return false;
    const QString program = arguments.takeFirst();
    // Detached: a program started here outlives the main window, as any
    // program started from the desktop would.
    return QProcess::startDetached(program, arguments, QString(), pid);
}

void ProgramPanel::Command7_Click()
{
    if (m_isTopMost && m_setTopMost && !m_isTopMost())
        m_setTopMost(true);
    // A slot whose program does not start shows nothing and the launch goes
    // on with the next slot.
    for (int slot = 1; slot <= kSlots; ++slot) {
        if (!m_boxes[slot - 1]->text().isEmpty())
            launchSlot(slot);
    }
    if (m_isTopMost && m_setTopMost && m_isTopMost())
        m_setTopMost(false);
}

void ProgramPanel::launchSlot(int slot)
{
    HostPane *pane = m_panes[slot - 1];
    const QString path = m_boxes[slot - 1]->text();
    // The slot's earlier program keeps running in a window of its own.
    m_search->cancel(slot);
    pane->release();
    m_programs[slot - 1] = programOf(path);
    pane->showStarting(m_programs[slot - 1]);
    qint64 pid = 0;
    if (!startProgram(path, &pid)) {
        m_pids[slot - 1] = 0;
        pane->showIdle();
        return;
    }
    m_pids[slot - 1] = pid;
    emit programStarted(slot, pid);
    if (X11Windows::available())
        m_search->start(slot, pid);
    else
        pane->showFree(m_programs[slot - 1], HostPane::FreeReason::NoEmbedding);
}

void ProgramPanel::onFound(int slot, quint64 window)
{
    HostPane *pane = hostPane(slot);
    if (!pane->host(window))
        pane->showFree(m_programs[slot - 1], HostPane::FreeReason::NoEmbedding);
}

void ProgramPanel::launchInSlot(int slot, const QString &path)
{
    if (slot < 1 || slot > kSlots)
        return;
    for (int i = 1; i <= kSlots; ++i)
        m_boxes[i - 1]->setText(i == slot ? path : QString());
    Command7_Click();
}

void ProgramPanel::releaseAll()
{
    for (int slot = 1; slot <= kSlots; ++slot) {
        m_search->cancel(slot);
        m_panes[slot - 1]->release();
    }
}

} // namespace panel
