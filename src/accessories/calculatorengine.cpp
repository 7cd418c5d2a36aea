#include "calculatorengine.h"

#include <QLocale>

#include <cmath>

namespace accessories
{

CalculatorEngine::CalculatorEngine(QChar decimalPoint, QObject *parent)
    : QObject(parent), m_point(decimalPoint)
{
}

std::optional<CalculatorEngine::Key> CalculatorEngine::keyForCharacter(QChar c)
{
    if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
        return Key(int(Key::Digit0) + (c.unicode() - '0'));
    switch (c.unicode()) {
    case '.':
    case ',':
        return Key::Point;
    case '+':
        return Key::Add;
    case '-':
    case 0x2212: // the minus sign the buttons show
        return Key::Subtract;
    case '*':
    case 'x':
    case 'X':
    case 0x00D7:
        return Key::Multiply;
    case '/':
    case ':':
    case 0x00F7:
        return Key::Divide;
    case '=':
        return Key::Equals;
    default:
        return std::nullopt;
    }
}

void CalculatorEngine::press(Key key)
{
    switch (key) {
    case Key::Point:
        typePoint();
        break;
    case Key::Add:
        applyOperator(Op::Add);
        break;
    case Key::Subtract:
        applyOperator(Op::Subtract);
        break;
    case Key::Multiply:
        applyOperator(Op::Multiply);
        break;
    case Key::Divide:
        applyOperator(Op::Divide);
        break;
    case Key::Equals:
        equals();
        break;
    case Key::Sign:
        changeSign();
        break;
    case Key::Clear:
        clearAll();
        break;
    case Key::ClearEntry:
        clearEntry();
        break;
    case Key::Backspace:
        backspace();
        break;
    default:
        typeDigit(int(key) - int(Key::Digit0));
        break;
    }
    changed();
}

bool CalculatorEngine::enterNumber(const QString &text)
{
    QString t = text.trimmed();
    t.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double v = QLocale::c().toDouble(t, &ok);
    if (!ok || !std::isfinite(v) || std::fabs(v) >= kMaxMagnitude)
        return false;
    if (m_error != Error::None)
        clearAll();
    // Typed numbers are kept as typed; a pasted one as the calculator
    // would show it, so what follows behaves the same.
    m_entry = format(v);
    m_entry.replace(m_point, QLatin1Char('.'));
    m_typing = true;
    m_operatorLast = false;
    changed();
    return true;
}

QString CalculatorEngine::display() const
{
    switch (m_error) {
    case Error::DivisionByZero:
        return tr("Impossibile dividere per zero");
    case Error::Overflow:
        return tr("Numero troppo grande");
    case Error::None:
        break;
    }
    if (m_typing) {
        QString shown = m_entry;
        shown.replace(QLatin1Char('.'), m_point);
        return shown;
    }
    return format(m_shown);
}

double CalculatorEngine::value() const
{
    return m_typing ? QLocale::c().toDouble(m_entry) : m_shown;
}

void CalculatorEngine::typeDigit(int digit)
{
    if (m_error != Error::None)
        clearAll();
    if (!m_typing) {
        // A digit after "=" starts a new calculation.
        if (m_pending == Op::None)
            m_repeatOp = Op::None;
        m_entry = QStringLiteral("0");
        m_typing = true;
    }
    int digits = 0;
    for (QChar c : std::as_const(m_entry))
        digits += c.isDigit() ? 1 : 0;
    const bool onlyZero = m_entry == QLatin1String("0") || m_entry == QLatin1String("-0");
    if (digits >= kMaxDigits && !onlyZero)
        return;
    if (onlyZero)
        m_entry.chop(1);
    m_entry += QChar(QLatin1Char('0' + digit));
    m_operatorLast = false;
}

void CalculatorEngine::typePoint()
{
    if (m_error != Error::None)
        clearAll();
    if (!m_typing) {
        if (m_pending == Op::None)
            m_repeatOp = Op::None;
        m_entry = QStringLiteral("0.");
        m_typing = true;
    } else if (!m_entry.contains(QLatin1Char('.'))) {
        m_entry += QLatin1Char('.');
    }
    m_operatorLast = false;
}

void CalculatorEngine::applyOperator(Op op)
{
    if (m_error != Error::None)
        return;
    if (m_operatorLast) {
        // A second operator key corrects the first.
        m_pending = op;
        return;
    }
    const double operand = value();
    if (m_pending != Op::None) {
        const auto result = compute(m_accumulator, m_pending, operand);
        if (!result)
            return;
        m_accumulator = *result;
    } else {
        m_accumulator = operand;
    }
    m_shown = m_accumulator;
    m_pending = op;
    m_typing = false;
    m_operatorLast = true;
}

void CalculatorEngine::equals()
{
    if (m_error != Error::None)
        return;
    double left = 0;
    if (m_pending != Op::None) {
        // "5 × =" multiplies the number shown by itself, as pocket calculators do.
        m_repeatOp = m_pending;
        m_repeatOperand = value();
        left = m_accumulator;
    } else if (m_repeatOp != Op::None) {
        left = value();
    } else {
        m_shown = value();
        m_typing = false;
        return;
    }
    const auto result = compute(left, m_repeatOp, m_repeatOperand);
    m_pending = Op::None;
    m_typing = false;
    m_operatorLast = false;
    if (result)
        m_shown = *result;
}

void CalculatorEngine::changeSign()
{
    if (m_error != Error::None)
        return;
    if (!m_typing) {
        // The result shown becomes the number being typed, negated, so it
        // can be used as the next operand.
        m_entry = format(m_shown);
        m_entry.replace(m_point, QLatin1Char('.'));
        m_typing = true;
    }
    if (QLocale::c().toDouble(m_entry) == 0)
        return;
    if (m_entry.startsWith(QLatin1Char('-')))
        m_entry.remove(0, 1);
    else
        m_entry.prepend(QLatin1Char('-'));
    m_operatorLast = false;
}

void CalculatorEngine::clearAll()
{
    m_accumulator = 0;
    m_shown = 0;
    m_pending = Op::None;
    m_repeatOp = Op::None;
    m_repeatOperand = 0;
    m_entry.clear();
    m_typing = false;
    m_operatorLast = false;
    m_error = Error::None;
}

void CalculatorEngine::clearEntry()
{
    // After an error nothing pending can be trusted: start again.
    if (m_error != Error::None) {
        clearAll();
        return;
    }
    m_entry = QStringLiteral("0");
    m_typing = true;
    m_operatorLast = false;
}

void CalculatorEngine::backspace()
{
    if (m_error != Error::None) {
        clearAll();
        return;
    }
    if (!m_typing)
        return; // a result is not typed: there is no digit to take back
    m_entry.chop(1);
    if (m_entry.isEmpty() || m_entry == QLatin1String("-"))
        m_entry = QStringLiteral("0");
}

std::optional<double> CalculatorEngine::compute(double a, Op op, double b)
{
    double r = 0;
    switch (op) {
    case Op::Add:
        r = a + b;
        break;
    case Op::Subtract:
        r = a - b;
        break;
    case Op::Multiply:
        r = a * b;
        break;
    case Op::Divide:
        if (b == 0) {
            m_error = Error::DivisionByZero;
            return std::nullopt;
        }
        r = a / b;
        break;
    case Op::None:
        r = b;
        break;
    }
    if (!std::isfinite(r) || std::fabs(r) >= kMaxMagnitude) {
        m_error = Error::Overflow;
        return std::nullopt;
    }
    return r;
}

QString CalculatorEngine::format(double v) const
{
    if (v == 0)
        return QStringLiteral("0"); // never "-0"
    QString text = QLocale::c().toString(v, 'g', kResultDigits);
    text.replace(QLatin1Char('.'), m_point);
    return text;
}

void CalculatorEngine::changed()
{
    emit displayChanged(display());
}

} // namespace accessories
