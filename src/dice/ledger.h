#pragma once

#include "verifier.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <limits>

namespace dice
{

/**
 * @brief Everything one program needs to check the dice afterwards, kept
 * as the lines it received or sent ("evidence"): the commitments, rolls and
 * reveals from the host, and its own requests and the nonces it gave.
 *
 * The same lines go into the HTML journal and saved conversation, each in a
 * comment "<!--dadi LINE-->", so a saved file can be checked again later
 * (`tavernix --verify-dice FILE`).
 */
class Ledger
{
public:
    /// Most lines one ledger keeps; a longer session keeps checking the latest.
    static constexpr int kMaxLines = 200000;

    /// Takes one line (tag and parameters) at @p msecs; false, and nothing
    /// kept, when it is not a dice line or is malformed.
    bool add(const QString &line, qint64 msecs = 0);

    /**
     * @brief The verifier's report. A request or a nonce given is held
     * against the host only once it is @p graceMs old at @p nowMsecs: the
     * answer may still be on its way.
     */
    Verifier::Report check(qint64 nowMsecs = std::numeric_limits<qint64>::max(),
                           int graceMs = 0) const;

    const QStringList &lines() const { return m_lines; }
    bool isEmpty() const { return m_lines.isEmpty(); }
    void clear();

    /// The lines a journal or saved conversation holds: its "<!--dadi ...-->"
    /// comments, in order.
    static QStringList evidenceIn(QStringView text);
    /// How a journal keeps @p line.
    static QString asComment(const QString &line);

private:
    QStringList m_lines;
    QList<qint64> m_times;
};

} // namespace dice
