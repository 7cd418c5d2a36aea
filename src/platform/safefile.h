#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include <memory>

namespace platform
{

/**
 * @brief Files in the program's own folders, opened as what they claim to be.
 *
 * A session file, a journal, a certificate or a key is ours only if it is a
 * regular file at the path itself: a symbolic link could send a read to
 * /dev/zero or a write into someone else's file, and a FIFO or device would
 * block or never end. Every open here refuses the last path component being
 * a link, refuses anything but a regular file, and refuses a file larger
 * than the caller's limit before reading a byte of it.
 */
class SafeFile
{
public:
    /// What reading a whole file gave: the bytes, or why it was refused.
    struct Contents
    {
        bool ok = false;
        QByteArray bytes;
        QString error; ///< Italian, names the file; empty when ok.
    };

    /// Reads all of @p path when it is a regular file of at most @p maxBytes.
    static Contents readAll(const QString &path, qint64 maxBytes);

    /**
     * @brief Opens @p path for writing (@p mode holds WriteOnly or
     * ReadWrite, and Append, Truncate or NewOnly as the caller wants) without
     * following a link, creating it with @p permissions when missing.
     *
     * An existing path that is not a regular file, or one larger than
     * @p maxBytes, is refused and left untouched. Returns null with
     * @p error set when refused.
     */
    static std::unique_ptr<QFile> openForWriting(const QString &path, QIODevice::OpenMode mode,
                                                 qint64 maxBytes, QFileDevice::Permissions permissions,
                                                 QString *error);

    /**
     * @brief Opens @p path for reading when it is a regular file of at most
     * @p maxBytes, without following a link; null with @p error set otherwise.
     *
     * For readers that take a large file in pieces rather than whole.
     */
    static std::unique_ptr<QFile> openForReading(const QString &path, qint64 maxBytes, QString *error);

    /// True when @p path names a regular file itself (not a link to one).
    static bool isPlainFile(const QString &path);
};

} // namespace platform
