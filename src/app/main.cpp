#include "commandline.h"
#include "fileaudit.h"
#include "frmmain.h"
#include "instanceguard.h"
#include "languagechoice.h"
#include "preferences.h"
#include "raisechannel.h"
#include "signalbridge.h"
#include "startupwarmup.h"
#include "translations.h"

#include <QApplication>
#include <QLocale>
#include <QLoggingCategory>
#include <QTextStream>

// Off unless asked for (QT_LOGGING_RULES="tavernix.instance.info=true").
Q_LOGGING_CATEGORY(lcInstance, "tavernix.instance", QtWarningMsg)

int main(int argc, char *argv[])
{
    // Options are read before the application object exists, so --help and
    // --version work without a display.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    const app::CommandLine options = app::CommandLine::parse(arguments);

    QTextStream out(stdout);
    QTextStream err(stderr);
    switch (options.action) {
    case app::CommandLine::Action::ShowHelp:
        out << options.helpText;
        return 0;
    case app::CommandLine::Action::ShowVersion:
        out << "tavernix " << TAVERNIX_VERSION << '\n';
        return 0;
    case app::CommandLine::Action::Error:
        err << "tavernix: " << options.error << '\n';
        return 2;
    case app::CommandLine::Action::VerifyDice: {
        QCoreApplication application(argc, argv);
        const dice::FileAudit::Result result = dice::FileAudit::check(options.verifyDice);
        if (!result.error.isEmpty()) {
            err << "tavernix: " << result.error << '\n';
            return 1;
        }
        for (const QString &line : result.failures)
            out << line << '\n';
        out << result.summary << '\n';
        return result.ok ? 0 : 1;
    }
    case app::CommandLine::Action::Run:
        break;
    }

    QApplication application(argc, argv);
    app::StartupWarmup warmup(QStringLiteral(":/tavernix/tavernix.png"));
    QApplication::setApplicationName(QStringLiteral("tavernix"));
    QApplication::setApplicationDisplayName(QStringLiteral("Tavernix"));
    QApplication::setApplicationVersion(QStringLiteral(TAVERNIX_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("io.github.tavernix.Tavernix"));
    // The window speaks the language asked for with --lang, else the one of
    // the preferences, else the desktop's when the program has its texts,
    // else Italian; Qt's own dialogs (file chooser, colours, standard
    // buttons) follow it when the system has their texts.
    language::Translations translations;
    translations.install(language::LanguageChoice::pick(
        options.language, app::PreferencesStore().GetPreferences().language,
        QLocale::system().uiLanguages()));

    // A second copy would fight the first for the port and the preferences
    // file, so it ends before its window appears.
    platform::InstanceGuard guard;
    const QString self = QApplication::applicationFilePath();
    if (!platform::InstanceGuard::executableNameOk(self)) {
        err << "tavernix: il programma va avviato con il nome \"tavernix\".\n";
        return 1;
    }
    if (!guard.tryLock() ||
        platform::InstanceGuard::bOtherInstance(QStringLiteral("tavernix"), self)) {
        // Started again from a menu, the user sees no refusal on a terminal:
        // the copy that runs comes forward instead.
        // An invitation the desktop opened goes to the copy that runs.
        if (!options.invitation.isEmpty() ? platform::RaiseChannel::askToOpen(options.invitation)
                                          : platform::RaiseChannel::askToRaise())
            err << "tavernix: un'altra copia del programma è già in esecuzione; "
                   "la sua finestra è stata portata in primo piano.\n";
        else
            err << "tavernix: un'altra copia del programma è già in esecuzione.\n";
        return 1;
    }

    app::frmMain window;
    QApplication::setWindowIcon(warmup.windowIcon());
    platform::SignalBridge signals_;
    QObject::connect(&signals_, &platform::SignalBridge::terminationRequested, &window,
                     [&window] { window.close(); });
    platform::RaiseChannel raiseChannel;
    QObject::connect(&raiseChannel, &platform::RaiseChannel::raiseRequested, &window, [&window] {
        window.bringToFront();
        qCInfo(lcInstance) << "raise request from a second start: window brought to front";
    });
    QObject::connect(&raiseChannel, &platform::RaiseChannel::openRequested, &window,
                     [&window](const QString &link) {
                         window.bringToFront();
                         window.applyInvitation(link);
                     });
    if (!raiseChannel.listen())
        qCWarning(lcInstance) << "a second start cannot reach this copy:" << raiseChannel.path();
    window.show();
    window.applyCommandLine(options);
    return application.exec();
}
