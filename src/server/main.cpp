#include "controlchannel.h"
#include "serverlog.h"
#include "serveroptions.h"
#include "signalbridge.h"
#include "tavernserver.h"

#include <QCoreApplication>
#include <QTextStream>

namespace
{

int runControl(const server::ServerOptions &options)
{
    QTextStream out(stdout);
    QTextStream err(stderr);
    const server::ControlCommand command = server::ControlCommand::fromWords(options.controlWords);
    if (!command.isValid()) {
        err << "tavernix-server ctl: " << command.error << '\n';
        return 2;
    }
    const server::ControlReply reply = server::sendControl(options.stateDir, command);
    if (reply.status == 0)
        out << reply.text << '\n';
    else
        err << "tavernix-server ctl: " << reply.text << '\n';
    return reply.status;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tavernix-server"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TAVERNIX_VERSION));

    const server::ServerOptions options =
        server::ServerOptions::parse(QCoreApplication::arguments());
    QTextStream out(stdout);
    QTextStream err(stderr);
    switch (options.action) {
    case server::ServerOptions::Action::ShowHelp:
        out << options.helpText;
        return 0;
    case server::ServerOptions::Action::ShowVersion:
        out << "tavernix-server " << TAVERNIX_VERSION << '\n';
        return 0;
    case server::ServerOptions::Action::Error:
        err << "tavernix-server: " << options.error << '\n';
        return 2;
    case server::ServerOptions::Action::Control:
        return runControl(options);
    case server::ServerOptions::Action::Run:
        break;
    }

    server::ServerLog log;
    server::TavernServer::Settings settings;
    settings.port = options.port;
    settings.name = options.name;
    settings.stateDir = options.stateDir;
    settings.resume = options.resume;
    settings.portMapping = options.portMapping;
    settings.access = options.access;
    server::TavernServer tavern(settings, log);
    // SIGTERM from the service manager or a kill, SIGINT from the terminal:
    // the session is kept and every connection closed before the end.
    platform::SignalBridge signals_;
    QObject::connect(&signals_, &platform::SignalBridge::terminationRequested, &tavern,
                     [&tavern] { tavern.stop(); });
    QObject::connect(&tavern, &server::TavernServer::finished, &application,
                     &QCoreApplication::quit);
    if (!tavern.start())
        return 1;
    return application.exec();
}
