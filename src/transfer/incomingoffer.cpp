#include "incomingoffer.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringDecoder>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace transfer {

namespace {

QString decodeName(const QByteArray &raw)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(raw);
    if (!utf8.hasError())
        return text;
    return QString::fromLatin1(raw);
}

bool hasControl(const QString &name)
{
    for (const QChar c : name) {
        const ushort u = c.unicode();
        if (u < 0x20 || u == 0x7F || (u >= 0x80 && u <= 0x9F))
            return true;
    }
    return false;
}

QString systemError(int code) { return qt_error_string(code); }

} // namespace

NameCheck checkIncomingName(const QByteArray &raw)
{
    NameCheck check;
    const QString decoded = decodeName(raw);
    qsizetype cut = -1;
    for (qsizetype i = decoded.size() - 1; i >= 0 && cut < 0; --i) {
        if (decoded.at(i) == QLatin1Char('/') || decoded.at(i) == QLatin1Char('\\'))
            cut = i;
    }
    const QString name = decoded.mid(cut + 1);
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..") ||
        hasControl(name)) {
        check.refusal = QCoreApplication::translate(
            "transfer::IncomingOffer", "Stato: File rifiutato: nome del file non valido.");
    } else if (QFile::encodeName(name).size() > kMaxNameBytes) {
        check.refusal = QCoreApplication::translate(
            "transfer::IncomingOffer", "Stato: File rifiutato: nome del file troppo lungo.");
    } else {
        check.name = name;
    }
    return check;
}

std::optional<qint64> parseAnnouncedSize(const QByteArray &raw)
{
    if (raw.isEmpty() || raw.size() > 10)
        return std::nullopt;
    qint64 value = 0;
    for (const char c : raw) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (value > 2147483647)
        return std::nullopt;
    return value;
}

QString partialName(const QString &name)
{
    const QString whole = name + kPartialSuffix;
    if (QFile::encodeName(whole).size() <= kMaxNameBytes)
        return whole;
    // "~" and eight hex digits of the whole name's fingerprint stand for the
    // part cut off.
    const QString mark =
        QLatin1Char('~') +
        QString::fromLatin1(
            QCryptographicHash::hash(name.toUtf8(), QCryptographicHash::Sha256).toHex().left(8));
    const qsizetype room =
        kMaxNameBytes - QFile::encodeName(mark + kPartialSuffix).size();
    QString head = name;
    while (!head.isEmpty() && QFile::encodeName(head).size() > room) {
        head.chop(1);
        if (!head.isEmpty() && head.back().isHighSurrogate())
            head.chop(1); // a character outside the basic plane goes whole
    }
    return head + mark + kPartialSuffix;
}

QString withSeparator(const QString &folder)
{
    if (folder.endsWith(QLatin1Char('/')) || folder.endsWith(QDir::separator()))
        return folder;
    return folder + QLatin1Char('/');
}

bool makeFolder(const QString &folder, QString *reason)
{
    QDir().mkpath(folder);
    const QFileInfo info(folder);
    if (info.isDir())
        return true;
    if (reason) {
        *reason =
            info.exists()
                ? QCoreApplication::translate("transfer::IncomingOffer", "non è una cartella")
                : QCoreApplication::translate("transfer::IncomingOffer", "impossibile crearla");
    }
    return false;
}

bool replaceable(const QString &path, bool *exists, QString *reason)
{
    auto refuse = [reason](const QString &why) {
        if (reason)
            *reason = why;
        return false;
    };
    if (exists)
        *exists = false;
#ifdef Q_OS_UNIX
    struct stat st;
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return errno == ENOENT ? true : refuse(systemError(errno));
    if (S_ISLNK(st.st_mode))
        return refuse(
            QCoreApplication::translate("transfer::IncomingOffer", "è un collegamento simbolico"));
    if (!S_ISREG(st.st_mode))
        return refuse(
            QCoreApplication::translate("transfer::IncomingOffer", "non è un file normale"));
#else
    const QFileInfo info(path);
    if (info.isSymLink())
        return refuse(
            QCoreApplication::translate("transfer::IncomingOffer", "è un collegamento simbolico"));
    if (!info.exists())
        return true;
    if (!info.isFile())
        return refuse(
            QCoreApplication::translate("transfer::IncomingOffer", "non è un file normale"));
#endif
    if (exists)
        *exists = true;
    return true;
}

bool openDestination(QFile &file, const QString &path, QString *reason)
{
    auto refuse = [reason](const QString &why) {
        if (reason)
            *reason = why;
        return false;
    };
    bool exists = false;
    if (!replaceable(path, &exists, reason))
        return false;
#ifdef Q_OS_UNIX
    const QByteArray native = QFile::encodeName(path);
    // A fresh file rather than truncating this one: other names of the
    // same file (hard links) keep their bytes.
    if (exists && ::unlink(native.constData()) != 0)
        return refuse(systemError(errno));
    const int fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                          0666);
    if (fd < 0)
        return refuse(systemError(errno));
    if (!file.open(fd, QIODevice::WriteOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return refuse(file.errorString());
    }
    return true;
#else
    if (exists && !QFile::remove(path))
        return refuse(
            QCoreApplication::translate("transfer::IncomingOffer", "impossibile sostituirlo"));
    file.setFileName(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered))
        return refuse(file.errorString());
    return true;
#endif
}

bool finishDestination(const QString &partial, const QString &path, QString *reason)
{
#ifdef Q_OS_UNIX
    // rename() replaces the name itself: a link there is replaced, not followed.
    if (::rename(QFile::encodeName(partial).constData(), QFile::encodeName(path).constData()) == 0)
        return true;
    if (reason)
        *reason = systemError(errno);
    return false;
#else
    const QFileInfo info(path);
    if (info.exists() && !info.isFile()) {
        if (reason)
            *reason =
                QCoreApplication::translate("transfer::IncomingOffer", "non è un file normale");
        return false;
    }
    if (info.exists())
        QFile::remove(path);
    if (QFile::rename(partial, path))
        return true;
    if (reason)
        *reason = QCoreApplication::translate("transfer::IncomingOffer", "impossibile rinominarlo");
    return false;
#endif
}

QString participantAt(const QStringList &entries, const QString &address)
{
    if (address.isEmpty())
        return QString();
    const QString tail = QStringLiteral(" - ") + address;
    for (qsizetype i = entries.size() - 1; i >= 0; --i) {
        const QString &entry = entries.at(i);
        if (entry.size() > tail.size() && entry.endsWith(tail))
            return entry.chopped(tail.size());
    }
    return QString();
}

QString defaultSaveFolder(const QString &programDir, const QString &downloadDir)
{
    const QString inProgram = withSeparator(programDir) + QStringLiteral("FileRicevuti/");
    const QFileInfo folder(withSeparator(programDir) + QStringLiteral("FileRicevuti"));
    const QFileInfo parent(programDir);
    const bool usable = folder.exists() ? (folder.isDir() && folder.isWritable())
                                        : (parent.isDir() && parent.isWritable());
    if (usable)
        return inProgram;
    return withSeparator(downloadDir) + QStringLiteral("FileRicevuti/");
}

QString defaultSaveFolder()
{
    QString downloads = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
    if (downloads.isEmpty())
        downloads = QDir::homePath();
    return defaultSaveFolder(QCoreApplication::applicationDirPath(), downloads);
}

} // namespace transfer
