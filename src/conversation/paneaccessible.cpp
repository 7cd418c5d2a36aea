#include "paneaccessible.h"

#include "dialogpane.h"

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>

namespace conversation
{

namespace
{

constexpr const char *kLinesProperty = "conversationLines";

// One line of the pane, known by its number.
class LineAccessible : public QAccessibleInterface
{
public:
    LineAccessible(const PaneAccessible *pane, quint64 serial) : m_pane(pane), m_serial(serial) {}

    int index() const
    {
        DialogPane *lines = m_pane->lines();
        return lines ? lines->indexOfSerial(m_serial) : -1;
    }

    bool isValid() const override { return index() >= 0; }
    QObject *object() const override { return nullptr; }
    QWindow *window() const override { return m_pane->window(); }
    QAccessibleInterface *parent() const override { return const_cast<PaneAccessible *>(m_pane); }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }
    QAccessibleInterface *focusChild() const override { return nullptr; }
    QAccessible::Role role() const override { return QAccessible::ListItem; }
    void setText(QAccessible::Text, const QString &) override {}

    QString text(QAccessible::Text t) const override
    {
        const int i = index();
        if (i < 0)
            return {};
        const DialogPane::ReaderLine line = m_pane->lines()->lineAt(i);
        switch (t) {
        case QAccessible::Name: {
            // A roll's detail goes on after the announcement, on one line.
            QString text = line.stamp + line.reading.text;
            return text.simplified();
        }
        case QAccessible::Description:
            return SpokenLine::description(line.reading);
        default:
            return {};
        }
    }

    QRect rect() const override
    {
        const int i = index();
        QPlainTextEdit *edit = m_pane->pane();
        if (i < 0 || !edit)
            return {};
        const auto [from, to] = m_pane->lines()->lineSpan(i);
        QTextCursor c(edit->document());
        c.setPosition(from);
        const QRect top = edit->cursorRect(c);
        c.setPosition(to);
        const QRect bottom = edit->cursorRect(c);
        const QRect local(0, top.top(), edit->viewport()->width(), bottom.bottom() - top.top() + 1);
        return QRect(edit->viewport()->mapToGlobal(local.topLeft()), local.size());
    }

    QAccessible::State state() const override
    {
        QAccessible::State s;
        s.readOnly = true;
        s.focusable = true;
        s.selectable = true;
        QPlainTextEdit *edit = m_pane->pane();
        const int i = index();
        if (!edit || i < 0) {
            s.invisible = true;
            return s;
        }
        const QRect shown(edit->viewport()->mapToGlobal(QPoint(0, 0)), edit->viewport()->size());
        s.offscreen = !shown.intersects(rect());
        s.invisible = !edit->isVisible();
        if (edit->hasFocus() && m_pane->lines()->lineAtPosition(edit->textCursor().position()) == i)
            s.focused = true;
        return s;
    }

    quint64 serial() const { return m_serial; }

private:
    const PaneAccessible *m_pane;
    quint64 m_serial;
};

QAccessibleInterface *paneFactory(const QString &, QObject *object)
{
    auto *edit = qobject_cast<QPlainTextEdit *>(object);
    if (!edit)
        return nullptr;
    auto *lines = qobject_cast<DialogPane *>(edit->property(kLinesProperty).value<QObject *>());
    return lines ? new PaneAccessible(edit, lines) : nullptr;
}

} // namespace

PaneAccessible::PaneAccessible(QPlainTextEdit *pane, DialogPane *lines)
    : QAccessibleWidget(pane, QAccessible::List), m_lines(lines)
{
}

PaneAccessible::~PaneAccessible()
{
    for (const QAccessible::Id id : std::as_const(m_items))
        QAccessible::deleteAccessibleInterface(id);
}

void PaneAccessible::attach(QPlainTextEdit *pane, DialogPane *lines)
{
    static const bool installed = [] {
        QAccessible::installFactory(paneFactory);
        return true;
    }();
    Q_UNUSED(installed);
    pane->setProperty(kLinesProperty, QVariant::fromValue<QObject *>(lines));

    // The line under the caret is the focused item: moving through the
    // lines with the arrow keys reads each one.
    auto lastLine = std::make_shared<int>(-1);
    QObject::connect(pane, &QPlainTextEdit::cursorPositionChanged, lines, [pane, lines, lastLine] {
        if (!pane->hasFocus() || !QAccessible::isActive())
            return;
        const int line = lines->lineAtPosition(pane->textCursor().position());
        if (line < 0 || line == *lastLine)
            return;
        *lastLine = line;
        QAccessibleEvent focus(pane, QAccessible::Focus);
        focus.setChild(line);
        QAccessible::updateAccessibility(&focus);
    });
    // New lines are new items of the list.
    QObject::connect(lines, &DialogPane::linesInserted, pane, [pane](int first, int last) {
        if (!QAccessible::isActive())
            return;
        // A burst (a replay) is told as a whole rather than item by item.
        constexpr int kMostTold = 20;
        for (int i = qMax(first, last - kMostTold + 1); i <= last; ++i) {
            QAccessibleEvent created(pane, QAccessible::ObjectCreated);
            created.setChild(i);
            QAccessible::updateAccessibility(&created);
        }
    });
}

QPlainTextEdit *PaneAccessible::pane() const
{
    return qobject_cast<QPlainTextEdit *>(object());
}

QAccessible::State PaneAccessible::state() const
{
    QAccessible::State s = QAccessibleWidget::state();
    s.readOnly = true;
    s.multiSelectable = false;
    return s;
}

int PaneAccessible::childCount() const
{
    return m_lines ? m_lines->lineCount() : 0;
}

QAccessibleInterface *PaneAccessible::child(int index) const
{
    if (!m_lines || index < 0 || index >= childCount())
        return nullptr;
    const quint64 serial = m_lines->serialOf(index);
    // Items of lines that left the pane are let go, once each time the
    // oldest line changed.
    const quint64 first = m_lines->serialOf(0);
    if (first != m_firstKept) {
        m_firstKept = first;
        for (auto it = m_items.begin(); it != m_items.end();) {
            if (it.key() < first) {
                QAccessible::deleteAccessibleInterface(it.value());
                it = m_items.erase(it);
            } else {
                ++it;
            }
        }
    }
    if (const auto it = m_items.constFind(serial); it != m_items.constEnd())
        return QAccessible::accessibleInterface(it.value());
    auto *item = new LineAccessible(this, serial);
    m_items.insert(serial, QAccessible::registerAccessibleInterface(item));
    return item;
}

int PaneAccessible::indexOfChild(const QAccessibleInterface *child) const
{
    if (!child || child->parent() != this || child->role() != QAccessible::ListItem)
        return -1;
    return static_cast<const LineAccessible *>(child)->index();
}

QAccessibleInterface *PaneAccessible::childAt(int x, int y) const
{
    QPlainTextEdit *edit = pane();
    if (!edit || !m_lines)
        return nullptr;
    const QPoint local = edit->viewport()->mapFromGlobal(QPoint(x, y));
    if (!edit->viewport()->rect().contains(local))
        return nullptr;
    const int line = m_lines->lineAtPosition(edit->cursorForPosition(local).position());
    return line >= 0 ? child(line) : nullptr;
}

QAccessibleInterface *PaneAccessible::focusChild() const
{
    QPlainTextEdit *edit = pane();
    if (!edit || !edit->hasFocus() || !m_lines)
        return nullptr;
    const int line = m_lines->lineAtPosition(edit->textCursor().position());
    return line >= 0 ? child(line) : nullptr;
}

} // namespace conversation
