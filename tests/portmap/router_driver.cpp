// Drives the real main window and plain clients through a home router made
// of network namespaces (see router_namespaces.sh, which starts it).
//
//   router_driver host --router NS --wan NS --external ADDR --lease-file FILE
//                 [--lease S] [--skip-file] [--ipv6 ADDR]   in the home namespace
//   router_driver nogateway                     in the home namespace
//   router_driver wan-chat ADDR PORT [LINK]     in the outside namespace (LINK: the invitation)
//   router_driver wan-file ADDR PORT FILE       in the outside namespace
//
// Every check prints "ok: ..." or "FAIL: ..."; the exit code is the number
// of failures.

#include "chatsession.h"
#include "commandline.h"
#include "dialogpane.h"
#include "filesender.h"
#include "frmmain.h"
#include "frmserverclient.h"
#include "messagerecorder.h"
#include "participantlist.h"
#include "privatetable.h"
#include "reachability.h"
#include "secureinvite.h"
#include "tags.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <memory>

namespace {

int g_failures = 0;

void check(bool ok, const QString &what)
{
    std::printf("%s: %s\n", ok ? "ok" : "FAIL", qPrintable(what));
    std::fflush(stdout);
    if (!ok)
        ++g_failures;
}

QString arg(const QStringList &args, const QString &name, const QString &fallback = QString())
{
    const qsizetype i = args.indexOf(name);
    return i >= 0 && i + 1 < args.size() ? args.at(i + 1) : fallback;
}

/// Runs @p program to its end (at most @p ms) and returns what it printed.
QByteArray run(const QString &program, const QStringList &args, int ms = 5000, int *code = nullptr)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    // The event loop keeps turning, so the window in this process answers.
    (void)QTest::qWaitFor([&] { return p.state() == QProcess::NotRunning; }, ms);
    if (p.state() != QProcess::NotRunning) {
        p.kill();
        p.waitForFinished(1000);
    }
    if (code)
        *code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    return p.readAll();
}

/// Whether the router's forwarding rules, as nftables lists them, hold @p port.
bool forwards(const QString &routerNs, int port)
{
    return run(QStringLiteral("ip"), {QStringLiteral("netns"), QStringLiteral("exec"), routerNs,
                                      QStringLiteral("nft"), QStringLiteral("list"),
                                      QStringLiteral("chain"), QStringLiteral("inet"),
                                      QStringLiteral("filter"), QStringLiteral("prerouting_miniupnpd")})
        .contains("dport " + QByteArray::number(port) + " ");
}

/// A player named Ada who asks to join @p address at @p port.
void joinAsAda(session::ChatSession &player, const QString &address, int port, int waitMs)
{
    player.setName(QStringLiteral("Ada"));
    player.setPort(port);
    player.setConnectWait(waitMs);
    player.cmdConnect_Click(address);
}

/// The lease's end the router keeps for @p port in its lease file, 0 when none.
qint64 leaseEnd(const QString &file, int port)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray key = "TCP:" + QByteArray::number(port) + ":";
    for (const QByteArray &line : f.readAll().split('\n')) {
        if (line.startsWith(key))
            return line.split(':').value(4).toLongLong();
    }
    return 0;
}

struct Host {
    QTemporaryDir dir;
    MessageRecorder messages;
    std::unique_ptr<app::frmMain> form;
    explicit Host(int lease)
    {
        form = std::make_unique<app::frmMain>(dir.filePath(QStringLiteral("tavernix.ini")));
        form->setMessageService(&messages);
        form->transferWindow()->TxtSaveFile->setText(dir.path() + QStringLiteral("/in/"));
        portmap::PortMapper::Options o;
        o.leaseSeconds = lease;
        form->reachability()->setMapperOptions(o);
    }
    void host(int port)
    {
        app::CommandLine c;
        c.hasName = true;
        c.name = QStringLiteral("Brom");
        c.port = port;
        c.host = true;
        form->applyCommandLine(c);
    }
    QString status() const { return form->dialogPane()->txtStatus()->toPlainText(); }
    QString pane() const { return form->dialogPane()->txtDialog()->toPlainText(); }
};

int hostScenario(const QStringList &args)
{
    const QString routerNs = arg(args, QStringLiteral("--router"));
    const QString wanNs = arg(args, QStringLiteral("--wan"));
    const QString outside = arg(args, QStringLiteral("--external"));
    const QString leaseFile = arg(args, QStringLiteral("--lease-file"));
    const int lease = arg(args, QStringLiteral("--lease"), QStringLiteral("4")).toInt();
    const int chatPort = 2600, filePort = 2543;
    const QString self = QCoreApplication::applicationFilePath();

    auto host = std::make_unique<Host>(lease);
    QElapsedTimer clock;
    clock.start();
    host->host(chatPort);
    check(host->form->chat()->phase() == session::ChatSession::Phase::Hosting, "hosting");
    const bool mapped = QTest::qWaitFor([&] { return forwards(routerNs, chatPort); }, 3000);
    check(mapped, QStringLiteral("forwarding of %1 on the router %2 ms after Host")
                      .arg(chatPort)
                      .arg(clock.elapsed()));
    const QString told = QStringLiteral("Porta %1 aperta sul router: %2:%1")
                             .arg(chatPort)
                             .arg(outside);
    check(QTest::qWaitFor([&] { return host->status().contains(told); }, 3000),
          QStringLiteral("status box: ") + told);
    std::printf("protocol: %d\n", int(host->form->reachability()->chatMapper()->outcome().protocol));
    // The invitations: the router's outside address first, then the global IPv6 one.
    QStringList links;
    for (const session::Reachability::Address &a : host->form->reachability()->invitations())
        links << a.link;
    const QString v6 = arg(args, QStringLiteral("--ipv6"));
    // The invitation carries the host's fingerprint and the table key.
    check(links.value(0).startsWith(QStringLiteral("tavernix://%1:%2/?fp=").arg(outside).arg(chatPort)) &&
              links.value(0).contains(QLatin1String("&k=")) &&
              (v6.isEmpty() ||
               links.value(1).startsWith(QStringLiteral("tavernix://[%1]:%2/?fp=").arg(v6).arg(chatPort))),
          QStringLiteral("invitations: ") + links.join(QStringLiteral(", ")));

    // A player outside joins through the router's outside address and talks.
    QProcess chat;
    chat.setProcessChannelMode(QProcess::MergedChannels);
    chat.start(QStringLiteral("ip"), {QStringLiteral("netns"), QStringLiteral("exec"), wanNs, self,
                                      QStringLiteral("wan-chat"), outside,
                                      QString::number(chatPort), links.value(0)});
    check(QTest::qWaitFor([&] { return host->pane().contains(QLatin1String("ciao dal mondo")); },
                          10000),
          "the outside player's line reaches the host");
    check(host->form->chat()->participants()->names().contains(QStringLiteral("Ada")),
          "the outside player is in the list");
    (void)QTest::qWaitFor([&] { return chat.state() == QProcess::NotRunning; }, 10000);
    check(chat.exitCode() == 0, QStringLiteral("the outside player heard the host: ") +
                                    QString::fromLocal8Bit(chat.readAll()).trimmed());

    if (!args.contains(QStringLiteral("--skip-file"))) {
        // A stranger's offer never reaches a private table (tst_securetransfer):
        // here the forwarding is checked, so the table opens to anyone.
        host->form->findChild<app::PrivateTable *>()->setAccess(secure::Access::Anyone);
        QByteArray content(300 * 1024, Qt::Uninitialized);
        for (char &c : content)
            c = char(QRandomGenerator::global()->generate());
        const QString path = host->dir.filePath(QStringLiteral("mappa.bin"));
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(content);
        f.close();
        check(QTest::qWaitFor([&] { return forwards(routerNs, filePort); }, 3000),
              QStringLiteral("forwarding of the transfer port %1").arg(filePort));
        int code = -1;
        const QByteArray out = run(QStringLiteral("ip"),
                                   {QStringLiteral("netns"), QStringLiteral("exec"), wanNs, self,
                                    QStringLiteral("wan-file"), outside, QString::number(filePort),
                                    path},
                                   20000, &code);
        QFile got(host->dir.path() + QStringLiteral("/in/mappa.bin"));
        check(code == 0 && QTest::qWaitFor([&] { return got.size() == content.size(); }, 5000) &&
                  got.open(QIODevice::ReadOnly) && got.readAll() == content,
              QStringLiteral("a file sent from outside arrives whole: ") +
                  QString::fromLocal8Bit(out).trimmed());
    }

    // Renewed before the lease ends: the router's lease end moves on.
    const qint64 first = leaseEnd(leaseFile, chatPort);
    portmap::PortMapper *mapper = host->form->reachability()->chatMapper();
    const int renewals = mapper->renewals();
    check(QTest::qWaitFor([&] { return mapper->renewals() > renewals; }, lease * 1000 + 2000),
          "the lease is renewed");
    QTest::qWait(1100); // the lease file counts whole seconds
    const bool moved = QTest::qWaitFor([&] { return leaseEnd(leaseFile, chatPort) > first; },
                                       lease * 1000 + 2000);
    check(first > 0 && moved, QStringLiteral("the router's lease end moves on (%1 -> %2)")
                                  .arg(first)
                                  .arg(leaseEnd(leaseFile, chatPort)));

    host->form->cmdDisconnect->click();
    check(QTest::qWaitFor([&] { return !forwards(routerNs, chatPort); }, 3000),
          "Sconnetti removes the forwarding");
    check(forwards(routerNs, filePort), "the transfer port stays forwarded after Sconnetti");
    host->form->close();
    host.reset();
    check(!forwards(routerNs, filePort), "closing the program removes the transfer forwarding");
    return g_failures;
}

int noGatewayScenario()
{
    Host host(3600);
    QElapsedTimer clock;
    clock.start();
    host.host(2600);
    const bool told = QTest::qWaitFor(
        [&] { return host.status().contains(QLatin1String("Nessun router ha risposto")); }, 3000);
    check(told, QStringLiteral("told that no router answered, %1 ms after Host").arg(clock.elapsed()));
    session::ChatSession player;
    joinAsAda(player, QStringLiteral("127.0.0.1"), 2600, 300);
    check(QTest::qWaitFor([&] { return host.form->chat()->participants()->count() == 2; }, 5000),
          "hosting goes on: a player on this side joins");
    return g_failures;
}

int wanChat(const QString &address, int port, const QString &link)
{
    session::ChatSession player;
    if (const auto invite = session::SecureInvite::parse(link))
        player.setInvitation(invite->fingerprint, invite->key);
    joinAsAda(player, address, port, 500);
    // The host's list names both of us: the host spoke to us.
    if (!QTest::qWaitFor([&] { return player.participants()->count() >= 2; }, 8000)) {
        std::printf("the host did not answer\n");
        return 1;
    }
    if (!player.isEncrypted()) {
        std::printf("joined in plain text despite the invitation\n");
        return 1;
    }
    player.SendToServer(session::tag::Messaggio + QStringLiteral("Ada: ciao dal mondo"));
    QTest::qWait(500);
    std::printf("joined, %d in the list\n", player.participants()->count());
    return 0;
}

int wanFile(const QString &address, const QString &port, const QString &path)
{
    transfer::FileSender sender;
    bool done = false, ok = false;
    QObject::connect(&sender, &transfer::FileSender::accepted, &sender,
                     [&] { sender.offer(path, 2048); });
    QObject::connect(&sender, &transfer::FileSender::transferEnded, &sender,
                     [&](transfer::FileSender::Outcome o) {
                         done = true;
                         ok = o == transfer::FileSender::Outcome::Completed;
                     });
    QObject::connect(&sender, &transfer::FileSender::connectFailed, &sender, [&] { done = true; });
    sender.connectTo(address, port, QStringLiteral("Brom"));
    (void)QTest::qWaitFor([&] { return done; }, 15000);
    std::printf("%s\n", ok ? "sent" : "not sent");
    return ok ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QString mode = args.value(1);
    if (mode == QLatin1String("host"))
        return hostScenario(args);
    if (mode == QLatin1String("nogateway"))
        return noGatewayScenario();
    if (mode == QLatin1String("wan-chat"))
        return wanChat(args.value(2), args.value(3).toInt(), args.value(4));
    if (mode == QLatin1String("wan-file"))
        return wanFile(args.value(2), args.value(3), args.value(4));
    std::fprintf(stderr, "usage: router_driver host|nogateway|wan-chat|wan-file ...\n");
    return 2;
}
