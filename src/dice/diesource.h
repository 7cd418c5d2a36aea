#pragma once

#include <QtGlobal>

#include <optional>

namespace dice
{

/**
 * @brief Where the throws of a roll come from.
 *
 * Every source that draws from random words maps them to faces through
 * faceFromWord(), so a face count that does not divide 2^32 favours no face.
 */
class DieSource
{
public:
    virtual ~DieSource() = default;

    /// One throw of a die of @p faces faces (1 to 1000): 1 to faces, or
    /// nothing when the source cannot give one (a replay run dry).
    virtual std::optional<int> draw(int faces) = 0;

    /**
     * @brief The face @p word stands for, by rejection: words below the
     * largest multiple of @p faces under 2^32 give (word mod faces) + 1;
     * the few above it give nothing and the next word is taken.
     */
    static std::optional<int> faceFromWord(quint32 word, int faces)
    {
        const quint64 span = quint64(1) << 32;
        const quint64 accepted = span - span % quint64(faces);
        if (word >= accepted)
            return std::nullopt;
        return int(word % quint32(faces)) + 1;
    }
};

} // namespace dice
