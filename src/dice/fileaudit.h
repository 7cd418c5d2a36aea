#pragma once

#include <QString>
#include <QStringList>

namespace dice
{

/**
 * @brief Checks the dice of a saved conversation or journal afterwards,
 * from the dice lines it keeps (see Ledger), against the seeds it holds as
 * revealed.
 */
class FileAudit
{
public:
    /// Largest file read: hours of a busy table's journal fit well below it.
    static constexpr qint64 kMaxFileBytes = 256 * 1024 * 1024;

    struct Result {
        bool ok = false;      ///< every roll in the file checked and right
        QString error;        ///< why the file could not be read; empty otherwise
        QStringList failures; ///< one line per roll (or seed, request) that fails
        QString summary;      ///< one line on the whole
    };

    /// Reads @p path (a regular file, links followed as the user gave them)
    /// and checks every roll in it.
    static Result check(const QString &path);
};

} // namespace dice
