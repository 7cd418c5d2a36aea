#include "palettewidget.h"

#include "boardsurface.h"
#include "fontscale.h"
#include "palette.h"

#include <QComboBox>
#include <QEvent>
#include <QFrame>
#include <QMouseEvent>
#include <QPainter>

#include <cmath>

namespace board {

namespace {

// Geometry of the swatches, in twips as the window is laid out.
constexpr int kSquare = 375;      // swatches 0-15 are square
constexpr int kRowPitch = 360;    // rows overlap by a hair, as on the window
constexpr int kColumnPitch = 375;
constexpr int kExtraWidth = 175;  // swatches 16-25
constexpr int kExtraHeight = 375;
constexpr int kGap = 120;

/// A colour square whose border, when it has one, shows on every colour.
class Swatch : public QFrame
{
public:
    using QFrame::QFrame;

protected:
    void paintEvent(QPaintEvent *event) override
    {
        // The frame draws its 1 px box in the text colour.
        QFrame::paintEvent(event);
        if (frameShape() == QFrame::NoFrame)
            return;
        // One line alone is lost against dark colours and hard to spot on the
        // rest, so a second dark line thickens it and a white ring inside
        // parts it from the colour, whatever the colour is.
        QPainter p(this);
        const QRect r = rect();
        p.setBrush(Qt::NoBrush);
        p.setPen(palette().color(QPalette::WindowText));
        p.drawRect(r.adjusted(1, 1, -2, -2));
        p.setPen(Qt::white);
        p.drawRect(r.adjusted(2, 2, -3, -3));
    }
};

} // namespace

PaletteWidget::PaletteWidget(Palette *palette, QWidget *parent, QPoint origin)
    : QObject(parent)
    , m_palette(palette)
{
    const int gridHeight = px(kRowPitch + kSquare);

    m_extra = new QWidget(parent);
    m_extra->setObjectName(QStringLiteral("picSelColorExtra"));

    for (int i = 0; i < Palette::kCount; ++i) {
        auto *swatch = new Swatch(i < 16 ? parent : m_extra);
        swatch->setObjectName(QStringLiteral("picSelColor(%1)").arg(i));
        swatch->setProperty("index", i);
        QPalette pal = swatch->palette();
        pal.setColor(QPalette::Window, QColor::fromRgb(BoardSurface::toRgb(Palette::colourAt(i))));
        pal.setColor(QPalette::WindowText, Qt::black);
        swatch->setPalette(pal);
        swatch->setAutoFillBackground(true);
        swatch->installEventFilter(this);
        m_swatches[size_t(i)] = swatch;
    }
    setOrigin(origin);

    m_combo = new QComboBox(parent);
    m_combo->setObjectName(QStringLiteral("Combo1"));
    m_combo->setToolTip(tr("Colori"));
    // Shown in the reader's language, chosen by the program's own names.
    for (const QString &name : Palette::sortedNames())
        m_combo->addItem(Palette::caption(name), name);
    m_combo->setCurrentIndex(m_combo->findData(QStringLiteral("Nero")));
    m_combo->move(origin.x(), origin.y() + gridHeight + px(kGap));
    // Only a user's choice selects; showing a text from code does not.
    connect(m_combo, &QComboBox::activated, this,
            [this](int index) { m_palette->Combo1_Click(m_combo->itemData(index).toString()); });

    connect(m_palette, &Palette::bordersChanged, this, &PaletteWidget::showBorders);
    // The colour the list names is the one in force from the start, so the
    // first stroke draws in it rather than asking for a colour.
    if (m_palette->selectedIndex() < 0)
        m_palette->Combo1_Click(m_combo->currentData().toString());
    showBorders();
}

void PaletteWidget::setOrigin(QPoint origin)
{
    // The swatches grow with the window's font, as everything around them.
    const double scale = a11y::FontScale::factor(m_extra);
    const auto px = [scale](int twips) { return board::px(int(std::lround(twips * scale))); };
    const int gridWidth = px(kColumnPitch * kColumns);
    m_extra->setGeometry(origin.x() + gridWidth + px(kGap), origin.y(), px(kExtraWidth),
                         px(kExtraHeight));
    for (int i = 0; i < Palette::kCount; ++i) {
        QFrame *swatch = m_swatches[size_t(i)];
        if (i < 16) {
            const int row = i / kColumns;
            const int column = i % kColumns;
            swatch->setGeometry(origin.x() + px(column * kColumnPitch),
                                origin.y() + px(row * kRowPitch), px(kSquare), px(kSquare));
        } else {
            swatch->setGeometry(0, 0, px(kExtraWidth), px(kExtraHeight));
        }
    }
}

QFrame *PaletteWidget::picSelColor(int index) const
{
    return index >= 0 && index < Palette::kCount ? m_swatches[size_t(index)] : nullptr;
}

bool PaletteWidget::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonPress) {
        const QVariant index = watched->property("index");
        if (index.isValid() && picSelColor(index.toInt()) == watched) {
            m_palette->picSelColor_Click(index.toInt());
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

void PaletteWidget::showBorders()
{
    for (int i = 0; i < Palette::kCount; ++i) {
        QFrame *swatch = m_swatches[size_t(i)];
        const bool on = m_palette->hasBorder(i);
        swatch->setFrameStyle(on ? QFrame::Box | QFrame::Plain : QFrame::NoFrame);
        swatch->setLineWidth(1);
        // 1 single border, 0 none, readable by anyone who inspects the swatch.
        swatch->setProperty("BorderStyle", on ? 1 : 0);
    }
}

} // namespace board
