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

void Seats::vacate(qint16 index, qint64 nowMs)
{
    const QString token = m_byIndex.value(index);
    forget(index);
    if (token.isEmpty())
        return;
    if (m_vacated.size() >= kMaxVacated) {
        auto oldest = m_vacated.begin();
        for (auto it = m_vacated.begin(); it != m_vacated.end(); ++it) {
            if (it.value() < oldest.value())
                oldest = it;
        }
        m_vacated.erase(oldest);
    }
    m_vacated.insert(token, nowMs);
}

bool Seats::vouches(QStringView token, qint64 nowMs)
{
    if (!isWellFormed(token))
        return false;
    const QString key = token.toString();
    if (m_byToken.contains(key))
        return true;
    const auto found = m_vacated.constFind(key);
    if (found == m_vacated.cend())
        return false;
    const bool fresh = nowMs - *found < kVacatedKeepMs;
    m_vacated.erase(found);
    return fresh;
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
    m_vacated.clear();
    m_kept.clear();
}

} // namespace session
