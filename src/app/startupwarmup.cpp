#include "startupwarmup.h"

#include <QFontDatabase>
#include <QPixmap>

namespace app {

StartupWarmup::StartupWarmup(const QString &iconPath)
    : m_icon(std::async(std::launch::async, [iconPath] {
          // The font list first: the window's first line edit needs it
          // within milliseconds, the icon only when the window is shown.
          (void)QFontDatabase::families();
          return QImage(iconPath);
      }))
{
}

StartupWarmup::~StartupWarmup()
{
    if (m_icon.valid())
        m_icon.wait();
}

QIcon StartupWarmup::windowIcon()
{
    if (!m_icon.valid())
        return QIcon();
    const QImage image = m_icon.get();
    return image.isNull() ? QIcon() : QIcon(QPixmap::fromImage(image));
}

} // namespace app
