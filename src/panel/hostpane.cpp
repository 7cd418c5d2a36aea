#include "hostpane.h"

#include "x11windows.h"

#include <QFileInfo>
#include <QLabel>
#include <QResizeEvent>
#include <QWindow>

namespace panel
{

namespace
{

QString shownName(const QString &program)
{
    const QString name = QFileInfo(program).fileName();
    return name.isEmpty() ? program : name;
}

} // namespace

HostPane::HostPane(int slot, QWidget *parent)
    : QWidget(parent), m_slot(slot), m_status(new QLabel(this))
{
    setObjectName(slot == 1 ? QStringLiteral("picChild") : QStringLiteral("picChild%1").arg(slot));
    m_status->setObjectName(QStringLiteral("lblHost"));
    m_status->setAlignment(Qt::AlignCenter);
    m_status->setWordWrap(true);
    m_status->setForegroundRole(QPalette::PlaceholderText);
    m_status->setMargin(4);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Base);
    m_watch.setInterval(kWatchInterval);
    connect(&m_watch, &QTimer::timeout, this, &HostPane::checkHosted);
    showIdle();
}

HostPane::~HostPane()
{
    // Late for a pane whose main window is being destroyed, whose native
    // windows are gone by now (see release()), but in time when the pane
    // alone is deleted.
    release();
}

QString HostPane::statusText() const
{
    return m_status->text();
}

void HostPane::setStatus(const QString &text)
{
    m_status->setText(text);
    m_status->setToolTip(text);
}

void HostPane::showIdle()
{
    setStatus(tr("Riquadro %1").arg(m_slot));
}

void HostPane::showStarting(const QString &program)
{
    setStatus(tr("Avvio di %1 in corso...").arg(shownName(program)));
}

void HostPane::showFree(const QString &program, FreeReason reason)
{
    const QString name = shownName(program);
    switch (reason) {
    case FreeReason::NoEmbedding:
        setStatus(tr("%1 è aperto in una finestra a sé: su questo sistema grafico le "
                     "finestre di altri programmi non possono essere ospitate qui.")
                      .arg(name));
        break;
    case FreeReason::NoWindowInTime:
        setStatus(tr("%1 è aperto in una finestra a sé: la sua finestra non è comparsa "
                     "in tempo per essere ospitata qui.")
                      .arg(name));
        break;
    }
}

void HostPane::showEnded(const QString &program)
{
    setStatus(tr("%1 è terminato senza aprire una finestra.").arg(shownName(program)));
}

bool HostPane::host(quint64 window)
{
    release();
    QWindow *foreign = QWindow::fromWinId(WId(window));
    if (!foreign)
        return false;
    m_previousParent = X11Windows::parentOf(window);
    m_window = window;
    // The pane and the container get native windows of their own, so the
    // hosted window becomes a child of this pane in the window system too,
    // rather than of the main window at the pane's place. Only these two:
    // by default Qt would make every ancestor native and, to keep their
    // stacking, every ancestor's siblings, the whole main window.
    setAttribute(Qt::WA_DontCreateNativeAncestors);
    setAttribute(Qt::WA_NativeWindow);
    m_container = QWidget::createWindowContainer(foreign, this);
    m_container->setObjectName(QStringLiteral("hostContainer"));
    m_container->setAttribute(Qt::WA_DontCreateNativeAncestors);
    m_container->setAttribute(Qt::WA_NativeWindow);
    m_container->winId();
    // A native window made for a widget inside plain ones starts at its
    // offset from the plain parent rather than from the nearest native one;
    // later moves are carried over right.
    if (QWindow *own = windowHandle(); own && nativeParentWidget())
        own->setGeometry(QRect(mapTo(nativeParentWidget(), QPoint(0, 0)), size()));
    m_container->setGeometry(rect());
    m_container->show();
    m_status->hide();
    m_watch.start();
    return true;
}

void HostPane::release()
{
    if (!m_window)
        return;
    m_watch.stop();
    const quint64 window = m_window;
    m_window = 0;
    m_previousParent = 0;
    // Out of the container first: destroying the container destroys the
    // window system's windows below it. Qt hides the hosted window when it
    // lets go of it, so it is shown again afterwards.
    X11Windows::releaseToDesktop(window);
    dropContainer();
    X11Windows::map(window);
}

void HostPane::dropContainer()
{
    delete m_container.data();
    m_container = nullptr;
    m_status->show();
}

void HostPane::checkHosted()
{
    if (!m_window || X11Windows::parentOf(m_window) != 0)
        return;
    // The program closed its window: the pane is free again.
    m_watch.stop();
    m_window = 0;
    m_previousParent = 0;
    dropContainer();
    showIdle();
    emit hostedWindowClosed(m_slot);
}

void HostPane::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    m_status->setGeometry(rect());
    if (m_container)
        m_container->setGeometry(rect());
}

} // namespace panel
