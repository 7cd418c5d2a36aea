// Italian, the program's own language, needs its plural forms from a
// translation file too: one text "%n righe" reads "1 riga" only through it.
// They are installed as soon as the application object exists, in every
// program that links the language library (the window, the server, the
// tests), before any text is made; a translation installed later wins.

#include <QCoreApplication>
#include <QTranslator>

namespace {

void installSourcePlurals()
{
    static QTranslator plurals; // as long as the program
    if (plurals.load(QStringLiteral("tavernix_it"), QStringLiteral(":/i18n")))
        QCoreApplication::installTranslator(&plurals);
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(installSourcePlurals)
