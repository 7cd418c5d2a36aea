#include "reticolobox.h"

#include "boardsurface.h"
#include "drawingtools.h"
#include "numbertext.h"
#include "palette.h"
#include "sinks.h"

#include <QCheckBox>
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

    tipo = new QComboBox(this);
    tipo->setObjectName(QStringLiteral("tipo"));
    for (const QString &kind : GridPainter::kinds())
        tipo->addItem(GridPainter::kindCaption(kind), kind);
    tipo->setCurrentIndex(-1); // no kind until one is chosen
    tipo->setGeometry(10, 10, 140, 24);

    passi1 = new QLineEdit(QStringLiteral("0"), this);
    passi1->setObjectName(QStringLiteral("passi1"));
    passi1->setGeometry(10, 44, 56, 24);
    Labelx = new QLabel(QStringLiteral("x"), this);
    Labelx->setObjectName(QStringLiteral("Labelx"));
    Labelx->setAlignment(Qt::AlignCenter);
    Labelx->setGeometry(66, 44, 28, 24);
    passi2 = new QLineEdit(QStringLiteral("0"), this);
    passi2->setObjectName(QStringLiteral("passi2"));
    passi2->setGeometry(94, 44, 56, 24);

    PASSIGEN = new QLineEdit(QString::fromLatin1(kInitialGeneralStep), this);
    PASSIGEN->setObjectName(QStringLiteral("PASSIGEN"));
    PASSIGEN->hide();

    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setGeometry(10, 80, 240, 16);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->hide();

    retOK = new QPushButton(tr("OK"), this);
    retOK->setObjectName(QStringLiteral("retOK"));
    retOK->setGeometry(162, 9, 88, 26);
    retOK->setDefault(true);
    retAnnulla = new QPushButton(tr("Annulla"), this);
    retAnnulla->setObjectName(QStringLiteral("retAnnulla"));
    retAnnulla->setGeometry(162, 43, 88, 26);

    chkShare = new QCheckBox(tr("Condividi con il tavolo"), this);
    chkShare->setObjectName(QStringLiteral("chkShare"));
    chkShare->setToolTip(tr("Il reticolo compare sulla lavagna di tutti"));
    chkShare->setGeometry(10, 102, 240, 22);

    setFixedSize(260, 130);

    connect(tipo, &QComboBox::currentTextChanged, this, &reticolobox::tipo_Click);
    connect(retOK, &QPushButton::clicked, this, &reticolobox::retOK_Click);
    connect(retAnnulla, &QPushButton::clicked, this, &reticolobox::retAnnulla_Click);
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

} // namespace board
