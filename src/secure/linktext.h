#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace secure
{

/// Bytes as a link carries them: URL-safe Base64 without padding.
QString encodeLinkText(const QByteArray &bytes);

/**
 * @brief The @p bytes bytes @p text carries in the link form; nullopt for
 * any other character, length or spare bits, so that one value has exactly
 * one text.
 */
std::optional<QByteArray> decodeLinkText(const QString &text, int bytes);

} // namespace secure
