#include "frmzoom.h"

#include "frmzoomoptions.h"
#include "togglebutton.h"

#include <QApplication>
#include <QCursor>
#include <QEnterEvent>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace accessories
{

namespace
{
/// One press of "+" or "-".
constexpr double kFactorStep = 0.5;

/// Whether this desktop lets a program read the whole screen: an X11
/// session does; a Wayland one (even through its X11 compatibility,
/// which shows only X11 programs) does not.
bool screenReadable()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return false;
    return qEnvironmentVariable("XDG_SESSION_TYPE") != QLatin1String("wayland");
}
} // namespace

frmZoom::frmZoom(const QString &iniPath, QWidget *parent)
    : AccessoryWindow(AccessorySettings::kMagnifier, iniPath, parent), m_zoom(settings().zoom()),
      m_wholeScreen(screenReadable())
{
    setObjectName(QStringLiteral("frmZoom"));
    setWindowTitle(tr("Lente"));

    picZoom = new QLabel(this);
    picZoom->setObjectName(QStringLiteral("picZoom"));
    picZoom->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    picZoom->setMinimumSize(ZoomSettings::kMinSide, ZoomSettings::kMinSide);
    picZoom->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    picZoom->setAutoFillBackground(true);
    picZoom->setAccessibleName(tr("Immagine ingrandita"));
    QPalette dark = picZoom->palette();
    dark.setColor(QPalette::Window, Qt::black);
    picZoom->setPalette(dark);

    auto button = [this](const char *name, const QString &caption, const QString &tip) {
        auto *b = new QPushButton(caption, this);
        b->setObjectName(QLatin1String(name));
        b->setToolTip(tip);
        return b;
    };
    cmdZoomOut = button("cmdZoomOut", QStringLiteral("\u2212"), tr("Meno ingrandimento (-)"));
    cmdZoomOut->setAccessibleName(tr("Meno ingrandimento"));
    cmdZoomOut->setShortcut(QKeySequence(Qt::Key_Minus));
    lblFactor = new QLabel(this);
    lblFactor->setObjectName(QStringLiteral("lblFactor"));
    lblFactor->setAlignment(Qt::AlignCenter);
    lblFactor->setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("16,0 \u00D7")));
    cmdZoomIn = button("cmdZoomIn", QStringLiteral("+"), tr("Più ingrandimento (+)"));
    cmdZoomIn->setAccessibleName(tr("Più ingrandimento"));
    cmdZoomIn->setShortcut(QKeySequence(Qt::Key_Plus));
    cmdFix = button("cmdFix", tr("&Blocca"),
                    tr("Blocca l'area dove si trova il puntatore, o torna a seguirlo (Alt+B)"));
    cmdFix->setCheckable(true);
    cmdOptions = button("cmdOptions", tr("&Opzioni\u2026"), tr("Opzioni della lente (Alt+O)"));

    auto *row = new QHBoxLayout;
    row->addWidget(cmdZoomOut);
    row->addWidget(lblFactor);
    row->addWidget(cmdZoomIn);
    row->addWidget(cmdFix);
    row->addStretch();
    row->addWidget(cmdOptions);
    row->addWidget(onTopButton());
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(picZoom, 1);
    layout->addLayout(row);

    connect(cmdZoomOut, &QPushButton::clicked, this, &frmZoom::zoomOut);
    connect(cmdZoomIn, &QPushButton::clicked, this, &frmZoom::zoomIn);
    connect(cmdFix, &QPushButton::clicked, this, &frmZoom::toggleFixed);
    connect(cmdOptions, &QPushButton::clicked, this, &frmZoom::showOptions);
    connect(&m_timer, &QTimer::timeout, this, &frmZoom::refresh);
    setTabOrder(cmdZoomOut, cmdZoomIn);
    setTabOrder(cmdZoomIn, cmdFix);
    setTabOrder(cmdFix, cmdOptions);
    setTabOrder(cmdOptions, onTopButton());

    // Without the screen, what the pointer is over is learnt from the
    // program's own windows' events.
    if (!m_wholeScreen)
        qApp->installEventFilter(this);

    setZoom(m_zoom);
    restorePlace();
}

frmZoom::~frmZoom()
{
    if (!m_wholeScreen)
        qApp->removeEventFilter(this);
}

void frmZoom::setZoom(const ZoomSettings &zoom)
{
    m_zoom = zoom.bounded();
    // The window grows or shrinks so the picture has the size asked for.
    layout()->activate();
    resize(size() + m_zoom.viewSize - picZoom->size());
    m_timer.setInterval(m_zoom.refreshMs);
    updateControls();
    refresh();
}

void frmZoom::updateControls()
{
    lblFactor->setText(QLocale().toString(m_zoom.factor, 'f', 1) + QStringLiteral(" \u00D7"));
    lblFactor->setAccessibleName(
        tr("Ingrandimento %1 volte").arg(QLocale().toString(m_zoom.factor, 'f', 1)));
    cmdZoomOut->setEnabled(m_zoom.factor > ZoomSettings::kMinFactor);
    cmdZoomIn->setEnabled(m_zoom.factor < ZoomSettings::kMaxFactor);
    cmdFix->setChecked(!m_zoom.followPointer);
}

void frmZoom::zoomIn()
{
    ZoomSettings z = m_zoom;
    z.factor += kFactorStep;
    z.viewSize = picZoom->size();
    setZoom(z);
}

void frmZoom::zoomOut()
{
    ZoomSettings z = m_zoom;
    z.factor -= kFactorStep;
    z.viewSize = picZoom->size();
    setZoom(z);
}

QPoint frmZoom::centre() const
{
    if (!m_zoom.followPointer)
        return m_zoom.fixedCentre;
    return m_wholeScreen ? QCursor::pos() : m_pointerPos.toPoint();
}

void frmZoom::toggleFixed()
{
    ZoomSettings z = m_zoom;
    z.viewSize = picZoom->size();
    z.followPointer = !m_zoom.followPointer;
    if (!z.followPointer) {
        // Own windows: the fixed area lies on the main window.
        QWidget *main = parentWidget() ? parentWidget()->window() : nullptr;
        if (m_wholeScreen)
            z.fixedCentre = QCursor::pos();
        else if (main && m_pointerWindow == main->windowHandle())
            z.fixedCentre = m_pointerPos.toPoint();
        else if (main)
            z.fixedCentre = main->rect().center();
    }
    setZoom(z);
}

void frmZoom::refresh()
{
    if (!isVisible() || isMinimized())
        return;
    const QImage shot = m_wholeScreen ? grabScreen() : grabOwnWindow();
    // No picture (the pointer is over the magnifier, nothing to read):
    // the last one stays.
    if (!shot.isNull())
        picZoom->setPixmap(QPixmap::fromImage(shot));
}

QImage frmZoom::grabScreen() const
{
    const QPoint c = centre();
    if (m_zoom.followPointer && frameGeometry().contains(c))
        return QImage();
    QScreen *screen = QGuiApplication::screenAt(c);
    if (!screen)
        screen = this->screen();
    const QRect geometry = screen->geometry();
    const QSize view = picZoom->size();
    const QRect area = Magnifier::sourceArea(c, view, m_zoom.factor, geometry);
    const QImage shot = screen
                            ->grabWindow(0, area.x() - geometry.x(), area.y() - geometry.y(),
                                         area.width(), area.height())
                            .toImage();
    if (shot.isNull() || area.width() == 0)
        return QImage();
    // A screen scaled for high density gives more pixels than the area's
    // size: the factor is meant in the desktop's own units.
    const double density = double(shot.width()) / area.width();
    return Magnifier::magnify(shot, view, m_zoom.factor / density);
}

QImage frmZoom::grabOwnWindow() const
{
    QWidget *main = parentWidget() ? parentWidget()->window() : nullptr;
    QWidget *source = m_zoom.followPointer ? nullptr : main;
    QPointF at = m_zoom.fixedCentre;
    if (m_zoom.followPointer) {
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (m_pointerWindow && w->windowHandle() == m_pointerWindow)
                source = w;
        }
        at = m_pointerPos;
        if (!source) {
            source = main;
            at = main ? QPointF(main->rect().center()) : QPointF();
        }
    }
    if (!source || source == this || !source->isVisible())
        return QImage();
    // Only the area is rendered, not the whole window.
    const QSize view = picZoom->size();
    const QRect area = Magnifier::sourceArea(at.toPoint(), view, m_zoom.factor, source->rect());
    const QPixmap shot = source->grab(area);
    if (shot.isNull())
        return QImage();
    QImage image = shot.toImage();
    const double density = shot.devicePixelRatio();
    image.setDevicePixelRatio(1);
    return Magnifier::magnify(image, view, m_zoom.factor / density);
}

bool frmZoom::eventFilter(QObject *watched, QEvent *event)
{
    if (watched->isWindowType() &&
        (event->type() == QEvent::MouseMove || event->type() == QEvent::Enter)) {
        // A native child (the program panel's panes, the board) has a window
        // of its own: the position is taken up to its top-level window.
        auto *window = static_cast<QWindow *>(watched);
        QPointF at = static_cast<QSinglePointEvent *>(event)->position();
        for (; window->parent(); window = window->parent())
            at += window->position();
        m_pointerWindow = window;
        m_pointerPos = at;
    }
    return AccessoryWindow::eventFilter(watched, event);
}

void frmZoom::showOptions()
{
    if (!m_options) {
        ZoomSettings current = m_zoom;
        current.viewSize = picZoom->size();
        m_options = new frmZoomOptions(current, pos(), m_wholeScreen, this);
        m_options->setAttribute(Qt::WA_DeleteOnClose);
        connect(m_options, &frmZoomOptions::chosen, this,
                [this](const ZoomSettings &zoom, QPoint windowPos) {
                    move(windowPos);
                    setZoom(zoom);
                });
    }
    m_options->show();
    m_options->raise();
    m_options->activateWindow();
}

void frmZoom::showEvent(QShowEvent *event)
{
    AccessoryWindow::showEvent(event);
    m_timer.start();
    refresh();
    tellOnceAboutScreen();
}

void frmZoom::hideEvent(QHideEvent *event)
{
    // Nothing is read from the screen while nobody looks.
    m_timer.stop();
    AccessoryWindow::hideEvent(event);
}

void frmZoom::resizeEvent(QResizeEvent *event)
{
    AccessoryWindow::resizeEvent(event);
    if (isVisible())
        m_zoom.viewSize = picZoom->size();
}

void frmZoom::keyPressEvent(QKeyEvent *event)
{
    // "=" shares its key with "+" on many keyboards.
    if (event->key() == Qt::Key_Equal) {
        zoomIn();
        return;
    }
    AccessoryWindow::keyPressEvent(event);
}

void frmZoom::saveSettings()
{
    ZoomSettings z = m_zoom;
    z.viewSize = picZoom->size();
    settings().setZoom(z.bounded());
}

void frmZoom::tellOnceAboutScreen()
{
    if (m_wholeScreen || settings().screenNoticeShown())
        return;
    settings().setScreenNoticeShown(true);
    auto *box = new QMessageBox(QMessageBox::Information, tr("Lente"),
                                tr("Questo sistema non lascia leggere lo schermo ai programmi: la "
                                   "lente ingrandisce solo le finestre di Tavernix."),
                                QMessageBox::Ok, this);
    box->setObjectName(QStringLiteral("screenNotice"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

QIcon frmZoom::buttonPicture()
{
    // A lens with a plus in it: the plain lens is the search button's.
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(90, 60, 30), 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(10.5, 10.5), QPointF(14.5, 14.5));
    p.setPen(QPen(QColor(40, 40, 40), 1.5));
    p.setBrush(QColor(255, 250, 200));
    p.drawEllipse(QRectF(0.75, 0.75, 11, 11));
    p.setPen(QPen(QColor(0, 100, 0), 2));
    p.drawLine(QPointF(3.5, 6.25), QPointF(9, 6.25));
    p.drawLine(QPointF(6.25, 3.5), QPointF(6.25, 9));
    return QIcon(pm);
}

} // namespace accessories
