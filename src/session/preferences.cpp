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

const QString kPortMappingKey = QStringLiteral("PortMapping");

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

    // Only an explicit 0 switches the router requests off.
    prefs.portMapping = ini.value(kPortMappingKey).toString().trimmed() != QLatin1String("0");
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

    ini.setValue(kPortMappingKey, QString::number(prefs.portMapping ? 1 : 0));
    ini.endGroup();
    ini.sync();
    return ini.status() == QSettings::NoError;
}

} // namespace session
