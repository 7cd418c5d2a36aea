#pragma once

#include <QString>

namespace platform {

/**
 * @brief The start checks that keep a second copy of the program from
 * running for the same user.
 */
class InstanceGuard
{
public:
    /// @p lockDir defaults to the user's runtime folder ($XDG_RUNTIME_DIR).
    explicit InstanceGuard(QString lockDir = QString());
    /// A lock on the file @p lockFile itself (one program per folder, say).
    static InstanceGuard onFile(const QString &lockFile);
    InstanceGuard(InstanceGuard &&other) noexcept;
    ~InstanceGuard();
    InstanceGuard(const InstanceGuard &) = delete;
    InstanceGuard &operator=(const InstanceGuard &) = delete;

    /// Takes the per-user lock; false when another instance holds it (or
    /// the lock file cannot be opened at all). The lock is the kernel's, on
    /// an open file: it ends with the process however that ends, so a crash
    /// leaves nothing stale behind.
    bool tryLock();
    QString lockPath() const { return m_lockPath; }

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
    int m_fd = -1;
};

} // namespace platform
