#include "privatefile.h"

#include "safefile.h"

#include <QCoreApplication>
#include <QDir>

#include <cstdio>
#include <unistd.h>

namespace secure
{

bool replacePrivateFile(const QString &path, const QByteArray &bytes, qint64 maxBytes, QString *error)
{
    const QString partial = path + QStringLiteral(".nuovo");
    QFile::remove(partial);
    auto file = platform::SafeFile::openForWriting(partial, QIODevice::WriteOnly | QIODevice::Truncate, maxBytes,
                                                   QFileDevice::ReadOwner | QFileDevice::WriteOwner, error);
    if (!file)
        return false;
    const bool written = file->write(bytes) == bytes.size() && file->flush() && ::fsync(file->handle()) == 0;
    file->close();
    // rename() replaces a link at the path itself, never what it points to.
    if (!written || std::rename(QFile::encodeName(partial).constData(), QFile::encodeName(path).constData()) != 0) {
        if (error)
            *error = QCoreApplication::translate("secure::PrivateFile", "Il file %1 non è stato scritto.")
                         .arg(QDir::toNativeSeparators(path));
        QFile::remove(partial);
        return false;
    }
    return true;
}

} // namespace secure
