#pragma once

#include <QString>

#include <cstdio>

namespace server
{

/**
 * @brief The server's log: one line per event on standard error, with a
 * level word and never a colour code.
 *
 * By hand each line starts with the date and time; under the service
 * manager (whose journal stamps lines itself) with the kernel-style level
 * prefix the journal reads ("<6>" and so on). Names and lines come from the
 * network, so control characters in them (an escape sequence that would
 * recolour or clear the administrator's terminal, a line break that would
 * forge a second log line) are replaced before anything is written.
 */
class ServerLog
{
public:
    enum class Level { Info, Warning, Error };

    /// Writes to @p out (standard error by default); @p journal chooses the
    /// prefix style, by default from $JOURNAL_STREAM.
    explicit ServerLog(FILE *out = stderr);
    ServerLog(FILE *out, bool journal);

    void info(const QString &text) { write(Level::Info, text); }
    void warning(const QString &text) { write(Level::Warning, text); }
    void error(const QString &text) { write(Level::Error, text); }
    void write(Level level, const QString &text);

    /// The line written for @p text at @p level, without its line end;
    /// @p stamp is the time text used by hand ("" under the journal).
    static QString format(Level level, const QString &text, bool journal, const QString &stamp);
    /// @p text with every control character replaced: a tab or line break
    /// by a space, anything else by U+FFFD.
    static QString clean(const QString &text);

private:
    FILE *m_out;
    bool m_journal;
};

} // namespace server
