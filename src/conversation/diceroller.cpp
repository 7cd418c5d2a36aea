#include "diceroller.h"

#include "chatsession.h"
#include "composer.h"
#include "rollwording.h"

#include <array>

namespace conversation
{

namespace
{

std::mt19937_64 seededEngine()
{
    std::random_device device;
    std::array<std::uint32_t, 8> words{};
    for (auto &w : words)
        w = device();
    std::seed_seq seq(words.begin(), words.end());
    return std::mt19937_64(seq);
}

} // namespace

DiceRoller::DiceRoller() : m_engine(seededEngine()) {}

DiceRoller::DiceRoller(std::uint64_t seed) : m_engine(seed) {}

int DiceRoller::rollDie(int faces)
{
    if (faces < 1)
        return 0;
    std::uniform_int_distribution<int> face(1, faces);
    return face(m_engine);
}

std::vector<int> DiceRoller::roll(int count, int faces)
{
    std::vector<int> dice;
    if (faces < 1 || count < 1)
        return dice;
    dice.reserve(size_t(count));
    for (int i = 0; i < count; ++i)
        dice.push_back(rollDie(faces));
    return dice;
}

int DiceRoller::listValue(const QString &text)
{
    bool ok = false;
    const int v = text.trimmed().toInt(&ok);
    return ok && v > 0 ? v : 0;
}

QString DiceRoller::detailText(const std::vector<int> &dice, bool details)
{
    if (!details || dice.size() < 2)
        return {};
    QString list;
    for (size_t i = 0; i < dice.size(); ++i) {
        if (i)
            list += QStringLiteral(", ");
        list += QString::number(dice[i]);
    }
    return QStringLiteral("\n« ") + list + QStringLiteral(" »");
}

qsizetype DiceRoller::detailStart(QStringView line)
{
    const QStringView open = u"\n\u00ab ";
    const QStringView close = u" \u00bb";
    if (!line.endsWith(close))
        return -1;
    const qsizetype start = line.lastIndexOf(open);
    const qsizetype first = start + open.size();
    const qsizetype last = line.size() - close.size();
    if (start < 0 || first > last)
        return -1;

    // number (", " number)+ with ASCII digits only, as detailText() writes it
    const QStringView list = line.mid(first, last - first);
    int numbers = 0;
    qsizetype pos = 0;
    while (true) {
        const qsizetype digits = pos;
        while (pos < list.size() && list[pos] >= u'0' && list[pos] <= u'9')
            ++pos;
        if (pos == digits)
            return -1;
        ++numbers;
        if (pos == list.size())
            break;
        if (!list.mid(pos).startsWith(u", "))
            return -1;
        pos += 2;
    }
    return numbers >= 2 ? start : -1;
}

QString DiceRoller::announcement(const QString &name, int count, int faces, int total,
                                 const QString &detail, bool isPrivate)
{
    using namespace dice::rollwording;
    QString line;
    if (isPrivate)
        line += kPrivateMark;
    line += name.isEmpty() ? kAnonymous : QStringView(name);
    line += kRolls;
    line += QString::number(count);
    line += kDie;
    line += QString::number(faces);
    line += kGets;
    line += QString::number(total);
    line += kEnd;
    if (isPrivate)
        line += kPrivateMark;
    return line + detail;
}

DiceRoller::Result DiceRoller::makeResult(const QString &name, int count, int faces, bool details)
{
    Result r;
    r.dice = roll(count, faces);
    for (int d : r.dice)
        r.total += d;
    r.detail = detailText(r.dice, details);
    r.publicLine = announcement(name, count, faces, r.total, r.detail, false);
    r.privateLine = announcement(name, count, faces, r.total, r.detail, true);
    return r;
}

DiceRoller::Result DiceRoller::rollAndAnnounce(session::ChatSession &chat, const QString &countText,
                                               const QString &facesText, bool details,
                                               bool isPrivate)
{
    Result r = makeResult(chat.name(), listValue(countText), listValue(facesText), details);
    r.delivered = Composer::deliver(chat, r.publicLine, r.privateLine, isPrivate, true);
    return r;
}

} // namespace conversation
