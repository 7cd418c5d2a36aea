#include "colouring.h"

namespace conversation
{

const QColor Colouring::kSpeaker(125, 125, 215);
const QColor Colouring::kAction(205, 125, 144);
const QColor Colouring::kOther(105, 150, 120);

namespace
{

// Literal prefix test: QString::startsWith never interprets the name.
bool beginsWith(const QString &line, qsizetype from, const QString &text)
{
    return QStringView(line).mid(from).startsWith(text);
}

} // namespace

std::vector<ColourRun> Colouring::runs(const QString &line, const QStringList &names)
{
    if (names.isEmpty())
        return {};

    const qsizetype len = line.size();
    for (const QString &p : names) {
        // public speech: "p: ..."
        if (line.startsWith(p) && beginsWith(line, p.size(), QStringLiteral(": "))) {
            if (p.isEmpty())
                return {};
            return {{0, p.size(), kSpeaker}};
        }
        // private speech: "*p*: ..."
        if (line.startsWith(QLatin1Char('*')) && beginsWith(line, 1, p) &&
            beginsWith(line, 1 + p.size(), QStringLiteral("*: "))) {
            if (p.isEmpty())
                return {};
            return {{1, p.size(), kSpeaker}};
        }
        // action or a named roll: "p ..."
        if (line.startsWith(p) && beginsWith(line, p.size(), QStringLiteral(" ")))
            return {{0, len, kAction}};
        // private action or private roll: "*p ...*"
        if (line.startsWith(QLatin1Char('*')) && beginsWith(line, 1, p) &&
            beginsWith(line, 1 + p.size(), QStringLiteral(" ")) &&
            line.endsWith(QLatin1Char('*'))) {
            // "*p " already takes at least three characters, so the inner part
            // between the two asterisks is never empty or negative.
            return {{1, len - 2, kAction}};
        }
    }

    // Nobody's line: narration or an anonymous roll. A lone "*" both begins
    // and ends with an asterisk but has no inside to colour.
    if (len >= 1 && line.startsWith(QLatin1Char('*')) && line.endsWith(QLatin1Char('*'))) {
        if (len <= 2)
            return {};
        return {{1, len - 2, kOther}};
    }
    if (len == 0)
        return {};
    return {{0, len, kOther}};
}

} // namespace conversation
