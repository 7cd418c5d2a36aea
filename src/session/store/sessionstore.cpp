#include "sessionstore.h"

#include "boardhistory.h"
#include "pictureassembler.h"
#include "protocol.h"
#include "safefile.h"
#include "tags.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSet>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTimer>

#include <deque>
#include <limits>

namespace session
{

namespace
{

constexpr char kBoard = 'B';
constexpr char kSaid = 'M';
/// A shared picture's lines: its start, then each slice in a record of its
/// own. Apart from 'B', which an earlier reader would take for drawings.
constexpr char kPicture = 'P';
/// A dice seed promised ("COMMITMENT SEED" in hex), and its reveal ("COMMITMENT").
constexpr char kSeed = 'D';
constexpr char kReveal = 'R';
constexpr qsizetype kSeedHexChars = 64;
/// Longest header line, LF included.
constexpr qsizetype kMaxHeader = 128;
/// Longest number in a record's head (a length or a time).
constexpr int kMaxDigits = 18;
/// Longest payload: a wire line is at most 1 MiB, and a line of talk is one too.
constexpr qint64 kMaxPayload = 2 * 1024 * 1024;

QString refusal(const QString &name, const QString &why)
{
    return SessionStore::tr("Il file della partita %1 %2: resta com'è.").arg(name, why);
}

/// Reads digits from @p pos up to the space after them. 1: a number, 0: the
/// bytes ended first, -1: something else is there.
int readNumber(QByteArrayView bytes, qsizetype &pos, qint64 *value)
{
    qint64 v = 0;
    const qsizetype start = pos;
    for (; pos < bytes.size(); ++pos) {
        const char c = bytes[pos];
        if (c == ' ') {
            if (pos == start)
                return -1;
            ++pos;
            *value = v;
            return 1;
        }
        if (c < '0' || c > '9' || pos - start >= kMaxDigits)
            return -1;
        v = v * 10 + (c - '0');
    }
    return 0;
}

bool isTextPart(const QString &message)
{
    return message.startsWith(QLatin1String("[Inserisci Testo")) &&
           !message.startsWith(tag::TestoColore);
}

bool isPictureLine(QByteArrayView line)
{
    // Both tags are ASCII, so their wire bytes are their text.
    return line.startsWith(QByteArrayView("[Immagine Condivisa]")) ||
           line.startsWith(QByteArrayView("[Immagine Condivisa Parte]"));
}

/// The shared picture as the records give it: only a whole one, its
/// fingerprint checked, takes the place of the one before.
class PictureReader
{
public:
    void record(QByteArrayView payload, qsizetype drawn)
    {
        const TaggedLine split = splitTag(decodeText(payload));
        QByteArray line = payload.toByteArray() + "\r\n";
        if (split.tag == tag::Immagine) {
            m_pending.clear();
            const auto announce = PictureAssembler::parseStart(split.params);
            if (!announce ||
                m_assembler.start(*announce) == PictureAssembler::Result::Refused)
                return;
            m_pending = {std::move(line)};
            m_pendingAt = drawn;
        } else if (split.tag == tag::ImmagineParte && !m_pending.isEmpty()) {
            m_pending.append(std::move(line));
            switch (m_assembler.part(split.params)) {
            case PictureAssembler::Result::Incomplete:
                break;
            case PictureAssembler::Result::Refused:
                m_pending.clear();
                break;
            case PictureAssembler::Result::Complete:
                m_assembler.take();
                lines = std::exchange(m_pending, {});
                at = m_pendingAt;
                break;
            }
        }
    }
    void clear()
    {
        lines.clear();
        m_pending.clear();
        m_assembler.abandon({});
    }

    QList<QByteArray> lines; ///< the last whole picture
    qsizetype at = 0;        ///< its place among the drawings

private:
    PictureAssembler m_assembler;
    QList<QByteArray> m_pending;
    qsizetype m_pendingAt = 0;
};

} // namespace

SessionStore::SessionStore(const QString &folder, QObject *parent)
    : QObject(parent), m_folder(folder), m_flushTimer(new QTimer(this))
{
    m_flushTimer->setSingleShot(true);
    connect(m_flushTimer, &QTimer::timeout, this, &SessionStore::flush);
}

SessionStore::~SessionStore()
{
    end();
}

QString SessionStore::defaultFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
           QStringLiteral("/partite");
}

void SessionStore::setFolder(const QString &folder)
{
    m_folder = folder;
}

QString SessionStore::fileName(const QDateTime &start)
{
    return QStringLiteral("partita_") + start.toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss")) +
           QStringLiteral(".tvx");
}

QByteArray SessionStore::header(const QDateTime &start)
{
    return kMagic.toByteArray() + QByteArray::number(kFormatVersion) + ' ' +
           start.toUTC().toString(Qt::ISODate).toLatin1() + '\n';
}

QByteArray SessionStore::record(char kind, qint64 secs, QByteArrayView payload)
{
    QByteArray out;
    out.reserve(payload.size() + 32);
    out += kind;
    out += ' ';
    out += QByteArray::number(qMax<qint64>(0, secs));
    out += ' ';
    out += QByteArray::number(payload.size());
    out += ' ';
    out += payload;
    out += '\n';
    return out;
}

// --- reading -----------------------------------------------------------------

SessionStore::ReadResult SessionStore::readLatest() const
{
    // Links, pipes and devices under a session's name are listed too, so
    // that the one met is named and refused rather than silently passed over.
    const QFileInfoList files = QDir(m_folder).entryInfoList(
        {QStringLiteral("partita_*.tvx")}, QDir::Files | QDir::System, QDir::Name);
    if (files.isEmpty())
        return {};
    // The one written to last: a session taken up again keeps its old name.
    QFileInfo latest = files.first();
    for (const QFileInfo &f : files) {
        if (f.lastModified() >= latest.lastModified())
            latest = f;
    }
    return readFile(latest.filePath(), m_maxSize);
}

SessionStore::ReadResult SessionStore::readFile(const QString &path, qint64 maxSize, int keepLines)
{
    ReadResult result;
    result.found = true;
    result.contents.path = path;
    const QString name = QFileInfo(path).fileName();
    // Never through a link, never a pipe or a device, never more than the
    // limit: a link to /dev/zero would otherwise be read until memory ran out.
    QString why;
    const auto file = platform::SafeFile::openForReading(path, std::numeric_limits<qint64>::max(), &why);
    if (!file) {
        result.error = why + QLatin1Char(' ') +
                       QCoreApplication::translate("session::SessionStore", "Resta com'è.");
        return result;
    }
    if (file->size() > maxSize) {
        result.error = refusal(name, SessionStore::tr("è troppo grande per essere ripreso (%1 MB, "
                                                    "al massimo %2 MB)")
                                         .arg(file->size() >> 20)
                                         .arg(maxSize >> 20));
        return result;
    }
    // At most one byte past the limit: a file that grows meanwhile is noticed.
    const QByteArray bytes = file->read(maxSize + 1);
    if (bytes.size() > maxSize) {
        result.error = refusal(name, SessionStore::tr("è troppo grande per essere ripreso (al "
                                                    "massimo %1 MB)")
                                         .arg(maxSize >> 20));
        return result;
    }
    result = parse(bytes, name, keepLines);
    result.contents.path = path;
    return result;
}

SessionStore::ReadResult SessionStore::parse(QByteArrayView bytes, const QString &name,
                                             int keepLines)
{
    ReadResult result;
    result.found = true;
    Contents &c = result.contents;

    const qsizetype eol = bytes.first(qMin(bytes.size(), kMaxHeader)).indexOf('\n');
    const QByteArrayView magic = kMagic;
    const bool ours = bytes.size() >= magic.size()
                          ? bytes.startsWith(magic)
                          : magic.startsWith(bytes);
    if (!ours) {
        result.error = refusal(name, SessionStore::tr("non è una partita salvata da Tavernix"));
        return result;
    }
    if (eol < 0) {
        result.error = refusal(name, SessionStore::tr("è troncato: manca la sua intestazione"));
        return result;
    }
    const QByteArrayView head = bytes.sliced(magic.size(), eol - magic.size());
    const qsizetype space = head.indexOf(' ');
    bool numeric = false;
    const int version = head.first(space < 0 ? head.size() : space).toByteArray().toInt(&numeric);
    if (numeric && version > kFormatVersion) {
        result.error =
            refusal(name, SessionStore::tr("è stato scritto da una versione più recente "
                                           "del programma (formato %1, questa legge fino al %2)")
                              .arg(version)
                              .arg(kFormatVersion));
        return result;
    }
    c.started = space < 0 ? QDateTime()
                          : QDateTime::fromString(QString::fromLatin1(head.sliced(space + 1)),
                                                  Qt::ISODate);
    if (!numeric || version < 1 || !c.started.isValid()) {
        result.error = refusal(name, SessionStore::tr("ha un'intestazione danneggiata"));
        return result;
    }

    BoardHistory board;
    PictureReader picture;
    std::deque<RecentTalk::Said> recent;
    QList<QPair<QByteArray, QByteArray>> seeds; // commitment in hex, seed
    QSet<QByteArray> revealed;                  // commitments in hex
    qint64 lastSecs = -1;
    qsizetype pos = eol + 1;
    c.validSize = pos;
    while (pos < bytes.size()) {
        const qsizetype start = pos;
        const char kind = bytes[pos];
        qint64 secs = 0;
        qint64 length = 0;
        int state = pos + 1 < bytes.size() ? (bytes[pos + 1] == ' ' ? 1 : -1) : 0;
        pos += 2;
        if (state == 1)
            state = readNumber(bytes, pos, &secs);
        if (state == 1)
            state = readNumber(bytes, pos, &length);
        // No record we write is that long, so a crash cannot have cut one:
        // taking it for a torn one would drop everything after it.
        if (state == 1 && length > kMaxPayload)
            state = -1;
        if (state == 1 && length > bytes.size() - pos - 1)
            state = 0; // runs past the end
        if (state == 1 && bytes[pos + length] != '\n')
            state = -1;
        if (state == 1 && (kind < 'A' || kind > 'Z'))
            state = -1;
        if (state == 0) {
            // Cut short by a crash: only the last record can be.
            c.torn = true;
            break;
        }
        if (state < 0) {
            result.error =
                refusal(name, SessionStore::tr("è danneggiato o è stato modificato a mano "
                                               "(al byte %1)")
                                  .arg(start));
            return result;
        }
        const QByteArrayView payload = bytes.sliced(pos, length);
        pos += length + 1;
        c.validSize = pos;
        lastSecs = secs;
        if (kind == kBoard) {
            QByteArray line = payload.toByteArray();
            const QString message = decodeText(payload);
            line += "\r\n";
            switch (board.record(message, line)) {
            case BoardHistory::Outcome::Cleared:
                c.drawings = 0;
                picture.clear();
                break;
            case BoardHistory::Outcome::Kept:
                if (!isTextPart(message))
                    ++c.drawings;
                break;
            default:
                break;
            }
        } else if (kind == kPicture) {
            picture.record(payload, board.size());
        } else if (kind == kSeed) {
            // "COMMITMENT SEED", 64 hex digits each
            if (payload.size() == 2 * kSeedHexChars + 1 && payload[kSeedHexChars] == ' ')
                seeds.append({payload.first(kSeedHexChars).toByteArray(),
                              QByteArray::fromHex(payload.sliced(kSeedHexChars + 1).toByteArray())});
        } else if (kind == kReveal) {
            revealed.insert(payload.toByteArray());
        } else if (kind == kSaid) {
            ++c.lines;
            if (keepLines > 0) {
                if (qsizetype(recent.size()) >= keepLines)
                    recent.pop_front();
                recent.push_back({decodeText(payload), secs});
            }
        }
        // Kinds this version does not know are skipped, so later ones can
        // add records without a new version.
    }
    for (const auto &[commitment, seed] : std::as_const(seeds))
        (revealed.contains(commitment) ? c.revealedSeeds : c.unrevealedSeeds).append(seed);
    c.board = board.blocksWith(picture.at, picture.lines);
    c.hasPicture = !picture.lines.isEmpty();
    c.recent.assign(recent.begin(), recent.end());
    c.lastRecord = lastSecs >= 0 ? QDateTime::fromSecsSinceEpoch(lastSecs) : c.started;
    return result;
}

// --- writing -----------------------------------------------------------------

void SessionStore::beginNew(const QDateTime &start)
{
    end();
    m_start = start;
    m_path.clear();
    m_written = 0;
    m_writing = true;
    // Said at once rather than at the first drawing: the user should know
    // before the evening starts that it is not being kept.
    if (!QDir().mkpath(m_folder) || !QFileInfo(m_folder).isWritable())
        fail(tr("La cartella %1 non si può scrivere: la partita non viene salvata.")
                 .arg(QDir::toNativeSeparators(m_folder)));
}

bool SessionStore::resume(const Contents &contents)
{
    end();
    m_path = contents.path;
    m_writing = true;
    // Written only where it was read: a link put in its place since is refused.
    QString why;
    auto file = platform::SafeFile::openForWriting(contents.path, QIODevice::ReadWrite, m_maxSize,
                                                   QFileDevice::ReadOwner | QFileDevice::WriteOwner,
                                                   &why);
    if (!file) {
        fail(tr("Impossibile riaprire il file della partita %1 (%2): la partita "
                            "continua senza essere salvata.")
                 .arg(QDir::toNativeSeparators(contents.path), why));
        return false;
    }
    // Only an incomplete last record goes; everything whole stays.
    if (file->size() != contents.validSize && !file->resize(contents.validSize)) {
        fail(tr("Impossibile riprendere il file della partita %1 (%2): la partita "
                "continua senza essere salvata.")
                 .arg(QDir::toNativeSeparators(contents.path), file->errorString()));
        return false;
    }
    file->seek(contents.validSize);
    m_written = contents.validSize;
    m_file = std::move(file);
    return true;
}

void SessionStore::appendBoard(const QString &message)
{
    add(kBoard, QDateTime::currentSecsSinceEpoch(), encodeText(message));
}

void SessionStore::appendLines(const QList<QByteArray> &lines)
{
    const qint64 secs = QDateTime::currentSecsSinceEpoch();
    for (const QByteArray &line : lines) {
        const QByteArrayView payload = QByteArrayView(line).chopped(line.endsWith("\r\n") ? 2 : 0);
        add(isPictureLine(payload) ? kPicture : kBoard, secs, payload);
    }
}

void SessionStore::appendSaid(const QString &line, qint64 secs)
{
    add(kSaid, secs, encodeText(line));
}

void SessionStore::appendSeed(const QByteArray &commitment, const QByteArray &seed)
{
    add(kSeed, QDateTime::currentSecsSinceEpoch(), commitment.toHex() + ' ' + seed.toHex());
}

void SessionStore::appendReveal(const QByteArray &commitment)
{
    add(kReveal, QDateTime::currentSecsSinceEpoch(), commitment.toHex());
}

void SessionStore::add(char kind, qint64 secs, QByteArrayView payload)
{
    if (!m_writing || payload.size() > kMaxPayload)
        return;
    const QByteArray rec = record(kind, secs, payload);
    if (size() + rec.size() > m_maxSize) {
        fail(tr("Il file della partita %1 ha raggiunto %2 MB: da qui in poi la "
                "partita non viene più salvata.")
                 .arg(QDir::toNativeSeparators(filePath()))
                 .arg(m_maxSize >> 20));
        return;
    }
    m_pending += rec;
    if (!m_flushTimer->isActive())
        m_flushTimer->start(m_flushMs);
}

bool SessionStore::createFile()
{
    QString path = QDir(m_folder).filePath(fileName(m_start));
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = QDir(m_folder).filePath(fileName(m_start).replace(
            QLatin1String(".tvx"), QStringLiteral("_%1.tvx").arg(n)));
    // A new name, made without following a link that appeared there meanwhile.
    QString why;
    auto file = platform::SafeFile::openForWriting(path, QIODevice::WriteOnly | QIODevice::NewOnly, 0,
                                                   QFileDevice::ReadOwner | QFileDevice::WriteOwner,
                                                   &why);
    if (!file) {
        fail(tr("Impossibile creare il file della partita %1 (%2): la partita "
                            "continua senza essere salvata.")
                 .arg(QDir::toNativeSeparators(path), why));
        return false;
    }
    m_path = path;
    m_file = std::move(file);
    m_pending.prepend(header(m_start));
    pruneOlderFiles();
    return true;
}

void SessionStore::pruneOlderFiles()
{
    // Only files this version wrote or could read go: one that is not ours,
    // or from a newer program, may still matter to someone.
    const auto ownOrOlder = [](const QFileInfo &info) {
        // Only a regular file of ours: a link could point anywhere.
        const auto f = platform::SafeFile::openForReading(info.filePath(),
                                                          std::numeric_limits<qint64>::max(), nullptr);
        if (!f)
            return false;
        const QByteArray head = f->read(kMaxHeader);
        const qsizetype eol = head.indexOf('\n');
        if (!head.startsWith(kMagic.toByteArray()) || eol < 0)
            return false;
        const QByteArray rest = head.first(eol).sliced(kMagic.size());
        bool numeric = false;
        const int version = rest.left(rest.indexOf(' ')).toInt(&numeric);
        return numeric && version >= 1 && version <= kFormatVersion;
    };
    QFileInfoList files = QDir(m_folder).entryInfoList({QStringLiteral("partita_*.tvx")},
                                                       QDir::Files, QDir::Time);
    int kept = 0;
    for (const QFileInfo &f : std::as_const(files)) {
        if (f.absoluteFilePath() == QFileInfo(m_path).absoluteFilePath() || !ownOrOlder(f))
            continue;
        // The new file counts among the kept ones.
        if (++kept < kKeptSessions)
            continue;
        QFile::remove(f.filePath());
    }
}

void SessionStore::flush()
{
    m_flushTimer->stop();
    if (!m_writing || m_pending.isEmpty())
        return;
    if (!m_file && !createFile())
        return;
    const qint64 wrote = m_file->write(m_pending);
    if (wrote != m_pending.size() || !m_file->flush()) {
        fail(tr("Impossibile scrivere nel file della partita %1 (%2): la partita "
                "continua senza essere salvata.")
                 .arg(QDir::toNativeSeparators(m_path), m_file->errorString()));
        return;
    }
    m_written += wrote;
    m_pending.clear();
}

void SessionStore::end()
{
    flush();
    m_flushTimer->stop();
    m_file.reset();
    m_pending.clear();
    m_writing = false;
}

QString SessionStore::filePath() const
{
    return m_path;
}

void SessionStore::fail(const QString &text)
{
    m_writing = false;
    m_pending.clear();
    m_flushTimer->stop();
    m_file.reset();
    emit failed(text);
}

} // namespace session
