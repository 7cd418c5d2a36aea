#include "commandline.h"
#include "languagechoice.h"

#include "frmports.h"
#include "invitation.h"
#include "secureinvite.h"

#include <QCommandLineParser>

namespace app {

QStringList CommandLine::withoutQtOptions(const QStringList &arguments)
{
    // Options every Qt program accepts; the application object takes them
    // itself, so our own parser must not call them unknown.
    static const QStringList withValue = {
        QStringLiteral("-platform"),     QStringLiteral("-platformpluginpath"),
        QStringLiteral("-platformtheme"), QStringLiteral("-plugin"),
        QStringLiteral("-style"),        QStringLiteral("-stylesheet"),
        QStringLiteral("-display"),      QStringLiteral("-geometry"),
        QStringLiteral("-title"),        QStringLiteral("-qwindowgeometry"),
        QStringLiteral("-qwindowicon"),  QStringLiteral("-qwindowtitle"),
        QStringLiteral("-session"),      QStringLiteral("-fn"),
        QStringLiteral("-font"),         QStringLiteral("-bg"),
        QStringLiteral("-background"),   QStringLiteral("-fg"),
        QStringLiteral("-foreground"),   QStringLiteral("-btn"),
        QStringLiteral("-button"),       QStringLiteral("-visual"),
        QStringLiteral("-ncols"),        QStringLiteral("-cmap"),
        QStringLiteral("-im"),           QStringLiteral("-inputstyle")};
    static const QStringList flags = {
        QStringLiteral("-reverse"),   QStringLiteral("-widgetcount"), QStringLiteral("-nograb"),
        QStringLiteral("-dograb"),    QStringLiteral("-sync"),        QStringLiteral("-testability"),
        QStringLiteral("-qmljsdebugger")};
    QStringList kept;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &arg = arguments[i];
        QString name = arg.section(QLatin1Char('='), 0, 0);
        if (name.startsWith(QLatin1String("--")))
            name.remove(0, 1); // Qt takes "--style" as well as "-style"
        if (i > 0 && withValue.contains(name)) {
            if (!arg.contains(QLatin1Char('=')))
                ++i; // the value follows as its own argument
            continue;
        }
        if (i > 0 && flags.contains(name))
            continue;
        kept.append(arg);
    }
    return kept;
}

namespace {

// The options listed as the program's help shows them: under its own name
// and in Italian, also before the application object exists (Qt's own help
// would name "<executable_name>" then, and speak English).
QString helpFor(const QString &description, const QList<QCommandLineOption> &options)
{
    QStringList left;
    qsizetype widest = 0;
    for (const QCommandLineOption &option : options) {
        QStringList names;
        for (const QString &name : option.names())
            names << (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
        QString text = names.join(QStringLiteral(", "));
        if (!option.valueName().isEmpty())
            text += QStringLiteral(" <") + option.valueName() + QLatin1Char('>');
        widest = qMax(widest, text.size());
        left << text;
    }
    // An invitation link alone fills in "Server:" and the port (the desktop
    // hands links over so).
    QString help = QStringLiteral("Uso: tavernix [opzioni] [tavernix://INDIRIZZO:PORTA]\n") +
                   description +
                   QStringLiteral("\n\nOpzioni:\n");
    for (qsizetype i = 0; i < options.size(); ++i)
        help += QStringLiteral("  ") + left[i].leftJustified(widest + 2) +
                options[i].description() + QLatin1Char('\n');
    return help;
}

// Why the arguments could not be read, in the program's language.
QString parseError(const QCommandLineParser &parser, const QStringList &arguments,
                   const QList<QCommandLineOption> &options)
{
    if (!parser.unknownOptionNames().isEmpty()) {
        const QString name = parser.unknownOptionNames().first();
        return QStringLiteral("Opzione sconosciuta: %1%2.")
            .arg(name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--"), name);
    }
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString arg = arguments[i];
        for (const QCommandLineOption &option : options) {
            for (const QString &name : option.names()) {
                const QString dashed =
                    (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
                if (option.valueName().isEmpty() && arg.startsWith(dashed + QLatin1Char('=')))
                    return QStringLiteral("%1 non vuole un valore.").arg(dashed);
                if (!option.valueName().isEmpty() && arg == dashed && i + 1 == arguments.size())
                    return QStringLiteral("%1 vuole un valore: %1 %2.").arg(dashed, option.valueName());
            }
        }
    }
    return QStringLiteral("Opzioni non valide.");
}

} // namespace

CommandLine CommandLine::parse(const QStringList &rawArguments)
{
    const QStringList arguments = withoutQtOptions(rawArguments);
    CommandLine result;
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Tavernix: chat, dadi e lavagna condivisa per giocatori di ruolo."));
    const QCommandLineOption nameOption(QStringLiteral("name"),
                                        QStringLiteral("Il nome con cui presentarsi."),
                                        QStringLiteral("NOME"));
    const QCommandLineOption portOption(QStringLiteral("port"),
                                        QStringLiteral("La porta della sessione (1-65535)."),
                                        QStringLiteral("N"));
    const QCommandLineOption hostOption(QStringLiteral("host"),
                                        QStringLiteral("Ospita una sessione (come premere Host)."));
    const QCommandLineOption connectOption(
        QStringLiteral("connect"),
        QStringLiteral("Si connette a un host (come premere Connetti); accetta anche un "
                       "invito tavernix://INDIRIZZO:PORTA."),
        QStringLiteral("INDIRIZZO"));
    const QCommandLineOption logDirOption(
        QStringLiteral("log-dir"),
        QStringLiteral("Conserva il dialogo, riga per riga, in file HTML e di testo nella "
                       "CARTELLA."),
        QStringLiteral("CARTELLA"));
    const QCommandLineOption resumeOption(
        QStringLiteral("resume"),
        QStringLiteral("A \"Host\" riprende l'ultima partita salvata senza chiederlo."));
    const QCommandLineOption noResumeOption(
        QStringLiteral("no-resume"),
        QStringLiteral("A \"Host\" comincia una partita nuova senza chiederlo."));
    const QCommandLineOption noMappingOption(
        QStringLiteral("no-port-mapping"),
        QStringLiteral("Non chiede al router di aprire le porte (UPnP, NAT-PMP)."));
    const QCommandLineOption verifyOption(
        QStringLiteral("verify-dice"),
        QStringLiteral("Verifica i tiri di dadi di un dialogo salvato o conservato (il file "
                       ".html) e scrive una riga per ogni tiro che non torna; esce con 0 se "
                       "tutti tornano, 1 altrimenti."),
        QStringLiteral("FILE"));
    const QCommandLineOption langOption(
        QStringLiteral("lang"),
        QStringLiteral("La lingua della finestra: it (italiano) o en (inglese); vale più "
                       "della preferenza e della lingua del desktop."),
        QStringLiteral("LINGUA"));
    const QCommandLineOption helpOption(QStringList{QStringLiteral("help"), QStringLiteral("h")},
                                        QStringLiteral("Mostra questo aiuto."));
    const QCommandLineOption versionOption(QStringLiteral("version"),
                                           QStringLiteral("Mostra la versione."));
    const QList<QCommandLineOption> options{
        nameOption,      portOption,     hostOption,   connectOption, logDirOption,
        resumeOption,    noResumeOption, noMappingOption, langOption, verifyOption,
        helpOption,      versionOption};
    parser.addOptions(options);

    if (!parser.parse(arguments)) {
        result.action = Action::Error;
        result.error = parseError(parser, arguments, options);
        return result;
    }
    if (parser.isSet(helpOption)) {
        result.action = Action::ShowHelp;
        result.helpText = helpFor(parser.applicationDescription(), options);
        return result;
    }
    if (parser.isSet(versionOption)) {
        result.action = Action::ShowVersion;
        return result;
    }
    if (parser.isSet(verifyOption)) {
        // A check on its own: no window, nothing else asked.
        result.action = Action::VerifyDice;
        result.verifyDice = parser.value(verifyOption);
        if (result.verifyDice.isEmpty() || !parser.positionalArguments().isEmpty()) {
            result.action = Action::Error;
            result.error = QStringLiteral("--verify-dice vuole il nome di un file, e nient'altro.");
        }
        return result;
    }
    QStringList positional = parser.positionalArguments();
    if (positional.size() == 1 && session::Invitation::isLink(positional.first()))
        result.invitation = positional.takeFirst();
    if (!positional.isEmpty()) {
        result.action = Action::Error;
        result.error = QStringLiteral("Argomento sconosciuto: %1").arg(positional.first());
        return result;
    }
    if (parser.isSet(nameOption)) {
        result.hasName = true;
        result.name = parser.value(nameOption);
    }
    if (parser.isSet(portOption)) {
        result.port = frmPorts::parsePort(parser.value(portOption));
        if (result.port == 0) {
            result.action = Action::Error;
            result.error = QStringLiteral("--port vuole un numero intero da 1 a 65535, non \"%1\".")
                               .arg(parser.value(portOption));
            return result;
        }
    }
    result.host = parser.isSet(hostOption);
    if (parser.isSet(logDirOption)) {
        result.logDir = parser.value(logDirOption);
        if (result.logDir.isEmpty()) {
            result.action = Action::Error;
            result.error = QStringLiteral("--log-dir vuole il nome di una cartella.");
            return result;
        }
    }
    if (parser.isSet(resumeOption) && parser.isSet(noResumeOption)) {
        result.action = Action::Error;
        result.error = QStringLiteral("--resume e --no-resume non vanno insieme.");
        return result;
    }
    if (parser.isSet(resumeOption) || parser.isSet(noResumeOption))
        result.resume = parser.isSet(resumeOption);
    result.noPortMapping = parser.isSet(noMappingOption);
    if (parser.isSet(langOption)) {
        result.language = language::LanguageChoice::normalise(parser.value(langOption));
        if (result.language.isEmpty()) {
            result.action = Action::Error;
            result.error =
                QStringLiteral("--lang vuole it o en, non \"%1\".").arg(parser.value(langOption));
            return result;
        }
    }
    if (parser.isSet(connectOption)) {
        result.connectTo = parser.value(connectOption);
        if (session::Invitation::isLink(result.connectTo)) {
            QString why;
            // With what it carries for a private table: the host's
            // fingerprint and the key, handed on with the link itself.
            const auto link = session::SecureInvite::parse(result.connectTo, &why);
            if (!link) {
                result.action = Action::Error;
                result.error = session::Invitation::refusal(why);
                return result;
            }
            result.invitation = result.connectTo;
            result.connectTo = link->host;
            result.port = link->port;
        }
    }
    if (result.host && parser.isSet(connectOption)) {
        result.action = Action::Error;
        result.error = QStringLiteral("--host e --connect non vanno insieme.");
    }
    return result;
}

} // namespace app
