#pragma once

// A UPnP internet gateway that answers over HTTP on 127.0.0.1 as a test
// tells it to: rightly, with errors, with garbage, slowly, or lying.

#include <QHash>
#include <QPointer>
#include <QRegularExpression>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

class FakeGateway : public QObject
{
public:
    // How it answers each action; an empty text means "as a router would".
    QString externalAddress = QStringLiteral("203.0.113.5");
    int addError = 0;          ///< AddPortMapping fails with this UPnP code (0: succeeds)
    int addErrorOnce = 0;      ///< the first AddPortMapping fails with this code, later ones succeed
    int deleteError = 0;       ///< DeletePortMapping fails with this UPnP code (0: succeeds)
    bool garbageDescription = false;
    bool garbageSoap = false;  ///< every action answers bytes that are no SOAP
    int delayMs = 0;           ///< every action answers this late
    enum class Entry { Ours, None, Other, OtherBefore } entry = Entry::Ours;
    int version = 1;

    QStringList actions; ///< every action asked, in order
    QString lastLease;   ///< NewLeaseDuration of the last AddPortMapping

    FakeGateway()
    {
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *s = m_server.nextPendingConnection()) {
                connect(s, &QTcpSocket::readyRead, this, [this, s] { onData(s); });
                connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
            }
        });
        m_server.listen(QHostAddress::LocalHost, 0);
    }
    QByteArray url() const
    {
        return "http://127.0.0.1:" + QByteArray::number(m_server.serverPort()) + "/rootDesc.xml";
    }
    int count(const QString &action) const { return int(actions.count(action)); }

private:
    void onData(QTcpSocket *s)
    {
        QByteArray &buf = m_buffers[s];
        buf += s->readAll();
        const int end = int(buf.indexOf("\r\n\r\n"));
        if (end < 0)
            return;
        static const QRegularExpression lengthRe(QStringLiteral("(?i)content-length:\\s*(\\d+)"));
        const auto m = lengthRe.match(QString::fromLatin1(buf.left(end)));
        const int length = m.hasMatch() ? m.captured(1).toInt() : 0;
        if (buf.size() < end + 4 + length)
            return;
        const QByteArray request = buf;
        m_buffers.remove(s);
        if (request.startsWith("GET ")) {
            reply(s, garbageDescription ? QByteArray("\x01\x02<<<not xml at all") : description());
            return;
        }
        static const QRegularExpression actionRe(QStringLiteral("(?i)soapaction:\\s*\"?[^#]*#(\\w+)"));
        const QString action = actionRe.match(QString::fromLatin1(request.left(end))).captured(1);
        actions << action;
        const QString body = QString::fromLatin1(request.mid(end + 4));
        const QByteArray answer = soap(action, body);
        QPointer<QTcpSocket> guard(s);
        if (delayMs > 0)
            QTimer::singleShot(delayMs, this, [this, guard, answer] {
                if (guard)
                    reply(guard, answer, answer.contains("UPnPError") ? 500 : 200);
            });
        else
            reply(s, answer, answer.contains("UPnPError") ? 500 : 200);
    }

    static QString field(const QString &body, const char *name)
    {
        const QRegularExpression re(QStringLiteral("<%1>([^<]*)</%1>").arg(QLatin1String(name)));
        return re.match(body).captured(1);
    }

    QByteArray soap(const QString &action, const QString &body)
    {
        if (garbageSoap)
            return "HTTP garbage \x7f\xff <u:nothing";
        if (action == QLatin1String("GetExternalIPAddress"))
            return ok(action, "<NewExternalIPAddress>" + externalAddress.toLatin1() +
                                  "</NewExternalIPAddress>");
        if (action == QLatin1String("AddPortMapping")) {
            lastLease = field(body, "NewLeaseDuration");
            const QString ext = field(body, "NewExternalPort");
            if (addErrorOnce) {
                const int code = std::exchange(addErrorOnce, 0);
                return error(code);
            }
            if (addError)
                return error(addError);
            m_entries[ext] = {field(body, "NewInternalClient"), field(body, "NewInternalPort")};
            return ok(action, "");
        }
        if (action == QLatin1String("GetSpecificPortMappingEntry")) {
            const bool before = count(QStringLiteral("AddPortMapping")) == 0;
            const QString ext = field(body, "NewExternalPort");
            if (entry == Entry::OtherBefore || (entry == Entry::Other && !before) ||
                (addError == 718 && !before))
                return entryAnswer("192.168.1.99", ext);
            if (entry == Entry::None || !m_entries.contains(ext))
                return error(714);
            return entryAnswer(m_entries[ext].first.toLatin1(), m_entries[ext].second);
        }
        if (action == QLatin1String("DeletePortMapping")) {
            if (deleteError)
                return error(deleteError);
            m_entries.remove(field(body, "NewExternalPort"));
            return ok(action, "");
        }
        return error(401);
    }
    QByteArray entryAnswer(const QByteArray &client, const QString &port)
    {
        return ok("GetSpecificPortMappingEntry",
                  "<NewInternalPort>" + port.toLatin1() + "</NewInternalPort><NewInternalClient>" +
                      client +
                      "</NewInternalClient><NewEnabled>1</NewEnabled>"
                      "<NewPortMappingDescription>x</NewPortMappingDescription>"
                      "<NewLeaseDuration>3600</NewLeaseDuration>");
    }
    QByteArray service() const
    {
        return "urn:schemas-upnp-org:service:WANIPConnection:" + QByteArray::number(version);
    }
    QByteArray ok(const QString &action, const QByteArray &inner) const
    {
        return "<?xml version=\"1.0\"?><s:Envelope "
               "xmlns:s=\"http://schemas.xmlsoap.org/soap/envelope/\"><s:Body><u:" +
               action.toLatin1() + "Response xmlns:u=\"" + service() + "\">" + inner + "</u:" +
               action.toLatin1() + "Response></s:Body></s:Envelope>";
    }
    static QByteArray error(int code)
    {
        return "<?xml version=\"1.0\"?><s:Envelope "
               "xmlns:s=\"http://schemas.xmlsoap.org/soap/envelope/\"><s:Body><s:Fault>"
               "<faultcode>s:Client</faultcode><faultstring>UPnPError</faultstring><detail>"
               "<UPnPError xmlns=\"urn:schemas-upnp-org:control-1-0\"><errorCode>" +
               QByteArray::number(code) +
               "</errorCode><errorDescription>Refused</errorDescription></UPnPError>"
               "</detail></s:Fault></s:Body></s:Envelope>";
    }
    QByteArray description() const
    {
        const QByteArray v = QByteArray::number(version);
        return "<?xml version=\"1.0\"?><root xmlns=\"urn:schemas-upnp-org:device-1-0\">"
               "<specVersion><major>1</major><minor>0</minor></specVersion><device>"
               "<deviceType>urn:schemas-upnp-org:device:InternetGatewayDevice:" + v +
               "</deviceType><friendlyName>fake</friendlyName><deviceList><device>"
               "<deviceType>urn:schemas-upnp-org:device:WANDevice:" + v + "</deviceType>"
               "<serviceList><service><serviceType>urn:schemas-upnp-org:service:"
               "WANCommonInterfaceConfig:1</serviceType><serviceId>urn:upnp-org:serviceId:"
               "WANCommonIFC1</serviceId><controlURL>/cif</controlURL><eventSubURL>/evt"
               "</eventSubURL><SCPDURL>/cif.xml</SCPDURL></service></serviceList>"
               "<deviceList><device><deviceType>urn:schemas-upnp-org:device:"
               "WANConnectionDevice:" + v + "</deviceType><serviceList><service>"
               "<serviceType>" + service() + "</serviceType><serviceId>urn:upnp-org:serviceId:"
               "WANIPConn1</serviceId><controlURL>/ctl</controlURL><eventSubURL>/evt"
               "</eventSubURL><SCPDURL>/ip.xml</SCPDURL></service></serviceList></device>"
               "</deviceList></device></deviceList></device></root>";
    }
    void reply(QTcpSocket *s, const QByteArray &body, int status = 200)
    {
        s->write("HTTP/1.1 " + QByteArray::number(status) +
                 (status == 200 ? " OK" : " Internal Server Error") +
                 "\r\nContent-Type: text/xml\r\nConnection: close\r\nContent-Length: " +
                 QByteArray::number(body.size()) + "\r\n\r\n" + body);
        s->disconnectFromHost();
    }

    QTcpServer m_server;
    QHash<QTcpSocket *, QByteArray> m_buffers;
    QHash<QString, QPair<QString, QString>> m_entries; ///< outside port: client, inside port
};
