#include "accessorysettings.h"

#include <QSettings>

#include <optional>

namespace accessories
{

namespace
{

/// Larger than any screen: a window beyond it was not placed by the program.
constexpr int kMaxWindowSide = 32000;

std::optional<int> number(const QSettings &ini, const QString &key)
{
    bool ok = false;
    const int n = ini.value(key).toString().trimmed().toInt(&ok);
    return ok ? std::optional<int>(n) : std::nullopt;
}

bool flag(const QSettings &ini, const QString &key, bool fallback)
{
    const QString v = ini.value(key).toString().trimmed();
    return v.isEmpty() ? fallback : v == QLatin1String("1");
}

QString bit(bool on)
{
    return on ? QStringLiteral("1") : QStringLiteral("0");
}

} // namespace

AccessorySettings::AccessorySettings(QString iniPath) : m_path(std::move(iniPath)) {}

WindowPlace AccessorySettings::window(const char *section) const
{
    QSettings ini(m_path, QSettings::IniFormat);
    ini.beginGroup(QLatin1String(section));
    WindowPlace place;
    const auto left = number(ini, QStringLiteral("WindowLeft"));
    const auto top = number(ini, QStringLiteral("WindowTop"));
    const auto width = number(ini, QStringLiteral("WindowWidth"));
    const auto height = number(ini, QStringLiteral("WindowHeight"));
    if (left && top && width && height && *width > 0 && *height > 0 && *width <= kMaxWindowSide &&
        *height <= kMaxWindowSide && qAbs(*left) <= kMaxWindowSide && qAbs(*top) <= kMaxWindowSide)
        place.geometry = QRect(*left, *top, *width, *height);
    place.onTop = flag(ini, QStringLiteral("OnTop"), false);
    return place;
}

void AccessorySettings::setWindow(const char *section, const WindowPlace &place)
{
    QSettings ini(m_path, QSettings::IniFormat);
    ini.beginGroup(QLatin1String(section));
    if (place.geometry.isValid()) {
        ini.setValue(QStringLiteral("WindowLeft"), QString::number(place.geometry.left()));
        ini.setValue(QStringLiteral("WindowTop"), QString::number(place.geometry.top()));
        ini.setValue(QStringLiteral("WindowWidth"), QString::number(place.geometry.width()));
        ini.setValue(QStringLiteral("WindowHeight"), QString::number(place.geometry.height()));
    }
    ini.setValue(QStringLiteral("OnTop"), bit(place.onTop));
}

ZoomSettings AccessorySettings::zoom() const
{
    QSettings ini(m_path, QSettings::IniFormat);
    ini.beginGroup(QLatin1String(kMagnifier));
    ZoomSettings z;
    bool ok = false;
    const double factor = ini.value(QStringLiteral("Factor")).toString().trimmed().toDouble(&ok);
    if (ok)
        z.factor = factor;
    z.followPointer = flag(ini, QStringLiteral("FollowPointer"), true);
    z.fixedCentre = QPoint(number(ini, QStringLiteral("FixedX")).value_or(0),
                           number(ini, QStringLiteral("FixedY")).value_or(0));
    z.viewSize = QSize(number(ini, QStringLiteral("ViewWidth")).value_or(z.viewSize.width()),
                       number(ini, QStringLiteral("ViewHeight")).value_or(z.viewSize.height()));
    z.refreshMs = number(ini, QStringLiteral("RefreshMs")).value_or(z.refreshMs);
    return z.bounded();
}

void AccessorySettings::setZoom(const ZoomSettings &zoom)
{
    QSettings ini(m_path, QSettings::IniFormat);
    ini.beginGroup(QLatin1String(kMagnifier));
    ini.setValue(QStringLiteral("Factor"), QString::number(zoom.factor, 'g', 4));
    ini.setValue(QStringLiteral("FollowPointer"), bit(zoom.followPointer));
    ini.setValue(QStringLiteral("FixedX"), QString::number(zoom.fixedCentre.x()));
    ini.setValue(QStringLiteral("FixedY"), QString::number(zoom.fixedCentre.y()));
    ini.setValue(QStringLiteral("ViewWidth"), QString::number(zoom.viewSize.width()));
    ini.setValue(QStringLiteral("ViewHeight"), QString::number(zoom.viewSize.height()));
    ini.setValue(QStringLiteral("RefreshMs"), QString::number(zoom.refreshMs));
}

bool AccessorySettings::screenNoticeShown() const
{
    QSettings ini(m_path, QSettings::IniFormat);
    ini.beginGroup(QLatin1String(kMagnifier));
    return flag(ini, QStringLiteral("ScreenNoticeShown"), false);
}

void AccessorySettings::setScreenNoticeShown(bool shown)
{
    QSettings ini(m_path, QSettings::IniFormat);
    ini.beginGroup(QLatin1String(kMagnifier));
    ini.setValue(QStringLiteral("ScreenNoticeShown"), bit(shown));
}

PlayerSettings AccessorySettings::player() const
{
    QSettings ini(m_path, QSettings::IniFormat);
    ini.beginGroup(QLatin1String(kPlayer));
    PlayerSettings p;
    const auto volume = number(ini, QStringLiteral("Volume"));
    if (volume && *volume >= 0 && *volume <= 100)
        p.volume = *volume;
    p.muted = flag(ini, QStringLiteral("Muted"), false);
    p.repeat = flag(ini, QStringLiteral("Repeat"), false);
    p.playList = ini.value(QStringLiteral("PlayList")).toStringList().mid(0, kMaxPlayList);
    p.playList.removeAll(QString());
    const auto current = number(ini, QStringLiteral("Current"));
    if (current && *current >= 0 && *current < p.playList.size())
        p.current = *current;
    p.folder = ini.value(QStringLiteral("Folder")).toString();
    return p;
}

void AccessorySettings::setPlayer(const PlayerSettings &player)
{
    QSettings ini(m_path, QSettings::IniFormat);
    ini.beginGroup(QLatin1String(kPlayer));
    if (player.volume >= 0)
        ini.setValue(QStringLiteral("Volume"), QString::number(player.volume));
    ini.setValue(QStringLiteral("Muted"), bit(player.muted));
    ini.setValue(QStringLiteral("Repeat"), bit(player.repeat));
    ini.setValue(QStringLiteral("PlayList"), player.playList);
    ini.setValue(QStringLiteral("Current"), QString::number(player.current));
    ini.setValue(QStringLiteral("Folder"), player.folder);
}

} // namespace accessories
