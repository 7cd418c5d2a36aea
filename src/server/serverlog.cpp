#include "serverlog.h"

#include <QDateTime>

namespace server
{

ServerLog::ServerLog(FILE *out) : ServerLog(out, !qEnvironmentVariableIsEmpty("JOURNAL_STREAM"))
{
}

ServerLog::ServerLog(FILE *out, bool journal) : m_out(out), m_journal(journal) {}

QString ServerLog::clean(const QString &text)
{
    QString result = text;
    for (QChar &c : result) {
        const char16_t u = c.unicode();
        if (u == u'\t' || u == u'\n' || u == u'\r')
            c = QLatin1Char(' ');
        else if (c.category() == QChar::Other_Control)
            c = QChar(QChar::ReplacementCharacter);
    }
    return result;
}

QString ServerLog::format(Level level, const QString &text, bool journal, const QString &stamp)
{
    static const char *const words[] = {"INFO", "AVVISO", "ERRORE"};
    static const char *const priorities[] = {"<6>", "<4>", "<3>"};
    const int i = int(level);
    QString line;
    if (journal)
        line = QLatin1String(priorities[i]);
    else if (!stamp.isEmpty())
        line = stamp + QLatin1Char(' ');
    return line + QLatin1String(words[i]) + QLatin1Char(' ') + clean(text);
}

void ServerLog::write(Level level, const QString &text)
{
    const QString stamp =
        m_journal ? QString()
                  : QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    const QByteArray line = format(level, text, m_journal, stamp).toUtf8() + '\n';
    std::fwrite(line.constData(), 1, size_t(line.size()), m_out);
    std::fflush(m_out);
}

} // namespace server
