// The transfer control reader and the receiver's state machine.
//
// Input: a flags byte (the receiver's settings and the user's answers), a
// byte for the packet size, a byte seeding the cuts, then what a sender
// writes on its connection.
//
// The bytes first go, cut into reads, through a ControlReader on their own;
// then a fresh FileReceiver listens on loopback, a raw sender connects,
// writes them in the same pieces, and ends its side; the event loop runs
// until the receiver listens again.
//
// Invariants:
// - the reader keeps at most kMaxPending bytes after it has taken what it
//   can, each message it takes consumes bytes, number values are digits
//   only and a name never runs into the next "File~~~#";
// - nothing is created, opened, made or removed outside the receive folder
//   (every such call of the process is watched while an input runs), and
//   every file opened lies directly in it;
// - a file closed as complete holds exactly the announced length, and no
//   file ever holds more;
// - after the sender ends its side the receiver listens again.

#include "fuzzkit.h"

#include "controlreader.h"
#include "filereceiver.h"
#include "incomingoffer.h"
#include "messagerecorder.h"

#include <QDir>
#include <QFileInfo>
#include <QHostAddress>
#include <QLoggingCategory>
#include <QSslSocket>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <cstdarg>
#include <dlfcn.h>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using transfer::ControlReader;
using transfer::FileReceiver;
using transfer::Kind;

// --- watching the file system calls ------------------------------------------

namespace
{

struct Touch {
    QByteArray call;
    QByteArray path;
    int flags;
};

std::mutex g_mutex;
bool g_watching = false;
std::vector<Touch> g_touched;

void note(const char *call, const char *path, int flags)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    if (g_watching && path)
        g_touched.push_back({call, path, flags});
}

template <typename F> F real(const char *name)
{
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

/// A path read from a directory descriptor rather than the working folder.
bool relativeToDescriptor(int dir, const char *path)
{
    return path && path[0] != '/' && dir != AT_FDCWD;
}

mode_t modeArg(int flags, va_list args)
{
    return (flags & O_CREAT) || (flags & O_TMPFILE) == O_TMPFILE ? mode_t(va_arg(args, int)) : 0;
}

} // namespace

// These stand in front of the C library's own for the whole process, Qt
// included, so no way of reaching the disk escapes the check.
extern "C" {
int open(const char *path, int flags, ...)
{
    va_list args;
    va_start(args, flags);
    const mode_t mode = modeArg(flags, args);
    va_end(args);
    note("open", path, flags);
    static auto next = real<int (*)(const char *, int, ...)>("open");
    return next(path, flags, mode);
}
int open64(const char *path, int flags, ...)
{
    va_list args;
    va_start(args, flags);
    const mode_t mode = modeArg(flags, args);
    va_end(args);
    note("open64", path, flags);
    static auto next = real<int (*)(const char *, int, ...)>("open64");
    return next(path, flags, mode);
}
int openat(int dir, const char *path, int flags, ...)
{
    va_list args;
    va_start(args, flags);
    const mode_t mode = modeArg(flags, args);
    va_end(args);
    // Relative to a directory descriptor the path cannot be checked here.
    note(relativeToDescriptor(dir, path) ? "openat-relative" : "openat", path, flags);
    static auto next = real<int (*)(int, const char *, int, ...)>("openat");
    return next(dir, path, flags, mode);
}
int openat64(int dir, const char *path, int flags, ...)
{
    va_list args;
    va_start(args, flags);
    const mode_t mode = modeArg(flags, args);
    va_end(args);
    note(relativeToDescriptor(dir, path) ? "openat-relative" : "openat64", path, flags);
    static auto next = real<int (*)(int, const char *, int, ...)>("openat64");
    return next(dir, path, flags, mode);
}
int creat(const char *path, mode_t mode)
{
    note("creat", path, O_CREAT | O_WRONLY | O_TRUNC);
    static auto next = real<int (*)(const char *, mode_t)>("creat");
    return next(path, mode);
}
int mkdir(const char *path, mode_t mode)
{
    note("mkdir", path, 0);
    static auto next = real<int (*)(const char *, mode_t)>("mkdir");
    return next(path, mode);
}
int unlink(const char *path)
{
    note("unlink", path, 0);
    static auto next = real<int (*)(const char *)>("unlink");
    return next(path);
}
int rename(const char *from, const char *to)
{
    note("rename", from, 0);
    note("rename", to, 0);
    static auto next = real<int (*)(const char *, const char *)>("rename");
    return next(from, to);
}
int rmdir(const char *path)
{
    note("rmdir", path, 0);
    static auto next = real<int (*)(const char *)>("rmdir");
    return next(path);
}
}

namespace
{

QTemporaryDir *g_sandbox = nullptr;
QString g_folder; ///< the receive folder, absolute, without a trailing "/"

/// True for the receive folder itself and for a name directly inside it.
bool insideFolder(const QByteArray &path)
{
    const QString absolute = QDir::cleanPath(QDir::current().absoluteFilePath(QFile::decodeName(path)));
    if (absolute == g_folder)
        return true;
    return QFileInfo(absolute).absolutePath() == g_folder;
}

/// An offered name the receiver accepts is a plain name of one folder entry.
void checkName(const QByteArray &raw)
{
    const transfer::NameCheck check = transfer::checkIncomingName(raw);
    if (!check.ok())
        return;
    const QString &name = check.name;
    FUZZ_CHECK(!name.isEmpty() && name != QLatin1String(".") && name != QLatin1String(".."),
               "accepted name " + raw);
    FUZZ_CHECK(!name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\')), "accepted name " + raw);
    for (const QChar c : name)
        FUZZ_CHECK(c.unicode() >= 0x20 && c.unicode() != 0x7F, "accepted name with a control: " + raw);
    FUZZ_CHECK(QFile::encodeName(name).size() <= 255, "accepted name too long: " + raw);
}

void checkReader(const QList<QByteArray> &reads)
{
    ControlReader reader;
    transfer::ControlMessage message;
    for (const QByteArray &read : reads) {
        reader.append(read);
        for (;;) {
            const qsizetype before = reader.pending();
            const ControlReader::Status status = reader.next(&message);
            if (status == ControlReader::Status::Overflow) {
                FUZZ_CHECK(reader.isEmpty(), "an overflow kept bytes");
                break;
            }
            if (status == ControlReader::Status::Incomplete)
                break;
            FUZZ_CHECK(reader.pending() < before, "a message consumed nothing");
            switch (message.kind) {
            case Kind::PacketAnswer:
            case Kind::Pend:
                for (const char c : message.value)
                    FUZZ_CHECK(c >= '0' && c <= '9', "a number value holds " + message.value);
                break;
            case Kind::Size: {
                // A length is all of its message, up to the next one: it
                // never swallows a message, and it is a length only when it
                // is up to ten digits and no more than a signed 32-bit count.
                const QByteArray lower = message.value.toLower();
                for (const char *family : {"file~~~#", "request#", "received"})
                    FUZZ_CHECK(!lower.contains(family), "a length ran on: " + message.value);
                bool digits = !message.value.isEmpty();
                for (const char c : message.value)
                    digits = digits && c >= '0' && c <= '9';
                const auto size = transfer::parseAnnouncedSize(message.value);
                const bool fits = digits && message.value.size() <= 10 &&
                                  message.value.toLongLong() <= transfer::kMaxFileSize;
                FUZZ_CHECK(size.has_value() == fits, "announced size " + message.value);
                FUZZ_CHECK(!size || *size == message.value.toLongLong(), "announced size " + message.value);
                break;
            }
            case Kind::Name:
                FUZZ_CHECK(!message.value.toLower().contains("file~~~#"), "a name ran on: " + message.value);
                checkName(message.value);
                break;
            default:
                FUZZ_CHECK(message.value.isEmpty(), "a message without value has one");
                break;
            }
        }
        FUZZ_CHECK(reader.pending() <= ControlReader::kMaxPending,
                   QByteArray::number(reader.pending()) + " bytes kept");
    }
}

void clearFolder()
{
    QDir folder(g_folder);
    for (const QString &name : folder.entryList(QDir::Files | QDir::System | QDir::Hidden))
        folder.remove(name);
}

/// The sandbox holds the receive folder and nothing else; the folder holds files only.
void checkSandbox()
{
    const QDir root(g_sandbox->path());
    const QStringList top = root.entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot);
    FUZZ_CHECK(top == QStringList{QStringLiteral("outer")}, "beside the folder: " + top.join(u',').toUtf8());
    const QStringList middle = QDir(root.filePath(QStringLiteral("outer")))
                                   .entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot);
    FUZZ_CHECK(middle == QStringList{QStringLiteral("recv")}, "above the folder: " + middle.join(u',').toUtf8());
    const QFileInfoList inside = QDir(g_folder).entryInfoList(QDir::AllEntries | QDir::System | QDir::Hidden |
                                                              QDir::NoDotAndDotDot);
    for (const QFileInfo &info : inside)
        FUZZ_CHECK(info.isFile() && !info.isSymLink(), "not a plain file: " + info.fileName().toUtf8());
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzzkit::application<QCoreApplication>();
    // Qt reads its logging rules when the first category is made; that is
    // the library's start, not something an input does.
    QLoggingCategory probe("tavernix.fuzz");
    (void)probe.isDebugEnabled();
    // Nor is loading the TLS backend, which the receiver's encrypted side
    // does the first time it is asked.
    (void)QSslSocket::supportsSsl();
    g_sandbox = new QTemporaryDir();
    std::atexit([] { delete g_sandbox; });
    QDir(g_sandbox->path()).mkpath(QStringLiteral("outer/recv"));
    g_folder = QDir::cleanPath(QDir(g_sandbox->path()).absoluteFilePath(QStringLiteral("outer/recv")));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 3)
        return 0;
    const uint8_t flags = data[0];
    const int packetSize = transfer::kMinPacketSize + data[1] * 10;
    fuzzkit::Rng rng(data[2]);
    const QByteArray stream(reinterpret_cast<const char *>(data + 3), qsizetype(size - 3));
    const QList<QByteArray> reads = fuzzkit::cutIntoReads(stream, rng);

    checkReader(reads);

    clearFolder();
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        g_touched.clear();
        g_watching = true;
    }

    MessageRecorder boxes;
    boxes.autoAnswer = (flags & 8) != 0;
    QMap<QString, qint64> announced;
    {
        FileReceiver receiver;
        receiver.setMessageService(&boxes);
        receiver.setBlockRequests((flags & 1) != 0);
        receiver.setAcceptRequests((flags & 2) == 0);
        receiver.setAutoAccept((flags & 4) == 0);
        receiver.setPacketSize(packetSize);
        receiver.setSaveFolder((flags & 16) ? g_folder + QLatin1Char('/') : g_folder);
        QObject::connect(&receiver, &FileReceiver::fileOpened, [&](const QString &path) {
            FUZZ_CHECK(insideFolder(QFile::encodeName(path)), "opened outside the folder: " + path.toUtf8());
            // The bytes go to NOME.parziale until the file is whole.
            announced[path] = receiver.incomingSize();
            announced[path + transfer::kPartialSuffix] = receiver.incomingSize();
        });
        QObject::connect(&receiver, &FileReceiver::fileClosed, [&](const QString &path, bool complete) {
            const qint64 length = QFileInfo(path).size();
            const qint64 expected = announced.value(path, -1);
            FUZZ_CHECK(length <= expected, QByteArray::number(length) + " bytes written, " +
                                               QByteArray::number(expected) + " announced");
            if (complete)
                FUZZ_CHECK(length == expected, "complete with " + QByteArray::number(length) + " of " +
                                                   QByteArray::number(expected));
        });
        FUZZ_CHECK(receiver.listen(0), "the receiver does not listen");

        QTcpSocket sender;
        sender.connectToHost(QHostAddress::LocalHost, receiver.port());
        FUZZ_CHECK(fuzzkit::runUntil([&] { return sender.state() == QAbstractSocket::ConnectedState; }),
                   "the sender could not connect");
        // The sender's last close resets rather than waiting out TIME_WAIT.
        fuzzkit::resetOnClose(sender.socketDescriptor());
        for (const QByteArray &read : reads) {
            // A receiver that refused or ended the connection gets no more.
            if (sender.state() != QAbstractSocket::ConnectedState)
                break;
            sender.write(read);
            sender.flush();
            // Let the receiver see this piece on its own, as a sender that
            // waits for its answers would deliver it.
            QCoreApplication::processEvents();
            QCoreApplication::processEvents();
        }
        FUZZ_CHECK(fuzzkit::runUntil([&] { return sender.bytesToWrite() == 0 ||
                                                  sender.state() != QAbstractSocket::ConnectedState; }),
                   "the sender's bytes did not leave");
        if (sender.state() == QAbstractSocket::ConnectedState)
            ::shutdown(int(sender.socketDescriptor()), SHUT_WR);
        FUZZ_CHECK(fuzzkit::runUntil([&] {
                       return receiver.state() == FileReceiver::State::Listening &&
                              sender.state() == QAbstractSocket::UnconnectedState;
                   }, 4000),
                   "the receiver did not listen again after the sender ended");
        sender.abort();
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    std::vector<Touch> touched;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        g_watching = false;
        touched.swap(g_touched);
    }
    for (const Touch &t : touched) {
        FUZZ_CHECK(t.call != "openat-relative", "a relative openat of " + t.path);
        FUZZ_CHECK(insideFolder(t.path), t.call + " outside the receive folder: " + t.path);
    }
    checkSandbox();
    return 0;
}
