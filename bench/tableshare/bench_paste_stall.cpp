// A 4000 x 3000 map pasted on the host's board and shared, as a user does
// it: the real program hosting on a private X server (Xvfb), this program
// holding the map on the clipboard as another picture program would (a PNG
// ready to hand over), xdotool clicking "Incolla appunti" and answering the
// questions with Enter. Meanwhile one player sends a conversation line every
// 10 ms through the host to another: the longest delay of a line is how long
// the host's window stopped serving the table. Prints figures; not a test.
//
//   bench_paste_stall [--binary PATH] [--display N] [--paste-at X,Y]
//
// Needs Xvfb and xdotool. X,Y is where "Incolla appunti" sits in the main
// window at its starting size (a screenshot of the window tells; the default
// is this version's place).

#include <QBuffer>
#include <QClipboard>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QImageWriter>
#include <QMimeData>
#include <QPainter>
#include <QProcess>
#include <QRandomGenerator>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>
#include <optional>

#ifndef TAVERNIX_HOST_BINARY
#define TAVERNIX_HOST_BINARY "tavernix"
#endif

namespace
{

/// Where "Incolla appunti" sits in the main window at its starting size
/// (taken from a screenshot of the window as laid out).
int g_pasteX = 495;
int g_pasteY = 276;

void waitMs(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

template <typename F> bool waitFor(F condition, int ms)
{
    QElapsedTimer t;
    t.start();
    while (!condition()) {
        if (t.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

QString xdotool(const QStringList &args)
{
    QProcess p;
    p.start(QStringLiteral("xdotool"), args);
    p.waitForFinished(5000);
    return QString::fromLocal8Bit(p.readAllStandardOutput()).trimmed();
}

/// A map of @p size: coloured regions with lines and noise, so the PNG is
/// a few megabytes as a scanned or painted map is.
QByteArray mapPng(QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    QRandomGenerator random(7);
    for (int y = 0; y < size.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < size.width(); ++x) {
            const int n = int(random.bounded(6));
            line[x] = qRgb(180 + (x / 200 % 3) * 20 + n, 160 + (y / 150 % 4) * 15 + n, 120 + n);
        }
    }
    QPainter p(&image);
    p.setPen(QPen(Qt::darkGray, 4));
    for (int i = 0; i < size.width(); i += 100)
        p.drawLine(i, 0, i, size.height());
    p.end();
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter(&buffer, "png").write(image);
    return png;
}

/// A player joined to the host with a raw socket.
struct Player {
    QTcpSocket socket;
    QByteArray buffer;
    QList<QByteArray> lines;
    explicit Player()
    {
        QObject::connect(&socket, &QTcpSocket::readyRead, [this] {
            buffer += socket.readAll();
            qsizetype end;
            while ((end = buffer.indexOf("\r\n")) >= 0) {
                lines.append(buffer.left(end));
                buffer.remove(0, end + 2);
            }
        });
    }
    bool join(quint16 port, const QByteArray &name)
    {
        socket.connectToHost(QHostAddress::LocalHost, port);
        if (!socket.waitForConnected(5000))
            return false;
        socket.write("[Tavernix]1\r\n[Connessione]" + name + "\r\n[Aggiorna Listato InviaFile]\r\n");
        return waitFor([&] {
            for (const QByteArray &l : lines)
                if (l.startsWith("[Rename di Connessione]"))
                    return true;
            return false;
        }, 10000);
    }
};

} // namespace

int main(int argc, char **argv)
{
    QString binary = QStringLiteral(TAVERNIX_HOST_BINARY);
    int display = 77;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (qstrcmp(argv[i], "--binary") == 0)
            binary = QString::fromLocal8Bit(argv[i + 1]);
        else if (qstrcmp(argv[i], "--display") == 0)
            display = atoi(argv[i + 1]);
        else if (qstrcmp(argv[i], "--paste-at") == 0)
            std::sscanf(argv[i + 1], "%d,%d", &g_pasteX, &g_pasteY);
    }
    const QString screen = QStringLiteral(":%1").arg(display);
    QProcess xvfb;
    xvfb.start(QStringLiteral("Xvfb"), {screen, QStringLiteral("-screen"), QStringLiteral("0"),
                                       QStringLiteral("1600x1200x24"), QStringLiteral("-nolisten"),
                                       QStringLiteral("tcp")});
    if (!xvfb.waitForStarted(5000)) {
        std::fprintf(stderr, "Xvfb did not start\n");
        return 1;
    }
    QThread::msleep(1500);
    qputenv("DISPLAY", screen.toLocal8Bit());
    qputenv("QT_QPA_PLATFORM", "xcb");
    QGuiApplication app(argc, argv);

    std::printf("paste stall: the host (%s) pastes a 4000 x 3000 map and shares it\n", qPrintable(binary));
    const QByteArray png = mapPng(QSize(4000, 3000));
    std::printf("  the map: a PNG of %.1f MB\n", png.size() / 1e6);

    QTemporaryDir home;
    const quint16 port = freePort();
    QProcess host;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), home.path());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("cfg")));
    env.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral("data")));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.path());
    env.insert(QStringLiteral("DISPLAY"), screen);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    host.setProcessEnvironment(env);
    host.start(binary, {QStringLiteral("--name"), QStringLiteral("GM"), QStringLiteral("--port"),
                        QString::number(port), QStringLiteral("--host"),
                        QStringLiteral("--no-port-mapping")});
    Player talker, listener;
    if (!waitFor([&] {
            QTcpSocket probe;
            probe.connectToHost(QHostAddress::LocalHost, port);
            return probe.waitForConnected(200);
        }, 20000) ||
        !talker.join(port, "Parla") || !listener.join(port, "Ascolta")) {
        std::fprintf(stderr, "the host did not take the players\n");
        return 1;
    }
    waitMs(2000);
    const QString window = xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                    QStringLiteral("--name"), QStringLiteral("Tavernix")})
                               .section(QLatin1Char('\n'), 0, 0);
    if (window.isEmpty()) {
        std::fprintf(stderr, "no window of the host found\n");
        return 1;
    }
    // The map on the clipboard as a picture program offers it: PNG bytes.
    auto *mime = new QMimeData;
    mime->setData(QStringLiteral("image/png"), png);
    QGuiApplication::clipboard()->setMimeData(mime);
    waitMs(500);

    // Talk every 10 ms; the listener notes each line's delay.
    QElapsedTimer clock;
    clock.start();
    qint64 worst = 0, worstAt = 0;
    qsizetype seen = 0;
    int sent = 0;
    auto talk = [&] {
        talker.socket.write("[Messaggio]t" + QByteArray::number(clock.elapsed()) + "\r\n");
        ++sent;
    };
    auto listen = [&] {
        for (; seen < listener.lines.size(); ++seen) {
            const QByteArray &l = listener.lines.at(seen);
            const qsizetype at = l.indexOf("t");
            if (!l.startsWith("[Messaggio]") || at < 0)
                continue;
            const qint64 delay = clock.elapsed() - l.mid(at + 1).toLongLong();
            if (delay > worst) {
                worst = delay;
                worstAt = clock.elapsed();
            }
        }
    };
    auto run = [&](int ms) {
        const qint64 end = clock.elapsed() + ms;
        qint64 next = clock.elapsed();
        while (clock.elapsed() < end) {
            if (clock.elapsed() >= next) {
                talk();
                next += 10;
            }
            QCoreApplication::processEvents(QEventLoop::AllEvents, 2);
            listen();
        }
    };
    run(2000);
    const qint64 quietWorst = worst;
    worst = 0;
    const qint64 t0 = clock.elapsed();
    xdotool({QStringLiteral("mousemove"), QStringLiteral("--window"), window, QString::number(g_pasteX),
             QString::number(g_pasteY), QStringLiteral("click"), QStringLiteral("1")});
    // "Condividere l'immagine con il tavolo?" and, where asked, whether to
    // fit it: Enter takes the default each time.
    for (int question = 0; question < 2; ++question) {
        run(1500);
        xdotool({QStringLiteral("key"), QStringLiteral("Return")});
    }
    bool arrived = false;
    qint64 arrivedAt = -1;
    const qint64 limit = clock.elapsed() + 30000;
    while (!arrived && clock.elapsed() < limit) {
        run(50);
        for (const QByteArray &l : listener.lines) {
            if (l.startsWith("[Immagine Condivisa]")) {
                arrived = true;
                arrivedAt = clock.elapsed() - t0;
                break;
            }
        }
    }
    run(2000);
    std::printf("  conversation lines every 10 ms: longest delay %lld ms before the paste, %lld ms from the "
                "paste to 2 s after the picture went out (at %lld ms after the click)\n",
                static_cast<long long>(quietWorst), static_cast<long long>(worst),
                static_cast<long long>(worstAt - t0));
    std::printf("  the picture's start reached a player %lld ms after the click (-1: not within 30 s)\n",
                static_cast<long long>(arrivedAt));
    host.kill();
    host.waitForFinished(3000);
    xvfb.kill();
    xvfb.waitForFinished(3000);
    return 0;
}
