#pragma once

#include <QDateTime>
#include <QHostAddress>
#include <QList>
#include <QString>

namespace secure
{

/**
 * @brief The addresses the host has banned, kept in a file so that a ban
 * outlives a restart and a resumed session.
 *
 * An IPv4 address is banned alone; an IPv6 address by its /64 network,
 * since a machine picks new addresses inside it every day.
 */
class BanList
{
public:
    inline static const QString kFileName = QStringLiteral("banditi.txt");
    static constexpr int kMaxEntries = 10000;
    static constexpr qint64 kMaxFileBytes = 2 * 1024 * 1024;
    static constexpr int kIPv6BanPrefix = 64;

    struct Entry
    {
        QString address; ///< "203.0.113.5" or "2001:db8:1:2::/64"
        QString name;    ///< who it was at the ban, for the list
        QDateTime when;
    };

    /// Kept in @p path; nothing is read until load().
    explicit BanList(QString path = QString());

    /**
     * @brief Reads the file; a missing file is an empty list. False with
     * error() set when the file is there but unusable (the list then starts
     * empty, and is not written over until the next successful load).
     */
    bool load();
    QString error() const { return m_error; }

    bool isBanned(const QHostAddress &address) const;
    /// Bans @p address, remembered under @p name; writes the file.
    bool ban(const QHostAddress &address, const QString &name, const QDateTime &when);
    /**
     * @brief Lifts the ban on @p text: a banned entry as listed, or any
     * address it covers. False when nothing was banned there.
     */
    bool unban(const QString &text);
    QList<Entry> entries() const { return m_entries; }

private:
    static QString entryFor(const QHostAddress &address);
    bool save();
    QString m_path;
    QList<Entry> m_entries;
    QString m_error;
    bool m_writable = true;
};

} // namespace secure
