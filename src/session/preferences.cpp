#include "preferences.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace session {

namespace {
const QString kSection = QStringLiteral("Vellumara");
const QString kPortKey = QStringLiteral("Port");
const QString kTutorialKey = QStringLiteral("Tutorial");
const QString kNameKey = QStringLiteral("Name");
const QString kServerKey = QStringLiteral("Server");
const QString kBoardZoomKey = QStringLiteral("BoardZoom");
const QString kBoardZoomFitKey = QStringLiteral("BoardZoomFit");
/// The zooms the board can show; anything else in the file is ignored.
constexpr double kMinBoardZoom = 0.1;
constexpr double kMaxBoardZoom = 8.0;

/// A text value. An unquoted comma in a hand-edited file makes the reader
/// see a list; the user meant the text with its commas.
QString textValue(const QVariant &value)
{
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QStringLiteral(", "));
    return value.toString();
}
} // namespace

PreferencesStore::PreferencesStore(QString filePath)
    : m_path(filePath.isEmpty() ? defaultPath() : std::move(filePath))
{
}

QString PreferencesStore::defaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/tavernix.ini");
}

Preferences PreferencesStore::GetPreferences() const
{
    Preferences prefs;
    QSettings ini(m_path, QSettings::IniFormat);
    ini.beginGroup(kSection);

    bool ok = false;
    const qint32 port = ini.value(kPortKey).toString().trimmed().toInt(&ok);
    // A port the network cannot use would only make hosting fail later.
    if (ok && port >= 1 && port <= 65535)
        prefs.port = port;

    const int tutorial = ini.value(kTutorialKey).toString().trimmed().toShort(&ok);
    if (ok)
        prefs.tutorial = tutorial != 0 ? 1 : 0;

    prefs.name = textValue(ini.value(kNameKey));
    prefs.server = textValue(ini.value(kServerKey)).trimmed();

    const double zoom = ini.value(kBoardZoomKey).toString().trimmed().toDouble(&ok);
    if (ok && zoom >= kMinBoardZoom && zoom <= kMaxBoardZoom)
        prefs.boardZoom = zoom;
    prefs.boardZoomFit = ini.value(kBoardZoomFitKey).toString().trimmed() == QLatin1String("1");
    return prefs;
}

bool PreferencesStore::WritePreferences(const Preferences &prefs) const
{
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    QSettings ini(m_path, QSettings::IniFormat);
    ini.beginGroup(kSection);
    ini.setValue(kPortKey, QString::number(prefs.port));
    ini.setValue(kTutorialKey, QString::number(prefs.tutorial));
    ini.setValue(kNameKey, prefs.name);
    ini.setValue(kServerKey, prefs.server);
    ini.setValue(kBoardZoomKey, QString::number(prefs.boardZoom, 'g', 6));
    ini.setValue(kBoardZoomFitKey, prefs.boardZoomFit ? QStringLiteral("1") : QStringLiteral("0"));
    ini.endGroup();
    ini.sync();
    return ini.status() == QSettings::NoError;
}

} // namespace session
