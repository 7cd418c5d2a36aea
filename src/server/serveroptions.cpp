#include "serveroptions.h"

#include <QCommandLineParser>
#include <QDir>
#include <QProcessEnvironment>

namespace server
{

namespace
{

QString variable(const QStringList &environment, const QString &name)
{
    const QString prefix = name + QLatin1Char('=');
    for (const QString &entry : environment) {
        if (entry.startsWith(prefix))
            return entry.mid(prefix.size());
    }
    return {};
}

QString defaultStateDir(const QStringList &environment)
{
    // The service manager may list several folders, separated by colons.
    const QString given = variable(environment, QStringLiteral("STATE_DIRECTORY"));
    if (!given.isEmpty())
        return given.section(QLatin1Char(':'), 0, 0);
    QString base = variable(environment, QStringLiteral("XDG_STATE_HOME"));
    if (base.isEmpty()) {
        QString home = variable(environment, QStringLiteral("HOME"));
        if (home.isEmpty())
            home = QDir::homePath();
        base = home + QStringLiteral("/.local/state");
    }
    return base + QStringLiteral("/tavernix-server");
}

ServerOptions failure(const QString &why)
{
    ServerOptions options;
    options.action = ServerOptions::Action::Error;
    options.error = why;
    return options;
}

} // namespace

ServerOptions ServerOptions::parse(const QStringList &arguments)
{
    return parse(arguments, QProcessEnvironment::systemEnvironment().toStringList());
}

ServerOptions ServerOptions::parse(const QStringList &arguments, const QStringList &environment)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Tavernix server: ospita una sessione senza finestra.\n"
        "Amministrazione: tavernix-server ctl [--state-dir DIR] COMANDO\n"
        "COMANDO: list | kick NOME | say TESTO | clear | restore | save | stop |\n"
        "         invite | ban NOME | bans | unban INDIRIZZO"));
    const QCommandLineOption portOption(
        QStringLiteral("port"), QStringLiteral("La porta della sessione (1-65535, predefinita 600)."),
        QStringLiteral("N"));
    const QCommandLineOption nameOption(
        QStringLiteral("name"),
        QStringLiteral("Il nome del server fra i partecipanti (predefinito Locanda)."),
        QStringLiteral("NAME"));
    const QCommandLineOption stateOption(
        QStringLiteral("state-dir"),
        QStringLiteral("La cartella dove il server tiene la sessione e il socket di controllo."),
        QStringLiteral("DIR"));
    const QCommandLineOption resumeOption(
        QStringLiteral("resume"), QStringLiteral("Riprende la sessione conservata su disco."));
    const QCommandLineOption noMappingOption(
        QStringLiteral("no-port-mapping"),
        QStringLiteral("Non chiede al router di aprire la porta."));
    const QCommandLineOption accessOption(
        QStringLiteral("access"),
        QStringLiteral("Chi può sedersi: anyone (chiunque), invited (solo chi ha l'invito), lan-open "
                       "(la rete locale liberamente, da fuori solo con l'invito; predefinito)."),
        QStringLiteral("MODO"));
    const QCommandLineOption helpOption(QStringList{QStringLiteral("help"), QStringLiteral("h")},
                                        QStringLiteral("Mostra questo aiuto."));
    const QCommandLineOption versionOption(QStringLiteral("version"),
                                           QStringLiteral("Mostra la versione."));
    parser.addOptions({portOption, nameOption, stateOption, resumeOption, noMappingOption, accessOption,
                       helpOption, versionOption});
    // "ctl" and everything after it belong to the command, whatever they look like.
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);

    if (!parser.parse(arguments))
        return failure(parser.errorText());
    if (parser.isSet(helpOption)) {
        ServerOptions options;
        options.action = Action::ShowHelp;
        options.helpText = parser.helpText();
        return options;
    }
    if (parser.isSet(versionOption)) {
        ServerOptions options;
        options.action = Action::ShowVersion;
        return options;
    }

    ServerOptions options;
    QStringList positional = parser.positionalArguments();
    if (!positional.isEmpty()) {
        if (positional.first() != QLatin1String("ctl"))
            return failure(QStringLiteral("Argomento sconosciuto: %1").arg(positional.first()));
        positional.removeFirst();
        // "ctl --state-dir DIR COMMAND": the folder may follow "ctl" too.
        if (positional.size() >= 2 && positional.first() == QLatin1String("--state-dir")) {
            options.stateDir = positional.at(1);
            positional = positional.mid(2);
        } else if (!positional.isEmpty() && positional.first().startsWith(QLatin1String("--state-dir="))) {
            options.stateDir = positional.first().section(QLatin1Char('='), 1);
            positional.removeFirst();
        }
        options.action = Action::Control;
        options.controlWords = positional;
    }
    if (parser.isSet(portOption)) {
        bool ok = false;
        const uint port = parser.value(portOption).toUInt(&ok);
        if (!ok || port < 1 || port > 65535)
            return failure(QStringLiteral("--port vuole un numero intero da 1 a 65535, non \"%1\".")
                               .arg(parser.value(portOption)));
        options.port = quint16(port);
    }
    if (parser.isSet(nameOption)) {
        options.name = parser.value(nameOption);
        if (options.name.trimmed().isEmpty())
            return failure(QStringLiteral("--name vuole un nome non vuoto."));
    }
    if (parser.isSet(stateOption)) {
        if (parser.value(stateOption).isEmpty())
            return failure(QStringLiteral("--state-dir vuole il nome di una cartella."));
        options.stateDir = parser.value(stateOption);
    }
    if (options.stateDir.isEmpty())
        options.stateDir = defaultStateDir(environment);
    if (parser.isSet(accessOption)) {
        const auto access = secure::accessFromName(parser.value(accessOption));
        if (!access)
            return failure(QStringLiteral("--access vuole anyone, invited o lan-open, non \"%1\".")
                               .arg(parser.value(accessOption)));
        options.access = *access;
    }
    options.resume = parser.isSet(resumeOption);
    options.portMapping = !parser.isSet(noMappingOption);
    return options;
}

} // namespace server
