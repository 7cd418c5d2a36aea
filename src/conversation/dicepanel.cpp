#include "dicepanel.h"

#include "chatsession.h"
#include "sinks.h"

#include <QCheckBox>
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
