#include "dicepanel.h"

#include "dicedesk.h"
#include "expressionparser.h"

#include "chatsession.h"
#include "sinks.h"
#include "tabledice.h"

#include <QCheckBox>
#include <QActionGroup>
#include <QMenu>
#include <QPushButton>
#include <QToolButton>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QStyle>

namespace conversation
{

namespace
{
constexpr int kListWidth = 375 / 15;
constexpr int kListHeight = 255 / 15;
constexpr int kTop = 400;
// Advantage and disadvantage as every d20 game rolls them.
const QString kAdvantage = QStringLiteral("2d20kh1");
const QString kDisadvantage = QStringLiteral("2d20kl1");
} // namespace

DicePanel::DicePanel(session::ChatSession *chat, QWidget *parent, std::optional<std::uint64_t> seed)
    : QObject(parent), m_chat(chat), m_roller(seed ? DiceRoller(*seed) : DiceRoller())
{
    setObjectName(QStringLiteral("DicePanel"));

    m_dado1 = makeList(QStringLiteral("dado1"), 8);
    m_dado1->setToolTip(tr("Numero di dadi: frecce su e giù per cambiarlo, Invio per lanciare"));

    m_label6 = new QLabel(QStringLiteral("d"), parent);
    m_label6->setObjectName(QStringLiteral("Label6"));
    m_label6->setAlignment(Qt::AlignCenter);
    m_label6->setGeometry(8 + kListWidth, kTop, 12, kListHeight);
    m_label6->installEventFilter(this);
    // Between the two lists on the Tab key's way: Space switches the details.
    m_label6->setFocusPolicy(Qt::TabFocus);
    m_label6->setToolTip(tr("Clic: mostra o nasconde il valore di ogni dado nel "
                            "risultato. Invio in uno dei due elenchi lancia i dadi"));

    m_dado2 = makeList(QStringLiteral("dado2"), 8 + kListWidth + 12);
    m_dado2->setToolTip(
        tr("Facce di ogni dado: frecce su e giù per cambiarle, Invio per lanciare"));

    m_risuSing = new QCheckBox(parent);
    m_risuSing->setObjectName(QStringLiteral("RisuSing"));
    m_risuSing->hide();

    m_parziale = new QLineEdit(QStringLiteral("0"), parent);
    m_parziale->setObjectName(QStringLiteral("parziale"));
    m_parziale->hide();

    m_text1 = new QLineEdit(parent);
    m_text1->setObjectName(QStringLiteral("Text1"));
    m_text1->hide();

    m_txtDadi = new QLineEdit(parent);
    m_txtDadi->setObjectName(QStringLiteral("txtDadi"));
    m_txtDadi->setPlaceholderText(tr("es. 4d6kh3"));
    m_txtDadi->setToolTip(tr("Un tiro qualsiasi, Invio per lanciarlo: 2d6+3, 4d6kh3, 2d20kl1, "
                             "6d6!, 4d6r1, 10d10>=8f1, 4dF, d%, e un'etichetta dopo uno spazio "
                             "(1d20+5 attacco). Nel messaggio: /r oppure /tira e il tiro."));
    m_txtDadi->setAccessibleName(tr("Tiro da lanciare"));
    m_txtDadi->setMaxLength(dice::ExpressionParser::kMaxLength);
    connect(m_txtDadi, &QLineEdit::returnPressed, this, [this] {
        if (rollExpression(m_txtDadi->text()))
            m_txtDadi->selectAll(); // the same roll again with Enter, or typed over
    });

    // Who sees a roll, chosen as the speaking way is: a menu on a small button.
    m_cmdTiro = new QToolButton(parent);
    m_cmdTiro->setObjectName(QStringLiteral("cmdTiro"));
    m_cmdTiro->setPopupMode(QToolButton::InstantPopup);
    m_cmdTiro->setToolButtonStyle(Qt::ToolButtonTextOnly);
    m_cmdTiro->setStyleSheet(
        QStringLiteral("QToolButton::menu-indicator { image: none; width: 0; }"));
    m_cmdTiro->setAccessibleName(tr("Chi vede il tiro"));
    auto *menu = new QMenu(m_cmdTiro);
    menu->setObjectName(QStringLiteral("mnuTiro"));
    auto *group = new QActionGroup(menu);
    const std::pair<const char *, const char *> kinds[] = {
        {QT_TR_NOOP("Pubblico"), QT_TR_NOOP("Tutti vedono il tiro.")},
        {QT_TR_NOOP("Tiro segreto"),
         QT_TR_NOOP("Lo vedono chi tira e l'host; gli altri sanno solo che c'è stato.")},
        {QT_TR_NOOP("Tiro per il master"),
         QT_TR_NOOP("Lo vede solo l'host; gli altri, chi tira compreso, sanno solo che c'è "
                    "stato.")}};
    for (int i = 0; i < 3; ++i) {
        QAction *action = menu->addAction(tr(kinds[i].first));
        action->setToolTip(tr(kinds[i].second));
        action->setCheckable(true);
        group->addAction(action);
        m_kindActions[i] = action;
        connect(action, &QAction::triggered, this,
                [this, i] { setKind(dice::RollRecord::Kind(i)); });
    }
    menu->setToolTipsVisible(true);
    m_cmdTiro->setMenu(menu);
    setKind(dice::RollRecord::Kind::Public);

    m_cmdVantaggio = new QPushButton(tr("Vant."), parent);
    m_cmdVantaggio->setObjectName(QStringLiteral("cmdVantaggio"));
    m_cmdVantaggio->setToolTip(tr("Vantaggio: tira 2d20 e tiene il più alto"));
    m_cmdVantaggio->setAccessibleName(tr("Vantaggio"));
    connect(m_cmdVantaggio, &QPushButton::clicked, this, [this] { rollAdvantage(true); });

    m_cmdSvantaggio = new QPushButton(tr("Svant."), parent);
    m_cmdSvantaggio->setObjectName(QStringLiteral("cmdSvantaggio"));
    m_cmdSvantaggio->setToolTip(tr("Svantaggio: tira 2d20 e tiene il più basso"));
    m_cmdSvantaggio->setAccessibleName(tr("Svantaggio"));
    connect(m_cmdSvantaggio, &QPushButton::clicked, this, [this] { rollAdvantage(false); });

    m_cmdVerificaDadi = new QPushButton(parent);
    m_cmdVerificaDadi->setIcon(m_cmdVerificaDadi->style()->standardIcon(QStyle::SP_DialogApplyButton));
    m_cmdVerificaDadi->setObjectName(QStringLiteral("cmdVerificaDadi"));
    m_cmdVerificaDadi->setAccessibleName(tr("Verifica i dadi"));
    m_cmdVerificaDadi->setToolTip(tr("Verifica i dadi: l'host rivela il seme e ogni programma "
                                     "ricalcola i tiri visti. ") +
                                  session::TableDice::whatItProves());
    connect(m_cmdVerificaDadi, &QPushButton::clicked, this, &DicePanel::cmdVerificaDadi_Click);
}

dice::RollRecord::Kind DicePanel::kind() const
{
    return m_kind;
}

void DicePanel::setKind(dice::RollRecord::Kind kind)
{
    // The button shows the choice in a word; its menu names it whole.
    static const char *const shortNames[] = {QT_TR_NOOP("Pubblico"), QT_TR_NOOP("Segreto"),
                                             QT_TR_NOOP("Master")};
    m_kind = kind;
    const int i = int(kind);
    m_kindActions[i]->setChecked(true);
    m_cmdTiro->setText(tr(shortNames[i]));
    m_cmdTiro->setToolTip(m_kindActions[i]->text() + QLatin1Char(' ') +
                          m_kindActions[i]->toolTip() +
                          tr("\nClic per scegliere tra Pubblico, Tiro segreto e Tiro per il "
                             "master."));
}

bool DicePanel::rollExpression(const QString &text)
{
    if (!m_chat)
        return false;
    const bool isPrivate = m_chkPrivate && m_chkPrivate->isChecked();
    const DiceDesk::Outcome outcome =
        DiceDesk::roll(*m_chat, text, kind(), isPrivate, m_risuSing->isChecked());
    if (!outcome.problem.isEmpty() && m_chat->messageService())
        m_chat->messageService()->showMessage(session::MessageService::Icon::Warning,
                                              session::kAppTitle, outcome.problem);
    return outcome.rolled;
}

void DicePanel::rollAdvantage(bool advantage)
{
    rollExpression(advantage ? kAdvantage : kDisadvantage);
}

void DicePanel::cmdVerificaDadi_Click()
{
    if (m_chat)
        m_chat->dice()->verifyNow();
}

QListWidget *DicePanel::makeList(const QString &name, int x)
{
    auto *list = new QListWidget(qobject_cast<QWidget *>(parent()));
    list->setObjectName(name);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setUniformItemSizes(true);
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    list->setFrameShape(QFrame::Box);
    list->addItem(QString());
    for (int i = 1; i <= 100; ++i)
        list->addItem(QString::number(i));
    // Nothing chosen at start, with the empty entry showing.
    list->setCurrentRow(0, QItemSelectionModel::NoUpdate);
    list->setGeometry(x, kTop, kListWidth, kListHeight);
    list->installEventFilter(this);
    // A list box reports a click for keyboard moves too, so stepping onto
    // the empty entry also leaves nothing chosen.
    connect(list, &QListWidget::itemClicked, this, [this, list] { dado_Click(list); });
    connect(list, &QListWidget::itemSelectionChanged, this, [this, list] { dado_Click(list); });
    connect(list, &QListWidget::currentRowChanged, this, [list](int row) {
        list->scrollToItem(list->item(row), QAbstractItemView::PositionAtTop);
    });
    return list;
}

int DicePanel::boxWidth() const
{
    // An entry is cut short ("…") unless its text, the view's margins either
    // side of it and the box's frame all fit.
    const QFontMetrics metrics(m_dado1->font());
    int digit = 0;
    for (char c = '0'; c <= '9'; ++c)
        digit = qMax(digit, metrics.horizontalAdvance(QLatin1Char(c)));
    const int margin =
        m_dado1->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, m_dado1) + 1;
    return 3 * digit + 2 * margin + 2 * m_dado1->frameWidth();
}

QString DicePanel::listText(const QListWidget *list)
{
    const QList<QListWidgetItem *> chosen = list->selectedItems();
    return chosen.isEmpty() ? QString() : chosen.first()->text();
}

void DicePanel::dado_Click(QListWidget *list)
{
    const QList<QListWidgetItem *> chosen = list->selectedItems();
    if (!chosen.isEmpty() && chosen.first()->text().isEmpty())
        list->clearSelection();
}

void DicePanel::roll()
{
    m_text1->clear();
    if (!m_chat)
        return;
    const bool isPrivate = m_chkPrivate && m_chkPrivate->isChecked();
    const int count = DiceRoller::listValue(listText(m_dado1));
    const int faces = DiceRoller::listValue(listText(m_dado2));
    // A host that rolls checkable dice rolls these too; no dice, or a
    // private roll, are rolled here as they always were.
    if (!isPrivate && count > 0 && faces > 0 &&
        (m_chat->dice()->rollsHere() || kind() != dice::RollRecord::Kind::Public)) {
        rollExpression(QStringLiteral("%1d%2").arg(count).arg(faces));
        return;
    }
    const DiceRoller::Result r = m_roller.rollAndAnnounce(
        *m_chat, listText(m_dado1), listText(m_dado2), m_risuSing->isChecked(), isPrivate);
    m_parziale->setText(QString::number(r.total));
    m_text1->setText(r.detail);
    if (r.delivered)
        emit rolled(isPrivate ? r.privateLine : r.publicLine);
}

void DicePanel::setPrivateBox(QCheckBox *chkPrivate)
{
    m_chkPrivate = chkPrivate;
}

void DicePanel::Label6_Click()
{
    const bool on = !m_risuSing->isChecked();
    m_risuSing->setChecked(on);
    const QString text = on ? tr("Esplicitazione del risultato per unità singole attivato.")
                            : tr("Esplicitazione del risultato per unità singole disattivato.");
    if (m_chat && m_chat->messageService())
        m_chat->messageService()->showMessage(session::MessageService::Icon::Information,
                                              session::kAppTitle, text);
}

bool DicePanel::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_label6 && event->type() == QEvent::MouseButtonRelease) {
        Label6_Click();
        return true;
    }
    if (watched == m_label6 && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter) {
            Label6_Click();
            return true;
        }
    }
    if ((watched == m_dado1 || watched == m_dado2) && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            roll();
            m_parziale->setText(QStringLiteral("0"));
            return true;
        }
        // Any other key moves the list as usual and starts the total afresh.
        m_parziale->setText(QStringLiteral("0"));
    }
    return QObject::eventFilter(watched, event);
}

} // namespace conversation
