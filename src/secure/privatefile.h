#pragma once

#include <QByteArray>
#include <QString>

namespace secure
{

/**
 * @brief Replaces the file at @p path with @p bytes, readable only by the
 * user: written whole under another name, then renamed over it, so a crash
 * never leaves half a file. False with @p error (Italian) set otherwise.
 */
bool replacePrivateFile(const QString &path, const QByteArray &bytes, qint64 maxBytes, QString *error);

} // namespace secure
