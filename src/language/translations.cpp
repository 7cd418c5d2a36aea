#include "translations.h"

#include "languagechoice.h"

#include <QCoreApplication>
#include <QLibraryInfo>

namespace language
{

namespace
{
// The compiled texts are built into the program; Qt's own come from the system.
const QString kProgramFolder = QStringLiteral(":/i18n");
const QString kProgramPrefix = QStringLiteral("tavernix_");
const QString kQtPrefix = QStringLiteral("qtbase_");
} // namespace

Translations::~Translations()
{
    removeAll();
}

void Translations::removeAll()
{
    if (m_programInstalled)
        QCoreApplication::removeTranslator(&m_program);
    if (m_qtInstalled)
        QCoreApplication::removeTranslator(&m_qt);
    m_programInstalled = m_qtInstalled = false;
}

bool Translations::install(const QString &code)
{
    removeAll();
    m_code = code;
    m_qtFound = m_qt.load(kQtPrefix + code, QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    if (m_qtFound)
        m_qtInstalled = QCoreApplication::installTranslator(&m_qt);
    // Italian is the source: its plural forms are in place from the start.
    if (code == LanguageChoice::kItalian)
        return true;
    const bool loaded = m_program.load(kProgramPrefix + code, kProgramFolder);
    if (loaded)
        m_programInstalled = QCoreApplication::installTranslator(&m_program);
    return loaded;
}

} // namespace language
