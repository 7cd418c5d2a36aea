#pragma once

#include "recenttalk.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QList>
#include <QObject>
#include <QString>

#include <memory>
#include <vector>

class QFile;
class QTimer;

namespace session
{

/**
 * @brief Keeps hosted sessions on disk, one file each, so that a session
 * can be taken up again after a crash or a week: the shared board (the wire
 * lines the host replays to newcomers, a shared picture and grids included)
 * and the public conversation.
 *
 * Records are appended as they happen and handed to the system at least
 * every flushMs(), so a crash of the program loses at most that much. The
 * format (see README, "Keeping the session") is versioned; a file torn by a
 * crash loses only its last, incomplete record. A file that is not ours, is
 * truncated before its first record, is of a newer version, is damaged in the
 * middle or is too large is refused with a message and never written to:
 * the new session then goes into a file of its own.
 *
 * Nothing here needs a window or a network: the window's host and the
 * headless server use it alike. A write that fails (disk full, folder gone)
 * is reported once through failed(); the session goes on without the file.
 */
class SessionStore : public QObject
{
    Q_OBJECT
public:
    static constexpr int kFormatVersion = 1;
    /// What every file begins with, before the version.
    static constexpr QByteArrayView kMagic = "TAVERNIX PARTITA ";
    static constexpr qint64 kDefaultMaxFileSize = 256LL * 1024 * 1024;
    static constexpr int kDefaultFlushMs = 250;
    /// Session files kept in the folder: a new session removes older ones
    /// of ours beyond this many (five months of weekly evenings).
    static constexpr int kKeptSessions = 20;

    /// A session file as read back.
    struct Contents {
        QString path;
        QDateTime started;    ///< when the session first started
        QDateTime lastRecord; ///< when its last record was written
        /// The board since its last clear, as whole wire lines in blocks: the
        /// drawings and grids, with the last whole shared picture where it
        /// was shared.
        QList<QByteArray> board;
        bool hasPicture = false; ///< the board holds a shared picture
        qsizetype drawings = 0; ///< drawings on that board (a text counts once)
        qsizetype lines = 0;    ///< public lines in the whole session
        std::vector<RecentTalk::Said> recent; ///< the last ones, oldest first
        /// The dice seeds the session promised, by their commitment: those
        /// never revealed (a crash came first) and those revealed, in order.
        QList<QByteArray> unrevealedSeeds;
        QList<QByteArray> revealedSeeds;
        qint64 validSize = 0;   ///< bytes up to the end of the last whole record
        bool torn = false;      ///< an incomplete last record was left out
        bool isEmpty() const { return drawings == 0 && lines == 0 && board.isEmpty(); }
    };
    /// What reading found: nothing, a session, or a refusal (error set).
    struct ReadResult {
        bool found = false;
        Contents contents;
        QString error; ///< why the file is refused, in Italian; empty when it is not
    };

    explicit SessionStore(const QString &folder = defaultFolder(), QObject *parent = nullptr);
    ~SessionStore() override;

    /// The user's data folder for sessions ("partite" in the program's own).
    static QString defaultFolder();
    QString folder() const { return m_folder; }
    /// Takes effect for the next session begun or read.
    void setFolder(const QString &folder);

    qint64 maxFileSize() const { return m_maxSize; }
    void setMaxFileSize(qint64 bytes) { m_maxSize = bytes; }
    int flushMs() const { return m_flushMs; }
    void setFlushMs(int ms) { m_flushMs = qMax(0, ms); }

    // --- reading -------------------------------------------------------------
    /// The session file written to last in the folder, read whole.
    ReadResult readLatest() const;
    /// Reads the file at @p path; files larger than @p maxSize are refused unread.
    static ReadResult readFile(const QString &path, qint64 maxSize = kDefaultMaxFileSize,
                               int keepLines = RecentTalk::kDefaultCapacity);
    /// Reads a file's bytes (@p name only names it in messages).
    static ReadResult parse(QByteArrayView bytes, const QString &name,
                            int keepLines = RecentTalk::kDefaultCapacity);

    // --- writing -------------------------------------------------------------
    /// A new session starts at @p start: its file is made with its first record.
    void beginNew(const QDateTime &start);
    /// Goes on writing the file of @p contents after its last whole record;
    /// false (and failed()) when it cannot be opened.
    bool resume(const Contents &contents);
    /// A wire message of the board (without CR LF), a clear included.
    void appendBoard(const QString &message);
    /// Wire lines of the board (with CR LF), as a shared picture or a
    /// restored board goes out.
    void appendLines(const QList<QByteArray> &lines);
    /// A public line said at @p secs (seconds since 1970 UTC).
    void appendSaid(const QString &line, qint64 secs);
    /// A dice seed promised by @p commitment: kept so that a session taken
    /// up after a crash can still reveal it. The file is the host's alone.
    void appendSeed(const QByteArray &commitment, const QByteArray &seed);
    /// The seed promised by @p commitment was revealed.
    void appendReveal(const QByteArray &commitment);
    /// Hands what is waiting to the system now.
    void flush();
    /// Flushes and closes: nothing more is written until the next session.
    void end();
    /// True from beginNew() or resume() to end(), unless writing failed.
    bool isWriting() const { return m_writing; }
    /// The file written to (empty before its first record).
    QString filePath() const;
    /// Bytes in the file, what waits to be written included.
    qint64 size() const { return m_written + m_pending.size(); }

    /// One record as it is written: kind, time, length, payload, LF.
    static QByteArray record(char kind, qint64 secs, QByteArrayView payload);
    static QByteArray header(const QDateTime &start);
    /// Names of session files: "partita_" + local date and time + ".tvx".
    static QString fileName(const QDateTime &start);

signals:
    /// Writing stopped for good in this session; @p text says why, in Italian.
    void failed(const QString &text);

private:
    void add(char kind, qint64 secs, QByteArrayView payload);
    bool createFile();
    void pruneOlderFiles();
    void fail(const QString &text);

    QString m_folder;
    qint64 m_maxSize = kDefaultMaxFileSize;
    int m_flushMs = kDefaultFlushMs;
    QDateTime m_start;
    QString m_path;
    std::unique_ptr<QFile> m_file;
    QByteArray m_pending;
    qint64 m_written = 0;
    bool m_writing = false;
    QTimer *m_flushTimer;
};

} // namespace session
