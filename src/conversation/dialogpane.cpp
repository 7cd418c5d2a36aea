#include "dialogpane.h"

#include "chatsession.h"
#include "colouring.h"
#include "diceroller.h"
#include "linebreaks.h"
#include "participantlist.h"
#include "togglebutton.h"

#include <QMimeData>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
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

// Lines go in through a cursor of their own rather than QTextEdit::append,
// which may read a peer's markup as rich text and takes its formats from
// wherever the user's cursor is; this one starts at the end of @p doc.
QTextCursor endCursor(QTextDocument *doc)
{
    QTextCursor c(doc);
    c.movePosition(QTextCursor::End);
    return c;
}

// Marks the break points the pane put into long runs, so that copying can
// leave them out while a zero width space the peer sent stays.
constexpr int kInsertedBreak = QTextFormat::UserProperty + 1;

bool isInsertedBreak(const QTextFragment &f)
{
    return f.charFormat().boolProperty(kInsertedBreak);
}

// Where break points go in @p text: before each of these offsets.
std::vector<qsizetype> breakOffsets(QStringView text)
{
    // Wrapping at word boundaries looks for the end of the word at every
    // screen line, so a long run without a space (a peer can send a megabyte
    // of "x") takes minutes to lay out. An invisible break point every
    // kLongRun characters keeps the layout linear; ordinary text is untouched.
    std::vector<qsizetype> offsets;
    qsizetype run = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isSpace() || c == DialogPane::kBreakPoint) {
            run = 0;
        } else if (++run > DialogPane::kLongRun) {
            offsets.push_back(i);
            run = 1;
        }
    }
    return offsets;
}

// Inserts @p text in @p format with marked break points in its long runs.
void insertWithBreakPoints(QTextCursor &c, QStringView text, const QTextCharFormat &format)
{
    QTextCharFormat mark = format;
    mark.setProperty(kInsertedBreak, true);
    qsizetype from = 0;
    for (const qsizetype at : breakOffsets(text)) {
        c.insertText(text.mid(from, at - from).toString(), format);
        c.insertText(QString(DialogPane::kBreakPoint), mark);
        from = at;
    }
    if (from < text.size())
        c.insertText(text.mid(from).toString(), format);
}

// The text of @p doc from @p from to @p to without the marked break points,
// blocks joined by LF.
QString textWithoutBreaks(const QTextDocument *doc, int from, int to)
{
    QString out;
    for (QTextBlock b = doc->findBlock(from); b.isValid() && b.position() <= to; b = b.next()) {
        if (b.position() > from)
            out += QLatin1Char('\n');
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment f = it.fragment();
            const int start = qMax(from, f.position());
            const int end = qMin(to, f.position() + f.length());
            if (end <= start)
                continue;
            QString piece = f.text().mid(start - f.position(), end - start);
            if (isInsertedBreak(f))
                piece.remove(DialogPane::kBreakPoint);
            out += piece;
        }
    }
    return out;
}

// What a copy of @p selection carries: the plain text and the coloured
// text, both without the marked break points.
QMimeData *copyWithoutBreaks(const QTextCursor &selection)
{
    auto *data = new QMimeData;
    if (!selection.hasSelection())
        return data;
    data->setText(textWithoutBreaks(selection.document(), selection.selectionStart(),
                                    selection.selectionEnd()));

    QTextDocument copy;
    QTextCursor(&copy).insertFragment(QTextDocumentFragment(selection));
    std::vector<std::pair<int, int>> marked;
    for (QTextBlock b = copy.begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            if (isInsertedBreak(it.fragment()))
                marked.emplace_back(it.fragment().position(), it.fragment().length());
        }
    }
    QTextCursor c(&copy);
    for (auto m = marked.rbegin(); m != marked.rend(); ++m) {
        c.setPosition(m->first);
        c.setPosition(m->first + m->second, QTextCursor::KeepAnchor);
        c.removeSelectedText();
    }
    data->setHtml(copy.toHtml());
    return data;
}

// The pane's text edit: nothing shown in it may fetch a resource, what is
// pasted or dropped arrives as plain text only, and a copy holds what the
// peers sent, without the pane's break points.
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
    QMimeData *createMimeDataFromSelection() const override
    {
        return copyWithoutBreaks(textCursor());
    }
};

// The status box: a copy leaves out the break points as in the pane.
class StatusBox : public QPlainTextEdit
{
public:
    using QPlainTextEdit::QPlainTextEdit;

protected:
    QMimeData *createMimeDataFromSelection() const override
    {
        return copyWithoutBreaks(textCursor());
    }
};

} // namespace

QString DialogPane::dialogText() const
{
    return textWithoutBreaks(m_txtDialog->document(), 0,
                             m_txtDialog->document()->characterCount() - 1);
}

QString DialogPane::statusText() const
{
    return textWithoutBreaks(m_txtStatus->document(), 0,
                             m_txtStatus->document()->characterCount() - 1);
}

QList<JournalRow> DialogPane::shownRows() const
{
    QList<JournalRow> rows;
    const QTextDocument *doc = m_txtDialog->document();
    if (doc->isEmpty())
        return rows;
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
        JournalRow row;
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment f = it.fragment();
            QString text = f.text();
            if (isInsertedBreak(f))
                text.remove(kBreakPoint);
            row.append({text, f.charFormat().foreground().color()});
        }
        rows.append(Journal::normalised(row));
    }
    return rows;
}

DialogPane::DialogPane(QWidget *parent, session::ChatSession *chat)
    : QObject(parent), m_chat(chat), m_txtDialog(new PlainPane(parent)),
      m_txtStatus(new StatusBox(parent)),
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
        return m_chat ? m_chat->participants()->names() : QStringList();
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

    // The line shows as one line, except for the detail of a dice roll that
    // ends it; any other break a peer put in becomes a space. The length is
    // kept, so the colours are worked out on what is shown and the detail
    // stays part of its announcement.
    QString line = flattenLineBreaks(vsDialog);
    if (const qsizetype detail = DiceRoller::detailStart(vsDialog); detail >= 0)
        line[detail] = QLatin1Char('\n');

    std::vector<ColourRun> runs;
    if (m_colouring && m_names)
        runs = Colouring::runs(line, m_names());

    // Insert the line piece by piece in its final colours rather than
    // recolouring it afterwards: one pass, and nothing before it is touched.
    const QStringView shown(line);
    qsizetype pos = 0;
    for (const ColourRun &run : runs) {
        const qsizetype start = qBound<qsizetype>(pos, run.start, line.size());
        const qsizetype end = qBound<qsizetype>(start, run.start + run.length, line.size());
        if (start > pos)
            insertWithBreakPoints(c, shown.mid(pos, start - pos), black);
        if (end > start)
            insertWithBreakPoints(c, shown.mid(start, end - start), colourFormat(run.colour));
        pos = end;
    }
    if (pos < line.size())
        insertWithBreakPoints(c, shown.mid(pos), black);
    c.endEditBlock();

    emit lineShown(m_sTimeStamp, line, runs);
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
    // Status lines carry peers' names: one line each, like the pane's.
    insertWithBreakPoints(c, flattenLineBreaks(vsStatus), QTextCharFormat());
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
