#include "instanceguard.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <cstring>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

InstanceGuard::InstanceGuard(QString lockDir)
{
    if (lockDir.isEmpty())
        lockDir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (lockDir.isEmpty())
        lockDir = QDir::tempPath();
    m_lockPath = lockDir + QStringLiteral("/tavernix-%1.lock").arg(getuid());
}

InstanceGuard InstanceGuard::onFile(const QString &lockFile)
{
    InstanceGuard guard(QFileInfo(lockFile).absolutePath());
    guard.m_lockPath = QFileInfo(lockFile).absoluteFilePath();
    return guard;
}

InstanceGuard::InstanceGuard(InstanceGuard &&other) noexcept
    : m_lockPath(std::move(other.m_lockPath)), m_fd(other.m_fd)
{
    other.m_fd = -1;
}

InstanceGuard::~InstanceGuard()
{
    // The file stays: removing it would let a copy that opened it a moment
    // ago lock a file no longer in the folder while the next one makes a
    // new one, and both would run.
    if (m_fd >= 0)
        ::close(m_fd);
}

bool InstanceGuard::tryLock()
{
    if (m_fd >= 0)
        return true;
    QDir().mkpath(QFileInfo(m_lockPath).absolutePath());
    const int fd = ::open(QFile::encodeName(m_lockPath).constData(),
                          O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return false;
    // Only a regular file is a lock: a FIFO or a device in its place is not
    // ours to write a process id into.
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    // The process id is for whoever looks at the file; the lock itself is
    // what counts, so the file is not synced to disk.
    const QByteArray pid = QByteArray::number(qint64(::getpid())) + '\n';
    if (::ftruncate(fd, 0) == 0)
        (void)!::pwrite(fd, pid.constData(), size_t(pid.size()), 0);
    m_fd = fd;
    return true;
}

bool InstanceGuard::executableNameOk(const QString &executablePath)
{
    return QFileInfo(executablePath).completeBaseName().toUpper() == QLatin1String("TAVERNIX");
}

bool InstanceGuard::bOtherInstance(const QString &name, const QString &ownExecutable,
                                   const QString &procRoot)
{
    const QString wanted = name.trimmed().toLower();
    if (wanted.isEmpty())
        return false;
    const QString own = QFileInfo(ownExecutable).absoluteFilePath().trimmed().toUpper();
    const uid_t me = getuid();

    // Plain system calls: a desktop runs hundreds of processes, and this
    // check stands between the user and the window.
    const QByteArray root = QFile::encodeName(procRoot);
    DIR *proc = ::opendir(root.constData());
    if (!proc)
        return false;
    const int procFd = ::dirfd(proc);
    bool found = false;
    while (const dirent *entry = ::readdir(proc)) {
        const char *name = entry->d_name;
        if (*name < '0' || *name > '9' || std::strspn(name, "0123456789") != std::strlen(name))
            continue;
        struct stat st;
        // Another user's copy on a shared machine is none of our business.
        if (::fstatat(procFd, name, &st, 0) != 0 || st.st_uid != me)
            continue;
        char target[4096];
        const QByteArray link = QByteArray(name) + "/exe";
        const ssize_t n = ::readlinkat(procFd, link.constData(), target, sizeof target);
        if (n <= 0 || size_t(n) >= sizeof target)
            continue;
        QString exe = QFile::decodeName(QByteArray(target, int(n)));
        // A binary replaced while it runs (a rebuild, an upgrade) keeps its old name.
        if (exe.endsWith(QLatin1String(" (deleted)")))
            exe.chop(10);
        exe = exe.trimmed();
        if (exe.isEmpty() || exe.toUpper() == own)
            continue;
        if (exe.toLower().endsWith(wanted)) {
            found = true;
            break;
        }
    }
    ::closedir(proc);
    return found;
}

} // namespace platform
