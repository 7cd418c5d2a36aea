#include "dialogpane.h"

#include "chatsession.h"
#include "colouring.h"
#include "announcement.h"
#include "contrast.h"
#include "diceroller.h"
#include "ledger.h"
#include "linebreaks.h"
#include "paneaccessible.h"
#include "panetext.h"
#include "participantlist.h"
#include "togglebutton.h"

#include <QMimeData>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QElapsedTimer>
#include <QTime>
#include <QEvent>
#include <QTimer>

#include <utility>
#include <limits>

namespace conversation
{

namespace
{

// Text in the design's @p colour, shown in one @p palette's theme reads
// well; the design's colour goes with it, for the journal and for a change
// of theme.
QTextCharFormat colourFormat(const QColor &colour, const QPalette &palette)
{
    QTextCharFormat f;
    f.setForeground(a11y::Contrast::onBackground(colour, palette.color(QPalette::Base),
                                                 palette.color(QPalette::Text)));
    f.setProperty(PaneText::kDesignColour, colour);
    return f;
}

QColor designColour(const QTextCharFormat &f)
{
    const QVariant design = f.property(PaneText::kDesignColour);
    return design.isValid() ? design.value<QColor>() : f.foreground().color();
}

// Shows every line of @p pane again in the colours its palette reads well.
void recolour(QPlainTextEdit *pane)
{
    QTextDocument *doc = pane->document();
    std::vector<std::pair<QTextCursor, QColor>> changes;
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment f = it.fragment();
            const QColor shown = colourFormat(designColour(f.charFormat()), pane->palette())
                                     .foreground()
                                     .color();
            if (shown == f.charFormat().foreground().color())
                continue;
            QTextCursor c(doc);
            c.setPosition(f.position());
            c.setPosition(f.position() + f.length(), QTextCursor::KeepAnchor);
            changes.emplace_back(c, shown);
        }
    }
    for (auto &[c, colour] : changes) {
        QTextCharFormat f;
        f.setForeground(colour);
        c.mergeCharFormat(f);
    }
}

// Lines go in through a cursor of their own rather than through the edit's
// append, which takes its formats from wherever the user's cursor is; this
// one starts at the end of @p doc.
QTextCursor endCursor(QTextDocument *doc)
{
    QTextCursor c(doc);
    c.movePosition(QTextCursor::End);
    return c;
}

// Marks the break points the pane put into long runs, so that copying can
// leave them out while a zero width space the peer sent stays.
constexpr int kInsertedBreak = PaneText::kInsertedBreak;

bool isInsertedBreak(const QTextFragment &f)
{
    return f.charFormat().boolProperty(kInsertedBreak);
}

// Marks a block that goes on with the line of the block before it.
constexpr int kContinuesLine = PaneText::kContinuesLine;
// Names the block where a line of our own starts.
constexpr int kOwnLine = PaneText::kOwnLine;

bool continuesLine(const QTextBlock &b)
{
    return b.blockFormat().boolProperty(kContinuesLine);
}

// What a screen reader needs of a line, kept on the line's first block.
// Kept as block data rather than block properties: a property that differs
// on every block makes each new block's format unique, and Qt looks a new
// format up among all the others, so a burst of lines grew quadratic.
struct LineNotes : QTextBlockUserData
{
    quint64 serial = 0;
    SpokenLine::Kind kind = SpokenLine::Kind::Narration;
    bool isPrivate = false;
    QString speaker;
    int stamp = 0; // characters of the first block that are its time stamp
};

const LineNotes *notesOf(const QTextBlock &b)
{
    return static_cast<const LineNotes *>(b.userData());
}

// The number of the line that begins with @p b, 0 for a block that goes on
// with the line before it (a roll's detail, a long line's further blocks).
quint64 serialAt(const QTextBlock &b)
{
    const LineNotes *notes = notesOf(b);
    return notes ? notes->serial : 0;
}

// The serial numbers of the first and the last line of @p doc; {0, 0} when empty.
std::pair<quint64, quint64> serialRange(const QTextDocument *doc)
{
    if (doc->isEmpty())
        return {0, 0};
    quint64 first = 0;
    for (QTextBlock b = doc->begin(); b.isValid() && first == 0; b = b.next())
        first = serialAt(b);
    quint64 last = 0;
    for (QTextBlock b = doc->lastBlock(); b.isValid() && last == 0; b = b.previous())
        last = serialAt(b);
    return {first, last};
}

// Splits the first @p size characters off @p line, which keeps the rest.
DialogPane::Line takeHead(DialogPane::Line &line, qsizetype size)
{
    // A character outside the basic plane stays whole on one side.
    if (size > 0 && line.text[size - 1].isHighSurrogate())
        --size;
    DialogPane::Line head;
    head.stamp = std::exchange(line.stamp, QString());
    head.text = line.text.left(size);
    head.continues = line.continues;
    head.ownId = line.ownId;
    head.kind = line.kind;
    head.isPrivate = line.isPrivate;
    head.speaker = line.speaker;
    head.serial = line.serial;
    line.text.remove(0, size);
    line.continues = true;
    std::vector<ColourRun> rest;
    for (const ColourRun &run : line.runs) {
        const qsizetype end = run.start + run.length;
        if (run.start < size)
            head.runs.push_back({run.start, qMin(end, size) - run.start, run.colour});
        if (end > size) {
            const qsizetype start = qMax(run.start, size);
            rest.push_back({start - size, end - start, run.colour});
        }
    }
    line.runs = std::move(rest);
    return head;
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
        if (b.position() > from && !continuesLine(b))
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
//
// A plain text edit lays out only the blocks it shows, where a rich one keeps
// the layout of every block it ever held: a long session's pane would
// otherwise hold most of the program's memory. Colours are character formats,
// which both kinds show alike.
class PlainPane : public QPlainTextEdit
{
public:
    using QPlainTextEdit::QPlainTextEdit;

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
    void changeEvent(QEvent *event) override
    {
        QPlainTextEdit::changeEvent(event);
        // The desktop went dark or light: the lines follow.
        if (event->type() == QEvent::PaletteChange)
            recolour(this);
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
    const QPlainTextEdit *pane = txtDialog(); // with every waiting line
    return textWithoutBreaks(pane->document(), 0,
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
    const QTextDocument *doc = txtDialog()->document(); // with every waiting line
    if (doc->isEmpty())
        return rows;
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
        // The blocks of a line too long for one are one row.
        if (rows.isEmpty() || !continuesLine(b))
            rows.append(JournalRow());
        JournalRow &row = rows.last();
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment f = it.fragment();
            QString text = f.text();
            if (isInsertedBreak(f))
                text.remove(kBreakPoint);
            row.append({text, designColour(f.charFormat())});
        }
    }
    for (JournalRow &row : rows)
        row = Journal::normalised(row);
    return rows;
}

DialogPane::DialogPane(QWidget *parent, session::ChatSession *chat)
    : QObject(parent), m_chat(chat), m_txtDialog(new PlainPane(parent)),
      m_txtStatus(new StatusBox(parent)),
      m_command21(new ToggleButton(QStringLiteral("Command21"), parent)),
      m_command19(new ToggleButton(QStringLiteral("Command19"), parent)),
      m_sliceTimer(new QTimer(this))
{
    setObjectName(QStringLiteral("DialogPane"));
    // Lines handed over during one event-loop turn go in together when the
    // turn is over.
    m_sliceTimer->setSingleShot(true);
    m_sliceTimer->setInterval(0);
    connect(m_sliceTimer, &QTimer::timeout, this, &DialogPane::showSlice);

    m_txtDialog->setObjectName(QStringLiteral("txtDialog"));
    m_txtDialog->setReadOnly(true);
    // Peers' text is never interpreted: no rich paste, no links, and lines
    // only ever enter through plain-text insertion.
    m_txtDialog->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_txtDialog->document()->setUndoRedoEnabled(false);
    m_txtDialog->setGeometry(8, 8, 7335 / 15, 3000 / 15);

    m_txtStatus->setObjectName(QStringLiteral("txtStatus"));
    m_txtStatus->setReadOnly(true);
    m_txtStatus->document()->setUndoRedoEnabled(false);
    m_txtStatus->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_txtStatus->setGeometry(8, 216, 7335 / 15, 900 / 15);

    m_command21->setPicture(ToggleButton::Picture::Clock);
    m_command21->setToolTip(tr("Ora"));
    m_command21->setGeometry(8, 280, 24, 24);
    m_command19->setPicture(ToggleButton::Picture::Colours);
    m_command19->setToolTip(tr("Colori: parlato, azioni e narrazione in colori diversi"));
    m_command19->setGeometry(36, 280, 24, 24);
    connect(m_command21, &QPushButton::clicked, this, &DialogPane::Command21_Click);
    connect(m_command19, &QPushButton::clicked, this, &DialogPane::Command19_Click);

    m_names = [this]() -> QStringList {
        return m_chat ? m_chat->participants()->names() : QStringList();
    };
    trackReading(m_txtDialog, &m_dialogReading);
    trackReading(m_txtStatus, &m_statusReading);
    // A screen reader lists the pane's lines as items of their own.
    PaneAccessible::attach(m_txtDialog, this);
}

void DialogPane::trackReading(QAbstractScrollArea *area, Reading *reading)
{
    // Only the user's own moves count (the wheel, the bar, the page keys):
    // a box may move its view by itself as text comes in.
    QScrollBar *bar = area->verticalScrollBar();
    connect(bar, &QScrollBar::actionTriggered, this, [bar, reading] {
        reading->at = bar->sliderPosition();
        reading->follows = reading->at >= bar->maximum();
    });
    // A box resized with the window keeps showing its newest line to a
    // reader who was following; once, after the resizing is over.
    connect(bar, &QScrollBar::rangeChanged, this, [this] {
        if (m_followPending)
            return;
        m_followPending = true;
        QTimer::singleShot(0, this, [this] {
            m_followPending = false;
            showEnds();
        });
    });
}

void DialogPane::setClockText(std::function<QString()> clockText)
{
    m_clockText = std::move(clockText);
}

void DialogPane::setNames(std::function<QStringList()> names)
{
    m_names = std::move(names);
}

DialogPane::Line DialogPane::stampedLine(const QString &vsDialog)
{
    if (m_bTimeStamp) {
        const QString clock = m_clockText ? m_clockText() : QString();
        // Lines of the same minute share one stamp text.
        if (m_sTimeStamp.isEmpty() || clock != m_stampClock) {
            m_stampClock = clock;
            m_sTimeStamp = QLatin1Char('[') + clock.chopped(qMin<qsizetype>(3, clock.size())) +
                           QStringLiteral("] ");
        }
    } else {
        m_sTimeStamp.clear();
    }

    Line line;
    line.stamp = m_sTimeStamp;
    line.text = shownText(vsDialog);
    {
        // The user's own name counts too, also before a session names anyone.
        QStringList names = m_names ? m_names() : QStringList();
        if (m_chat && !m_chat->name().isEmpty() && !names.contains(m_chat->name()))
            names.append(m_chat->name());
        const SpokenLine::Reading reading = SpokenLine::read(line.text, names);
        line.kind = reading.kind;
        line.isPrivate = reading.isPrivate;
        line.speaker = reading.speaker;
    }
    // Stamp and colours are those of the moment the line arrives, even when
    // it enters the document a moment later.
    if (m_colouring && m_names)
        line.runs = Colouring::runs(line.text, m_names());
    return line;
}

void DialogPane::addMark(Line &line, const QString &mark, QRgb colour)
{
    const qsizetype at = line.text.size() + 1;
    line.text += QLatin1Char(' ') + mark;
    line.runs.push_back({at, mark.size(), QColor::fromRgba(colour)});
}

void DialogPane::UpdateDialog(const QString &vsDialog)
{
    Line line = stampedLine(vsDialog);
    // While the host rolls checkable dice, a line that reads as a roll but
    // came as plain text (typed, or from a program that rolls for itself)
    // says that it cannot be checked.
    if (m_rollsCheckable && m_names &&
        dice::Announcement::readsAsRoll(vsDialog, m_names()))
        addMark(line, tr("[non verificabile]"), kRecapColour);
    queueLine(std::move(line));
}

QString DialogPane::waitingMark()
{
    return tr("(in attesa) ");
}

QString DialogPane::unsentMark()
{
    return tr("(non inviato) ");
}

QString DialogPane::sentLateNote(const QString &clock)
{
    return tr(" (inviato alle %1)").arg(clock);
}

DialogPane::Line DialogPane::ownLook(const Line &own, OwnLine state, const QString &note)
{
    Line look = own;
    look.continues = false;
    switch (state) {
    case OwnLine::Sent:
    case OwnLine::Confirmed:
        if (!note.isEmpty()) {
            look.runs.push_back({look.text.size(), note.size(), QColor::fromRgba(kRecapColour)});
            look.text += note;
        }
        break;
    case OwnLine::Waiting:
    case OwnLine::Unsent: {
        // Whole in one colour: a colour of speech would make it look said.
        const QString mark = state == OwnLine::Waiting ? waitingMark() : unsentMark();
        look.text = mark + own.text;
        look.runs = {{0, look.text.size(), QColor::fromRgba(state == OwnLine::Waiting
                                                                ? kRecapColour
                                                                : kUnsentColour)}};
        break;
    }
    }
    return look;
}

void DialogPane::showOwnLine(quint64 id, const QString &line, OwnLine state)
{
    Line said = stampedLine(line);
    if (id != 0 && state != OwnLine::Confirmed && state != OwnLine::Unsent)
        m_own[id] = {said, state};
    Line look = ownLook(said, state, QString());
    look.ownId = id;
    queueLine(std::move(look));
}

void DialogPane::markOwnLine(quint64 id, OwnLine state, bool late)
{
    const auto it = m_own.find(id);
    if (it == m_own.end())
        return;
    Own &own = it->second;
    const bool wasSaid = own.state == OwnLine::Sent;
    if (state == OwnLine::Waiting || state == OwnLine::Sent) {
        if (state != own.state) {
            own.state = state;
            replaceOwnLine(id, ownLook(own.said, state, QString()));
        }
        return;
    }
    // Its last change: it went, or it will not.
    const Line said = own.said;
    m_own.erase(it);
    if (state == OwnLine::Confirmed && wasSaid)
        return; // it already shows as said
    const QString note = state == OwnLine::Confirmed && late
                             ? sentLateNote(QTime::currentTime().toString(QStringLiteral("H.mm")))
                             : QString();
    const Line look = ownLook(said, state, note);
    replaceOwnLine(id, look);
    // The journal keeps what the pane showed: the line waited, and then this.
    emit lineShown(look.stamp, look.text, look.runs);
}

void DialogPane::replaceOwnLine(quint64 id, const Line &look)
{
    // A change of state is rare next to lines coming in: the line is looked
    // for in the document alone, with everything handed over put in first.
    showWaitingLines();
    QTextDocument *doc = m_txtDialog->document();
    for (QTextBlock b = doc->lastBlock(); b.isValid(); b = b.previous()) {
        if (b.blockFormat().property(kOwnLine).toULongLong() != id)
            continue;
        QTextBlock last = b;
        while (last.next().isValid() && continuesLine(last.next()))
            last = last.next();
        QTextCursor c(doc);
        c.beginEditBlock();
        c.setPosition(b.position());
        c.setPosition(last.position() + last.length() - 1, QTextCursor::KeepAnchor);
        c.removeSelectedText();
        c.setBlockFormat(b.blockFormat());
        insertContent(c, look);
        c.endEditBlock();
        return;
    }
}

void DialogPane::showRoll(const QString &line)
{
    Line shown = stampedLine(line);
    addMark(shown, tr("[verificabile]"), kCheckableColour);
    queueLine(std::move(shown));
}

void DialogPane::keepDiceEvidence(const QString &line)
{
    if (m_evidence.size() == dice::Ledger::kMaxLines)
        m_evidence.removeFirst();
    m_evidence.append(line);
    emit evidenceKept(line);
}

QString DialogPane::shownText(const QString &vsDialog)
{
    // The line shows as one line, except for the detail of a dice roll that
    // ends it; any other break a peer put in becomes a space. The length is
    // kept, so the colours are worked out on what is shown and the detail
    // stays part of its announcement.
    QString text = flattenLineBreaks(vsDialog);
    if (const qsizetype detail = DiceRoller::detailStart(vsDialog); detail >= 0)
        text[detail] = QLatin1Char('\n');
    return text;
}

void DialogPane::queueLine(Line line)
{
    line.serial = m_nextSerial++;
    emit lineShown(line.stamp, line.text, line.runs);
    emit lineRead({line.kind, line.isPrivate, line.speaker, line.text});
    m_waiting.push_back(std::move(line));
    if (!m_sliceTimer->isActive())
        m_sliceTimer->start();
}

void DialogPane::showRecap(const QString &line, const QDateTime &said)
{
    // Its own time and colour, whatever the switches say: a line said
    // before cannot pass for one said now.
    const QString prefix =
        tr("(già detto alle %1) ").arg(said.toLocalTime().toString(QStringLiteral("H.mm")));
    Line shown;
    shown.kind = SpokenLine::Kind::Event;
    shown.text = prefix + shownText(line);
    shown.runs.push_back({0, shown.text.size(), QColor::fromRgba(kRecapColour)});
    queueLine(std::move(shown));
}

void DialogPane::markPane(const QString &note)
{
    Line shown;
    shown.kind = SpokenLine::Kind::Event;
    shown.text = flattenLineBreaks(note);
    shown.runs.push_back({0, shown.text.size(), QColor::fromRgba(kRecapColour)});
    queueLine(std::move(shown));
}

QPlainTextEdit *DialogPane::txtDialog() const
{
    if (!m_waiting.empty())
        const_cast<DialogPane *>(this)->showWaitingLines();
    return m_txtDialog;
}

void DialogPane::showWaitingLines()
{
    if (m_waiting.empty())
        return;
    m_sliceTimer->stop();
    const quint64 lastBefore = serialRange(m_txtDialog->document()).second;
    QTextCursor c(m_txtDialog->document());
    c.beginEditBlock();
    c.movePosition(QTextCursor::End);
    insertWaiting(c, std::numeric_limits<qsizetype>::max());
    c.endEditBlock();
    trimShown();
    scheduleScroll();
    tellInserted(lastBefore);
}

void DialogPane::tellInserted(quint64 lastBefore)
{
    const auto [first, last] = serialRange(m_txtDialog->document());
    if (last == 0 || last <= lastBefore)
        return;
    const quint64 from = qMax(first, lastBefore + 1);
    emit linesInserted(int(from - first), int(last - first));
}

void DialogPane::trimShown()
{
    QTextDocument *doc = m_txtDialog->document();
    const qsizetype shown = doc->characterCount();
    const int blocks = doc->blockCount();
    if (shown <= m_maxShown && blocks <= m_maxBlocks)
        return;
    // Whole lines only: the first line kept starts a block, so a line too
    // long for one block goes with all of its blocks. A line still going in
    // is not cut: the trim waits for the line after it. Whichever ceiling
    // was passed, both end up at seven eighths or less.
    const qsizetype excess = shown - m_maxShown / 8 * 7;
    const int excessBlocks = blocks - (m_maxBlocks - m_maxBlocks / 8);
    qsizetype removed = 0;
    int removedBlocks = 0;
    QTextBlock keep;
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
        if (removed >= excess && removedBlocks >= excessBlocks && !continuesLine(b)) {
            keep = b;
            break;
        }
        removed += b.length();
        ++removedBlocks;
    }
    if (!keep.isValid())
        return;
    QTextCursor c(doc);
    c.setPosition(0);
    c.setPosition(keep.position(), QTextCursor::KeepAnchor);
    c.removeSelectedText();
}

void DialogPane::showSlice()
{
    if (m_waiting.empty())
        return;
    QElapsedTimer spent;
    spent.start();
    const quint64 lastBefore = serialRange(m_txtDialog->document()).second;
    QTextCursor c(m_txtDialog->document());
    // Inside the edit block the cursor moves without asking the layout
    // where it is; the layout runs once, when the block ends.
    c.beginEditBlock();
    c.movePosition(QTextCursor::End);
    // A slice adds at most an eighth of the ceiling: the document keeps
    // removed text until its buffer is nearly full, and a big slice on top
    // of a full pane would make that buffer grow to several times the
    // text shown.
    const qsizetype budget = qMin(m_sliceBudget, qMax(kMinSliceBudget, m_maxShown / 8));
    const qsizetype used = insertWaiting(c, budget);
    c.endEditBlock();
    trimShown();

    // The next slice takes as much as fits in kSliceMs at this slice's
    // pace, growing at most twofold, so one slow slice (a huge line) does
    // not make the next one take too much.
    const qint64 ns = qMax<qint64>(1, spent.nsecsElapsed());
    const double fits = double(used) * kSliceMs * 1e6 / double(ns);
    m_sliceBudget = qBound<qsizetype>(kMinSliceBudget, qsizetype(qMin(fits, 2.0 * budget)),
                                      kMaxSliceBudget);
    if (!m_waiting.empty())
        m_sliceTimer->start();
    // The slice already runs after the turn that brought its lines, so it
    // scrolls at once rather than a turn later.
    scrollToEnd();
    tellInserted(lastBefore);
}

qsizetype DialogPane::insertWaiting(QTextCursor &c, qsizetype budget)
{
    // What a line costs to lay out grows with its characters; a line also
    // costs a block of its own, counted as kLineWeight characters.
    qsizetype used = 0;
    while (!m_waiting.empty() && used < budget) {
        Line &line = m_waiting.front();
        if (line.text.size() > kMaxBlock) {
            const Line head = takeHead(line, kMaxBlock);
            used += head.stamp.size() + head.text.size() + kLineWeight;
            insertLine(c, head);
            continue;
        }
        used += line.stamp.size() + line.text.size() + kLineWeight;
        insertLine(c, line);
        m_waiting.pop_front();
    }
    return used;
}

void DialogPane::insertLine(QTextCursor &c, const Line &line)
{
    const QTextCharFormat black = colourFormat(Qt::black, m_txtDialog->palette());
    if (line.continues) {
        QTextBlockFormat goesOn;
        goesOn.setProperty(kContinuesLine, true);
        c.insertBlock(goesOn, black);
    } else {
        QTextBlockFormat format;
        if (line.ownId != 0)
            format.setProperty(kOwnLine, qulonglong(line.ownId));
        if (!m_txtDialog->document()->isEmpty())
            c.insertBlock(format, black);
        else if (line.ownId != 0)
            c.setBlockFormat(format);
        auto *notes = new LineNotes;
        notes->serial = line.serial;
        notes->kind = line.kind;
        notes->isPrivate = line.isPrivate;
        notes->speaker = line.speaker;
        notes->stamp = int(line.stamp.size());
        c.block().setUserData(notes);
    }
    insertContent(c, line);
}

void DialogPane::insertContent(QTextCursor &c, const Line &line)
{
    const QTextCharFormat black = colourFormat(Qt::black, m_txtDialog->palette());
    c.insertText(line.stamp, black);

    // Insert the line piece by piece in its final colours rather than
    // recolouring it afterwards: one pass, and nothing before it is touched.
    const QStringView shown(line.text);
    qsizetype pos = 0;
    for (const ColourRun &run : line.runs) {
        const qsizetype start = qBound<qsizetype>(pos, run.start, shown.size());
        const qsizetype end = qBound<qsizetype>(start, run.start + run.length, shown.size());
        if (start > pos)
            insertWithBreakPoints(c, shown.mid(pos, start - pos), black);
        if (end > start)
            insertWithBreakPoints(c, shown.mid(start, end - start), colourFormat(run.colour, m_txtDialog->palette()));
        pos = end;
    }
    if (pos < shown.size())
        insertWithBreakPoints(c, shown.mid(pos), black);
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
    emit statusShown(flattenLineBreaks(vsStatus));
}

void DialogPane::clearDialog()
{
    m_dialogReading = Reading();
    // Lines not shown yet came before the clear: they go with it.
    m_waiting.clear();
    m_own.clear();
    m_sliceTimer->stop();
    m_txtDialog->document()->clear();
    m_txtDialog->document()->setUndoRedoEnabled(false);
    m_evidence.clear();
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
    // A reader going through the pane with the arrow keys keeps their
    // place: the caret is where they read, the new lines are announced.
    if (!m_txtDialog->hasFocus()) {
        QTextCursor end = endCursor(m_txtDialog->document());
        m_txtDialog->setTextCursor(end);
    }
    QTextCursor endStatus = endCursor(m_txtStatus->document());
    m_txtStatus->setTextCursor(endStatus);
    // The caret is at the end either way (find starts from it); the view
    // goes there only for a reader who was at the bottom.
    showEnds();
}

void DialogPane::showEnds()
{
    const std::pair<QAbstractScrollArea *, Reading *> boxes[] = {
        {m_txtDialog, &m_dialogReading}, {m_txtStatus, &m_statusReading}};
    for (const auto &[area, reading] : boxes) {
        QScrollBar *bar = area->verticalScrollBar();
        // A box that shrank under the place read (emptied, or taller now)
        // is at its bottom again.
        if (reading->at >= bar->maximum())
            reading->follows = true;
        if (!reading->follows)
            bar->setValue(reading->at);
        else if (area->isVisible())
            bar->setValue(bar->maximum());
    }
}

int DialogPane::lineCount() const
{
    const auto [first, last] = serialRange(txtDialog()->document());
    return last == 0 ? 0 : int(last - first + 1);
}

int DialogPane::firstBlockOf(int index) const
{
    const QTextDocument *doc = m_txtDialog->document();
    const int lines = lineCount();
    if (index < 0 || index >= lines)
        return -1;
    // Every block a line of its own (the usual case): no need to count.
    if (doc->blockCount() == lines)
        return index;
    int line = -1;
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
        if (serialAt(b) != 0 && ++line == index)
            return b.blockNumber();
    }
    return -1;
}

std::pair<int, int> DialogPane::lineSpan(int index) const
{
    const QTextDocument *doc = txtDialog()->document();
    const QTextBlock start = doc->findBlockByNumber(firstBlockOf(index));
    if (!start.isValid())
        return {-1, -1};
    QTextBlock end = start;
    for (QTextBlock b = start.next(); b.isValid() && serialAt(b) == 0; b = b.next())
        end = b;
    return {start.position(), end.position() + end.length() - 1};
}

DialogPane::ReaderLine DialogPane::lineAt(int index) const
{
    ReaderLine line;
    const auto [from, to] = lineSpan(index);
    if (from < 0)
        return line;
    const QTextDocument *doc = m_txtDialog->document();
    const LineNotes *notes = notesOf(doc->findBlock(from));
    if (!notes)
        return line;
    const QString all = textWithoutBreaks(doc, from, to);
    const qsizetype stamp = qBound(qsizetype(0), qsizetype(notes->stamp), all.size());
    line.serial = notes->serial;
    line.stamp = all.left(stamp);
    line.reading.kind = notes->kind;
    line.reading.isPrivate = notes->isPrivate;
    line.reading.speaker = notes->speaker;
    line.reading.text = all.mid(stamp);
    return line;
}

quint64 DialogPane::serialOf(int index) const
{
    const auto [first, last] = serialRange(txtDialog()->document());
    return last == 0 || index < 0 || quint64(index) > last - first ? 0 : first + quint64(index);
}

int DialogPane::indexOfSerial(quint64 serial) const
{
    const auto [first, last] = serialRange(txtDialog()->document());
    if (last == 0 || serial < first || serial > last)
        return -1;
    return int(serial - first);
}

int DialogPane::lineAtPosition(int position) const
{
    const QTextDocument *doc = txtDialog()->document();
    const quint64 first = serialRange(doc).first;
    for (QTextBlock b = doc->findBlock(position); b.isValid(); b = b.previous()) {
        if (const quint64 serial = serialAt(b))
            return int(serial - first);
    }
    return -1;
}

} // namespace conversation
