#include "truststore.h"

#include "privatefile.h"
#include "safefile.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>


namespace secure
{

TrustStore::TrustStore(QString path) : m_path(std::move(path)) {}

QString TrustStore::keyOf(const QString &host, quint16 port)
{
    return host.toLower() + QLatin1Char(' ') + QString::number(port);
}

bool TrustStore::load()
{
    m_known.clear();
    m_order.clear();
    m_error.clear();
    m_writable = true;
    if (!QFile::exists(m_path) && !QFileInfo(m_path).isSymLink())
        return true;
    const auto contents = platform::SafeFile::readAll(m_path, kMaxFileBytes);
    if (!contents.ok) {
        m_error = contents.error;
        m_writable = false;
        return false;
    }
    // One host a line: "HOST PORT HEX"; anything else is skipped.
    for (const QByteArray &line : contents.bytes.split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() != 3)
            continue;
        bool ok = false;
        const uint port = fields[1].toUInt(&ok);
        const auto fp = Fingerprint::fromHex(QString::fromLatin1(fields[2]));
        if (!ok || port == 0 || port > 65535 || !fp || fields[0].isEmpty())
            continue;
        const QString key = keyOf(QString::fromUtf8(fields[0]), quint16(port));
        if (!m_known.contains(key))
            m_order << key;
        m_known.insert(key, *fp);
        if (m_order.size() > kMaxEntries)
            m_known.remove(m_order.takeFirst());
    }
    return true;
}

std::optional<Fingerprint> TrustStore::known(const QString &host, quint16 port) const
{
    const auto it = m_known.constFind(keyOf(host, port));
    if (it == m_known.cend())
        return std::nullopt;
    return *it;
}

TrustStore::Meeting TrustStore::compare(const QString &host, quint16 port, const Fingerprint &presented) const
{
    const auto before = known(host, port);
    if (!before)
        return Meeting::FirstTime;
    return *before == presented ? Meeting::Known : Meeting::Changed;
}

bool TrustStore::remember(const QString &host, quint16 port, const Fingerprint &fingerprint)
{
    if (host.isEmpty() || host.contains(QLatin1Char(' ')) || host.contains(QLatin1Char('\n')))
        return false;
    const QString key = keyOf(host, port);
    m_order.removeOne(key);
    m_order << key;
    m_known.insert(key, fingerprint);
    if (m_order.size() > kMaxEntries)
        m_known.remove(m_order.takeFirst());
    return save();
}

bool TrustStore::save()
{
    if (!m_writable)
        return false;
    QByteArray text;
    for (const QString &key : std::as_const(m_order))
        text += key.toUtf8() + ' ' + m_known.value(key).toHex().toLatin1() + '\n';
    return replacePrivateFile(m_path, text, kMaxFileBytes, &m_error);
}

} // namespace secure
