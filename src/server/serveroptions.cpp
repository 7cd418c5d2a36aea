#include "serveroptions.h"

#include <QCommandLineParser>
#include <QDir>
#include <QProcessEnvironment>
#include <QRegularExpression>

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

/// The help text, Italian throughout: the parser's own would say "Usage"
/// and "Options". The option lines keep the parser's shape ("  -h, --help"
/// and "<VALUE>"), which the manual page is built from.
QString italianHelp(const QList<QCommandLineOption> &options)
{
    QStringList heads;
    for (const QCommandLineOption &option : options) {
        QStringList names;
        for (const QString &name : option.names())
            names << (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
        QString head = names.join(QStringLiteral(", "));
        if (!option.valueName().isEmpty())
            head += QStringLiteral(" <") + option.valueName() + QLatin1Char('>');
        heads << head;
    }
    qsizetype width = 0;
    for (const QString &head : heads)
        width = qMax(width, head.size());
    QString text = QStringLiteral(
        "Uso: tavernix-server [opzioni]\n"
        "     tavernix-server ctl [--state-dir DIR] COMANDO\n"
        "Ospita una sessione di Tavernix senza finestra: i giocatori si collegano con il\n"
        "programma Tavernix. \"man tavernix-server\" descrive il servizio e lo stato.\n"
        "\n"
        "Opzioni:\n");
    for (qsizetype i = 0; i < heads.size(); ++i)
        text += QStringLiteral("  ") + heads[i].leftJustified(width + 2) +
                options[i].description() + QLatin1Char('\n');
    text += QStringLiteral(
        "\n"
        "Comandi di amministrazione (tavernix-server ctl COMANDO):\n"
        "  list        i partecipanti, con indirizzo, tempo di connessione e byte in attesa\n"
        "  kick NOME   espelle NOME\n"
        "  say TESTO   una riga di narrazione per tutti\n"
        "  clear       pulisce la lavagna per tutti\n"
        "  restore     riporta l'ultima lavagna pulita\n"
        "  save        scrive subito la sessione nella cartella di stato\n"
        "  reveal      rivela il seme dei dadi, perché i giocatori verifichino i tiri, e ne\n"
        "              promette uno nuovo\n"
        "  stop        rivela il seme dei dadi, chiude il tavolo (i giocatori ne sono avvisati)\n"
        "              e arresta il server\n"
        "  invite      l'invito da dare, con l'impronta e la chiave del tavolo\n"
        "  ban NOME    espelle NOME e rifiuta il suo indirizzo da allora in poi\n"
        "  bans        gli indirizzi banditi\n"
        "  unban INDIRIZZO  toglie un bando\n");
    return text;
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
    const QCommandLineOption portOption(
        QStringLiteral("port"), QStringLiteral("La porta della sessione (1-65535, predefinita 600)."),
        QStringLiteral("N"));
    const QCommandLineOption nameOption(
        QStringLiteral("name"),
        QStringLiteral("Il nome del server fra i partecipanti (predefinito Locanda)."),
        QStringLiteral("NOME"));
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

    if (!parser.parse(arguments)) {
        // The parser's own words are English; the server speaks Italian.
        const QStringList unknown = parser.unknownOptionNames();
        const auto dashed = [](const QString &name) {
            return (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
        };
        if (!unknown.isEmpty())
            return failure(QStringLiteral("opzione sconosciuta: %1 (\"tavernix-server --help\" "
                                          "elenca le opzioni).")
                               .arg(dashed(unknown.first())));
        const QString error = parser.errorText();
        const QRegularExpressionMatch quoted =
            QRegularExpression(QStringLiteral("'([^']*)'")).match(error);
        const QString what = quoted.hasMatch() ? quoted.captured(1) : QString();
        if (error.startsWith(QLatin1String("Missing value")))
            return failure(QStringLiteral("manca il valore dopo %1.").arg(what));
        if (error.startsWith(QLatin1String("Unexpected value")))
            return failure(QStringLiteral("%1 non vuole un valore.").arg(what));
        return failure(error);
    }
    if (parser.isSet(helpOption)) {
        ServerOptions options;
        options.action = Action::ShowHelp;
        options.helpText = italianHelp({portOption, nameOption, stateOption, resumeOption,
                                     noMappingOption, helpOption, versionOption});
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
