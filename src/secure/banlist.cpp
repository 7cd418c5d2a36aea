#include "banlist.h"

#include "access.h"
#include "privatefile.h"
#include "safefile.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>


namespace secure
{

namespace
{
constexpr char kSeparator = '\t';
}

BanList::BanList(QString path) : m_path(std::move(path)) {}

QString BanList::entryFor(const QHostAddress &address)
{
    const QHostAddress a = plainAddress(address);
    if (a.protocol() == QAbstractSocket::IPv4Protocol)
        return a.toString();
    // QHostAddress has no masking of its own; the first 8 bytes are the /64.
    Q_IPV6ADDR v6 = a.toIPv6Address();
    for (int i = kIPv6BanPrefix / 8; i < 16; ++i)
        v6.c[i] = 0;
    return QHostAddress(v6).toString() + QStringLiteral("/%1").arg(kIPv6BanPrefix);
}

bool BanList::load()
{
    m_entries.clear();
    m_error.clear();
    m_writable = true;
    if (m_path.isEmpty() || (!QFile::exists(m_path) && !QFileInfo(m_path).isSymLink()))
        return true;
    const auto contents = platform::SafeFile::readAll(m_path, kMaxFileBytes);
    if (!contents.ok) {
        m_error = contents.error;
        m_writable = false;
        return false;
    }
    for (const QByteArray &line : contents.bytes.split('\n')) {
        const QList<QByteArray> fields = line.split(kSeparator);
        if (fields.size() != 3 || m_entries.size() >= kMaxEntries)
            continue;
        const QString address = QString::fromUtf8(fields[0]);
        // Only what entryFor() itself writes: a hand-edited line that is not
        // an address is skipped rather than banning something unexpected.
        const QString bare = address.section(QLatin1Char('/'), 0, 0);
        QHostAddress parsed;
        if (!parsed.setAddress(bare) || entryFor(parsed) != address)
            continue;
        m_entries << Entry{address, QString::fromUtf8(fields[1]),
                           QDateTime::fromSecsSinceEpoch(fields[2].toLongLong(), Qt::UTC)};
    }
    return true;
}

bool BanList::isBanned(const QHostAddress &address) const
{
    const QString key = entryFor(address);
    for (const Entry &e : m_entries) {
        if (e.address == key)
            return true;
    }
    return false;
}

bool BanList::ban(const QHostAddress &address, const QString &name, const QDateTime &when)
{
    if (address.isNull() || isBanned(address) || m_entries.size() >= kMaxEntries)
        return isBanned(address);
    QString clean = name;
    clean.replace(QLatin1Char(kSeparator), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    clean.replace(QLatin1Char('\r'), QLatin1Char(' '));
    m_entries << Entry{entryFor(address), clean, when};
    return save();
}

bool BanList::unban(const QString &text)
{
    QHostAddress parsed;
    if (!parsed.setAddress(text.trimmed().section(QLatin1Char('/'), 0, 0)))
        return false;
    const QString key = entryFor(parsed);
    const qsizetype removed = m_entries.removeIf([&key](const Entry &e) { return e.address == key; });
    if (removed == 0)
        return false;
    save();
    return true;
}

bool BanList::save()
{
    if (m_path.isEmpty())
        return true;
    if (!m_writable)
        return false;
    QByteArray text;
    for (const Entry &e : std::as_const(m_entries)) {
        text += e.address.toUtf8() + kSeparator + e.name.toUtf8() + kSeparator +
                QByteArray::number(e.when.toSecsSinceEpoch()) + '\n';
    }
    // A whole new file put in place at once: a crash never leaves half a list.
    return replacePrivateFile(m_path, text, kMaxFileBytes, &m_error);
}

} // namespace secure
