#pragma once

#include <QString>

#include <cstdint>
#include <optional>
#include <random>
#include <vector>

namespace session
{
class ChatSession;
}

namespace conversation
{

/**
 * @brief Rolls dice and announces the result to the room.
 *
 * One generator, seeded once: reseeding per die from a clock would make the
 * dice of one roll repeat. Faces are drawn with a uniform integer
 * distribution, so no face is favoured by a modulo.
 */
class DiceRoller
{
public:
    /// A generator seeded from the system's entropy source.
    DiceRoller();
    /// A generator with a fixed seed, so tests can repeat a sequence.
    explicit DiceRoller(std::uint64_t seed);

    /// One die of @p faces faces (at least 1): a value from 1 to faces.
    int rollDie(int faces);
    /// @p count dice of @p faces faces in the order rolled; none when either is 0.
    std::vector<int> roll(int count, int faces);

    /// The value a dice list's text stands for: its number, 0 when empty or not a number.
    static int listValue(const QString &text);

    /// "« 4, 1, 6 »" after a line break when details are on and there are two
    /// dice or more; empty otherwise. The break is a lone LF so the whole
    /// announcement stays one protocol line.
    static QString detailText(const std::vector<int> &dice, bool details);

    /**
     * @brief Where the detail that detailText() makes begins in @p line: the
     * index of its line break when the line ends with one ("\n« " and two
     * or more numbers joined by ", ", then " »"), -1 otherwise. This is the
     * only line break a conversation line may show.
     */
    static qsizetype detailStart(QStringView line);

    /// "who lancia NdF ed ottiene T." (or "*...*" when private) followed by the detail.
    static QString announcement(const QString &name, int count, int faces, int total,
                                const QString &detail, bool isPrivate);

    /// What one roll produced, for the hidden boxes of the window.
    struct Result {
        std::vector<int> dice;
        int total = 0;
        QString detail; ///< the text of the detail box after the roll
        QString publicLine;
        QString privateLine;
        /// False for a private roll in a session with nobody chosen: it was
        /// neither sent nor shown.
        bool delivered = true;
    };

    /**
     * @brief Rolls @p countText dice of @p facesText faces (list texts),
     * delivers the announcement by the sender's role and echoes it. An empty
     * name makes the roll anonymous ("Qualcuno") instead of stopping it.
     */
    Result rollAndAnnounce(session::ChatSession &chat, const QString &countText,
                           const QString &facesText, bool details, bool isPrivate);

    /// Builds the result of a roll without sending anything.
    Result makeResult(const QString &name, int count, int faces, bool details);

private:
    std::mt19937_64 m_engine;
};

} // namespace conversation
