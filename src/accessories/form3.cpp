#include "form3.h"

#include "togglebutton.h"

#include <QApplication>
#include <QClipboard>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace accessories
{

namespace
{
/// How long a key shows pressed when typed on the keyboard.
constexpr int kKeyFlashMs = 100;
/// The display's font, this much larger than the window's.
constexpr double kDisplayFontScale = 1.6;

QChar localeDecimalPoint()
{
    const QString point = QLocale().decimalPoint();
    return point.isEmpty() ? QLatin1Char('.') : point.at(0);
}
} // namespace

Form3::Form3(const QString &iniPath, QWidget *parent)
    : AccessoryWindow(AccessorySettings::kCalculator, iniPath, parent),
      m_engine(new CalculatorEngine(localeDecimalPoint(), this))
{
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(tr("Calcolatrice"));

    txtDisplay = new QLineEdit(QStringLiteral("0"), this);
    txtDisplay->setObjectName(QStringLiteral("txtDisplay"));
    txtDisplay->setReadOnly(true);
    txtDisplay->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    txtDisplay->setAccessibleName(tr("Risultato"));
    QFont big = txtDisplay->font();
    big.setPointSizeF(big.pointSizeF() * kDisplayFontScale);
    txtDisplay->setFont(big);
    // Keys typed while the display has the focus go to the calculator.
    txtDisplay->installEventFilter(this);

    using K = CalculatorEngine::Key;
    auto *grid = new QGridLayout;
    grid->setSpacing(4);
    struct Row {
        K key;
        QString caption;
        const char *name;
        QString spoken;
    };
    const QString point(localeDecimalPoint());
    const Row rows[] = {
        {K::Clear, QStringLiteral("C"), "cmdClear", tr("Azzera tutto")},
        {K::ClearEntry, QStringLiteral("CE"), "cmdClearEntry", tr("Cancella il numero")},
        {K::Backspace, QStringLiteral("\u2190"), "cmdBackspace", tr("Cancella l'ultima cifra")},
        {K::Divide, QStringLiteral("\u00F7"), "cmdDivide", tr("Diviso")},
        {K::Digit7, QStringLiteral("7"), "cmd7", QString()},
        {K::Digit8, QStringLiteral("8"), "cmd8", QString()},
        {K::Digit9, QStringLiteral("9"), "cmd9", QString()},
        {K::Multiply, QStringLiteral("\u00D7"), "cmdMultiply", tr("Per")},
        {K::Digit4, QStringLiteral("4"), "cmd4", QString()},
        {K::Digit5, QStringLiteral("5"), "cmd5", QString()},
        {K::Digit6, QStringLiteral("6"), "cmd6", QString()},
        {K::Subtract, QStringLiteral("\u2212"), "cmdSubtract", tr("Meno")},
        {K::Digit1, QStringLiteral("1"), "cmd1", QString()},
        {K::Digit2, QStringLiteral("2"), "cmd2", QString()},
        {K::Digit3, QStringLiteral("3"), "cmd3", QString()},
        {K::Add, QStringLiteral("+"), "cmdAdd", tr("Più")},
        {K::Sign, QStringLiteral("\u00B1"), "cmdSign", tr("Cambia segno")},
        {K::Digit0, QStringLiteral("0"), "cmd0", QString()},
        {K::Point, point, "cmdPoint", tr("Virgola")},
        {K::Equals, QStringLiteral("="), "cmdEquals", tr("Uguale")},
    };
    int i = 0;
    for (const Row &r : rows) {
        grid->addWidget(addKey(r.key, r.caption, r.name, r.spoken), i / 4, i % 4);
        ++i;
    }
    m_keys[K::Clear]->setToolTip(tr("Azzera tutto (Esc)"));
    m_keys[K::ClearEntry]->setToolTip(tr("Cancella il numero (Canc)"));
    m_keys[K::Backspace]->setToolTip(tr("Cancella l'ultima cifra (Backspace)"));
    m_keys[K::Sign]->setToolTip(tr("Cambia segno (F9)"));
    m_keys[K::Equals]->setToolTip(tr("Risultato (Invio)"));

    cmdCopy = new QPushButton(tr("&Copia"), this);
    cmdCopy->setObjectName(QStringLiteral("cmdCopy"));
    cmdCopy->setToolTip(tr("Copia il numero negli appunti (Ctrl+C)"));
    cmdToMessage = new QPushButton(tr("Al &messaggio"), this);
    cmdToMessage->setObjectName(QStringLiteral("cmdToMessage"));
    cmdToMessage->setToolTip(tr("Scrive il numero nella casella del messaggio"));
    connect(cmdCopy, &QPushButton::clicked, this, &Form3::copyDisplay);
    connect(cmdToMessage, &QPushButton::clicked, this, [this] {
        if (m_engine->error() == CalculatorEngine::Error::None)
            emit resultForMessage(m_engine->display());
    });

    auto *bottom = new QHBoxLayout;
    bottom->addWidget(cmdCopy);
    bottom->addWidget(cmdToMessage);
    bottom->addStretch();
    bottom->addWidget(onTopButton());
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(txtDisplay);
    layout->addLayout(grid);
    layout->addLayout(bottom);

    connect(m_engine, &CalculatorEngine::displayChanged, this, &Form3::showDisplay);
    // Reading order: the display, the keys row by row, then the buttons below.
    QWidget *previous = txtDisplay;
    for (const Row &r : rows) {
        setTabOrder(previous, m_keys[r.key]);
        previous = m_keys[r.key];
    }
    setTabOrder(previous, cmdCopy);
    setTabOrder(cmdCopy, cmdToMessage);
    setTabOrder(cmdToMessage, onTopButton());

    adjustSize();
    restorePlace();
}

QPushButton *Form3::addKey(CalculatorEngine::Key key, const QString &caption, const char *name,
                           const QString &spoken)
{
    auto *b = new QPushButton(caption, this);
    b->setObjectName(QLatin1String(name));
    if (!spoken.isEmpty())
        b->setAccessibleName(spoken);
    b->setMinimumSize(44, 36);
    b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    connect(b, &QPushButton::clicked, m_engine, [this, key] { m_engine->press(key); });
    m_keys.insert(key, b);
    return b;
}

void Form3::showDisplay(const QString &text)
{
    txtDisplay->setText(text);
    const bool number = m_engine->error() == CalculatorEngine::Error::None;
    cmdToMessage->setEnabled(number);
    cmdCopy->setEnabled(number);
}

void Form3::copyDisplay()
{
    if (m_engine->error() == CalculatorEngine::Error::None)
        QApplication::clipboard()->setText(m_engine->display());
}

void Form3::pasteNumber()
{
    m_engine->enterNumber(QApplication::clipboard()->text());
}

void Form3::keyPressEvent(QKeyEvent *event)
{
    using K = CalculatorEngine::Key;
    std::optional<K> key;
    if (event->matches(QKeySequence::Copy)) {
        copyDisplay();
        return;
    }
    if (event->matches(QKeySequence::Paste)) {
        pasteNumber();
        return;
    }
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        key = K::Equals;
        break;
    case Qt::Key_Escape:
        key = K::Clear;
        break;
    case Qt::Key_Delete:
        key = K::ClearEntry;
        break;
    case Qt::Key_Backspace:
        key = K::Backspace;
        break;
    case Qt::Key_F9:
        key = K::Sign;
        break;
    default:
        if (event->text().size() == 1 &&
            !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier)))
            key = CalculatorEngine::keyForCharacter(event->text().at(0));
        break;
    }
    if (!key) {
        AccessoryWindow::keyPressEvent(event);
        return;
    }
    m_engine->press(*key);
    // The key shows pressed for a moment, as if clicked.
    if (QPushButton *b = m_keys.value(*key)) {
        b->setDown(true);
        QTimer::singleShot(kKeyFlashMs, b, [b] { b->setDown(false); });
    }
}

bool Form3::eventFilter(QObject *watched, QEvent *event)
{
    // The display would swallow Backspace, Delete and the copy keys; Tab
    // still moves on.
    if (watched == txtDisplay && event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() != Qt::Key_Tab && key->key() != Qt::Key_Backtab) {
            keyPressEvent(key);
            return true;
        }
    }
    return AccessoryWindow::eventFilter(watched, event);
}

QIcon Form3::buttonPicture()
{
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(QColor(230, 230, 220));
    p.drawRect(2, 0, 11, 15);
    p.setBrush(QColor(170, 200, 170));
    p.drawRect(4, 2, 7, 3);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 3; ++col)
            p.drawRect(4 + col * 3, 7 + row * 3, 2, 2);
    return QIcon(pm);
}

} // namespace accessories
