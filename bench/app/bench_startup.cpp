// Time from starting a process to its first painted window, for the
// program's main window and for a bare QMainWindow built the same way.
// Each is started [runs] times (default 10), alternating, on the offscreen
// platform with a private home; the median and the best are printed. The
// main window is timed in Italian, its own language (--lang it: no program
// translation to load), and in English (--lang en: the translation loaded).
//
// Usage: bench_startup [runs]   (run from the build's bin folder or give
// TVX_BIN, the folder holding bench_startup_window and bench_startup_bare)

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace
{

double startOnce(const QString &program, const QString &home, const QStringList &args = {})
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("HOME"), home);
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/cfg"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home + QStringLiteral("/run"));
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(home);
    p.setProcessChannelMode(QProcess::SeparateChannels);
    QElapsedTimer clock;
    clock.start();
    p.start(program, args);
    QByteArray out;
    while (!out.contains("shown")) {
        if (!p.waitForReadyRead(20000))
            break;
        out += p.readAllStandardOutput();
    }
    const double ms = clock.nsecsElapsed() / 1e6;
    p.waitForFinished(5000);
    if (!out.contains("shown")) {
        std::printf("  %s never showed its window\n", qPrintable(program));
        return -1;
    }
    return ms;
}

void report(const char *what, std::vector<double> ms)
{
    std::sort(ms.begin(), ms.end());
    std::printf("%-28s median %7.1f ms, best %7.1f ms, worst %7.1f ms (%zu runs)\n", what,
                ms[ms.size() / 2], ms.front(), ms.back(), ms.size());
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? qMax(1, atoi(argv[1])) : 10;
    const QString bin = qEnvironmentVariableIsSet("TVX_BIN")
                            ? qEnvironmentVariable("TVX_BIN")
                            : QCoreApplication::applicationDirPath();
    QTemporaryDir home;
    QDir(home.path()).mkpath(QStringLiteral("cfg"));
    QDir(home.path()).mkpath(QStringLiteral("run"));
    QFile::setPermissions(home.path() + QStringLiteral("/run"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    const QString window = bin + QStringLiteral("/bench_startup_window");
    const QString bare = bin + QStringLiteral("/bench_startup_bare");
    // one start of each first, so both find the libraries in the page cache
    startOnce(window, home.path());
    startOnce(bare, home.path());
    // The main window asks the router for its ports right after showing
    // itself, unless told not to: both are timed.
    const QStringList noMapping{QStringLiteral("--no-port-mapping"), QStringLiteral("--lang"),
                                QStringLiteral("it")};
    const QStringList english{QStringLiteral("--no-port-mapping"), QStringLiteral("--lang"),
                              QStringLiteral("en")};
    std::vector<double> w, n, e, b;
    for (int i = 0; i < runs; ++i) {
        const double tw = startOnce(window, home.path());
        const double tn = startOnce(window, home.path(), noMapping);
        const double te = startOnce(window, home.path(), english);
        const double tb = startOnce(bare, home.path());
        if (tw > 0)
            w.push_back(tw);
        if (tn > 0)
            n.push_back(tn);
        if (te > 0)
            e.push_back(te);
        if (tb > 0)
            b.push_back(tb);
    }
    if (w.empty() || n.empty() || e.empty() || b.empty())
        return 1;
    report("main window (frmMain):", w);
    report("  --no-port-mapping, Italian:", n);
    report("  --no-port-mapping, English:", e);
    report("bare QMainWindow:", b);
    std::sort(w.begin(), w.end());
    std::sort(b.begin(), b.end());
    std::printf("ratio of medians main/bare: %.2f\n", w[w.size() / 2] / b[b.size() / 2]);
    return 0;
}
