#pragma once

#include "expression.h"

#include <QString>
#include <QStringView>

#include <optional>

namespace dice
{

/**
 * @brief Reads a dice expression as a player types it ("4d6kh3", "1d20+5
 * attacco", "10d10>=8f1x2"), within limits that a hostile or mistyped text
 * cannot pass.
 *
 * The same reader and the same limits serve what the user types and what
 * arrives from the network. Letters may be upper or lower case; spaces may
 * stand around "+" and "-"; whatever follows the sum after a space is the
 * label.
 */
class ExpressionParser
{
public:
    static constexpr int kMaxLength = 200; ///< characters of the whole text, label included
    static constexpr int kMaxLabel = 60;   ///< characters of the label
    static constexpr int kMaxDice = 100;   ///< dice of one roll, before explosions
    static constexpr int kMaxFaces = 1000; ///< faces of one die
    static constexpr int kMaxTerms = 20;   ///< groups and constants of one sum
    static constexpr int kMaxConstant = 10000;
    static constexpr int kMaxDigits = 6; ///< longer numbers are refused before reading them

    enum class ErrorCode {
        None,
        Empty,
        TooLong,
        MissingTerm,  ///< the text ends where a group or a number should be
        ExpectedTerm, ///< something else stands where a group or a number should be
        Unexpected,   ///< something that is neither a modifier nor a sign follows a term
        MissingFaces,
        MissingNumber,
        NumberTooBig,
        NoDice,
        ZeroCount,
        TooManyDice,
        FacesOutOfRange,
        TooManyTerms,
        ConstantTooBig,
        Repeated,
        KeepOutOfRange,
        RerollNotAFace,
        OneFace, ///< a one-faced die would explode or be rerolled for ever
        FudgeModifier,
        TargetOutOfRange,
        PoolOnly,
        FailureOutOfRange,
        MixedPool,
        LabelTooLong,
        BadLabel,
    };

    /// What was wrong and where; message() says it in a sentence.
    struct Error {
        ErrorCode code = ErrorCode::None;
        int position = 0; ///< 1-based character of the text; 0 when the whole text is meant
        QString token;    ///< the piece of text at fault
        int value = 0;    ///< a number the message names (a limit, a count, the faces)
        int other = 0;

        QString message() const;
    };

    struct Result {
        std::optional<Expression> expression;
        Error error;
        bool ok() const { return expression.has_value(); }
    };

    /// Parses @p text; on failure the result holds the first fault found.
    static Result parse(QStringView text);
};

} // namespace dice
