#include "form2.h"

#include "controlnames.h"
#include "readingorder.h"

#include "boardpanel.h"
#include "boardsurface.h"
#include "drawingtools.h"
#include "explorerengine.h"
#include "explorerview.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>

#include <algorithm>

namespace explorer
{

namespace
{

constexpr int kRowHeight = 24;

} // namespace

Form2::Form2(board::BoardPanel *board, session::MessageService *messages, QWidget *parent)
    : QWidget(parent, Qt::Window),
      m_engine(new ExplorerEngine(board->surface(), board->tools()->palette(), this))
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(ExplorerEngine::defaultTitle());
    setWindowModality(Qt::ApplicationModal);
    m_engine->setMessageService(messages);

    buildMenu();
    buildControls();
    Form_Load(board);
    nameControls();
}

Form2::~Form2() = default;

void Form2::setMessageService(session::MessageService *service)
{
    m_engine->setMessageService(service);
}

bool Form2::drawable() const
{
    return m_engine->canDraw();
}

void Form2::buildMenu()
{
    menuBar = new QMenuBar(this);
    menuBar->setObjectName(QStringLiteral("menuBar"));
    mnuOpzioni = menuBar->addMenu(tr("Opzioni"));
    mnuOpzioni->setObjectName(QStringLiteral("mnuOpzioni"));
    auto item = [this](const char *name, const QString &text) {
        QAction *action = mnuOpzioni->addAction(text);
        action->setObjectName(QLatin1String(name));
        return action;
    };
    // "Linee Rette" names the only kind of line the explorer draws; it does nothing.
    mnuOpzioniLineeRette = item("mnuOpzioniLineeRette", tr("Linee Rette"));
    mnuOpzioniLineeCollegate = item("mnuOpzioniLineeCollegate", tr("Linee Collegate"));
    mnuOpzioniCreaReticolo = item("mnuOpzioniCreaReticolo", tr("Crea Reticolo"));
    mnuOpzioniApprossima = item("mnuOpzioniApprossima", tr("Approssima"));
    mnuOpzioni->addSeparator();
    mnuOpzioniPulisci = item("mnuOpzioniPulisci", tr("Pulisci"));
    mnuOpzioniEsci = item("mnuOpzioniEsci", tr("Esci"));
    // The two switches show their state in the menu too.
    mnuOpzioniLineeCollegate->setCheckable(true);
    mnuOpzioniApprossima->setCheckable(true);

    connect(mnuOpzioniCreaReticolo, &QAction::triggered, this, &Form2::DrawGrid);
    connect(mnuOpzioniPulisci, &QAction::triggered, this, &Form2::mnuOpzioniPulisci_Click);
    connect(mnuOpzioniEsci, &QAction::triggered, this, &Form2::mnuOpzioniEsci_Click);
}

void Form2::buildControls()
{
    picContenitore = new QWidget(this);
    picContenitore->setObjectName(QStringLiteral("picContenitore"));
    // The part of the area no picture covers is shown dark, so the
    // picture's edges can be seen.
    picContenitore->setBackgroundRole(QPalette::Dark);
    picContenitore->setAutoFillBackground(true);

    // The copy lies under the drawable picture; only one of them has a size.
    picImmagine2 = new QLabel(picContenitore);
    picImmagine2->setObjectName(QStringLiteral("picImmagine2"));
    picImmagine2->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    picImmagine2->resize(0, 0);
    picImmagine = new ExplorerView(m_engine, picContenitore);

    auto bar = [this](const char *name, Qt::Orientation orientation) {
        auto *b = new QScrollBar(orientation, this);
        b->setObjectName(QLatin1String(name));
        b->hide();
        return b;
    };
    hscOrizzontale = bar("hscOrizzontale", Qt::Horizontal);
    vscVerticale = bar("vscVerticale", Qt::Vertical);
    hscOrizzontale2 = bar("hscOrizzontale2", Qt::Horizontal);
    vscVerticale2 = bar("vscVerticale2", Qt::Vertical);
    // The picture moves left (up) as its bar advances.
    connect(hscOrizzontale, &QScrollBar::valueChanged, this,
            [this](int value) { picImmagine->move(-value, picImmagine->y()); });
    connect(vscVerticale, &QScrollBar::valueChanged, this,
            [this](int value) { picImmagine->move(picImmagine->x(), -value); });
    connect(hscOrizzontale2, &QScrollBar::valueChanged, this,
            [this](int value) { picImmagine2->move(-value, picImmagine2->y()); });
    connect(vscVerticale2, &QScrollBar::valueChanged, this,
            [this](int value) { picImmagine2->move(picImmagine2->x(), -value); });

    Snap2Grid = new QCheckBox(tr("Approssima"), this);
    Snap2Grid->setObjectName(QStringLiteral("Snap2Grid"));
    MLine = new QCheckBox(tr("Linee Collegate"), this);
    MLine->setObjectName(QStringLiteral("MLine"));
    // Command1(0) and Command1(1) of the button array.
    Command1_0 = new QPushButton(tr("Pulisci"), this);
    Command1_0->setObjectName(QStringLiteral("Command1_0"));
    Command1_1 = new QPushButton(tr("Esci"), this);
    Command1_1->setObjectName(QStringLiteral("Command1_1"));

    connect(Snap2Grid, &QCheckBox::toggled, this, [this](bool on) {
        m_engine->setSnap2Grid(on);
        mnuOpzioniApprossima->setChecked(on);
    });
    connect(MLine, &QCheckBox::toggled, this, [this](bool on) {
        m_engine->setMLine(on);
        mnuOpzioniLineeCollegate->setChecked(on);
    });
    connect(mnuOpzioniApprossima, &QAction::triggered, Snap2Grid, &QCheckBox::setChecked);
    connect(mnuOpzioniLineeCollegate, &QAction::triggered, MLine, &QCheckBox::setChecked);
    connect(Command1_0, &QPushButton::clicked, this, [this] { Command1_Click(0); });
    connect(Command1_1, &QPushButton::clicked, this, [this] { Command1_Click(1); });
    connect(m_engine, &ExplorerEngine::titleChanged, this, &QWidget::setWindowTitle);

    int x = kMargin;
    const int y = menuBar->sizeHint().height() + kMargin / 2;
    for (QWidget *w : {static_cast<QWidget *>(Snap2Grid), static_cast<QWidget *>(MLine)}) {
        w->setGeometry(x, y, w->sizeHint().width() + 4, std::max(kRowHeight, w->sizeHint().height()));
        x += w->width() + kMargin * 2;
    }
    for (QPushButton *b : {Command1_0, Command1_1}) {
        b->setGeometry(x, y, std::max(80, b->sizeHint().width()),
                       std::max(kRowHeight, b->sizeHint().height()));
        x += b->width() + kMargin;
    }
}

int Form2::areaTop() const
{
    return Command1_0->geometry().bottom() + 1 + kMargin;
}

void Form2::Form_Load(board::BoardPanel *board)
{
    QSize shown;
    if (board->hasPicture()) {
        m_engine->setPicture(board->picture());
        picImmagine->bindPicture();
        picImmagine2->setEnabled(false);
        shown = picImmagine->size();
    } else {
        // No picture of its own: the board as it looks goes to the
        // clipboard, and its copy is shown for looking at only.
        board->CopyEntirePicture();
        m_copy = QApplication::clipboard()->image();
        // A desktop that keeps no clipboard still shows the board.
        if (m_copy.isNull())
            m_copy = board->surface()->image();
        picImmagine->resize(0, 0);
        picImmagine2->setPixmap(QPixmap::fromImage(m_copy));
        picImmagine2->resize(m_copy.size());
        shown = m_copy.size();
        for (QWidget *w : {static_cast<QWidget *>(Snap2Grid), static_cast<QWidget *>(MLine),
                           static_cast<QWidget *>(Command1_0)})
            w->setEnabled(false);
        for (QAction *a : {mnuOpzioniLineeRette, mnuOpzioniLineeCollegate, mnuOpzioniCreaReticolo,
                           mnuOpzioniApprossima, mnuOpzioniPulisci})
            a->setEnabled(false);
    }

    m_engine->setGridSpacing(ExplorerEngine::spacingFromText(board->PASSIGEN()));
    if (m_engine->gridStep() == 0) {
        // A spacing that rounds to 0 twips gives no grid to lay or snap to:
        // the explorer offers neither, and draws lines where they are clicked.
        Snap2Grid->setEnabled(false);
        mnuOpzioniApprossima->setEnabled(false);
        mnuOpzioniCreaReticolo->setEnabled(false);
        const QString why = tr("Il passo del reticolo è nullo");
        Snap2Grid->setToolTip(why);
        mnuOpzioniCreaReticolo->setToolTip(why);
    }
    DrawGrid();

    // Large enough for the whole picture where the screen allows it.
    const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    QSize wanted(shown.width() + 2 * kMargin + bar, shown.height() + areaTop() + kMargin + bar);
    QSize room(1024, 768);
    if (const QScreen *s = screen())
        room = s->availableGeometry().size() * 4 / 5;
    wanted = wanted.boundedTo(room).expandedTo(QSize(480, 360));
    resize(wanted);
    Form_Resize();
}

void Form2::Form_Resize()
{
    // The area keeps a margin as wide as its left offset on its other sides
    // (counted below the row of controls) plus room for one scroll bar.
    const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    const int left = kMargin;
    const int top = areaTop();
    const int width = std::max(0, this->width() - 2 * left - bar);
    const int height = std::max(0, this->height() - top - kMargin - bar);
    picContenitore->setGeometry(left, top, width, height);
    menuBar->setGeometry(0, 0, this->width(), menuBar->sizeHint().height());

    // Scrolling is counted in pixels, so pictures far beyond 32767 twips
    // scroll all the way; each bar runs from 0 to the part that does not
    // fit, steps by a tenth of the area and pages by all of it, and goes
    // back to its start.
    auto place = [&](QScrollBar *h, QScrollBar *v, QWidget *picture, bool allowed) {
        h->setGeometry(left, top + height, width, bar);
        v->setGeometry(left + width, top, bar, height);
        h->setRange(0, std::max(0, picture->width() - width));
        v->setRange(0, std::max(0, picture->height() - height));
        h->setSingleStep(std::max(1, width / 10));
        v->setSingleStep(std::max(1, height / 10));
        h->setPageStep(std::max(1, width));
        v->setPageStep(std::max(1, height));
        h->setValue(0);
        v->setValue(0);
        picture->move(0, 0);
        h->setVisible(allowed && picture->width() > width);
        v->setVisible(allowed && picture->height() > height);
    };
    place(hscOrizzontale, vscVerticale, picImmagine, true);
    // With the board's picture explored, the copy's bars stay hidden.
    place(hscOrizzontale2, vscVerticale2, picImmagine2, !drawable());
}

void Form2::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    Form_Resize();
}

void Form2::closeEvent(QCloseEvent *event)
{
    // A line still pending would leave its band inverted on the board.
    m_engine->cancelLine();
    QWidget::closeEvent(event);
}

void Form2::DrawGrid()
{
    if (!m_engine->canDraw() || m_engine->gridStep() == 0)
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_engine->DrawGrid();
    QApplication::restoreOverrideCursor();
}

void Form2::Command1_Click(int index)
{
    if (index == 0) {
        m_engine->clearDrawing();
        DrawGrid();
    } else if (index == 1) {
        close();
    }
}

void Form2::mnuOpzioniPulisci_Click()
{
    m_engine->clearDrawing();
}

void Form2::mnuOpzioniEsci_Click()
{
    close();
}

// What a screen reader says for each control, and the Tab key's way
// through the window in its reading order.
void Form2::nameControls()
{
    a11y::ControlNames::apply(this, "explorer::Form2", {
        {"picImmagine", QT_TRANSLATE_NOOP("explorer::Form2", "Immagine della lavagna"),
         QT_TRANSLATE_NOOP("explorer::Form2", "Clic per le linee; le barre la scorrono")},
        {"picImmagine2", QT_TRANSLATE_NOOP("explorer::Form2", "Copia della lavagna")},
        {"menuBar", QT_TRANSLATE_NOOP("explorer::Form2", "Menu")},
        {"hscOrizzontale", QT_TRANSLATE_NOOP("explorer::Form2", "Scorrimento orizzontale")},
        {"vscVerticale", QT_TRANSLATE_NOOP("explorer::Form2", "Scorrimento verticale")},
        {"hscOrizzontale2", QT_TRANSLATE_NOOP("explorer::Form2", "Scorrimento orizzontale")},
        {"vscVerticale2", QT_TRANSLATE_NOOP("explorer::Form2", "Scorrimento verticale")},
        {"Snap2Grid", QT_TRANSLATE_NOOP("explorer::Form2", "Approssima")},
        {"MLine", QT_TRANSLATE_NOOP("explorer::Form2", "Linee Collegate")},
        {"Command1_0", QT_TRANSLATE_NOOP("explorer::Form2", "Pulisci")},
        {"Command1_1", QT_TRANSLATE_NOOP("explorer::Form2", "Esci")},
    });
    for (QScrollBar *bar : {hscOrizzontale, vscVerticale, hscOrizzontale2, vscVerticale2})
        bar->setFocusPolicy(Qt::TabFocus);
    a11y::ReadingOrder::keep(this);
}

} // namespace explorer
