#include "frminstext.h"

#include "controlnames.h"
#include "fontscale.h"
#include "readingorder.h"

#include "boardpanel.h"
#include "drawingtools.h"
#include "palette.h"
#include "sinks.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPixmap>
#include <QPushButton>

#include <cmath>

namespace board
{

namespace
{

struct Weight {
    const char *name;
    int weight;
};

constexpr Weight kWeights[] = {
    {"Heavy", 900},  {"Extrabold", 800}, {"Bold", 700},       {"Semibold", 600}, {"Medium", 500},
    {"Normal", 400}, {"Light", 300},     {"Extralight", 200}, {"Thin", 100},
};

constexpr int kPreviewWidth = 298;
constexpr int kPreviewHeight = 150;

} // namespace

const QStringList &frmInsText::weightNames()
{
    static const QStringList names = [] {
        QStringList list;
        for (const Weight &w : kWeights)
            list << QString::fromLatin1(w.name);
        return list;
    }();
    return names;
}

int frmInsText::weightOf(const QString &name)
{
    for (const Weight &w : kWeights)
        if (name == QLatin1String(w.name))
            return w.weight;
    return 0; // nothing chosen: the default weight
}

frmInsText::frmInsText(DrawingTools *tools, QWidget *parent) : QDialog(parent), m_tools(tools)
{
    setObjectName(QStringLiteral("frmInsText"));
    setWindowTitle(tr("Aggiungi testo"));

    auto label = [this](const char *name, const QString &text, int x, int y) {
        auto *l = new QLabel(text, this);
        l->setObjectName(QLatin1String(name));
        l->move(x, y);
        // Its box as large as its caption in the window's font, not over the
        // box beside it; a larger font has made it larger already.
        l->adjustSize();
        l->setProperty(a11y::FontScale::kKeepSize, true);
        return l;
    };
    auto combo = [this](const char *name, const QString &tip, const QRect &geometry) {
        auto *c = new QComboBox(this);
        c->setObjectName(QLatin1String(name));
        c->setToolTip(tip);
        c->setGeometry(geometry);
        return c;
    };

    label("lblTesto", tr("Testo:"), 8, 12);
    txtText = new QLineEdit(this);
    txtText->setObjectName(QStringLiteral("txtText"));
    txtText->setToolTip(tr("Testo"));
    txtText->setGeometry(86, 8, 326, 24);

    label("lblStile", tr("Stile:"), 8, 44);
    cboFonts = combo("cboFonts", tr("Stile"), QRect(86, 40, 326, 24));
    // The installed families stand in for a printer's font list.
    cboFonts->addItems(QFontDatabase::families());
    cboFonts->setCurrentIndex(cboFonts->count() > 1 ? 1 : cboFonts->count() - 1);

    QStringList sizes;
    for (int i = 2; i <= 150; ++i)
        sizes << QString::number(i);
    label("lblHeight", tr("Height:"), 8, 76);
    cboHeight = combo("cboHeight", tr("Altezza"), QRect(86, 72, 60, 24));
    cboHeight->addItems(sizes);
    cboHeight->setCurrentText(QStringLiteral("13"));
    label("lblWidth", tr("Width"), 156, 76);
    cboWidth = combo("cboWidth", tr("Larghezza"), QRect(200, 72, 60, 24));
    cboWidth->addItems(sizes);
    cboWidth->setCurrentText(QStringLiteral("4"));
    label("lblWeight", tr("Weight"), 270, 76);
    cboBold = combo("cboBold", tr("Spessore"), QRect(318, 72, 94, 24));
    cboBold->addItems(weightNames());
    cboBold->setCurrentText(QStringLiteral("Normal"));

    auto check = [this](const char *name, const QString &tip) {
        auto *box = new QCheckBox(this);
        box->setObjectName(QLatin1String(name));
        box->setToolTip(tip);
        box->hide(); // the lettered buttons switch them
        return box;
    };
    chbItalic = check("chbItalic", tr("Corsivo"));
    chbUnderlined = check("chbUnderlined", tr("Sottolineato"));
    chbStrikeout = check("chbStrikeout", tr("Barrato"));

    auto toggle = [this](const char *name, const QString &caption, const QString &tip, int x) {
        auto *b = new QPushButton(caption, this);
        b->setObjectName(QLatin1String(name));
        b->setToolTip(tip);
        b->setGeometry(x, 104, 28, 26);
        b->setAutoFillBackground(true);
        showToggle(b, false);
        return b;
    };
    Command1 = toggle("Command1", tr("C", "the italic button's letter"), tr("Corsivo"), 86);
    Command2 =
        toggle("Command2", tr("&S", "the underline button's letter"), tr("Sottolineato"), 118);
    Command3 = toggle("Command3", tr("B", "the strike-out button's letter"), tr("Barrato"), 150);
    {
        QFont f = Command1->font();
        f.setItalic(true);
        Command1->setFont(f);
        f = Command2->font();
        f.setUnderline(true);
        Command2->setFont(f);
        f = Command3->font();
        f.setStrikeOut(true);
        Command3->setFont(f);
    }

    const int side = int(AnglePicker::kSize);
    label("lblAngolazione", tr("Angolazione:"), 8, 140);
    picAngle = new QLabel(this);
    picAngle->setObjectName(QStringLiteral("picAngle"));
    picAngle->setToolTip(tr("Angolazione"));
    picAngle->setGeometry(8, 160, side, side);
    picAngle->setMouseTracking(true);
    picAngle->setCursor(Qt::CrossCursor);
    picAngle->installEventFilter(this);
    picAngle->setProperty(a11y::FontScale::kKeepSize, true);
    picBackBuffer = new QLabel(this);
    picBackBuffer->setObjectName(QStringLiteral("picBackBuffer"));
    picBackBuffer->setGeometry(8, 160, side, side);
    picBackBuffer->hide();
    picBackBuffer->setProperty(a11y::FontScale::kKeepSize, true);
    m_backBuffer = QImage(side, side, QImage::Format_RGB32);
    m_backBuffer.fill(Qt::white);

    label("lblPreview", tr("Preview:"), 114, 140);
    picTest = new QLabel(this);
    picTest->setObjectName(QStringLiteral("picTest"));
    picTest->setGeometry(114, 160, kPreviewWidth, kPreviewHeight);
    picTest->setFrameShape(QFrame::Box);
    picTest->installEventFilter(this);
    picTest->setProperty(a11y::FontScale::kKeepSize, true);
    m_preview = QImage(kPreviewWidth, kPreviewHeight, QImage::Format_RGB32);
    picTest_Click();

    cmdDrawPrev = new QPushButton(tr("Draw Preview"), this);
    cmdDrawPrev->setObjectName(QStringLiteral("cmdDrawPrev"));
    cmdDrawPrev->setGeometry(8, 320, 110, 28);
    cmdDrawPic = new QPushButton(tr("OK"), this);
    cmdDrawPic->setObjectName(QStringLiteral("cmdDrawPic"));
    cmdDrawPic->setToolTip(tr("Inserisci testo"));
    cmdDrawPic->setGeometry(250, 320, 78, 28);
    cmdDrawPic->setDefault(true);
    cmdCancel = new QPushButton(tr("Esci"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel->setGeometry(334, 320, 78, 28);

    setFixedSize(420, 356);

    connect(Command1, &QPushButton::clicked, this, &frmInsText::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &frmInsText::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &frmInsText::Command3_Click);
    connect(chbItalic, &QCheckBox::toggled, this, [this](bool on) { showToggle(Command1, on); });
    connect(chbUnderlined, &QCheckBox::toggled, this,
            [this](bool on) { showToggle(Command2, on); });
    connect(chbStrikeout, &QCheckBox::toggled, this, [this](bool on) { showToggle(Command3, on); });
    connect(cmdDrawPrev, &QPushButton::clicked, this, &frmInsText::cmdDrawPrev_Click);
    connect(cmdDrawPic, &QPushButton::clicked, this, &frmInsText::cmdDrawPic_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmInsText::cmdCancel_Click);

    redrawPicker(m_picker.chosenPoint());
    a11y::FontScale::fit(this);
    nameControls();
}

void frmInsText::showToggle(QPushButton *button, bool on)
{
    QPalette pal = button->palette();
    const QPalette &window = palette();
    const QColor colour = on ? BoardPanel::highlightOnColour(window)
                             : BoardPanel::highlightOffColour(window);
    pal.setColor(QPalette::Button, colour);
    pal.setColor(QPalette::Window, colour);
    button->setPalette(pal);
}

TextParams frmInsText::params() const
{
    TextParams p;
    p.Text = txtText->text();
    p.x = m_anchor.x();
    p.Y = m_anchor.y();
    p.Underlined = chbUnderlined->isChecked();
    p.Italic = chbItalic->isChecked();
    p.Strike = chbStrikeout->isChecked();
    p.Height = cboHeight->currentText().toInt();
    p.Width = cboWidth->currentText().toInt();
    p.angle = m_picker.angle();
    p.FWidth = cboBold->currentIndex() < 0 ? 0 : weightOf(cboBold->currentText());
    p.FName = cboFonts->currentText();
    return p;
}

void frmInsText::Command1_Click()
{
    chbItalic->setChecked(!chbItalic->isChecked());
}

void frmInsText::Command2_Click()
{
    chbUnderlined->setChecked(!chbUnderlined->isChecked());
}

void frmInsText::Command3_Click()
{
    chbStrikeout->setChecked(!chbStrikeout->isChecked());
}

void frmInsText::cmdDrawPrev_Click()
{
    const auto colour = m_tools->palette()->currentColour();
    if (!colour) {
        if (session::MessageService *box = m_tools->messageService())
            box->showMessage(session::MessageService::Icon::None, session::kAppTitle,
                             tr("Selezionare un colore prima..."));
        return;
    }
    // Shown as it will be drawn on every board.
    const TextParams p = DrawingTools::asSent(params());
    const QPointF centre(std::nearbyint(m_preview.width() / 2.0),
                         std::nearbyint(m_preview.height() / 2.0));
    TextRenderer::DrawText(m_preview, centre, p.Text, p.Underlined, p.Italic, p.Strike, p.Height,
                           p.Width, TextRenderer::wholeDegrees(p.angle), p.FWidth, p.FName,
                           *colour);
    picTest->setPixmap(QPixmap::fromImage(m_preview));
}

void frmInsText::cmdDrawPic_Click()
{
    // Refused without a colour (the tools say so); the dialog then stays.
    if (!m_tools->insertText(params()))
        return;
    accept(); // hidden, its settings kept for the next text
}

void frmInsText::cmdCancel_Click()
{
    reject();
}

void frmInsText::reject()
{
    QDialog::reject();
    deleteLater();
}

void frmInsText::picAngle_MouseDown(double x, double y)
{
    m_picker.press(x, y);
    if (m_picker.fixed())
        redrawPicker(m_picker.chosenPoint());
}

void frmInsText::picAngle_MouseMove(double x, double y)
{
    if (!m_picker.fixed())
        redrawPicker(QPointF(x, y));
}

void frmInsText::redrawPicker(QPointF towards)
{
    // Drawn off screen first, then shown whole, so the dial never flickers.
    AnglePicker::draw(m_backBuffer, towards);
    picAngle->setPixmap(QPixmap::fromImage(m_backBuffer));
    m_backBuffer.fill(Qt::white);
}

void frmInsText::picTest_Click()
{
    m_preview.fill(Qt::white);
    picTest->setPixmap(QPixmap::fromImage(m_preview));
}

bool frmInsText::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == picAngle) {
        if (event->type() == QEvent::MouseButtonPress) {
            const QPointF p = static_cast<QMouseEvent *>(event)->position();
            picAngle_MouseDown(p.x(), p.y());
            return true;
        }
        if (event->type() == QEvent::MouseMove) {
            const QPointF p = static_cast<QMouseEvent *>(event)->position();
            picAngle_MouseMove(p.x(), p.y());
            return true;
        }
    } else if (watched == picTest && event->type() == QEvent::MouseButtonPress) {
        picTest_Click();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

// What a screen reader says for each control, and the Tab key's way
// through the window in its reading order.
void frmInsText::nameControls()
{
    a11y::ControlNames::apply(this, "board::frmInsText", {
        {"txtText", QT_TRANSLATE_NOOP("board::frmInsText", "Testo")},
        {"cboFonts", QT_TRANSLATE_NOOP("board::frmInsText", "Carattere")},
        {"cboHeight", QT_TRANSLATE_NOOP("board::frmInsText", "Altezza dei caratteri")},
        {"cboWidth", QT_TRANSLATE_NOOP("board::frmInsText", "Larghezza dei caratteri")},
        {"cboBold", QT_TRANSLATE_NOOP("board::frmInsText", "Spessore")},
        {"Command1", QT_TRANSLATE_NOOP("board::frmInsText", "Corsivo"),
         QT_TRANSLATE_NOOP("board::frmInsText", "Attiva o disattiva il corsivo")},
        {"Command2", QT_TRANSLATE_NOOP("board::frmInsText", "Sottolineato"),
         QT_TRANSLATE_NOOP("board::frmInsText", "Attiva o disattiva la sottolineatura")},
        {"Command3", QT_TRANSLATE_NOOP("board::frmInsText", "Barrato"),
         QT_TRANSLATE_NOOP("board::frmInsText", "Attiva o disattiva il barrato")},
        {"chbItalic", QT_TRANSLATE_NOOP("board::frmInsText", "Corsivo")},
        {"chbUnderlined", QT_TRANSLATE_NOOP("board::frmInsText", "Sottolineato")},
        {"chbStrikeout", QT_TRANSLATE_NOOP("board::frmInsText", "Barrato")},
        {"picAngle", QT_TRANSLATE_NOOP("board::frmInsText", "Angolazione"),
         QT_TRANSLATE_NOOP("board::frmInsText", "Clic sul cerchio per scegliere la direzione del testo")},
        {"picTest", QT_TRANSLATE_NOOP("board::frmInsText", "Anteprima")},
        {"cmdDrawPrev", QT_TRANSLATE_NOOP("board::frmInsText", "Draw Preview"),
         QT_TRANSLATE_NOOP("board::frmInsText", "Disegna l'anteprima")},
        {"cmdDrawPic", QT_TRANSLATE_NOOP("board::frmInsText", "OK"),
         QT_TRANSLATE_NOOP("board::frmInsText", "Inserisci testo")},
        {"cmdCancel", QT_TRANSLATE_NOOP("board::frmInsText", "Esci")},
    });
    a11y::ReadingOrder::keep(this);
}

} // namespace board
