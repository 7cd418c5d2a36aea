#include "safefile.h"

#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform
{

namespace
{

QString describe(const QString &path, const QString &why)
{
    return QStringLiteral("Il file %1 non è stato usato: %2.").arg(QFileInfo(path).fileName(), why);
}

QString kindOf(mode_t mode)
{
    if (S_ISLNK(mode))
        return QStringLiteral("è un collegamento simbolico");
    if (S_ISDIR(mode))
        return QStringLiteral("è una cartella");
    if (S_ISFIFO(mode))
        return QStringLiteral("è una pipe");
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return QStringLiteral("è un dispositivo");
    if (S_ISSOCK(mode))
        return QStringLiteral("è un socket");
    return QStringLiteral("non è un file normale");
}

/// Checks what @p fd is; closes it and fills @p error when it is not ours to use.
bool vetDescriptor(int fd, const QString &path, qint64 maxBytes, QString *error)
{
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        *error = describe(path, QString::fromLocal8Bit(std::strerror(errno)));
    } else if (!S_ISREG(st.st_mode)) {
        *error = describe(path, kindOf(st.st_mode));
    } else if (st.st_size > maxBytes) {
        *error = describe(path, QStringLiteral("è più grande di %1 byte").arg(maxBytes));
    } else {
        // Opened without blocking so a FIFO could not hold the open up; a
        // regular file reads and writes as usual from here on.
        const int flags = ::fcntl(fd, F_GETFL);
        if (flags != -1)
            ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
        return true;
    }
    ::close(fd);
    return false;
}

/// Opens with O_NOFOLLOW, saying a link is a link rather than "too many levels".
int openNoFollow(const QString &path, int flags, mode_t create, QString *error)
{
    const QByteArray native = QFile::encodeName(path);
    const int fd = ::open(native.constData(), flags | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, create);
    if (fd >= 0)
        return fd;
    const int err = errno;
    struct stat st {};
    if (::lstat(native.constData(), &st) == 0 && !S_ISREG(st.st_mode))
        *error = describe(path, kindOf(st.st_mode));
    else
        *error = describe(path, QString::fromLocal8Bit(std::strerror(err)));
    return -1;
}

std::unique_ptr<QFile> wrap(int fd, const QString &path, QIODevice::OpenMode mode, QString *error)
{
    auto file = std::make_unique<QFile>(path);
    if (!file->open(fd, mode, QFileDevice::AutoCloseHandle)) {
        *error = describe(path, file->errorString());
        ::close(fd);
        return nullptr;
    }
    return file;
}

mode_t toMode(QFileDevice::Permissions p)
{
    mode_t m = 0;
    if (p & QFileDevice::ReadOwner) m |= S_IRUSR;
    if (p & QFileDevice::WriteOwner) m |= S_IWUSR;
    if (p & QFileDevice::ReadGroup) m |= S_IRGRP;
    if (p & QFileDevice::WriteGroup) m |= S_IWGRP;
    if (p & QFileDevice::ReadOther) m |= S_IROTH;
    if (p & QFileDevice::WriteOther) m |= S_IWOTH;
    return m;
}

} // namespace

std::unique_ptr<QFile> SafeFile::openForReading(const QString &path, qint64 maxBytes, QString *error)
{
    QString why;
    const int fd = openNoFollow(path, O_RDONLY, 0, &why);
    if (fd < 0 || !vetDescriptor(fd, path, maxBytes, &why)) {
        if (error)
            *error = why;
        return nullptr;
    }
    auto file = wrap(fd, path, QIODevice::ReadOnly, &why);
    if (!file && error)
        *error = why;
    return file;
}

SafeFile::Contents SafeFile::readAll(const QString &path, qint64 maxBytes)
{
    Contents out;
    auto file = openForReading(path, maxBytes, &out.error);
    if (!file)
        return out;
    // The size was checked on the open descriptor; reading at most one byte
    // past it notices a file that grows meanwhile.
    out.bytes = file->read(maxBytes + 1);
    if (out.bytes.size() > maxBytes) {
        out.bytes.clear();
        out.error = describe(path, QStringLiteral("è più grande di %1 byte").arg(maxBytes));
        return out;
    }
    if (file->error() != QFileDevice::NoError) {
        out.bytes.clear();
        out.error = describe(path, file->errorString());
        return out;
    }
    out.ok = true;
    return out;
}

std::unique_ptr<QFile> SafeFile::openForWriting(const QString &path, QIODevice::OpenMode mode,
                                                qint64 maxBytes, QFileDevice::Permissions permissions,
                                                QString *error)
{
    int flags = O_CREAT;
    flags |= (mode & QIODevice::ReadOnly) ? O_RDWR : O_WRONLY;
    if (mode & QIODevice::Append)
        flags |= O_APPEND;
    if (mode & QIODevice::NewOnly)
        flags |= O_EXCL; // never an existing file, nor a link left in its place
    QString why;
    const int fd = openNoFollow(path, flags, toMode(permissions), &why);
    if (fd < 0 || !vetDescriptor(fd, path, maxBytes, &why)) {
        if (error)
            *error = why;
        return nullptr;
    }
    // Truncate only once the file is known to be a regular file of ours.
    if ((mode & QIODevice::Truncate) && ::ftruncate(fd, 0) != 0) {
        if (error)
            *error = describe(path, QString::fromLocal8Bit(std::strerror(errno)));
        ::close(fd);
        return nullptr;
    }
    auto file = wrap(fd, path, mode & ~(QIODevice::Truncate | QIODevice::NewOnly), &why);
    if (!file && error)
        *error = why;
    return file;
}

bool SafeFile::isPlainFile(const QString &path)
{
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISREG(st.st_mode);
}

} // namespace platform
