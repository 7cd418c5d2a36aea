#include "instanceguard.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace session {

InstanceGuard::InstanceGuard(QString lockDir)
{
    if (lockDir.isEmpty())
        lockDir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (lockDir.isEmpty())
        lockDir = QDir::tempPath();
    m_lockPath = lockDir + QStringLiteral("/tavernix-%1.lock").arg(getuid());
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
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
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

    const QDir proc(procRoot);
    const QStringList entries = proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &entry : entries) {
        bool isPid = false;
        entry.toInt(&isPid);
        if (!isPid)
            continue;
        const QString dir = proc.filePath(entry);
        struct stat st;
        // Another user's copy on a shared machine is none of our business.
        if (::stat(QFile::encodeName(dir).constData(), &st) != 0 || st.st_uid != me)
            continue;
        QString exe = QFile::symLinkTarget(dir + QStringLiteral("/exe"));
        // A binary replaced while it runs (a rebuild, an upgrade) keeps its old name.
        if (exe.endsWith(QLatin1String(" (deleted)")))
            exe.chop(10);
        exe = exe.trimmed();
        if (exe.isEmpty() || exe.toUpper() == own)
            continue;
        if (exe.toLower().endsWith(wanted))
            return true;
    }
    return false;
}

} // namespace session
