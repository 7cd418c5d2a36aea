#pragma once

#include <QAccessibleWidget>
#include <QHash>
#include <QPointer>

class QPlainTextEdit;

namespace conversation
{

class DialogPane;

/**
 * @brief The conversation pane as a screen reader sees it: a list with one
 * item per line, each saying its text and, as its description, its kind
 * and its speaker.
 *
 * While the pane has the focus the line under the caret is the focused
 * item, so going through the lines with the arrow keys reads them one by
 * one. Items are known by their line's number, so they stay the same
 * lines while older ones leave the pane.
 */
class PaneAccessible : public QAccessibleWidget
{
public:
    PaneAccessible(QPlainTextEdit *pane, DialogPane *lines);
    ~PaneAccessible() override;

    /// Makes the pane's text edit of @p lines use this interface; call
    /// before anything asks for the pane's interface.
    static void attach(QPlainTextEdit *pane, DialogPane *lines);

    QAccessible::Role role() const override { return QAccessible::List; }
    QAccessible::State state() const override;
    int childCount() const override;
    QAccessibleInterface *child(int index) const override;
    int indexOfChild(const QAccessibleInterface *child) const override;
    QAccessibleInterface *childAt(int x, int y) const override;
    QAccessibleInterface *focusChild() const override;

    DialogPane *lines() const { return m_lines; }
    QPlainTextEdit *pane() const;

private:
    QPointer<DialogPane> m_lines;
    /// The items handed out so far, by line number.
    mutable QHash<quint64, QAccessible::Id> m_items;
    mutable quint64 m_firstKept = 0;
};

} // namespace conversation
