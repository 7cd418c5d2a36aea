#pragma once

#include <QString>
#include <QStringList>

namespace language
{

/**
 * @brief Decides which language the window speaks: Italian, the program's
 * own, or English.
 *
 * The command line wins over the preference, the preference over the
 * desktop's languages; a language the program has no texts for is skipped,
 * and when nothing is left the program stays Italian.
 */
class LanguageChoice
{
public:
    static inline const QString kItalian = QStringLiteral("it");
    static inline const QString kEnglish = QStringLiteral("en");

    /// The codes the program speaks, the source language first.
    static QStringList available();
    /// "it" or "en" for a known code or locale name ("en_GB", "it-IT"),
    /// an empty text for anything else.
    static QString normalise(const QString &code);
    /// @p option from --lang, @p preference from the ini file (either may be
    /// empty), @p desktopLanguages in the desktop's order of preference.
    static QString pick(const QString &option, const QString &preference,
                        const QStringList &desktopLanguages);
};

} // namespace language
