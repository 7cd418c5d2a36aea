#include "lineannouncer.h"

#include "announcer.h"
#include "dialogpane.h"

namespace conversation
{

LineAnnouncer::LineAnnouncer(DialogPane *pane, a11y::Announcer *announcer, QObject *parent)
    : QObject(parent), m_announcer(announcer)
{
    setObjectName(QStringLiteral("LineAnnouncer"));
    connect(pane, &DialogPane::lineRead, this, &LineAnnouncer::onLine);
    connect(pane, &DialogPane::statusShown, announcer, &a11y::Announcer::announce);
}

void LineAnnouncer::onLine(const SpokenLine::Reading &reading)
{
    if (m_sending && reading.kind != SpokenLine::Kind::Dice)
        return;
    m_announcer->announce(SpokenLine::spoken(reading));
}

} // namespace conversation
