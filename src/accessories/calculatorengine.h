#pragma once

#include <QChar>
#include <QObject>
#include <QString>

#include <optional>

namespace accessories
{

/**
 * @brief A pocket calculator: the keys go in one at a time, the display
 * comes out.
 *
 * Operations are worked out left to right as they are keyed, as on a pocket
 * calculator ("2 + 3 × 4 =" gives 20, not 14); "=" pressed again repeats
 * the last operation. A division by zero or a result too large to show puts
 * the calculator in an error state whose display says so; the next digit,
 * "C" or "CE" leaves it. The display uses the decimal separator given at
 * construction.
 */
class CalculatorEngine : public QObject
{
    Q_OBJECT
public:
    enum class Key {
        Digit0,
        Digit1,
        Digit2,
        Digit3,
        Digit4,
        Digit5,
        Digit6,
        Digit7,
        Digit8,
        Digit9,
        Point,
        Add,
        Subtract,
        Multiply,
        Divide,
        Equals,
        Sign,       ///< changes the sign of the number shown
        Clear,      ///< "C": everything, pending operation included
        ClearEntry, ///< "CE": only the number being typed
        Backspace,  ///< the last digit typed
    };
    enum class Error { None, DivisionByZero, Overflow };

    /// How many digits a typed number may have, as on a pocket calculator's display.
    static constexpr int kMaxDigits = 12;
    /// Significant digits a result is shown with (fewer would hide typed digits).
    static constexpr int kResultDigits = 12;
    /// A result at or beyond this magnitude is an overflow error.
    static constexpr double kMaxMagnitude = 1e100;

    explicit CalculatorEngine(QChar decimalPoint = QLatin1Char('.'), QObject *parent = nullptr);

    /// The key a typed character stands for: digits, "." or ",", "+", "-",
    /// "*", "x", "/", ":", "="; nothing for any other character.
    static std::optional<Key> keyForCharacter(QChar c);

    void press(Key key);
    /**
     * @brief Takes @p text (a number pasted or typed whole) as the number
     * being typed. Accepts either decimal separator, a leading sign and
     * surrounding spaces; returns false and changes nothing otherwise.
     */
    bool enterNumber(const QString &text);

    /// What the display shows: the number being typed, a result or the error.
    QString display() const;
    Error error() const { return m_error; }
    /// The number shown, when it is a number (not in the error state).
    double value() const;

signals:
    void displayChanged(const QString &text);

private:
    enum class Op { None, Add, Subtract, Multiply, Divide };
    void typeDigit(int digit);
    void typePoint();
    void applyOperator(Op op);
    void equals();
    void changeSign();
    void clearAll();
    void clearEntry();
    void backspace();
    /// @p a op @p b, or the error it gives (state set, nullopt returned).
    std::optional<double> compute(double a, Op op, double b);
    QString format(double v) const;
    void changed();

    QChar m_point;
    double m_accumulator = 0; ///< the left operand of the pending operation
    double m_shown = 0;       ///< the result shown when nothing is typed
    Op m_pending = Op::None;
    Op m_repeatOp = Op::None; ///< what "=" repeats
    double m_repeatOperand = 0;
    QString m_entry; ///< the number being typed, with "." as separator
    bool m_typing = false;
    bool m_operatorLast = false; ///< the last key was an operator
    Error m_error = Error::None;
};

} // namespace accessories
