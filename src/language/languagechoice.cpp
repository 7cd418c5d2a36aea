#include "languagechoice.h"

namespace language
{

QStringList LanguageChoice::available()
{
    return {kItalian, kEnglish};
}

QString LanguageChoice::normalise(const QString &code)
{
    // Only the language matters: "en_US.UTF-8", "en-GB" and "EN" are English.
    const QString lang = code.trimmed()
                             .section(QLatin1Char('.'), 0, 0)
                             .section(QLatin1Char('_'), 0, 0)
                             .section(QLatin1Char('-'), 0, 0)
                             .toLower();
    return available().contains(lang) ? lang : QString();
}

QString LanguageChoice::pick(const QString &option, const QString &preference,
                             const QStringList &desktopLanguages)
{
    for (const QString &asked : {option, preference}) {
        const QString code = normalise(asked);
        if (!code.isEmpty())
            return code;
    }
    // A desktop set to German with English as its second language gets
    // English; one that names neither of ours keeps the program's Italian.
    for (const QString &desktop : desktopLanguages) {
        const QString code = normalise(desktop);
        if (!code.isEmpty())
            return code;
    }
    return kItalian;
}

} // namespace language
