#include "reticolobox.h"

#include "controlnames.h"
#include "fontscale.h"
#include "readingorder.h"

#include "boardsurface.h"
#include "drawingtools.h"
#include "numbertext.h"
#include "palette.h"
#include "sinks.h"

#include <QCheckBox>
#include <QColor>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

namespace board
{

reticolobox::reticolobox(BoardSurface *surface, Palette *palette, DrawingTools *tools,
                         QWidget *parent)
    : QDialog(parent), m_tools(tools), m_palette(palette), m_painter(surface, palette, tools)
{
    setObjectName(QStringLiteral("reticolobox"));
    setWindowTitle(tr("Reticolo"));

    // Each field says what it is, and the dialog shows the colour the grid
    // will be painted in: the palette's, chosen in the main window.
    auto label = [this](const char *name, const QString &text, const QRect &geometry,
                        QWidget *buddy) {
        auto *l = new QLabel(text, this);
        l->setObjectName(QLatin1String(name));
        l->setGeometry(geometry);
        l->setBuddy(buddy);
        return l;
    };
    tipo = new QComboBox(this);
    tipo->setObjectName(QStringLiteral("tipo"));
    for (const QString &kind : GridPainter::kinds())
        tipo->addItem(GridPainter::kindCaption(kind), kind);
    tipo->setCurrentIndex(-1); // no kind until one is chosen
    tipo->setGeometry(kFieldLeft, 10, 140, 24);
    label("lblTipo", tr("&Tipo:"), QRect(10, 10, kFieldLeft - 14, 24), tipo);

    passi1 = new QLineEdit(QStringLiteral("0"), this);
    passi1->setObjectName(QStringLiteral("passi1"));
    passi1->setGeometry(kFieldLeft, 44, 56, 24);
    passi1->setToolTip(tr("Passo orizzontale, in unità del reticolo (25 twip)"));
    label("lblPassi", tr("&Passi:"), QRect(10, 44, kFieldLeft - 14, 24), passi1);
    Labelx = new QLabel(QStringLiteral("x"), this);
    Labelx->setObjectName(QStringLiteral("Labelx"));
    Labelx->setAlignment(Qt::AlignCenter);
    Labelx->setGeometry(kFieldLeft + 56, 44, 28, 24);
    passi2 = new QLineEdit(QStringLiteral("0"), this);
    passi2->setObjectName(QStringLiteral("passi2"));
    passi2->setGeometry(kFieldLeft + 84, 44, 56, 24);
    passi2->setToolTip(tr("Passo verticale, in unità del reticolo (25 twip)"));

    lblColore = new QLabel(this);
    lblColore->setObjectName(QStringLiteral("lblColore"));
    lblColore->setGeometry(10, 78, kFieldLeft - 14, 22);
    lblColore->setText(tr("Colore:"));
    picColore = new QLabel(this);
    picColore->setObjectName(QStringLiteral("picColore"));
    picColore->setGeometry(kFieldLeft, 78, 140, 22);
    picColore->setFrameShape(QFrame::Box);
    picColore->setAutoFillBackground(true);
    picColore->setAlignment(Qt::AlignCenter);

    PASSIGEN = new QLineEdit(QString::fromLatin1(kInitialGeneralStep), this);
    PASSIGEN->setObjectName(QStringLiteral("PASSIGEN"));
    PASSIGEN->hide();

    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setGeometry(10, 108, kWidth - 20, 16);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->hide();

    retOK = new QPushButton(tr("OK"), this);
    retOK->setObjectName(QStringLiteral("retOK"));
    retOK->setGeometry(kWidth - 98, 9, 88, 26);
    retOK->setDefault(true);
    retAnnulla = new QPushButton(tr("Annulla"), this);
    retAnnulla->setObjectName(QStringLiteral("retAnnulla"));
    retAnnulla->setGeometry(kWidth - 98, 43, 88, 26);

    chkShare = new QCheckBox(tr("Condividi con il tavolo"), this);
    chkShare->setObjectName(QStringLiteral("chkShare"));
    chkShare->setToolTip(tr("Il reticolo compare sulla lavagna di tutti"));
    chkShare->setGeometry(10, 128, kWidth - 20, 22);

    setFixedSize(kWidth, 158);
    showColour();
    if (m_palette)
        connect(m_palette, &Palette::bordersChanged, this, &reticolobox::showColour);

    connect(tipo, &QComboBox::currentTextChanged, this, &reticolobox::tipo_Click);
    connect(retOK, &QPushButton::clicked, this, &reticolobox::retOK_Click);
    connect(retAnnulla, &QPushButton::clicked, this, &reticolobox::retAnnulla_Click);
    a11y::FontScale::fit(this);
    nameControls();
}

void reticolobox::showColour()
{
    const auto colour = m_palette ? m_palette->currentColour() : std::nullopt;
    QPalette pal = picColore->palette();
    if (colour) {
        pal.setColor(QPalette::Window, QColor::fromRgb(BoardSurface::toRgb(*colour)));
        picColore->setText(QString());
        picColore->setToolTip(tr("Il colore scelto nella tavolozza"));
    } else {
        pal.setColor(QPalette::Window, palette().color(QPalette::Window));
        picColore->setText(tr("nessuno"));
        picColore->setToolTip(tr("Scegliere un colore nella tavolozza della finestra principale"));
    }
    picColore->setPalette(pal);
}

void reticolobox::showEvent(QShowEvent *event)
{
    showColour();
    QDialog::showEvent(event);
}

void reticolobox::tipo_Click()
{
    const QString kind = tipo->currentData().toString();
    if (kind == QLatin1String("Orizzontale")) {
        passi1->show();
        passi2->hide();
        Labelx->hide();
    } else if (kind == QLatin1String("Verticale")) {
        passi1->hide();
        Labelx->hide();
        passi2->show();
    } else {
        passi1->show();
        passi2->show();
        Labelx->show();
    }
}

void reticolobox::resetProgress()
{
    ProgressBar1->hide();
    ProgressBar1->setValue(0);
}

void reticolobox::retOK_Click()
{
    const auto progress = [this](int maximum, int value) {
        if (ProgressBar1->maximum() != maximum)
            ProgressBar1->setMaximum(maximum);
        ProgressBar1->show();
        // The bar repaints itself when its value moves far enough to show;
        // the painting does not wait for the event loop.
        ProgressBar1->setValue(value);
        emit progressed(maximum, value);
    };
    const GridPainter::Result result =
        m_painter.paint(tipo->currentData().toString(), passi1->text(), passi2->text(), progress);
    m_lastOutcome = result.outcome;
    if (result.generalStep)
        PASSIGEN->setText(*result.generalStep);

    QString refusal;
    if (result.outcome == GridPainter::Outcome::NoColour)
        refusal = tr("Selezionare un colore prima...");
    else if (result.outcome == GridPainter::Outcome::TooLarge)
        refusal = tr("La procedura non è andata a buon fine: il valore immesso è troppo grande...");
    if (!refusal.isEmpty()) {
        // The dialog stays open so the values can be corrected.
        if (session::MessageService *box = m_tools ? m_tools->messageService() : nullptr)
            box->showMessage(session::MessageService::Icon::None, session::kAppTitle, refusal);
        resetProgress();
        return;
    }
    if (result.outcome == GridPainter::Outcome::Painted && chkShare->isChecked()) {
        // The steps as the painting used them, rounded: every board then
        // draws the same lines.
        session::GridFields grid;
        grid.kind = qint16(GridPainter::kinds().indexOf(tipo->currentData().toString()));
        grid.passi1 = roundToInt16(leadingNumberOrZero(passi1->text())).value_or(0);
        grid.passi2 = roundToInt16(leadingNumberOrZero(passi2->text())).value_or(0);
        grid.colour = qint32(m_palette->currentColour().value_or(0));
        grid.width = qint16(m_tools ? m_tools->surface()->drawWidth() : 1);
        emit gridToShare(grid);
    }
    accept();
    resetProgress();
}

void reticolobox::retAnnulla_Click()
{
    reject();
}

// What a screen reader says for each control, and the Tab key's way
// through the window in its reading order.
void reticolobox::nameControls()
{
    a11y::ControlNames::apply(this, "board::reticolobox", {
        {"tipo", QT_TRANSLATE_NOOP("board::reticolobox", "Tipo di reticolo")},
        {"passi1", QT_TRANSLATE_NOOP("board::reticolobox", "Primo passo"),
         QT_TRANSLATE_NOOP("board::reticolobox", "In unità di 25 twip")},
        {"passi2", QT_TRANSLATE_NOOP("board::reticolobox", "Secondo passo"),
         QT_TRANSLATE_NOOP("board::reticolobox", "In unità di 25 twip")},
        {"retOK", QT_TRANSLATE_NOOP("board::reticolobox", "OK"),
         QT_TRANSLATE_NOOP("board::reticolobox", "Disegna il reticolo")},
        {"retAnnulla", QT_TRANSLATE_NOOP("board::reticolobox", "Annulla")},
        {"chkShare", QT_TRANSLATE_NOOP("board::reticolobox", "Condividi con il tavolo")},
        {"ProgressBar1", QT_TRANSLATE_NOOP("board::reticolobox", "Avanzamento del reticolo")},
    });
    a11y::ReadingOrder::keep(this);
}

} // namespace board
