#include "frmfind.h"

#include "controlnames.h"
#include "readingorder.h"

#include "panetext.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTextCursor>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace conversation
{

frmFind::frmFind(FindSettings *settings, QPlainTextEdit *pane, session::MessageService *messages,
                 QWidget *parent)
    : QDialog(parent), m_settings(settings), m_pane(pane), m_messages(messages)
{
    setObjectName(QStringLiteral("frmFind"));
    setWindowTitle(tr("Cerca nel dialogo"));
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);

    Label1 = new QLabel(tr("Testo:"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Text1 = new QLineEdit(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Label1->setBuddy(Text1);

    Frame1 = new QGroupBox(tr("Direzione"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    const QString captions[] = {tr("Su"), tr("Giù")};
    auto *directions = new QHBoxLayout(Frame1);
    for (int i = 0; i < 2; ++i) {
        optDirection[i] = new QRadioButton(captions[i], Frame1);
        optDirection[i]->setObjectName(QStringLiteral("optDirection_%1").arg(i));
        directions->addWidget(optDirection[i]);
        connect(optDirection[i], &QRadioButton::clicked, this,
                [this, i] { optDirection_Click(i); });
    }

    chkCase = new QCheckBox(tr("Maiuscole minuscole"), this);
    chkCase->setObjectName(QStringLiteral("chkCase"));
    cmdFind = new QPushButton(tr("Trova"), this);
    cmdFind->setObjectName(QStringLiteral("cmdFind"));
    cmdFind->setDefault(true);
    cmdcancel = new QPushButton(tr("Annulla"), this);
    cmdcancel->setObjectName(QStringLiteral("cmdcancel"));

    auto *grid = new QGridLayout(this);
    grid->addWidget(Label1, 0, 0);
    grid->addWidget(Text1, 0, 1);
    grid->addWidget(cmdFind, 0, 2);
    grid->addWidget(Frame1, 1, 0, 2, 2);
    grid->addWidget(cmdcancel, 1, 2);
    grid->addWidget(chkCase, 3, 0, 1, 3);

    connect(Text1, &QLineEdit::textChanged, this, &frmFind::Text1_Change);
    connect(chkCase, &QCheckBox::clicked, this, &frmFind::chkCase_Click);
    connect(cmdFind, &QPushButton::clicked, this, &frmFind::cmdFind_Click);
    connect(cmdcancel, &QPushButton::clicked, this, &frmFind::CmdCancel_Click);

    Form_Load();
    nameControls();
}

void frmFind::Form_Load()
{
    cmdFind->setEnabled(false);
    const int direction = m_settings->gFindDirection == 1 ? 1 : 0;
    optDirection[direction]->setChecked(true);
    chkCase->setChecked(m_settings->gMatchCase != 0);
    Text1->clear();
    Text1->setFocus();
}

void frmFind::Text1_Change()
{
    cmdFind->setEnabled(!Text1->text().isEmpty());
}

void frmFind::chkCase_Click()
{
    m_settings->gMatchCase = chkCase->isChecked() ? 1 : 0;
}

void frmFind::optDirection_Click(int index)
{
    m_settings->gFindDirection = index;
}

void frmFind::cmdFind_Click()
{
    // Enter reaches the default button even while it is disabled.
    if (Text1->text().isEmpty())
        return;
    m_settings->gFindText = Text1->text();
    if (m_pane)
        FindInDialog(*m_settings, m_pane, m_messages);
}

void frmFind::CmdCancel_Click()
{
    m_settings->gFindText = Text1->text();
    m_settings->gMatchCase = chkCase->isChecked() ? 1 : 0;
    close();
}

void frmFind::reject()
{
    m_settings->gFindText = Text1->text();
    m_settings->gMatchCase = chkCase->isChecked() ? 1 : 0;
    QDialog::reject();
}

void frmFind::FindInDialog(FindSettings &settings, QPlainTextEdit *pane,
                           session::MessageService *messages)
{
    // The search runs on the text as said, without the break points the
    // pane inserted, so a word that straddles one is found; positions are
    // mapped both ways, and the caret kept between searches is the text's.
    QTextCursor cursor = pane->textCursor();
    const PaneText text = PaneText::of(pane->document());
    const FindResult result = conversation::FindInDialog(
        settings, text.text(), text.fromDocument(cursor.selectionStart()));
    if (!result.found) {
        if (messages) {
            messages->showMessage(session::MessageService::Icon::None, session::kAppTitle,
                                  tr("Impossibile trovare: \"%1\"").arg(settings.gFindText));
        }
        return;
    }
    cursor.setPosition(text.toDocument(result.selStart));
    cursor.setPosition(text.toDocument(result.selStart + result.selLength - 1) + 1,
                       QTextCursor::KeepAnchor);
    pane->setTextCursor(cursor);
    pane->ensureCursorVisible();
}

// What a screen reader says for each control, and the Tab key's way
// through the window in its reading order.
void frmFind::nameControls()
{
    a11y::ControlNames::apply(this, "conversation::frmFind", {
        {"Text1", QT_TRANSLATE_NOOP("conversation::frmFind", "Testo da cercare")},
        {"optDirection_0", QT_TRANSLATE_NOOP("conversation::frmFind", "Su"),
         QT_TRANSLATE_NOOP("conversation::frmFind", "Cerca verso l'inizio del dialogo")},
        {"optDirection_1", QT_TRANSLATE_NOOP("conversation::frmFind", "Giù"),
         QT_TRANSLATE_NOOP("conversation::frmFind", "Cerca verso la fine del dialogo")},
        {"chkCase", QT_TRANSLATE_NOOP("conversation::frmFind", "Maiuscole minuscole"),
         QT_TRANSLATE_NOOP("conversation::frmFind", "Distingue le maiuscole dalle minuscole")},
        {"cmdFind", QT_TRANSLATE_NOOP("conversation::frmFind", "Trova"),
         QT_TRANSLATE_NOOP("conversation::frmFind", "Invio; ancora per la prossima")},
        {"cmdcancel", QT_TRANSLATE_NOOP("conversation::frmFind", "Annulla"),
         QT_TRANSLATE_NOOP("conversation::frmFind", "Esc")},
    });
    a11y::ReadingOrder::keep(this);
}

} // namespace conversation
