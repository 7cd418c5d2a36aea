#pragma once

#include "colouring.h"

#include <QColor>
#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

class QFile;

namespace session
{
class MessageService;
}

namespace conversation
{

/// A stretch of a shown row in one colour.
struct JournalRun {
    QString text;
    QColor colour;
    bool operator==(const JournalRun &other) const = default;
};
/// One row of the conversation pane as it was shown.
using JournalRow = QList<JournalRun>;

/**
 * @brief Keeps the conversation as the pane showed it: one UTF-8 HTML file
 * with the pane's time stamps and colours, and one plain-text file.
 *
 * With a folder set, every line the pane shows is appended to both files at
 * once and flushed, so a crash loses nothing already shown. The files are
 * named by the start of the session ("dialogo_2026-12-07_21-05-30.html" and
 * ".txt") and created with the first line of that session. The whole pane
 * can also be written at any time (writeWhole()), with the same rows, so
 * both ways give the same files.
 *
 * The journal holds only what the pane showed, so a private line is in the
 * journal of those who saw it and nobody else's. A folder that cannot be
 * written when it is given is reported once in a message box and the
 * journal stays off until the next session or folder. During a session, a
 * folder that disappears is made again and the journal goes on in new
 * files; one that stops taking lines is said once in the status box, tried
 * again every so often, and said again when the journal resumes. The
 * conversation goes on regardless.
 */
class Journal
{
    Q_DECLARE_TR_FUNCTIONS(conversation::Journal)

public:
    explicit Journal(session::MessageService *messages = nullptr);
    ~Journal();

    void setMessageService(session::MessageService *messages);
    /// Where what happens to the journal during a session is said (the
    /// status box).
    void setStatusReporter(std::function<void(const QString &)> status);
    /// How long after a failed write the journal tries its folder again.
    static constexpr int kDefaultRetryMs = 5000;
    void setRetryMs(int ms) { m_retryMs = qMax(0, ms); }

    /// Appends each shown line to files in @p folder from now on (created
    /// when missing). An empty folder stops the journal. False, with a
    /// message, when the folder cannot be written.
    bool setFolder(const QString &folder);
    QString folder() const { return m_folder; }

    /// A session starts at @p start: the next line opens new files named by it.
    void beginSession(const QDateTime &start);
    QDateTime sessionStart() const { return m_start; }

    /// The files lines are appended to now; empty before the first line of
    /// a session, and while the journal is off.
    QString htmlPath() const;
    QString textPath() const;

    /**
     * @brief One line just shown: @p stamp ("" without time stamps) in black,
     * then @p line with @p runs coloured and the rest black. A line feed in
     * @p line (a roll's detail) starts a row of its own, as in the pane.
     */
    void appendLine(const QString &stamp, const QString &line,
                    const std::vector<ColourRun> &runs);

    /**
     * @brief A dice line (a commitment, a roll, a reveal, a request of ours)
     * that a later check of the file needs: it goes into the HTML file in a
     * comment a browser does not show, with the next line shown (or at once
     * when the files are open), and never into the ".txt".
     */
    void appendEvidence(const QString &line);

    /// Writes @p rows whole to @p htmlPath, with the dice lines @p evidence
    /// after them, and the rows beside it to the same name ending in ".txt".
    /// False, with a message, when either cannot be written.
    bool writeWhole(const QList<JournalRow> &rows, const QString &htmlPath,
                    const QStringList &evidence = {});

    /// "dialogo_" + the date and time of @p start, without extension.
    static QString baseName(const QDateTime &start);
    /// The rows of one shown line (see appendLine()).
    static QList<JournalRow> rowsOf(const QString &stamp, const QString &line,
                                    const std::vector<ColourRun> &runs);
    /// Joins neighbouring runs of one colour and drops empty ones, so rows
    /// read back from the pane compare equal to the rows of the line shown.
    static JournalRow normalised(const JournalRow &row);
    /// What an HTML journal begins with, up to the first row.
    static QByteArray htmlHead(const QDateTime &start);
    static QByteArray htmlRow(const JournalRow &row);
    static QByteArray textRow(const JournalRow &row);

private:
    /// Opens the session's two files; @p why, when given, says which was refused and why.
    bool openFiles(QString *why = nullptr);
    void fail(const QString &text);
    void closeFiles();
    void status(const QString &text);
    /// True while the files written to are still in their folder.
    bool filesInPlace() const;
    /// A write failed or the files went: say so once, and try again later.
    void interrupted(const QString &path);

    session::MessageService *m_messages;
    QString m_folder;
    QDateTime m_start;
    bool m_folderRefused = false; ///< the folder given could not be written
    bool m_off = false; ///< the files could not be made this session: nothing more is tried in it
    bool m_interrupted = false;       ///< lines are not being kept now (said once)
    QElapsedTimer m_sinceInterrupted; ///< from the last failed attempt
    int m_retryMs = kDefaultRetryMs;
    std::function<void(const QString &)> m_status;
    /// Dice lines not written yet (the files open with the first line shown).
    QByteArray m_evidence;
    static constexpr qsizetype kMaxWaitingEvidence = 4 * 1024 * 1024;
    std::unique_ptr<QFile> m_html;
    std::unique_ptr<QFile> m_text;
    QString m_htmlPath;
    QString m_textPath;
};

} // namespace conversation
