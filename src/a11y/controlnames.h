#pragma once

#include <QString>

#include <initializer_list>

class QWidget;

namespace a11y
{

/**
 * @brief Gives the controls of a window the names and descriptions a screen
 * reader says for them.
 *
 * A window lists its controls by objectName with the words for each; the
 * words are marked for translation (QT_TRANSLATE_NOOP with the window's
 * context) and translated when applied, so a window named again after the
 * language changed speaks the new one. A control added later only needs a
 * row in its window's list.
 */
class ControlNames
{
public:
    struct Entry {
        const char *object;              ///< objectName of the control
        const char *name;                ///< what it is or does, short
        const char *description = nullptr; ///< more, where the name is not enough
    };

    /// Names every listed control found under @p root (at any depth);
    /// @p context is the translation context the texts were marked with.
    static void apply(QWidget *root, const char *context, std::initializer_list<Entry> entries);

    /// The accessible name Qt gives @p widget, from its own name, its
    /// caption or a label that is its buddy; empty when it has none.
    static QString spokenName(QWidget *widget);
};

} // namespace a11y
