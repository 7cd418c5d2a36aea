#pragma once

#include <QIcon>
#include <QImage>
#include <QString>

#include <future>

namespace app {

/**
 * @brief Start-up work that the first frame needs but the UI thread need
 * not do itself: reading the system's font list (the font configuration is
 * parsed and every font registered, several milliseconds) and decoding the
 * window icon. A thread does both while the UI thread loads translations,
 * checks for another copy and builds the window; the UI thread waits only
 * where it needs the result (its first text, the icon).
 *
 * Made once the application object exists; the destructor waits for the
 * thread, so nothing outlives the application.
 */
class StartupWarmup
{
public:
    explicit StartupWarmup(const QString &iconPath);
    ~StartupWarmup();
    StartupWarmup(const StartupWarmup &) = delete;
    StartupWarmup &operator=(const StartupWarmup &) = delete;

    /// The decoded window icon; waits for it. An unreadable file gives a
    /// null icon.
    QIcon windowIcon();

private:
    std::future<QImage> m_icon;
};

} // namespace app
