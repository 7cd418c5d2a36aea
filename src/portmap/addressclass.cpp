#include "addressclass.h"

#include <QStringList>

namespace portmap {

namespace {

bool parseDotted(const QString &text, quint32 *out)
{
    const QStringList parts = text.split(QLatin1Char('.'));
    if (parts.size() != 4)
        return false;
    quint32 value = 0;
    for (const QString &part : parts) {
        // Plain decimal only: no signs, spaces, hex or octal spellings.
        if (part.isEmpty() || part.size() > 3)
            return false;
        for (QChar c : part) {
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return false;
        }
        const uint byte = part.toUInt();
        if (byte > 255)
            return false;
        value = (value << 8) | byte;
    }
    *out = value;
    return true;
}

constexpr bool inNet(quint32 a, quint32 net, int bits)
{
    const quint32 mask = bits == 0 ? 0 : ~quint32(0) << (32 - bits);
    return (a & mask) == net;
}

} // namespace

AddressClass classifyIPv4(const QString &text)
{
    quint32 a = 0;
    if (!parseDotted(text.trimmed(), &a))
        return AddressClass::Unusable;
    if (inNet(a, 0x0A000000, 8) || inNet(a, 0xAC100000, 12) || inNet(a, 0xC0A80000, 16))
        return AddressClass::Private;
    if (inNet(a, 0x64400000, 10))
        return AddressClass::Shared;
    if (inNet(a, 0x00000000, 8) || inNet(a, 0x7F000000, 8) || inNet(a, 0xA9FE0000, 16) ||
        inNet(a, 0xE0000000, 4) || inNet(a, 0xF0000000, 4) || inNet(a, 0xC0000000, 24))
        return AddressClass::Unusable;
    return AddressClass::Public;
}

} // namespace portmap
