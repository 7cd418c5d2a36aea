#pragma once

#include <QString>

namespace conversation
{

/**
 * @brief The search settings of the find dialog. They live as long as the
 * program, also while the dialog is closed.
 */
struct FindSettings {
    /// The text last searched for.
    QString gFindText;
    /// 1: letter case matters.
    int gMatchCase = 0;
    /// The direction option chosen: 0 up ("Su"), 1 down ("Giù").
    int gFindDirection = 0;
    /// The pane's caret position after the last search.
    qsizetype lLastFindPos = 0;
};

/// What one search found.
struct FindResult {
    bool found = false;
    /// The occurrence: characters before it, and its length.
    qsizetype selStart = 0;
    qsizetype selLength = 0;
};

/**
 * @brief One search for @p settings.gFindText in @p text, from the caret
 * @p caret (characters before it, the selection's start).
 *
 * Characters are numbered from 1. The search starts at s = caret + 1 when
 * the caret has not moved since the last search and s = caret otherwise; down
 * it finds the first occurrence at number s + 1 or later, up the first one at
 * s - 1, s - 2, ... 1. Without regard to case both sides are compared in upper
 * case, letter by letter, so positions stay those of @p text. Afterwards
 * lLastFindPos holds the caret: the occurrence's start, or @p caret when
 * nothing was found.
 */
FindResult FindInDialog(FindSettings &settings, const QString &text, qsizetype caret);

} // namespace conversation
