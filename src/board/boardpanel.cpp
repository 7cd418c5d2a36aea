#include "boardpanel.h"

#include "boardimages.h"
#include "boardsurface.h"
#include "boardview.h"
#include "boardzoom.h"
#include "bruvela.h"
#include "drawingtools.h"
#include "frminstext.h"
#include "palette.h"
#include "reticolobox.h"
#include "chatsession.h"
#include "sinks.h"
#include "tableboard.h"
#include "tableshare.h"
#include "toolicons.h"
#include "viewport.h"

#include <QCheckBox>
#include <QEvent>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QToolButton>

namespace board
{

namespace
{

struct ToolButtonInfo {
    const char *name;
    const char *tip;
    ToolIcon icon;
    void (DrawingTools::*click)();
};

const ToolButtonInfo kToolButtons[] = {
    {"Command13", QT_TRANSLATE_NOOP("board::BoardPanel", "Mano libera"), ToolIcon::Freehand,
     &DrawingTools::Command13_Click},
    {"Command14", QT_TRANSLATE_NOOP("board::BoardPanel", "Linee rette"), ToolIcon::Line,
     &DrawingTools::Command14_Click},
    {"Command15", QT_TRANSLATE_NOOP("board::BoardPanel", "Cerchi"), ToolIcon::Circle,
     &DrawingTools::Command15_Click},
    {"Command16", QT_TRANSLATE_NOOP("board::BoardPanel", "Colora"), ToolIcon::Fill,
     &DrawingTools::Command16_Click},
    {"Command12", QT_TRANSLATE_NOOP("board::BoardPanel", "Testo"), ToolIcon::Text,
     &DrawingTools::Command12_Click},
    {"Command5", QT_TRANSLATE_NOOP("board::BoardPanel", "Approssima"), ToolIcon::Snap,
     &DrawingTools::Command5_Click},
    {"Command6", QT_TRANSLATE_NOOP("board::BoardPanel", "Collega"), ToolIcon::Link,
     &DrawingTools::Command6_Click},
};

} // namespace

BoardPanel::BoardPanel(QWidget *parent, Palette *palette, session::ChatSession *session,
                       fill::Bruvela *bruvela)
    : QObject(parent), m_window(parent), m_session(session), m_palette(palette),
      m_surface(new BoardSurface(this)),
      m_bruvela(bruvela)
{
    if (!m_bruvela) {
        m_bruvela = new fill::Bruvela(parent);
        m_bruvela->setObjectName(QStringLiteral("Bruvela1"));
    }
    m_tools = new DrawingTools(m_surface, m_palette, m_bruvela, session, this);
    m_viewport = new Viewport(m_surface, this);
    m_tools->setViewport(m_viewport);
    m_zoom = new BoardZoom(m_viewport, this);
    m_images = new BoardImages(m_surface, this);
    m_share = new TableShare(m_images, m_tools, session, this);

    buildControls(parent);
    bindViewport();
    bindTools();
    bindZoom();

    // The grid dialog is made now and kept: its hidden general step is
    // where the snap reads its step from, at start and at every press.
    m_reticolobox = new reticolobox(m_surface, m_palette, m_tools, parent);
    m_reticolobox->hide();
    m_tools->setGeneralStepSource([dialog = QPointer<reticolobox>(m_reticolobox)] {
        return dialog ? dialog->PASSIGEN->text() : QString();
    });
    m_share->setGeneralStepTarget([dialog = QPointer<reticolobox>(m_reticolobox)](const QString &step) {
        if (dialog)
            dialog->PASSIGEN->setText(step);
    });
    connect(m_reticolobox, &reticolobox::gridToShare, this, [this](const session::GridFields &grid) {
        if (!m_share->shareGrid(grid))
            showMessage(m_share->why());
    });
    connect(m_tools, &DrawingTools::textRequested, this, &BoardPanel::openTextDialog);
    connect(m_picDraw, &BoardView::filesDropped, this, &BoardPanel::picDraw_Drop);
    connect(m_images, &BoardImages::pasted, this, [this] {
        if (m_surface->hasPicture())
            offerToShare();
    });
    connect(m_images, &BoardImages::pictureLoaded, this, [this](const QSize &size) {
        m_txtWidth->setText(QString::number(size.width()));
        m_txtHeight->setText(QString::number(size.height()));
        // The hidden copy sizes itself to its picture; the pixels are the engine's.
        m_picHidden->resize(size);
    });

    if (parent) {
        parent->installEventFilter(this);
        if (QWidget *top = parent->window(); top && top != parent)
            top->installEventFilter(this);
    }
    m_picCont->installEventFilter(this);
    FlexInit();
}

session::BoardSink *BoardPanel::boardSink() const
{
    // Through the shared pictures' order, so drawings land on top of them.
    return m_share->boardSink();
}

QColor BoardPanel::highlightOnColour(const QPalette &palette)
{
    // The face colour menus are drawn with, taken a step darker: plain Window
    // is nearly as light as Light, so on and off could not be told apart.
    // conversation::ToggleButton::menuColour uses the same rule, so every
    // switch of the window shows "on" alike.
    return palette.color(QPalette::Active, QPalette::Window).darker(125);
}

QColor BoardPanel::highlightOffColour(const QPalette &palette)
{
    // The light edge of raised 3-D controls.
    return palette.color(QPalette::Active, QPalette::Light);
}

void BoardPanel::buildControls(QWidget *parent)
{
    m_caption = new QLabel(tr("Lavagna:"), parent);
    m_caption->setObjectName(QStringLiteral("lblLavagna"));
    m_caption->move(8, 4);

    m_picCont = new QFrame(parent);
    m_picCont->setObjectName(QStringLiteral("picCont"));
    m_picCont->setGeometry(8, 22, px(3615), px(2295));

    m_picDraw = new BoardView(m_surface, m_tools, m_picCont);
    m_picDraw->move(0, 0);

    m_hsb = new QScrollBar(Qt::Horizontal, m_picCont);
    m_hsb->setObjectName(QStringLiteral("hsbImm"));
    m_vsb = new QScrollBar(Qt::Vertical, m_picCont);
    m_vsb->setObjectName(QStringLiteral("vsbImm"));
    m_command2 = new QPushButton(QStringLiteral("---"), m_picCont);
    m_command2->setObjectName(QStringLiteral("Command2"));
    m_command2->setToolTip(tr("Esplora immagine"));
    connect(m_command2, &QPushButton::clicked, this, [this] {
        // The explorer copies the board and draws on it; a rubber band left
        // inverted there would be copied, and inverted away over its lines later.
        m_tools->ErasePendingSegment();
        emit imageExplorerRequested();
    });

    const int right = m_picCont->geometry().right() + 8;
    m_zFrame4 = new QGroupBox(tr("Area visibile di picImm"), parent);
    m_zFrame4->setObjectName(QStringLiteral("zFrame4"));
    m_zFrame4->setGeometry(right, 22, 170, 70);
    const char *captions[4] = {"X1:", "Y1:", "X2:", "Y2:"};
    const char *captionNames[4] = {"lblX1", "lblY1", "lblX2", "lblY2"};
    const char *names[4] = {"lblPicImmX1", "lblPicImmY1", "lblPicImmX2", "lblPicImmY2"};
    // Each caption is made right before its value: the main window places
    // the frame's labels by pairs in the order they were created.
    for (int i = 0; i < 4; ++i) {
        const int x = 6 + (i % 2) * 82;
        const int y = 20 + (i / 2) * 22;
        auto *caption = new QLabel(QString::fromLatin1(captions[i]), m_zFrame4);
        caption->setObjectName(QString::fromLatin1(captionNames[i]));
        caption->move(x, y);
        m_visLabels[i] = new QLabel(m_zFrame4);
        m_visLabels[i]->setObjectName(QString::fromLatin1(names[i]));
        m_visLabels[i]->setGeometry(x + 24, y, 54, 18);
    }

    m_clear = new QToolButton(parent);
    m_clear->setObjectName(QStringLiteral("cmdClearDraw"));
    m_clear->setToolTip(tr("Pulisci"));
    setToolIcon(m_clear, ToolIcon::Clear);
    m_clear->setIconSize(QSize(kToolIconSize, kToolIconSize));
    m_clear->setGeometry(right, 98, 26, 26);
    connect(m_clear, &QToolButton::clicked, this, &BoardPanel::cmdClearDraw_Click);

    int bx = right;
    for (const ToolButtonInfo &info : kToolButtons) {
        auto *button = new QToolButton(parent);
        const QString name = QString::fromLatin1(info.name);
        button->setObjectName(name);
        button->setToolTip(tr(info.tip));
        setToolIcon(button, info.icon);
        button->setIconSize(QSize(kToolIconSize, kToolIconSize));
        button->setAutoFillBackground(true);
        button->setGeometry(bx, 130, 24, 24);
        bx += 26;
        m_buttons.insert(name, button);
        applyHighlight(name, m_tools->highlighted(name));
        connect(button, &QToolButton::clicked, m_tools, info.click);
    }

    m_list = new QListWidget(parent);
    m_list->setObjectName(QStringLiteral("List1"));
    for (const QString &tool : DrawingTools::listItems()) {
        auto *item = new QListWidgetItem(DrawingTools::toolCaption(tool), m_list);
        item->setData(Qt::UserRole, tool);
    }
    m_list->setGeometry(right, 160, 120, 90);
    m_list->setMouseTracking(true);
    m_list->viewport()->setMouseTracking(true);
    m_list->viewport()->installEventFilter(this);

    auto hiddenCheck = [parent](const char *name, const char *tip) {
        auto *box = new QCheckBox(parent);
        box->setObjectName(QString::fromLatin1(name));
        if (tip)
            box->setToolTip(tr(tip));
        box->hide();
        return box;
    };
    m_riempi = hiddenCheck("riempi", nullptr);
    m_testoinBox = hiddenCheck("testoinBox", nullptr);
    m_lineaRetta = hiddenCheck("lineaRetta", nullptr);
    m_MLine = hiddenCheck("MLine", QT_TR_NOOP("Collega"));
    m_Snap2Grid = hiddenCheck("Snap2Grid", QT_TR_NOOP("Approssima"));

    m_pennello = new QScrollBar(Qt::Vertical, parent);
    m_pennello->setObjectName(QStringLiteral("pennello"));
    m_pennello->setRange(1, 25);
    m_pennello->setPageStep(5);
    m_pennello->setSingleStep(1);
    m_pennello->setValue(1);
    m_pennello->setGeometry(right + 126, 160, 16, 90);

    buildPictureControls(parent, right);
    buildZoomControls(parent, right);
    buildHostControls(parent, right);
}

void BoardPanel::buildHostControls(QWidget *parent, int right)
{
    m_restore = new QToolButton(parent);
    m_restore->setObjectName(QStringLiteral("cmdRestoreBoard"));
    m_restore->setToolTip(tr("Ripristina lavagna"));
    setToolIcon(m_restore, ToolIcon::Restore);
    m_restore->setIconSize(QSize(kToolIconSize, kToolIconSize));
    m_restore->setGeometry(right + 180, 290, 24, 24);
    m_restore->setEnabled(false);
    m_restore->hide();

    m_hostOnly = new QToolButton(parent);
    m_hostOnly->setObjectName(QStringLiteral("cmdClearHostOnly"));
    m_hostOnly->setToolTip(tr("Solo l'host può pulire la lavagna"));
    setToolIcon(m_hostOnly, ToolIcon::Lock);
    m_hostOnly->setIconSize(QSize(kToolIconSize, kToolIconSize));
    m_hostOnly->setCheckable(true);
    m_hostOnly->setGeometry(right + 206, 290, 24, 24);
    m_hostOnly->hide();

    if (!m_session)
        return;
    session::TableBoard *table = m_session->tableBoard();
    connect(m_restore, &QToolButton::clicked, table, &session::TableBoard::restore);
    connect(table, &session::TableBoard::restorableChanged, m_restore, &QWidget::setEnabled);
    connect(m_hostOnly, &QToolButton::toggled, table, &session::TableBoard::setClearHostOnly);
    connect(table, &session::TableBoard::clearHostOnlyChanged, m_hostOnly, [this](bool on) {
        if (m_session->bHost())
            m_hostOnly->setChecked(on);
    });
    // The host's own controls, shown while hosting.
    connect(m_session, &session::ChatSession::kickVisibleChanged, this, [this](bool hosting) {
        m_restore->setVisible(hosting);
        m_hostOnly->setVisible(hosting);
        m_restore->setEnabled(m_session->tableBoard()->canRestore());
        m_hostOnly->setChecked(m_session->tableBoard()->clearHostOnly());
    });
}

void BoardPanel::cmdClearDraw_Click()
{
    const bool inSession = m_session && m_session->bConnected();
    auto clear = [this] {
        if (m_session)
            m_session->tableBoard()->clearForAll();
        else
            m_tools->cmdClearDraw_Click();
    };
    session::MessageService *box = m_tools->messageService();
    if (!box) {
        clear();
        return;
    }
    // Asked without waiting here: the answer comes later, and only while
    // the panel still exists.
    box->ask(session::MessageService::Icon::Question, session::kAppTitle,
             tr(inSession ? kAskClearAll : kAskClear), session::MessageService::Buttons::YesNo,
             this, [clear](bool yes) {
                 if (yes)
                     clear();
             });
}

void BoardPanel::buildZoomControls(QWidget *parent, int right)
{
    struct ZoomButton {
        const char *name;
        const char *tip;
        ToolIcon icon;
    };
    const ZoomButton buttons[] = {
        {"cmdZoomOut", QT_TR_NOOP("Riduci la lavagna (Ctrl + rotella, tasto −)"),
         ToolIcon::ZoomOut},
        {"cmdZoomIn", QT_TR_NOOP("Ingrandisci la lavagna (Ctrl + rotella, tasto +)"),
         ToolIcon::ZoomIn},
        {"cmdZoomFit", QT_TR_NOOP("Mostra tutta la lavagna"), ToolIcon::ZoomFit},
    };
    int x = right;
    for (const ZoomButton &b : buttons) {
        auto *button = new QToolButton(parent);
        button->setObjectName(QString::fromLatin1(b.name));
        button->setToolTip(tr(b.tip));
        setToolIcon(button, b.icon);
        button->setIconSize(QSize(kToolIconSize, kToolIconSize));
        button->setGeometry(x, 290, 24, 24);
        x += 26;
        m_zoomButtons.insert(button->objectName(), button);
    }
    // The zoom in force is told by the button that brings the board back to 100 %.
    auto *actual = new QToolButton(parent);
    actual->setObjectName(QStringLiteral("cmdZoom100"));
    setToolIcon(actual, ToolIcon::ZoomActual);
    actual->setIconSize(QSize(kToolIconSize, kToolIconSize));
    actual->setToolTip(zoom100Tip(1.0));
    actual->setGeometry(x, 290, 24, 24);
    m_zoomButtons.insert(actual->objectName(), actual);
}

QString BoardPanel::zoom100Tip(double factor)
{
    return tr("Lavagna a grandezza reale (100 %); ora al %1").arg(BoardZoom::percentText(factor));
}

void BoardPanel::bindZoom()
{
    m_picDraw->setZoom(m_zoom);
    connect(m_zoomButtons.value(QStringLiteral("cmdZoomOut")), &QToolButton::clicked, m_zoom,
            [this] { m_zoom->zoomOut(); });
    connect(m_zoomButtons.value(QStringLiteral("cmdZoomIn")), &QToolButton::clicked, m_zoom,
            [this] { m_zoom->zoomIn(); });
    connect(m_zoomButtons.value(QStringLiteral("cmdZoomFit")), &QToolButton::clicked, m_zoom,
            &BoardZoom::fitToView);
    connect(m_zoomButtons.value(QStringLiteral("cmdZoom100")), &QToolButton::clicked, m_zoom,
            &BoardZoom::actualSize);
    connect(m_zoom, &BoardZoom::zoomChanged, this, [this](double factor) {
        m_picDraw->zoomChanged();
        m_zoomButtons.value(QStringLiteral("cmdZoom100"))->setToolTip(zoom100Tip(factor));
    });
    // The pointer's place in the view, told as a place in the container.
    connect(m_picDraw, &BoardView::zoomWheel, m_zoom, [this](int delta, const QPointF &at) {
        m_zoom->wheel(delta, at + QPointF(m_picDraw->pos()));
    });
    connect(m_picDraw, &BoardView::zoomKey, m_zoom, [this](int direction) {
        direction > 0 ? m_zoom->zoomIn() : m_zoom->zoomOut();
    });
    // The arrows move the board by an eighth of what is seen of it.
    connect(m_picDraw, &BoardView::scrollKey, this, [this](int dx, int dy) {
        for (auto [bar, d] : {std::pair{m_hsb, dx}, std::pair{m_vsb, dy}}) {
            if (d != 0 && bar->isVisible())
                bar->setValue(bar->value() + d * qMax(bar->singleStep(), bar->pageStep() / 8));
        }
    });
}

void BoardPanel::buildPictureControls(QWidget *parent, int right)
{
    auto pictureButton = [this, parent](const char *name, const char *tip, ToolIcon icon) {
        auto *button = new QToolButton(parent);
        button->setObjectName(QString::fromLatin1(name));
        button->setToolTip(tr(tip));
        setToolIcon(button, icon);
        button->setIconSize(QSize(kToolIconSize, kToolIconSize));
        return button;
    };
    // After the tool buttons, in their row.
    m_reticolo = pictureButton("reticolo", QT_TR_NOOP("Crea reticolo"), ToolIcon::Grid);
    m_reticolo->setGeometry(right + 26 * 7, 130, 24, 24);
    connect(m_reticolo, &QToolButton::clicked, this, &BoardPanel::reticolo_Click);

    auto sizeBox = [parent](const char *name, const char *tip) {
        auto *box = new QLineEdit(parent);
        box->setObjectName(QString::fromLatin1(name));
        box->setToolTip(tr(tip));
        return box;
    };
    m_txtWidth = sizeBox("txtWidth", QT_TR_NOOP("Larghezza"));
    m_txtWidth->setGeometry(right, 256, 40, 22);
    m_txtHeight = sizeBox("txtHeight", QT_TR_NOOP("Altezza"));
    m_txtHeight->setGeometry(right + 44, 256, 40, 22);
    bindSizeBox(m_txtWidth);
    bindSizeBox(m_txtHeight);

    m_cmdRidim =
        pictureButton("cmdRidim", QT_TR_NOOP("Ridimensiona/Copia appunti"), ToolIcon::Resize);
    m_cmdRidim->setGeometry(right + 88, 255, 24, 24);
    connect(m_cmdRidim, &QToolButton::clicked, this, &BoardPanel::cmdRidim_Click);
    m_incolla = pictureButton("IncollaClipboard", QT_TR_NOOP("Incolla appunti"), ToolIcon::Paste);
    m_incolla->setGeometry(right + 114, 255, 24, 24);
    connect(m_incolla, &QToolButton::clicked, this, &BoardPanel::IncollaClipboard_Click);
    m_sharePicture = pictureButton("cmdSharePicture",
                                   QT_TR_NOOP("Condividi con il tavolo: l'immagine della "
                                              "lavagna compare sulla lavagna di tutti"),
                                   ToolIcon::Share);
    m_sharePicture->setGeometry(right + 140, 255, 24, 24);
    connect(m_sharePicture, &QToolButton::clicked, this, &BoardPanel::cmdSharePicture_Click);

    m_picHidden = new QLabel(parent);
    m_picHidden->setObjectName(QStringLiteral("picHidden"));
    m_picHidden->hide();
}

void BoardPanel::bindSizeBox(QLineEdit *box)
{
    // Every change leaves the number the text starts with: "12abc" is "12".
    connect(box, &QLineEdit::textChanged, this, [box](const QString &text) {
        const QString normal = BoardImages::normaliseSize(text);
        if (normal == text)
            return;
        // A box emptied shows "0" with the caret after it, so what is typed
        // next replaces it ("05" reads as 5) instead of going in front.
        const int cursor = normal == QLatin1String("0")
                               ? 1
                               : std::min<int>(box->cursorPosition(), int(normal.size()));
        box->setText(normal);
        box->setCursorPosition(cursor);
    });
}

void BoardPanel::showMessage(const QString &text) const
{
    if (session::MessageService *box = m_tools->messageService())
        box->showMessage(session::MessageService::Icon::None, session::kAppTitle, text);
}

QString BoardPanel::PASSIGEN() const
{
    return m_reticolobox->PASSIGEN->text();
}

void BoardPanel::takeGridStep()
{
    m_tools->refreshGridStep();
}

void BoardPanel::reticolo_Click()
{
    emit secondaryWindowOpening();
    m_reticolobox->open();
}

void BoardPanel::openTextDialog(const QPoint &anchor)
{
    emit secondaryWindowOpening();
    if (!m_insText)
        m_insText = new frmInsText(m_tools, m_window);
    m_insText->setAnchor(anchor);
    m_insText->open();
    emit textDialogOpened(m_insText);
}

frmInsText *BoardPanel::textDialog() const
{
    return m_insText.data();
}

bool BoardPanel::hasPicture() const
{
    return m_surface->hasPicture();
}

QImage BoardPanel::picture() const
{
    return m_surface->picture();
}

bool BoardPanel::loadPictureFile(const QString &path, bool reportFailure)
{
    // A rubber band under the new picture would be inverted "away" over it
    // at the next move and leave a stray line; it comes back at that move.
    m_tools->ErasePendingSegment();
    if (m_images->loadPictureFile(path)) {
        offerToShare();
        return true;
    }
    if (reportFailure)
        showMessage(BoardImages::invalidPictureText());
    return false;
}

bool BoardPanel::CopyEntirePicture() const
{
    return BoardImages::CopyEntirePicture(*m_surface);
}

void BoardPanel::picDraw_Drop(const QList<QUrl> &urls)
{
    if (urls.isEmpty())
        return;
    // Only the first file counts; something that is no local file cannot
    // be a picture to load.
    const QString path = urls.first().toLocalFile();
    if (path.isEmpty()) {
        showMessage(BoardImages::invalidPictureText());
        return;
    }
    loadPictureFile(path);
}

void BoardPanel::cmdRidim_Click()
{
    // Not copied to the clipboard, nor inverted away over the new picture later.
    m_tools->ErasePendingSegment();
    const BoardImages::ResizeResult r =
        m_images->cmdRidim(m_txtWidth->text(), m_txtHeight->text());
    m_txtWidth->setText(r.width);
    m_txtHeight->setText(r.height);
    if (r.outcome == BoardImages::Resize::Refused)
        showMessage(r.message);
}

void BoardPanel::IncollaClipboard_Click()
{
    m_tools->ErasePendingSegment();
    // Another program's picture is decoded aside: pasted() offers to share it.
    m_images->IncollaClipboard();
}

void BoardPanel::cmdSharePicture_Click()
{
    session::MessageService *box = m_tools->messageService();
    if (box && m_session && m_session->bConnected() && m_share->pictureExceedsBoard()) {
        // The others would see only its corner: fitting it is offered first.
        const QSize board = m_surface->pixelSize();
        box->ask(session::MessageService::Icon::Question, session::kAppTitle,
                 tr("L'immagine è più grande della lavagna (%1 × %2 pixel): gli altri ne "
                    "vedrebbero solo la parte in alto a sinistra.\n\nAdattarla alla lavagna "
                    "prima di condividerla? (Sì: intera e ridotta, anche qui; No: alle sue "
                    "dimensioni)")
                     .arg(board.width())
                     .arg(board.height()),
                 session::MessageService::Buttons::YesNo, this,
                 [this](bool fit) { sharePicture(fit); });
        return;
    }
    sharePicture(false);
}

void BoardPanel::sharePicture(bool fit)
{
    if (!m_share->shareBoardPicture(fit ? TableShare::Fitting::ToBoard
                                        : TableShare::Fitting::AsItIs))
        showMessage(m_share->why());
}

void BoardPanel::offerToShare()
{
    session::MessageService *box = m_tools->messageService();
    if (!m_session || !m_session->bConnected() || !box)
        return;
    box->ask(session::MessageService::Icon::Question, session::kAppTitle, tr(kOfferShare),
             session::MessageService::Buttons::YesNo, this, [this](bool yes) {
                 if (yes)
                     cmdSharePicture_Click();
             });
}

void BoardPanel::bindViewport()
{
    connect(m_viewport, &Viewport::barsChanged, this, &BoardPanel::applyBars);
    connect(m_viewport, &Viewport::valuesChanged, this, [this] {
        const QSignalBlocker bh(m_hsb);
        const QSignalBlocker bv(m_vsb);
        m_hsb->setValue(m_viewport->hsbImm().value);
        m_vsb->setValue(m_viewport->vsbImm().value);
    });
    connect(m_viewport, &Viewport::surfaceMoved, m_picDraw,
            [this](const QPoint &offset) { m_picDraw->move(offset); });
    connect(m_viewport, &Viewport::visibleAreaChanged, this,
            [this](const QString &x1, const QString &y1, const QString &x2, const QString &y2) {
                m_visLabels[0]->setText(x1);
                m_visLabels[1]->setText(y1);
                m_visLabels[2]->setText(x2);
                m_visLabels[3]->setText(y2);
            });
    // Disabling the pen bar for a moment takes the keyboard focus from it, so
    // arrow keys pressed while panning do not change the pen width.
    connect(m_viewport, &Viewport::panStarted, this, [this] {
        m_pennello->setEnabled(false);
        m_pennello->setEnabled(true);
    });
    connect(m_hsb, &QScrollBar::valueChanged, m_viewport, &Viewport::setHValue);
    connect(m_vsb, &QScrollBar::valueChanged, m_viewport, &Viewport::setVValue);
}

void BoardPanel::applyBars()
{
    const QSignalBlocker bh(m_hsb);
    const QSignalBlocker bv(m_vsb);
    auto apply = [](QScrollBar *bar, const Viewport::Bar &b, const QRect &r) {
        bar->setRange(b.minimum, b.maximum);
        bar->setSingleStep(b.singleStep);
        bar->setPageStep(b.pageStep);
        bar->setValue(b.value);
        bar->setGeometry(r);
        bar->setVisible(b.visible);
    };
    apply(m_hsb, m_viewport->hsbImm(), m_viewport->hsbRect());
    apply(m_vsb, m_viewport->vsbImm(), m_viewport->vsbRect());
    m_command2->setGeometry(m_viewport->cornerRect());
    m_command2->setVisible(m_viewport->cornerVisible());
    fitCaptions();
    // The surface sits under its bars so they stay reachable.
    m_picDraw->lower();
    m_hsb->raise();
    m_vsb->raise();
    m_command2->raise();
}

void BoardPanel::bindTools()
{
    connect(m_tools, &DrawingTools::highlightChanged, this, &BoardPanel::applyHighlight);
    connect(m_tools, &DrawingTools::stateChanged, this, &BoardPanel::syncFromTools);

    connect(m_list, &QListWidget::currentItemChanged, m_tools, [this](QListWidgetItem *item) {
        if (!m_syncing)
            m_tools->setList1(item ? item->data(Qt::UserRole).toString() : QString());
    });

    auto bindCheck = [this](QCheckBox *box, void (DrawingTools::*setter)(bool)) {
        connect(box, &QCheckBox::toggled, m_tools, [this, setter](bool on) {
            if (!m_syncing)
                (m_tools->*setter)(on);
        });
    };
    bindCheck(m_riempi, &DrawingTools::setRiempi);
    bindCheck(m_testoinBox, &DrawingTools::setTestoinBox);
    bindCheck(m_lineaRetta, &DrawingTools::setLineaRetta);
    bindCheck(m_MLine, &DrawingTools::setMLine);
    bindCheck(m_Snap2Grid, &DrawingTools::setSnap2Grid);

    connect(m_pennello, &QScrollBar::valueChanged, m_tools, [this](int value) {
        if (!m_syncing)
            m_tools->setPennello(value);
    });
    syncFromTools();
}

void BoardPanel::syncFromTools()
{
    m_syncing = true;
    m_riempi->setChecked(m_tools->riempi());
    m_testoinBox->setChecked(m_tools->testoinBox());
    m_lineaRetta->setChecked(m_tools->lineaRetta());
    m_MLine->setChecked(m_tools->MLine());
    m_Snap2Grid->setChecked(m_tools->Snap2Grid());
    m_pennello->setValue(m_tools->pennello());
    const QString text = m_tools->List1();
    m_list->setCurrentRow(int(DrawingTools::listItems().indexOf(text)));
    m_syncing = false;
}

void BoardPanel::applyHighlight(const QString &name, bool on)
{
    QToolButton *button = m_buttons.value(name);
    if (!button)
        return;
    QPalette pal = button->palette();
    const QColor colour = on ? highlightOnColour(m_window ? m_window->palette() : pal)
                             : highlightOffColour(m_window ? m_window->palette() : pal);
    pal.setColor(QPalette::Button, colour);
    pal.setColor(QPalette::Window, colour);
    button->setPalette(pal);
    if (m_icons.contains(button))
        setToolIcon(button, m_icons.value(button));
}

void BoardPanel::setToolIcon(QToolButton *button, ToolIcon icon)
{
    m_icons.insert(button, icon);
    button->setIcon(toolIcon(icon, button->palette().color(QPalette::Button)));
}

void BoardPanel::FlexInit()
{
    m_viewport->setContainerSize(m_picCont->contentsRect().size());
    m_viewport->setBarExtent(m_picCont->style()->pixelMetric(QStyle::PM_ScrollBarExtent));
    m_viewport->FlexInit();
    m_zoom->containerResized();
}

bool BoardPanel::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_list->viewport() && event->type() == QEvent::MouseMove) {
        m_tools->List1_MouseMove(m_tools->List1());
    } else if (watched == m_picCont && event->type() == QEvent::Resize) {
        FlexInit();
    } else if (m_window && (watched == m_window || watched == m_window->window()) &&
               (event->type() == QEvent::WindowActivate || event->type() == QEvent::Show)) {
        FlexInit();
    } else if (watched == m_window && event->type() == QEvent::PaletteChange) {
        // The desktop's theme changed: the faces and their pictures follow.
        const auto icons = m_icons;
        for (auto it = icons.cbegin(); it != icons.cend(); ++it)
            setToolIcon(it.key(), it.value());
        for (const QString &name : m_buttons.keys())
            applyHighlight(name, m_tools->highlighted(name));
    }
    return QObject::eventFilter(watched, event);
}


namespace
{
/// What a line edit keeps free on either side of its text, inside its frame.
constexpr int kLineEditMargin = 2;

// The largest type, from the widget's own down, in which @p text is at most
// @p room pixels wide.
QFont fitting(const QFont &base, const QString &text, int room)
{
    QFont font = base;
    qreal size = base.pointSizeF() > 0 ? base.pointSizeF() : 9;
    while (size > 5 && QFontMetrics(font).horizontalAdvance(text) > room) {
        size -= 0.5;
        font.setPointSizeF(size);
    }
    return font;
}
} // namespace

void BoardPanel::fitCaptions()
{
    if (m_zFrame4) {
        // The frame's own type is its title's; its labels keep the window's.
        const QFont plain = m_zFrame4->parentWidget()->font();
        for (QLabel *label : m_zFrame4->findChildren<QLabel *>())
            label->setFont(plain);
        m_zFrame4->setFont(fitting(plain, m_zFrame4->title(), m_zFrame4->width() - 12));
    }
    const QFont plain = m_picCont->font();
    m_command2->setFont(fitting(plain, m_command2->text(), m_command2->width() - 4));
    // The size boxes show five digits whole: maps of 12000 pixels are no rarity.
    for (QLineEdit *box : {m_txtWidth, m_txtHeight}) {
        QStyleOptionFrame option;
        option.initFrom(box);
        option.lineWidth = box->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, box);
        const int room =
            box->style()->subElementRect(QStyle::SE_LineEditContents, &option, box).width() -
            2 * kLineEditMargin;
        box->setFont(fitting(plain, QStringLiteral("88888"), room));
    }
}
} // namespace board
