#include "frmzoomoptions.h"

#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace accessories
{

namespace
{
/// Screen coordinates a desktop of several monitors may reach.
constexpr int kMaxCoordinate = 32000;

QSpinBox *spin(QWidget *parent, const char *name, int min, int max, int value,
               const QString &spoken)
{
    auto *s = new QSpinBox(parent);
    s->setObjectName(QLatin1String(name));
    s->setRange(min, max);
    s->setValue(value);
    s->setAccessibleName(spoken);
    return s;
}
} // namespace

frmZoomOptions::frmZoomOptions(const ZoomSettings &initial, QPoint initialPos, bool wholeScreen,
                               QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmZoomOptions"));
    setWindowTitle(tr("Opzioni della lente"));

    spnFactor = new QDoubleSpinBox(this);
    spnFactor->setObjectName(QStringLiteral("spnFactor"));
    spnFactor->setRange(ZoomSettings::kMinFactor, ZoomSettings::kMaxFactor);
    spnFactor->setSingleStep(0.5);
    spnFactor->setDecimals(1);
    spnFactor->setSuffix(QStringLiteral(" \u00D7"));
    spnFactor->setValue(initial.factor);
    spnFactor->setAccessibleName(tr("Ingrandimento"));

    optFollow = new QRadioButton(tr("&Attorno al puntatore"), this);
    optFollow->setObjectName(QStringLiteral("optFollow"));
    optFixed = new QRadioButton(tr("Area &fissa, centrata in:"), this);
    optFixed->setObjectName(QStringLiteral("optFixed"));
    (initial.followPointer ? optFollow : optFixed)->setChecked(true);
    spnFixedX = spin(this, "spnFixedX", -kMaxCoordinate, kMaxCoordinate, initial.fixedCentre.x(),
                     tr("Centro dell'area fissa, X"));
    spnFixedY = spin(this, "spnFixedY", -kMaxCoordinate, kMaxCoordinate, initial.fixedCentre.y(),
                     tr("Centro dell'area fissa, Y"));
    auto *fixedRow = new QHBoxLayout;
    fixedRow->addWidget(optFixed);
    fixedRow->addWidget(new QLabel(QStringLiteral("X"), this));
    fixedRow->addWidget(spnFixedX);
    fixedRow->addWidget(new QLabel(QStringLiteral("Y"), this));
    fixedRow->addWidget(spnFixedY);
    auto enableFixed = [this] {
        spnFixedX->setEnabled(optFixed->isChecked());
        spnFixedY->setEnabled(optFixed->isChecked());
    };
    connect(optFixed, &QRadioButton::toggled, this, enableFixed);
    enableFixed();

    auto *area = new QGroupBox(tr("Area ingrandita"), this);
    auto *areaLayout = new QVBoxLayout(area);
    areaLayout->addWidget(optFollow);
    areaLayout->addLayout(fixedRow);
    lblSource =
        new QLabel(wholeScreen ? tr("Si ingrandisce tutto lo schermo; le coordinate sono quelle "
                                    "dello schermo.")
                               : tr("Questo sistema non lascia leggere lo schermo ai programmi: si "
                                    "ingrandiscono solo le finestre di Tavernix; l'area fissa ha "
                                    "le coordinate della finestra principale."),
                   area);
    lblSource->setObjectName(QStringLiteral("lblSource"));
    lblSource->setWordWrap(true);
    areaLayout->addWidget(lblSource);

    spnWidth = spin(this, "spnWidth", ZoomSettings::kMinSide, ZoomSettings::kMaxSide,
                    initial.viewSize.width(), tr("Larghezza dell'immagine"));
    spnHeight = spin(this, "spnHeight", ZoomSettings::kMinSide, ZoomSettings::kMaxSide,
                     initial.viewSize.height(), tr("Altezza dell'immagine"));
    spnWidth->setSuffix(QStringLiteral(" px"));
    spnHeight->setSuffix(QStringLiteral(" px"));
    spnLeft = spin(this, "spnLeft", -kMaxCoordinate, kMaxCoordinate, initialPos.x(),
                   tr("Posizione della finestra, da sinistra"));
    spnTop = spin(this, "spnTop", -kMaxCoordinate, kMaxCoordinate, initialPos.y(),
                  tr("Posizione della finestra, dall'alto"));
    spnRefresh = spin(this, "spnRefresh", ZoomSettings::kMinRefreshMs, ZoomSettings::kMaxRefreshMs,
                      initial.refreshMs, tr("Aggiornamento, in millisecondi"));
    spnRefresh->setSuffix(QStringLiteral(" ms"));
    spnRefresh->setSingleStep(10);

    auto pair = [this](QWidget *a, QWidget *b) {
        auto *row = new QHBoxLayout;
        row->addWidget(a);
        row->addWidget(new QLabel(QStringLiteral("\u00D7"), this));
        row->addWidget(b);
        row->addStretch();
        return row;
    };
    // Each row's label leads (Alt+letter) to its first box.
    auto *form = new QFormLayout;
    auto addRow = [this, form](const QString &text, QWidget *buddy, QLayout *field) {
        auto *label = new QLabel(text, this);
        label->setBuddy(buddy);
        if (field)
            form->addRow(label, field);
        else
            form->addRow(label, buddy);
    };
    addRow(tr("&Ingrandimento:"), spnFactor, nullptr);
    addRow(tr("&Dimensioni dell'immagine:"), spnWidth, pair(spnWidth, spnHeight));
    auto *posRow = new QHBoxLayout;
    posRow->addWidget(spnLeft);
    posRow->addWidget(spnTop);
    posRow->addStretch();
    addRow(tr("&Posizione della finestra:"), spnLeft, posRow);
    addRow(tr("A&ggiornamento ogni:"), spnRefresh, nullptr);

    auto *buttons = new QDialogButtonBox(
        QDialogButtonBox::Ok | QDialogButtonBox::Apply | QDialogButtonBox::Cancel, this);
    buttons->setObjectName(QStringLiteral("buttons"));
    buttons->button(QDialogButtonBox::Apply)->setText(tr("&Applica"));
    buttons->button(QDialogButtonBox::Cancel)->setText(tr("Annulla"));
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        emit chosen(zoom(), windowPos());
        accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(buttons->button(QDialogButtonBox::Apply), &QPushButton::clicked, this,
            [this] { emit chosen(zoom(), windowPos()); });

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(area);
    layout->addWidget(buttons);
}

ZoomSettings frmZoomOptions::zoom() const
{
    ZoomSettings z;
    z.factor = spnFactor->value();
    z.followPointer = optFollow->isChecked();
    z.fixedCentre = QPoint(spnFixedX->value(), spnFixedY->value());
    z.viewSize = QSize(spnWidth->value(), spnHeight->value());
    z.refreshMs = spnRefresh->value();
    return z.bounded();
}

QPoint frmZoomOptions::windowPos() const
{
    return QPoint(spnLeft->value(), spnTop->value());
}

} // namespace accessories
