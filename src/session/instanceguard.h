#pragma once

#include <QString>

#include <memory>

class QLockFile;

namespace session {

/**
 * @brief The start checks that keep a second copy of the program from
 * running for the same user.
 */
class InstanceGuard
{
public:
    /// @p lockDir defaults to the user's runtime folder ($XDG_RUNTIME_DIR).
    explicit InstanceGuard(QString lockDir = QString());
    ~InstanceGuard();

    /// Takes the per-user lock; false when another instance holds it.
    bool tryLock();

    /// The executable's name without folder and extension, compared in upper
    /// case with "TAVERNIX" (names are compared without regard to case).
    static bool executableNameOk(const QString &executablePath);

    /**
     * @brief True when another process of this user runs an executable whose
     * name ends with @p name (compared in lower case). This program's own
     * executable path is skipped, so only copies from other folders count.
     * @p procRoot is "/proc" except in tests.
     */
    static bool bOtherInstance(const QString &name, const QString &ownExecutable,
                               const QString &procRoot = QStringLiteral("/proc"));

private:
    QString m_lockPath;
    std::unique_ptr<QLockFile> m_lock;
};

} // namespace session
