#include "preferences.h"

#include "languagechoice.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

#include <optional>

namespace app {

namespace {
const QString kSection = QStringLiteral("Vellumara");
const QString kPortKey = QStringLiteral("Port");
const QString kTutorialKey = QStringLiteral("Tutorial");
const QString kNameKey = QStringLiteral("Name");
const QString kServerKey = QStringLiteral("Server");
const QString kLeftKey = QStringLiteral("WindowLeft");
const QString kTopKey = QStringLiteral("WindowTop");
const QString kWidthKey = QStringLiteral("WindowWidth");
const QString kHeightKey = QStringLiteral("WindowHeight");
const QString kPresetKey = QStringLiteral("Preset");
const QString kTimeKey = QStringLiteral("Ora");
const QString kColoursKey = QStringLiteral("Colori");
const QString kLogDirKey = QStringLiteral("LogDir");
/// Larger than any screen: a size beyond it was not written by the program.
constexpr int kMaxWindowSide = 32000;

/// A whole number, or nothing when the value is not one.
std::optional<int> number(const QVariant &value)
{
    bool ok = false;
    const int n = value.toString().trimmed().toInt(&ok);
    return ok ? std::optional<int>(n) : std::nullopt;
}
const QString kBoardZoomKey = QStringLiteral("BoardZoom");
const QString kBoardZoomFitKey = QStringLiteral("BoardZoomFit");
/// The zooms the board can show; anything else in the file is ignored.
constexpr double kMinBoardZoom = 0.1;
constexpr double kMaxBoardZoom = 8.0;

const QString kPortMappingKey = QStringLiteral("PortMapping");
const QString kAccessKey = QStringLiteral("Accesso");
const QString kLanguageKey = QStringLiteral("Language");

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

    const auto left = number(ini.value(kLeftKey));
    const auto top = number(ini.value(kTopKey));
    const auto width = number(ini.value(kWidthKey));
    const auto height = number(ini.value(kHeightKey));
    // The window comes back only as a whole, and only at a size a screen has.
    if (left && top && width && height && *width > 0 && *height > 0 && *width <= kMaxWindowSide &&
        *height <= kMaxWindowSide && qAbs(*left) <= kMaxWindowSide && qAbs(*top) <= kMaxWindowSide)
        prefs.window = QRect(*left, *top, *width, *height);
    const auto preset = number(ini.value(kPresetKey));
    if (preset && *preset >= 0 && *preset <= 3)
        prefs.preset = *preset;
    prefs.timeStamps = number(ini.value(kTimeKey)).value_or(0) == 1;
    prefs.colours = number(ini.value(kColoursKey)).value_or(0) == 1;
    prefs.logDir = textValue(ini.value(kLogDirKey)).trimmed();

    // Only an explicit 0 switches the router requests off.
    prefs.portMapping = ini.value(kPortMappingKey).toString().trimmed() != QLatin1String("0");
    prefs.access = secure::accessFromName(ini.value(kAccessKey).toString().trimmed()).value_or(secure::kDefaultAccess);
    const double zoom = ini.value(kBoardZoomKey).toString().trimmed().toDouble(&ok);
    if (ok && zoom >= kMinBoardZoom && zoom <= kMaxBoardZoom)
        prefs.boardZoom = zoom;
    prefs.boardZoomFit = ini.value(kBoardZoomFitKey).toString().trimmed() == QLatin1String("1");
    // A language the program does not speak is as good as none.
    prefs.language = language::LanguageChoice::normalise(textValue(ini.value(kLanguageKey)));
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
    if (prefs.window.isValid()) {
        ini.setValue(kLeftKey, QString::number(prefs.window.left()));
        ini.setValue(kTopKey, QString::number(prefs.window.top()));
        ini.setValue(kWidthKey, QString::number(prefs.window.width()));
        ini.setValue(kHeightKey, QString::number(prefs.window.height()));
    }
    ini.setValue(kPresetKey, QString::number(prefs.preset));
    ini.setValue(kTimeKey, prefs.timeStamps ? QStringLiteral("1") : QStringLiteral("0"));
    ini.setValue(kColoursKey, prefs.colours ? QStringLiteral("1") : QStringLiteral("0"));
    ini.setValue(kLogDirKey, prefs.logDir);

    ini.setValue(kPortMappingKey, QString::number(prefs.portMapping ? 1 : 0));
    ini.setValue(kAccessKey, secure::accessName(prefs.access));
    ini.setValue(kBoardZoomKey, QString::number(prefs.boardZoom, 'g', 6));
    ini.setValue(kBoardZoomFitKey, prefs.boardZoomFit ? QStringLiteral("1") : QStringLiteral("0"));
    ini.setValue(kLanguageKey, prefs.language);
    ini.endGroup();
    ini.sync();
    return ini.status() == QSettings::NoError;
}

} // namespace app
