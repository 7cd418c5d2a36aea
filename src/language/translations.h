#pragma once

#include <QString>
#include <QTranslator>

namespace language
{

/**
 * @brief The translators of one language, installed on the application:
 * the program's texts and Qt's own (file, colour and font dialogs, standard
 * buttons, the context menus of text fields).
 *
 * Italian needs no file of the program's own: its plural forms ("1 riga"
 * from "%n righe") are installed when the application starts, in every
 * program that links this library.
 */
class Translations
{
public:
    Translations() = default;
    ~Translations();
    Translations(const Translations &) = delete;
    Translations &operator=(const Translations &) = delete;

    /// Installs the texts for @p code ("it" or "en"), replacing those this
    /// object installed before. False when the program's own file for it is
    /// missing; the window then shows its Italian source texts.
    bool install(const QString &code);
    /// The language installed last ("it" before any call).
    QString code() const { return m_code; }
    /// False when Qt's own texts for the language are not on this machine
    /// (Debian package qt6-translations-l10n).
    bool qtTextsFound() const { return m_qtFound; }

private:
    void removeAll();

    QTranslator m_program;
    QTranslator m_qt;
    QString m_code = QStringLiteral("it");
    bool m_programInstalled = false;
    bool m_qtInstalled = false;
    bool m_qtFound = false;
};

} // namespace language
