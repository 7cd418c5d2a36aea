#include "journal.h"

#include "ledger.h"
#include "safefile.h"
#include "sinks.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryFile>

#include <limits>
#include <sys/stat.h>

namespace conversation
{

namespace
{

QString unwritableFolder(const QString &folder)
{
    return Journal::tr("Impossibile scrivere il diario del dialogo nella cartella \"%1\": "
                       "la cartella non esiste e non si può creare, oppure non vi si può "
                       "scrivere. La sessione continua senza diario.")
        .arg(QDir::toNativeSeparators(folder));
}

QString unwritableFile(const QString &path)
{
    return Journal::tr("Impossibile scrivere il file \"%1\". Il dialogo non è stato salvato.")
        .arg(QDir::toNativeSeparators(path));
}

/// The ".txt" beside an ".html" (or beside any other name).
QString textPathFor(const QString &htmlPath)
{
    const QFileInfo info(htmlPath);
    QString base = htmlPath;
    if (info.suffix().compare(QLatin1String("html"), Qt::CaseInsensitive) == 0 ||
        info.suffix().compare(QLatin1String("htm"), Qt::CaseInsensitive) == 0)
        base.chop(info.suffix().size() + 1);
    return base + QStringLiteral(".txt");
}

bool isBlack(const QColor &c)
{
    return !c.isValid() || (c.red() == 0 && c.green() == 0 && c.blue() == 0);
}

} // namespace

Journal::Journal(session::MessageService *messages)
    : m_messages(messages), m_start(QDateTime::currentDateTime())
{
}

Journal::~Journal() = default;

void Journal::setMessageService(session::MessageService *messages)
{
    m_messages = messages;
}

void Journal::setStatusReporter(std::function<void(const QString &)> status)
{
    m_status = std::move(status);
}

void Journal::status(const QString &text)
{
    if (m_status)
        m_status(text);
}

bool Journal::filesInPlace() const
{
    // A file removed while open takes lines without a word; its folder
    // gone, they go nowhere anyone can read.
    for (const QFile *file : {m_html.get(), m_text.get()}) {
        struct stat info {};
        if (::fstat(file->handle(), &info) != 0 || info.st_nlink == 0)
            return false;
    }
    return true;
}

void Journal::interrupted(const QString &path)
{
    closeFiles();
    m_sinceInterrupted.start();
    if (m_interrupted)
        return;
    m_interrupted = true;
    status(tr("Il diario del dialogo non si può più scrivere in \"%1\": le righe "
              "seguenti non vi sono conservate finché la cartella non torna "
              "scrivibile.")
               .arg(QDir::toNativeSeparators(path)));
}

bool Journal::setFolder(const QString &folder)
{
    closeFiles();
    m_off = false;
    m_interrupted = false;
    m_folderRefused = false;
    m_folder = folder;
    if (folder.isEmpty())
        return true;
    // Tried now, so a wrong folder is known before anything is said.
    bool usable = QDir().mkpath(folder);
    if (usable) {
        QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".tavernix-XXXXXX")));
        usable = probe.open();
    }
    if (!usable) {
        // Said once; nothing more is tried until another folder is given.
        m_folderRefused = true;
        fail(unwritableFolder(folder));
        return false;
    }
    return true;
}

void Journal::beginSession(const QDateTime &start)
{
    closeFiles();
    m_start = start;
    m_off = false;
    m_interrupted = false;
}

QString Journal::htmlPath() const
{
    return m_html ? m_htmlPath : QString();
}

QString Journal::textPath() const
{
    return m_text ? m_textPath : QString();
}

QString Journal::baseName(const QDateTime &start)
{
    return QStringLiteral("dialogo_") + start.toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss"));
}

QList<JournalRow> Journal::rowsOf(const QString &stamp, const QString &line,
                                  const std::vector<ColourRun> &runs)
{
    // The colour of every character of the line, then cut at line feeds.
    std::vector<QColor> colours(size_t(line.size()), QColor(Qt::black));
    for (const ColourRun &run : runs) {
        const qsizetype start = qBound<qsizetype>(0, run.start, line.size());
        const qsizetype end = qBound<qsizetype>(start, run.start + run.length, line.size());
        for (qsizetype i = start; i < end; ++i)
            colours[size_t(i)] = run.colour;
    }
    QList<JournalRow> rows(1);
    if (!stamp.isEmpty())
        rows.last().append({stamp, QColor(Qt::black)});
    for (qsizetype i = 0; i < line.size(); ++i) {
        if (line[i] == QLatin1Char('\n')) {
            rows.append(JournalRow());
            continue;
        }
        JournalRow &row = rows.last();
        if (!row.isEmpty() && row.last().colour == colours[size_t(i)])
            row.last().text += line[i];
        else
            row.append({QString(line[i]), colours[size_t(i)]});
    }
    for (JournalRow &row : rows)
        row = normalised(row);
    return rows;
}

JournalRow Journal::normalised(const JournalRow &row)
{
    JournalRow out;
    for (const JournalRun &run : row) {
        if (run.text.isEmpty())
            continue;
        const QColor colour = isBlack(run.colour) ? QColor(Qt::black) : run.colour.toRgb();
        if (!out.isEmpty() && out.last().colour == colour)
            out.last().text += run.text;
        else
            out.append({run.text, colour});
    }
    return out;
}

QByteArray Journal::htmlHead(const QDateTime &start)
{
    // The end tags of body and html may be left out in HTML, so a journal
    // that grows line by line is a whole document after every line.
    const QString title =
        QStringLiteral("Dialogo del %1").arg(start.toString(QStringLiteral("dd/MM/yyyy HH:mm:ss")));
    return QStringLiteral("<!DOCTYPE html>\n"
                          "<html lang=\"it\">\n"
                          "<head>\n"
                          "<meta charset=\"utf-8\">\n"
                          "<title>%1</title>\n"
                          "<style>body { font-family: sans-serif; color: #000000; } "
                          "p { margin: 0; white-space: pre-wrap; }</style>\n"
                          "</head>\n"
                          "<body>\n")
        .arg(title.toHtmlEscaped())
        .toUtf8();
}

QByteArray Journal::htmlRow(const JournalRow &row)
{
    QString out = QStringLiteral("<p>");
    for (const JournalRun &run : row) {
        const QString text = run.text.toHtmlEscaped();
        if (isBlack(run.colour))
            out += text;
        else
            out += QStringLiteral("<span style=\"color: %1\">%2</span>")
                       .arg(run.colour.name(QColor::HexRgb), text);
    }
    if (row.isEmpty())
        out += QStringLiteral("<br>");
    out += QStringLiteral("</p>\n");
    return out.toUtf8();
}

QByteArray Journal::textRow(const JournalRow &row)
{
    QString out;
    for (const JournalRun &run : row)
        out += run.text;
    out += QLatin1Char('\n');
    return out.toUtf8();
}

void Journal::appendLine(const QString &stamp, const QString &line,
                         const std::vector<ColourRun> &runs)
{
    if (m_folder.isEmpty() || m_folderRefused || m_off)
        return;
    if (m_html && !filesInPlace()) {
        // The folder (or the files) went: made again where that can be, the
        // journal goes on in new files.
        const QString gone = m_htmlPath;
        closeFiles();
        if (!openFiles()) {
            interrupted(m_folder);
            return;
        }
        status(
            tr("Il file del diario \"%1\" è sparito: il diario continua nel file "
               "\"%2\".")
                .arg(QDir::toNativeSeparators(gone), QDir::toNativeSeparators(m_htmlPath)));
    }
    if (!m_html && !m_interrupted) {
        // The first line of the session.
        QString why;
        if (!openFiles(&why)) {
            m_off = true;
            fail(why.isEmpty() ? unwritableFolder(m_folder)
                               : why + QLatin1Char(' ') +
                                     Journal::tr("La sessione continua senza diario."));
            return;
        }
    } else if (!m_html) {
        if (m_sinceInterrupted.elapsed() < m_retryMs)
            return;
        if (!openFiles()) {
            interrupted(m_folder);
            return;
        }
        m_interrupted = false;
        status(tr("Il diario del dialogo riprende nel file \"%1\".")
                   .arg(QDir::toNativeSeparators(m_htmlPath)));
    }
    QByteArray html = std::exchange(m_evidence, {}), text;
    for (const JournalRow &row : rowsOf(stamp, line, runs)) {
        html += htmlRow(row);
        text += textRow(row);
    }
    // Straight to the system, so a crash of the program loses nothing shown.
    const bool written = m_html->write(html) == html.size() && m_html->flush() &&
                         m_text->write(text) == text.size() && m_text->flush();
    if (!written) {
        const QString path = m_html->error() != QFile::NoError ? m_htmlPath
                                                                : m_textPath;
        interrupted(path);
    }
}

void Journal::appendEvidence(const QString &line)
{
    if (m_folder.isEmpty() || m_folderRefused || m_off)
        return;
    if (m_evidence.size() < kMaxWaitingEvidence)
        m_evidence += dice::Ledger::asComment(line).toUtf8() + '\n';
    if (!m_html || m_interrupted || !filesInPlace())
        return; // written with the next line shown
    if (m_html->write(m_evidence) == m_evidence.size() && m_html->flush())
        m_evidence.clear();
    else
        interrupted(m_htmlPath);
}

bool Journal::openFiles(QString *why)
{
    const QDir dir(m_folder);
    const QString base = baseName(m_start);
    // Two sessions begun in the same second keep their own files.
    QString name = base;
    for (int n = 2; dir.exists(name + QStringLiteral(".html")) ||
                    dir.exists(name + QStringLiteral(".txt"));
         ++n)
        name = base + QStringLiteral("_%1").arg(n);
    if (!QDir().mkpath(m_folder))
        return false;
    // Appended to only as the regular files they are: a link left in their
    // place would send the conversation into someone else's file.
    const auto open = [why](const QString &path) {
        return platform::SafeFile::openForWriting(path, QIODevice::WriteOnly | QIODevice::Append,
                                                  std::numeric_limits<qint64>::max(),
                                                  QFileDevice::ReadOwner | QFileDevice::WriteOwner,
                                                  why);
    };
    auto html = open(dir.filePath(name + QStringLiteral(".html")));
    auto text = html ? open(dir.filePath(name + QStringLiteral(".txt"))) : nullptr;
    const QByteArray head = htmlHead(m_start);
    if (!html || !text || html->write(head) != head.size() || !html->flush())
        return false;
    m_html = std::move(html);
    m_text = std::move(text);
    // A file opened from its descriptor forgets its name: kept here.
    m_htmlPath = dir.filePath(name + QStringLiteral(".html"));
    m_textPath = dir.filePath(name + QStringLiteral(".txt"));
    return true;
}

bool Journal::writeWhole(const QList<JournalRow> &rows, const QString &htmlPath,
                         const QStringList &evidence)
{
    QByteArray html = htmlHead(m_start);
    QByteArray text;
    for (const JournalRow &row : rows) {
        html += htmlRow(normalised(row));
        text += textRow(normalised(row));
    }
    for (const QString &line : evidence)
        html += dice::Ledger::asComment(line).toUtf8() + '\n';
    // Written aside and put in place whole: a failure leaves no half file.
    for (const auto &[path, bytes] :
         {std::pair{htmlPath, html}, std::pair{textPathFor(htmlPath), text}}) {
        QSaveFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() ||
            !file.commit()) {
            fail(unwritableFile(path));
            return false;
        }
    }
    return true;
}

void Journal::fail(const QString &text)
{
    if (m_messages)
        m_messages->showMessage(session::MessageService::Icon::Warning, session::kAppTitle, text);
}

void Journal::closeFiles()
{
    m_html.reset();
    m_text.reset();
}

} // namespace conversation
