#include "namebounds.h"

namespace session
{

QString boundedName(QStringView name)
{
    if (name.size() <= kMaxNameLength)
        return name.toString();
    qsizetype size = kMaxNameLength;
    if (name[size - 1].isHighSurrogate() && name[size].isLowSurrogate())
        --size;
    return name.left(size).toString();
}

QString boundedAddressEntry(QStringView entry)
{
    static const QString separator = QStringLiteral(" - ");
    const qsizetype at = entry.lastIndexOf(separator);
    if (at < 0)
        return boundedName(entry);
    const QStringView address = entry.mid(at + separator.size());
    if (address.size() > kMaxAddressLength)
        return {};
    if (at <= kMaxNameLength)
        return entry.toString();
    return boundedName(entry.left(at)) + separator + address.toString();
}

} // namespace session
