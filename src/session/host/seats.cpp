#include "seats.h"

#include <QRandomGenerator>

namespace session
{

bool Seats::isWellFormed(QStringView token)
{
    if (token.size() != 2 * kTokenBytes)
        return false;
    for (const QChar c : token) {
        if (!((c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f')))
            return false;
    }
    return true;
}

QString Seats::issue(qint16 index)
{
    dropToken(index);
    quint32 words[kTokenBytes / 4];
    QRandomGenerator::system()->fillRange(words);
    const QByteArray bytes(reinterpret_cast<const char *>(words), kTokenBytes);
    const QString token = QString::fromLatin1(bytes.toHex());
    m_byToken.insert(token, index);
    m_byIndex.insert(index, token);
    return token;
}

qint16 Seats::claim(qint16 presenter, QStringView token)
{
    // One presentation per connection, whatever it held: a stranger gets a
    // single guess at a 128-bit value.
    if (m_presented.contains(presenter))
        return 0;
    m_presented.insert(presenter);
    if (!isWellFormed(token))
        return 0;
    const auto found = m_byToken.constFind(token.toString());
    if (found == m_byToken.cend() || *found == presenter)
        return 0;
    const qint16 holder = *found;
    m_byIndex.remove(holder);
    m_byToken.erase(found);
    return holder;
}

void Seats::forget(qint16 index)
{
    m_presented.remove(index);
    dropToken(index);
}

void Seats::dropToken(qint16 index)
{
    const auto found = m_byIndex.constFind(index);
    if (found == m_byIndex.cend())
        return;
    m_byToken.remove(*found);
    m_byIndex.erase(found);
}

void Seats::keep(QStringView token)
{
    if (isWellFormed(token))
        m_kept = token.toString();
}

void Seats::clear()
{
    m_byToken.clear();
    m_byIndex.clear();
    m_presented.clear();
    m_kept.clear();
}

} // namespace session
