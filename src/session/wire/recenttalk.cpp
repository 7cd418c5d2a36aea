#include "recenttalk.h"

#include "protocol.h"
#include "tags.h"

namespace session
{

void RecentTalk::add(const QString &line, qint64 secs)
{
    if (m_capacity == 0)
        return;
    if (int(m_lines.size()) >= m_capacity)
        m_lines.pop_front();
    m_lines.push_back({line, secs});
}

QStringList RecentTalk::messages() const
{
    QStringList out;
    out.reserve(qsizetype(m_lines.size()));
    for (const Said &s : m_lines)
        out.append(tag::Riepilogo + sFormatSend(double(s.secs)) + s.line);
    return out;
}

bool RecentTalk::parse(const QString &params, Said *said)
{
    const auto secs = toInt64(sParam(params, 1));
    if (!secs || params.size() < kFieldWidth)
        return false;
    said->secs = *secs;
    said->line = sLongParam(params, 2);
    return true;
}

} // namespace session
