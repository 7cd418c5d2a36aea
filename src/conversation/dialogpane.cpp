#include "dialogpane.h"

#include "chatsession.h"
#include "colouring.h"
#include "participantlist.h"
#include "togglebutton.h"

#include <QMimeData>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QTimer>

namespace conversation
{

namespace
{

QTextCharFormat colourFormat(const QColor &colour)
{
    QTextCharFormat f;
    f.setForeground(colour);
    return f;
}

// Appends plain text at the end of a document on a new line, unless the
// document is empty, so the pane never starts with an empty line.
QTextCursor endCursor(QTextDocument *doc)
{
    QTextCursor c(doc);
    c.movePosition(QTextCursor::End);
    return c;
}

// The pane's text edit: nothing shown in it may fetch a resource, and what
// is pasted or dropped arrives as plain text only.
class PlainPane : public QTextEdit
{
public:
    using QTextEdit::QTextEdit;

    QVariant loadResource(int, const QUrl &) override { return {}; }

protected:
    bool canInsertFromMimeData(const QMimeData *source) const override { return source->hasText(); }
    void insertFromMimeData(const QMimeData *source) override
    {
        if (source->hasText())
            textCursor().insertText(source->text());
    }
};

} // namespace

QString DialogPane::breakLongRuns(const QString &text)
{
    // Wrapping at word boundaries looks for the end of the word at every
    // screen line, so a long run without a space (a peer can send a megabyte
    // of "x") takes minutes to lay out. An invisible break point every
    // kLongRun characters keeps the layout linear; ordinary text is untouched.
    qsizetype run = 0;
    qsizetype i = 0;
    for (; i < text.size(); ++i) {
        const QChar c = text.at(i);
        run = (c.isSpace() || c == kBreakPoint) ? 0 : run + 1;
        if (run > kLongRun)
            break;
    }
    if (i == text.size())
        return text;

    QString out;
    out.reserve(text.size() + text.size() / kLongRun + 1);
    run = 0;
    for (const QChar c : text) {
        if (c.isSpace() || c == kBreakPoint) {
            run = 0;
        } else if (++run > kLongRun) {
            out += kBreakPoint;
            run = 1;
        }
        out += c;
    }
    return out;
}

DialogPane::DialogPane(QWidget *parent, session::ChatSession *chat)
    : QObject(parent), m_chat(chat), m_txtDialog(new PlainPane(parent)),
      m_txtStatus(new QPlainTextEdit(parent)),
      m_command21(new ToggleButton(QStringLiteral("Command21"), parent)),
      m_command19(new ToggleButton(QStringLiteral("Command19"), parent))
{
    setObjectName(QStringLiteral("DialogPane"));

    m_txtDialog->setObjectName(QStringLiteral("txtDialog"));
    m_txtDialog->setReadOnly(true);
    // Peers' text is never interpreted: no rich paste, no links, and lines
    // only ever enter through plain-text insertion.
    m_txtDialog->setAcceptRichText(false);
    m_txtDialog->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_txtDialog->document()->setUndoRedoEnabled(false);
    m_txtDialog->setGeometry(8, 8, 7335 / 15, 3000 / 15);

    m_txtStatus->setObjectName(QStringLiteral("txtStatus"));
    m_txtStatus->setReadOnly(true);
    m_txtStatus->document()->setUndoRedoEnabled(false);
    m_txtStatus->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_txtStatus->setGeometry(8, 216, 7335 / 15, 900 / 15);

    m_command21->setPicture(ToggleButton::Picture::Clock);
    m_command21->setToolTip(QStringLiteral("Ora"));
    m_command21->setGeometry(8, 280, 24, 24);
    m_command19->setPicture(ToggleButton::Picture::Colours);
    m_command19->setToolTip(QStringLiteral("Colori"));
    m_command19->setGeometry(36, 280, 24, 24);
    connect(m_command21, &QPushButton::clicked, this, &DialogPane::Command21_Click);
    connect(m_command19, &QPushButton::clicked, this, &DialogPane::Command19_Click);

    m_names = [this]() -> QStringList {
        if (m_chat && m_chat->participants())
            return m_chat->participants()->names();
        return {};
    };
}

void DialogPane::setClockText(std::function<QString()> clockText)
{
    m_clockText = std::move(clockText);
}

void DialogPane::setNames(std::function<QStringList()> names)
{
    m_names = std::move(names);
}

void DialogPane::UpdateDialog(const QString &vsDialog)
{
    if (m_bTimeStamp) {
        const QString clock = m_clockText ? m_clockText() : QString();
        m_sTimeStamp = QLatin1Char('[') + clock.chopped(qMin<qsizetype>(3, clock.size())) +
                       QStringLiteral("] ");
    } else {
        m_sTimeStamp.clear();
    }

    QTextDocument *doc = m_txtDialog->document();
    const bool wasEmpty = doc->isEmpty();
    QTextCursor c = endCursor(doc);
    const QTextCharFormat black = colourFormat(Qt::black);
    c.beginEditBlock();
    if (!wasEmpty)
        c.insertBlock(QTextBlockFormat(), black);
    c.insertText(m_sTimeStamp, black);

    std::vector<ColourRun> runs;
    if (m_colouring && m_names)
        runs = Colouring::runs(vsDialog, m_names());

    // Insert the line piece by piece in its final colours rather than
    // recolouring it afterwards: one pass, and nothing before it is touched.
    qsizetype pos = 0;
    for (const ColourRun &run : runs) {
        const qsizetype start = qBound<qsizetype>(pos, run.start, vsDialog.size());
        const qsizetype end = qBound<qsizetype>(start, run.start + run.length, vsDialog.size());
        if (start > pos)
            c.insertText(breakLongRuns(vsDialog.mid(pos, start - pos)), black);
        if (end > start)
            c.insertText(breakLongRuns(vsDialog.mid(start, end - start)), colourFormat(run.colour));
        pos = end;
    }
    if (pos < vsDialog.size())
        c.insertText(breakLongRuns(vsDialog.mid(pos)), black);
    c.endEditBlock();

    scheduleScroll();
}

void DialogPane::UpdateStatus(const QString &vsStatus)
{
    QTextDocument *doc = m_txtStatus->document();
    const bool wasEmpty = doc->isEmpty();
    QTextCursor c = endCursor(doc);
    c.beginEditBlock();
    if (!wasEmpty)
        c.insertBlock();
    c.insertText(breakLongRuns(vsStatus));
    c.endEditBlock();
    scheduleScroll();
}

void DialogPane::clearDialog()
{
    m_txtDialog->document()->clear();
    m_txtDialog->document()->setUndoRedoEnabled(false);
}

void DialogPane::Command21_Click()
{
    m_bTimeStamp = !m_bTimeStamp;
    m_command21->setOn(m_bTimeStamp);
}

void DialogPane::Command19_Click()
{
    m_colouring = !m_colouring;
    m_command19->setOn(m_colouring);
}

void DialogPane::Label2_Click(const QString &localIp)
{
    UpdateStatus(QStringLiteral("IP: ") + localIp + QLatin1Char('.'));
}

void DialogPane::scheduleScroll()
{
    // A burst of lines (a relay, a paste) scrolls once, after the burst.
    if (m_scrollPending)
        return;
    m_scrollPending = true;
    QTimer::singleShot(0, this, &DialogPane::scrollToEnd);
}

void DialogPane::scrollToEnd()
{
    m_scrollPending = false;
    for (QAbstractScrollArea *area : {static_cast<QAbstractScrollArea *>(m_txtDialog),
                                      static_cast<QAbstractScrollArea *>(m_txtStatus)}) {
        if (!area->isVisible())
            continue;
        area->verticalScrollBar()->setValue(area->verticalScrollBar()->maximum());
    }
    QTextCursor end = endCursor(m_txtDialog->document());
    m_txtDialog->setTextCursor(end);
    QTextCursor endStatus = endCursor(m_txtStatus->document());
    m_txtStatus->setTextCursor(endStatus);
}

} // namespace conversation
