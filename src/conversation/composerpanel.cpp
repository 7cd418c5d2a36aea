#include "composerpanel.h"

#include "chatsession.h"
#include "composer.h"
#include "contrast.h"
#include "togglebutton.h"

#include "participantlist.h"

#include <QActionGroup>
#include <QFontMetrics>
#include <QCheckBox>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMenu>
#include <QPlainTextEdit>
#include <QToolButton>

namespace conversation
{

namespace
{

struct Mode {
    Composer::Kind kind;
    const char *objectName;
    const char *caption;
    const char *tip;
    const char *empty; ///< what the empty box says
};

// In menu order.
const Mode kModes[] = {
    {Composer::Kind::Speech, "actParla", QT_TRANSLATE_NOOP("conversation::ComposerPanel", "Parla"),
     QT_TRANSLATE_NOOP("conversation::ComposerPanel", "Parla: la riga appare come «Nome: testo»."),
     QT_TRANSLATE_NOOP("conversation::ComposerPanel", "Scrivi ciò che dice il tuo personaggio")},
    {Composer::Kind::Action, "actAzione",
     QT_TRANSLATE_NOOP("conversation::ComposerPanel", "Azione"),
     QT_TRANSLATE_NOOP("conversation::ComposerPanel",
                       "Azione: la riga appare come «Nome testo» (come scrivere \", \" davanti)."),
     QT_TRANSLATE_NOOP("conversation::ComposerPanel", "Scrivi ciò che fa il tuo personaggio")},
    {Composer::Kind::Narration, "actNarra",
     QT_TRANSLATE_NOOP("conversation::ComposerPanel", "Narra"),
     QT_TRANSLATE_NOOP("conversation::ComposerPanel",
                       "Narra: la riga appare com'è, senza nome (come scrivere \"# \" davanti)."),
     QT_TRANSLATE_NOOP("conversation::ComposerPanel", "Scrivi la narrazione")},
};

const Mode &modeOf(Composer::Kind kind)
{
    for (const Mode &m : kModes) {
        if (m.kind == kind)
            return m;
    }
    return kModes[0];
}

// A private line must not be mistaken for a public one: a pale amber box
// with a dark amber frame, or on a dark theme a dark amber box whose frame
// and text stand out from it.
const QColor kPrivateTint(0xff, 0xf1, 0xc9);
const QColor kPrivateFrame(0xb3, 0x6b, 0x00);
// How much of the frame's amber a dark theme's box takes on.
constexpr double kDarkTintAmount = 0.3;

QString privateStyle(const QPalette &palette)
{
    const QColor base = palette.color(QPalette::Base);
    QColor back = kPrivateTint;
    QColor frame = kPrivateFrame;
    QColor text = palette.color(QPalette::Text);
    if (a11y::Contrast::isDark(base)) {
        back = a11y::Contrast::tint(base, kPrivateFrame, kDarkTintAmount);
        frame = a11y::Contrast::onBackground(kPrivateFrame, back, text);
    } else if (a11y::Contrast::isDark(text) == a11y::Contrast::isDark(back)) {
        text = Qt::black; // a light theme's light text would vanish on the pale box
    }
    return QStringLiteral("QPlainTextEdit#txtMessage { background-color: %1; color: %2; "
                          "border: 2px solid %3; }")
        .arg(back.name(), text.name(), frame.name());
}

} // namespace

ComposerPanel::ComposerPanel(session::ChatSession *chat, QWidget *parent)
    : QObject(parent), m_chat(chat), m_txtMessage(new QPlainTextEdit(parent)),
      m_cmdSend(new ToggleButton(QStringLiteral("cmdSend"), parent)),
      m_chkPrivate(new QCheckBox(tr("Privato"), parent)), m_cmdModo(new QToolButton(parent))
{
    setObjectName(QStringLiteral("ComposerPanel"));

    m_txtMessage->setObjectName(QStringLiteral("txtMessage"));
    m_txtMessage->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_txtMessage->setTabChangesFocus(true);
    m_txtMessage->setGeometry(8, 320, 6000 / 15, 600 / 15);
    m_txtMessage->installEventFilter(this);
    connect(m_txtMessage, &QPlainTextEdit::textChanged, this, &ComposerPanel::txtMessage_Change);

    m_cmdSend->setPicture(ToggleButton::Picture::Send);
    m_cmdSend->setFocusPolicy(Qt::StrongFocus);
    m_cmdSend->setGeometry(8 + 6000 / 15 + 4, 320, 40, 600 / 15);
    m_cmdSend->setEnabled(false);
    m_cmdSend->setMenuBack(true);
    connect(m_cmdSend, &QPushButton::clicked, this, &ComposerPanel::CmdSend_Click);

    m_chkPrivate->setObjectName(QStringLiteral("chkPrivate"));
    m_chkPrivate->setGeometry(8, 364, 1200 / 15, 255 / 15);
    connect(m_chkPrivate, &QCheckBox::toggled, this, &ComposerPanel::updateLook);

    m_cmdModo->setObjectName(QStringLiteral("cmdModo"));
    m_cmdModo->setPopupMode(QToolButton::InstantPopup);
    m_cmdModo->setToolButtonStyle(Qt::ToolButtonTextOnly);
    m_cmdModo->setStyleSheet(QStringLiteral("QToolButton::menu-indicator { image: none; width: 0; }"));
    QFont small = m_cmdModo->font();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    m_cmdModo->setFont(small);
    auto *menu = new QMenu(m_cmdModo);
    menu->setObjectName(QStringLiteral("mnuModo"));
    auto *group = new QActionGroup(menu);
    for (int i = 0; i < 3; ++i) {
        const Mode &m = kModes[i];
        QAction *action = menu->addAction(tr(m.caption));
        action->setObjectName(QLatin1String(m.objectName));
        action->setCheckable(true);
        action->setToolTip(tr(m.tip));
        group->addAction(action);
        connect(action, &QAction::triggered, this, [this, kind = m.kind] { setMode(kind); });
        m_modeActions[i] = action;
    }
    menu->setToolTipsVisible(true);
    m_cmdModo->setMenu(menu);

    if (m_chat) {
        // The recipients named follow the selection and the list itself.
        session::ParticipantList *people = m_chat->participants();
        connect(people->selectionModel(), &QItemSelectionModel::selectionChanged, this,
                &ComposerPanel::updateLook);
        connect(people, &QAbstractItemModel::modelReset, this, &ComposerPanel::updateLook);
        connect(people, &QAbstractItemModel::rowsRemoved, this, &ComposerPanel::updateLook);
        connect(people, &QAbstractItemModel::dataChanged, this, &ComposerPanel::updateLook);
        // What could not reach the table comes back to be sent again.
        connect(m_chat, &session::ChatSession::unsentReturned, this,
                [this](const QStringList &typed) {
                    QString text = typed.join(QLatin1Char('\n'));
                    const QString now = m_txtMessage->toPlainText();
                    if (!now.isEmpty())
                        text += QLatin1Char('\n') + now;
                    m_txtMessage->setPlainText(text);
                    m_txtMessage->moveCursor(QTextCursor::End);
                });
    }
    setMode(Composer::Kind::Speech);
}

void ComposerPanel::setMode(Composer::Kind mode)
{
    m_mode = mode;
    for (int i = 0; i < 3; ++i)
        m_modeActions[i]->setChecked(kModes[i].kind == mode);
    const Mode &m = modeOf(mode);
    m_cmdModo->setText(tr(m.caption));
    m_cmdModo->setToolTip(tr(m.tip) + tr("\nClic per scegliere tra Parla, Azione e Narra."));
    updateLook();
}

void ComposerPanel::updateLook()
{
    const bool priv = m_chkPrivate->isChecked();
    QString empty = tr(modeOf(m_mode).empty);
    QString tip;
    if (priv) {
        const QStringList names =
            m_chat ? Composer::privateRecipients(*m_chat) : QStringList();
        tip = names.isEmpty() ? tr("Privato: nessun destinatario scelto tra i Personaggi.")
                              : tr("Privato per: %1").arg(names.join(QStringLiteral(", ")));
        empty = privatePlaceholder(names);
    }
    m_txtMessage->setToolTip(tip);
    m_chkPrivate->setToolTip(tip);
    m_txtMessage->setPlaceholderText(empty);
    m_privateLook = priv;
    showLook();
}

void ComposerPanel::showLook()
{
    // The window's palette is the desktop's; the box's own follows its style.
    const QWidget *window = m_txtMessage->parentWidget();
    const QString style =
        m_privateLook ? privateStyle(window ? window->palette() : m_txtMessage->palette()) : QString();
    if (style != m_txtMessage->styleSheet())
        m_txtMessage->setStyleSheet(style);
}

QString ComposerPanel::privatePlaceholder(const QStringList &names) const
{
    // The empty text is drawn inside the box, wrapped, and cut where the box
    // ends: it must fit whole or it says less than it seems to.
    const QRect room = m_txtMessage->viewport()->rect().adjusted(
        4, 4, -4, -4); // the document's margin
    const QFontMetrics metrics(m_txtMessage->font());
    const auto fits = [&](const QString &text) {
        return room.isEmpty() ||
               metrics.boundingRect(room, Qt::TextWordWrap, text).height() <= room.height();
    };
    if (names.isEmpty())
        return tr("Privato: nessun destinatario");
    for (qsizetype shown = names.size(); shown > 0; --shown) {
        QString text = tr("Privato per: %1").arg(names.mid(0, shown).join(QStringLiteral(", ")));
        if (shown < names.size())
            text += tr(" e altri %1").arg(names.size() - shown);
        if (fits(text))
            return text;
    }
    return tr("Privato per %1 destinatari").arg(names.size());
}

void ComposerPanel::txtMessage_Change()
{
    const bool enabled =
        Composer::sendEnabled(m_txtMessage->toPlainText(), m_chat ? m_chat->name() : QString());
    m_cmdSend->setEnabled(enabled);
    m_cmdSend->setMenuBack(!enabled);
}

void ComposerPanel::CmdSend_Click()
{
    sendTyped();
}

Composer::Outcome ComposerPanel::sendTyped()
{
    if (!m_chat)
        return Composer::Outcome::Refused;
    // A roll's announcement is news to the roller too, not an echo.
    if (const auto expression = Composer::rollCommand(m_txtMessage->toPlainText());
        expression && m_roll) {
        if (!m_roll(*expression))
            return Composer::Outcome::NotRolled;
        m_txtMessage->clear();
        return Composer::Outcome::Done;
    }
    emit sending(true);
    const Composer::Outcome outcome =
        Composer::send(*m_chat, Composer::withModePrefix(m_txtMessage->toPlainText(), m_mode),
                       m_chkPrivate->isChecked());
    emit sending(false);
    if (outcome == Composer::Outcome::Done)
        m_txtMessage->clear();
    return outcome;
}

void ComposerPanel::txtMessage_Enter()
{
    // A private line that found nobody to go to stays, to be sent again once
    // a recipient is chosen; so does a roll to be corrected.
    if (m_cmdSend->isEnabled()) {
        const Composer::Outcome outcome = sendTyped();
        if (outcome == Composer::Outcome::NoRecipient || outcome == Composer::Outcome::NotRolled)
            return;
    }
    m_txtMessage->clear();
}

bool ComposerPanel::eventFilter(QObject *watched, QEvent *event)
{
    // The desktop's theme changed: the private look follows it.
    if (watched == m_txtMessage && event->type() == QEvent::PaletteChange)
        showLook();
    if (watched == m_txtMessage && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            txtMessage_Enter();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace conversation
