#include "fileaudit.h"

#include "ledger.h"
#include "safefile.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace dice
{

namespace
{

QString tr(const char *text)
{
    return QCoreApplication::translate("dice::FileAudit", text);
}

} // namespace

FileAudit::Result FileAudit::check(const QString &path)
{
    Result result;
    // The user names the file: a link they give is followed, but what it
    // leads to must be a regular file (a FIFO or a device would never end).
    const QFileInfo info(path);
    const QString target = info.exists() ? info.canonicalFilePath() : path;
    const platform::SafeFile::Contents contents =
        platform::SafeFile::readAll(target, kMaxFileBytes);
    if (!contents.ok) {
        result.error = contents.error;
        return result;
    }
    Ledger ledger;
    int malformed = 0;
    for (const QString &line : Ledger::evidenceIn(QString::fromUtf8(contents.bytes)))
        if (!ledger.add(line))
            ++malformed;
    if (malformed > 0)
        result.failures << QCoreApplication::translate(
            "dice::FileAudit", "%n righe di dadi nel file sono illeggibili o alterate.", nullptr,
            malformed);
    const Verifier::Report report = ledger.check();
    for (const Verifier::Problem &p : report.problems)
        result.failures << p.text;
    if (report.pending > 0)
        result.failures << QCoreApplication::translate(
            "dice::FileAudit",
            "%n tiri non si possono verificare: il loro seme non è mai stato rivelato nel file.",
            nullptr, report.pending);
    if (report.checked == 0 && result.failures.isEmpty()) {
        result.summary = tr("Nel file non c'è nessun tiro verificabile.");
        return result;
    }
    result.ok = result.failures.isEmpty();
    if (result.ok) {
        result.summary = report.summary();
        return result;
    }
    // The failures are listed one a line already: the last line counts them.
    const int failures = int(result.failures.size());
    result.summary = QCoreApplication::translate(
                         "dice::FileAudit", "%n problemi nei dadi del file, ", nullptr, failures) +
                     QCoreApplication::translate("dice::FileAudit", "%n tiri verificati.", nullptr,
                                                 report.checked);
    return result;
}

} // namespace dice
