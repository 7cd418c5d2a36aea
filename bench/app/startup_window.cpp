// The program's start as main() does it (application settings, the
// language's translations, the single-copy check, the main window), ending as
// soon as the window has been painted: what bench_startup times.

#include "commandline.h"
#include "frmmain.h"
#include "instanceguard.h"
#include "languagechoice.h"
#include "shown.h"
#include "startupwarmup.h"
#include "translations.h"

#include <QApplication>
#include <QLocale>

int main(int argc, char **argv)
{
    QApplication application(argc, argv);
    app::StartupWarmup warmup(QStringLiteral(":/tavernix/tavernix.png"));
    QApplication::setApplicationName(QStringLiteral("tavernix"));
    QApplication::setApplicationDisplayName(QStringLiteral("Tavernix"));
    const app::CommandLine options = app::CommandLine::parse(QApplication::arguments());
    language::Translations translations;
    translations.install(language::LanguageChoice::pick(options.language, QString(),
                                                        QLocale::system().uiLanguages()));
    // The check's cost belongs to the start; its answer does not matter
    // here (other copies may run on a shared machine).
    platform::InstanceGuard guard;
    const QString self = QApplication::applicationFilePath();
    guard.tryLock();
    (void)platform::InstanceGuard::bOtherInstance(QStringLiteral("tavernix"), self);

    app::frmMain window;
    QApplication::setWindowIcon(warmup.windowIcon());
    ShownProbe probe(&window);
    window.show();
    // As main() does: the options, and with them the requests to the
    // router (unless --no-port-mapping), come right after show().
    window.applyCommandLine(options);
    return application.exec();
}
