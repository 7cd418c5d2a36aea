#include "transferprotocol.h"

namespace transfer {

QByteArray packetAnswer(int packetSize)
{
    return QByteArray(wire::kPacketAnswer) + QByteArray::number(packetSize);
}

QByteArray nameMessage(const QString &name)
{
    return QByteArray(wire::kName) + name.toLocal8Bit();
}

QByteArray sizeMessage(qint64 length)
{
    return QByteArray(wire::kSize) + QByteArray::number(length);
}

QString GetFileName(const QString &path)
{
    for (qsizetype i = path.size() - 1; i >= 0; --i) {
        if (path.at(i) == QLatin1Char('\\') || path.at(i) == QLatin1Char('/'))
            return path.mid(i + 1);
    }
    return QString();
}

} // namespace transfer
