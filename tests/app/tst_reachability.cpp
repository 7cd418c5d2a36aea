#include "chatsession.h"
#include "commandline.h"
#include "dialogpane.h"
#include "fakegateway.h"
#include "frmmain.h"
#include "frmraggiungibilita.h"
#include "frmserverclient.h"
#include "mappingtext.h"
#include "messagerecorder.h"
#include "participantlist.h"
#include "reachability.h"

#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QTextBlock>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using app::CommandLine;
using app::frmMain;
using session::ChatSession;

namespace {

struct Window {
    Window(const QTemporaryDir &dir, const FakeGateway &gw, const QString &ini = QString())
        : prefsPath(dir.filePath(QStringLiteral("tavernix.ini")))
    {
        if (!ini.isEmpty()) {
            QFile f(prefsPath);
            f.open(QIODevice::WriteOnly);
            f.write(ini.toUtf8());
        }
        form = std::make_unique<frmMain>(prefsPath);
        form->setMessageService(&messages);
        portmap::PortMapper::Options o;
        o.gateway.natpmp = false;
        o.gateway.descriptionUrl = gw.url();
        form->reachability()->setMapperOptions(o);
        form->chat()->setPort(0);
    }
    QString status() const { return form->dialogPane()->txtStatus()->toPlainText(); }
    QString prefsPath;
    MessageRecorder messages;
    std::unique_ptr<frmMain> form;
};

CommandLine hosting(bool noMapping = false)
{
    CommandLine c;
    c.hasName = true;
    c.name = QStringLiteral("Brom");
    c.host = true;
    c.noPortMapping = noMapping;
    return c;
}

} // namespace

class tst_Reachability : public QObject
{
    Q_OBJECT
private slots:
    void hostingOpensThePortAndSconnettiClosesIt();
    void switchedOffSendsNothing_data();
    void switchedOffSendsNothing();
    void invitationLinks_data();
    void invitationLinks();
    void typedServerConnects_data();
    void typedServerConnects();
    void commandLine_data();
    void commandLine();
    void routerLineFitsTheStatusBox_data();
    void routerLineFitsTheStatusBox();
};

void tst_Reachability::hostingOpensThePortAndSconnettiClosesIt()
{
    FakeGateway gw;
    QTemporaryDir dir;
    auto w = std::make_unique<Window>(dir, gw);
    // Another program on the machine may hold the default transfer port.
    QVERIFY(w->form->transferWindow()->listenOn(0));
    w->form->applyCommandLine(hosting());
    const quint16 port = w->form->chat()->listeningPort();
    QVERIFY(port != 0);
    const QString expected =
        QStringLiteral("Porta %1 aperta sul router: gli altri possono collegarsi a 203.0.113.5:%1")
            .arg(port);
    // The status box has the short form, "Raggiungibilità" the whole.
    const QString brief =
        QStringLiteral("Porta %1 aperta sul router: 203.0.113.5:%1").arg(port);
    QTRY_VERIFY2_WITH_TIMEOUT(w->status().contains(brief), qPrintable(w->status()), 10000);
    // The transfer port has its own line in the transfer window.
    const quint16 filePort = w->form->transferWindow()->receiverPort();
    QTRY_VERIFY2(w->form->transferWindow()->lblrouter->text().startsWith(
                     QStringLiteral("Porta %1 aperta sul router").arg(filePort)),
                 qPrintable(w->form->transferWindow()->lblrouter->text()));

    w->form->cmdRaggiungibilita_Click();
    app::frmRaggiungibilita *panel = w->form->reachabilityWindow();
    QVERIFY(panel);
    QVERIFY(panel->lblChat->text().contains(expected));
    // A hosting window's invitation carries its fingerprint and key.
    QVERIFY(panel->lstInviti->count() >= 1);
    const QString link = panel->lstInviti->item(0)->data(Qt::UserRole).toString();
    QVERIFY2(link.startsWith(QStringLiteral("tavernix://203.0.113.5:%1/?fp=").arg(port)), qPrintable(link));
    panel->cmdCopiaInvito->click();
    QCOMPARE(QGuiApplication::clipboard()->text(), link);

    const int deletes = gw.count(QStringLiteral("DeletePortMapping"));
    w->form->cmdDisconnect->click();
    QTRY_COMPARE(gw.count(QStringLiteral("DeletePortMapping")), deletes + 1);
    QTRY_VERIFY(w->status().contains(QStringLiteral("Porta %1 chiusa sul router.").arg(port)));
    // Outside invitation gone with the forwarding.
    QTRY_VERIFY(panel->lstInviti->count() == 0 ||
                panel->lstInviti->item(0)->data(Qt::UserRole).toString() != link);

    // Closing the program removes the transfer port's forwarding too. The
    // fake router answers on this thread, so the close gives up waiting for
    // its answer, and the request is seen once the loop runs again.
    w->form->close();
    QTRY_COMPARE(gw.count(QStringLiteral("DeletePortMapping")), deletes + 2);
}

void tst_Reachability::switchedOffSendsNothing_data()
{
    QTest::addColumn<QString>("ini");
    QTest::addColumn<bool>("option");
    QTest::addColumn<QString>("saved");
    QTest::newRow("preference") << "[Vellumara]\nPortMapping=0\n" << false << "0";
    QTest::newRow("--no-port-mapping") << "" << true << "1";
}

void tst_Reachability::switchedOffSendsNothing()
{
    QFETCH(QString, ini);
    QFETCH(bool, option);
    QFETCH(QString, saved);
    FakeGateway gw;
    QTemporaryDir dir;
    {
        Window w(dir, gw, ini);
        w.form->applyCommandLine(hosting(option));
        QCOMPARE(w.form->chat()->phase(), ChatSession::Phase::Hosting);
        QTest::qWait(1500);
        w.form->close();
        QVERIFY2(gw.actions.isEmpty(), qPrintable(gw.actions.join(' ')));
        QVERIFY(!w.status().contains(QLatin1String("router")));
    }
    // The command line switches off this run only; the preference stays as it was.
    QSettings prefs(dir.filePath(QStringLiteral("tavernix.ini")), QSettings::IniFormat);
    QCOMPARE(prefs.value(QStringLiteral("Vellumara/PortMapping")).toString(), saved);
}

void tst_Reachability::invitationLinks_data()
{
    QTest::addColumn<QString>("link");
    QTest::addColumn<bool>("hostingFirst");
    QTest::addColumn<QString>("server");
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("message");
    QTest::newRow("taken") << "tavernix://[2001:db8::5]:2700" << false << "2001:db8::5" << 2700
                           << "";
    QTest::newRow("malformed") << "tavernix://10.0.0.1:70000" << false << "vecchio" << 600
                               << "Invito non valido: la porta";
    QTest::newRow("shell characters") << "tavernix://$(rm):2600" << false << "vecchio" << 600
                                      << "Invito non valido";
    QTest::newRow("during a session") << "tavernix://10.0.0.1:2700" << true << "vecchio" << 600
                                      << "c'è già una sessione in corso";
}

// A link fills in "Server:" and the port, ready for "Connetti", and does
// not connect by itself; one that cannot be used says why and changes nothing.
void tst_Reachability::invitationLinks()
{
    QFETCH(QString, link);
    QFETCH(bool, hostingFirst);
    QFETCH(QString, server);
    QFETCH(int, port);
    QFETCH(QString, message);
    FakeGateway gw;
    QTemporaryDir dir;
    Window w(dir, gw, QStringLiteral("[Vellumara]\nServer=vecchio\nPort=600\nPortMapping=0\n"));
    if (hostingFirst)
        w.form->applyCommandLine(hosting());
    w.form->chat()->setPort(600);
    CommandLine c;
    c.invitation = link;
    w.form->applyCommandLine(c);
    if (!hostingFirst)
        QCOMPARE(w.form->chat()->phase(), ChatSession::Phase::Idle);
    QCOMPARE(w.form->txtIP->text(), server);
    QCOMPARE(w.form->chat()->lPort(), port);
    if (message.isEmpty()) {
        QVERIFY(w.messages.shown.isEmpty());
        QVERIFY(w.status().contains(QStringLiteral("Premere \"Connetti\"")));
    } else {
        QCOMPARE(w.messages.shown.size(), 1);
        QVERIFY2(w.messages.shown.first().text.contains(message),
                 qPrintable(w.messages.shown.first().text));
    }
}

void tst_Reachability::typedServerConnects_data()
{
    QTest::addColumn<QString>("typed"); // in "Server:"; a link carries the host's port
    QTest::addColumn<bool>("ipv6");
    QTest::addColumn<QString>("shown"); // in "Server:" after "Connetti"; empty: as typed
    QTest::newRow("link") << "tavernix://127.0.0.1:%1" << false << "127.0.0.1";
    QTest::newRow("IPv6 link") << "tavernix://[::1]:%1" << true << "::1";
    QTest::newRow("IPv6 address") << "::1" << true << "";
    QTest::newRow("IPv6 in brackets") << "[::1]" << true << "";
}

void tst_Reachability::typedServerConnects()
{
    QFETCH(QString, typed);
    QFETCH(bool, ipv6);
    QFETCH(QString, shown);
    ChatSession host;
    host.setName(QStringLiteral("Brom"));
    host.setPort(0);
    host.cmdHost_Click();
    const quint16 port = host.listeningPort();
    QVERIFY(port != 0);
    QTcpSocket probe;
    probe.connectToHost(ipv6 ? QHostAddress::LocalHostIPv6 : QHostAddress::LocalHost, port);
    if (!probe.waitForConnected(2000))
        QSKIP("no IPv6 loopback here");
    probe.abort();
    FakeGateway gw;
    QTemporaryDir dir;
    Window w(dir, gw, QStringLiteral("[Vellumara]\nPortMapping=0\n"));
    w.form->chat()->setConnectWait(200);
    const bool link = typed.startsWith(QLatin1String("tavernix:"));
    if (link)
        typed = typed.arg(port);
    else
        w.form->chat()->setPort(port);
    w.form->txtName->setText(QStringLiteral("Ada"));
    w.form->chat()->setName(QStringLiteral("Ada"));
    w.form->txtIP->setText(typed);
    w.form->cmdConnect->click();
    QCOMPARE(w.form->txtIP->text(), shown.isEmpty() ? typed : shown);
    QTRY_COMPARE(w.form->chat()->phase(), ChatSession::Phase::Connected);
    QTRY_COMPARE(host.participants()->count(), 2);
    // At another's table, who may sit down is that host's to choose: said, not just greyed.
    w.form->cmdRaggiungibilita_Click();
    const app::frmRaggiungibilita *panel = w.form->reachabilityWindow();
    QVERIFY(!panel->cboAccesso->isEnabled() && !panel->txtParola->isEnabled() && !panel->cmdParola->isEnabled());
    QVERIFY(panel->lblAccessoOspite->isVisible() && panel->cboAccesso->toolTip() == panel->lblAccessoOspite->text());
}

void tst_Reachability::commandLine_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("action");
    QTest::addColumn<QString>("connectTo");
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("invitation");
    QTest::addColumn<bool>("noMapping");
    const int run = int(CommandLine::Action::Run), error = int(CommandLine::Action::Error);
    QTest::newRow("--connect link") << QStringList{"--connect", "tavernix://[::1]:2700"} << run
                                    << "::1" << 2700 << "tavernix://[::1]:2700" << false;
    QTest::newRow("link's port wins") << QStringList{"--port", "2600", "--connect",
                                                     "tavernix://10.0.0.1:2700"}
                                      << run << "10.0.0.1" << 2700 << "tavernix://10.0.0.1:2700" << false;
    QTest::newRow("--connect malformed link") << QStringList{"--connect", "tavernix://x:0"}
                                              << error << "" << 0 << "" << false;
    QTest::newRow("--connect plain address") << QStringList{"--connect", "10.0.0.1"} << run
                                             << "10.0.0.1" << 0 << "" << false;
    QTest::newRow("link alone") << QStringList{"tavernix://10.0.0.1:2700"} << run << "" << 0
                                << "tavernix://10.0.0.1:2700" << false;
    QTest::newRow("malformed link alone, the window refuses it")
        << QStringList{"tavernix://;:x"} << run << "" << 0 << "tavernix://;:x" << false;
    QTest::newRow("two links") << QStringList{"tavernix://a:1", "tavernix://b:2"} << error << ""
                               << 0 << "" << false;
    QTest::newRow("not a link") << QStringList{"10.0.0.1"} << error << "" << 0 << "" << false;
    QTest::newRow("--no-port-mapping") << QStringList{"--no-port-mapping"} << run << "" << 0 << ""
                                       << true;
}

void tst_Reachability::commandLine()
{
    QFETCH(QStringList, args);
    QFETCH(int, action);
    QFETCH(QString, connectTo);
    QFETCH(int, port);
    QFETCH(QString, invitation);
    QFETCH(bool, noMapping);
    const CommandLine c = CommandLine::parse(QStringList{QStringLiteral("tavernix")} + args);
    QCOMPARE(int(c.action), action);
    if (action == int(CommandLine::Action::Error))
        return;
    QCOMPARE(c.connectTo, connectTo);
    QCOMPARE(c.port, port);
    QCOMPARE(c.invitation, invitation);
    QCOMPARE(c.noPortMapping, noMapping);
}

// Every answer of the router, with five-digit ports, is read whole in the
// status box of a window at its first size, the narrow one.
void tst_Reachability::routerLineFitsTheStatusBox_data()
{
    using portmap::Result;
    QTest::addColumn<int>("result");
    QTest::addColumn<int>("externalPort");
    QTest::addColumn<QString>("externalAddress");
    QTest::addColumn<bool>("unanswered");
    const QString outside = QStringLiteral("203.0.113.254");
    QTest::newRow("mapped") << int(Result::Mapped) << 65535 << outside << false;
    QTest::newRow("mapped elsewhere") << int(Result::Mapped) << 65534 << outside << false;
    QTest::newRow("no gateway") << int(Result::NoGateway) << 0 << QString() << false;
    QTest::newRow("refused") << int(Result::Refused) << 0 << QString() << false;
    QTest::newRow("conflict") << int(Result::Conflict) << 0 << QString() << false;
    QTest::newRow("wrong client") << int(Result::WrongClient) << 0 << QString() << false;
    QTest::newRow("not forwarded") << int(Result::NotForwarded) << 0 << QString() << false;
    QTest::newRow("no answer") << int(Result::BadAnswer) << 0 << QString() << true;
    QTest::newRow("nonsense") << int(Result::BadAnswer) << 0 << QString() << false;
    QTest::newRow("router behind a router")
        << int(Result::PrivateExternal) << 0 << QStringLiteral("192.168.100.254") << false;
    QTest::newRow("provider NAT")
        << int(Result::SharedExternal) << 0 << QStringLiteral("100.127.255.254") << false;
}

void tst_Reachability::routerLineFitsTheStatusBox()
{
    QFETCH(int, result);
    QFETCH(int, externalPort);
    QFETCH(QString, externalAddress);
    QFETCH(bool, unanswered);
    portmap::Outcome o;
    o.result = portmap::Result(result);
    o.protocol = portmap::Protocol::UpnpIgd2;
    o.port = 65535;
    o.externalPort = quint16(externalPort);
    o.externalAddress = externalAddress;
    o.internalClient = QStringLiteral("192.168.100.101");
    o.otherClient = QStringLiteral("192.168.100.199");
    o.code = 606;
    o.reason = QStringLiteral("Action not authorized");
    o.unanswered = unanswered;

    QTemporaryDir dir;
    frmMain form(dir.filePath(QStringLiteral("tavernix.ini")));
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QPlainTextEdit *box = form.dialogPane()->txtStatus();
    form.dialogPane()->UpdateStatus(portmap::brief(o));
    QTRY_VERIFY(box->document()->lastBlock().layout()->lineCount() > 0);
    const int lines = box->document()->lastBlock().layout()->lineCount();
    const int seen = (box->viewport()->height() - 2 * int(box->document()->documentMargin())) /
                     box->fontMetrics().lineSpacing();
    QVERIFY2(lines <= seen, qPrintable(QStringLiteral("%1 lines, %2 seen: %3")
                                           .arg(lines)
                                           .arg(seen)
                                           .arg(box->document()->lastBlock().text())));
    QVERIFY(portmap::brief(o).contains(QStringLiteral("6553")));
}

QTEST_MAIN(tst_Reachability)
#include "tst_reachability.moc"
