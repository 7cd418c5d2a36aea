#include "instanceguard.h"

#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QStandardPaths>

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

InstanceGuard::~InstanceGuard() = default;

bool InstanceGuard::tryLock()
{
    QDir().mkpath(QFileInfo(m_lockPath).absolutePath());
    m_lock = std::make_unique<QLockFile>(m_lockPath);
    // A lock left by a crashed copy names a dead process; QLockFile takes it over.
    m_lock->setStaleLockTime(0);
    return m_lock->tryLock(0);
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
