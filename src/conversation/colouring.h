#pragma once

#include <QColor>
#include <QString>
#include <QStringList>

#include <vector>

namespace conversation
{

/// One stretch of a conversation line drawn in a colour other than black.
struct ColourRun {
    qsizetype start = 0; ///< offset in the line, in UTF-16 units
    qsizetype length = 0;
    QColor colour;

    bool operator==(const ColourRun &other) const = default;
};

/**
 * @brief Decides which parts of a new conversation line are coloured.
 *
 * The speakers are recognised from the participant names, compared
 * literally, so names made of punctuation (".", "*", "(") behave like any
 * other name. Everything not covered by a run stays black.
 */
class Colouring
{
public:
    static const QColor kSpeaker; ///< speaker name (125, 125, 215)
    static const QColor kAction;  ///< action lines and named rolls (205, 125, 144)
    static const QColor kOther;   ///< narration and anonymous rolls (105, 150, 120)

    /**
     * @brief The coloured runs of @p line (the text after any time stamp),
     * with @p names in the order of the participant list. An empty name
     * list means no session: nothing is coloured.
     */
    static std::vector<ColourRun> runs(const QString &line, const QStringList &names);
};

} // namespace conversation
