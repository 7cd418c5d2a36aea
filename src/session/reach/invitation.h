#pragma once

#include <QString>

#include <optional>

namespace session {

/**
 * @brief An invitation link, "tavernix://ADDRESS:PORT": what a host gives the
 * others so their program fills in "Server:" and the port. An IPv6 address
 * goes in brackets ("tavernix://[2001:db8::1]:2600").
 */
struct Invitation {
    QString host; ///< IPv4 or IPv6 address (without brackets) or a host name
    quint16 port = 0;

    /// Longest link accepted; real ones are far shorter.
    static constexpr int kMaxLength = 300;
    inline static const QString kScheme = QStringLiteral("tavernix");

    /// The link for @p host and @p port.
    static QString format(const QString &host, quint16 port);
    /// True when @p text is meant as a link (it starts with the scheme), valid or not.
    static bool isLink(const QString &text);
    /**
     * @brief Reads @p text as a link. A link with anything but a plain
     * address or host name and a port from 1 to 65535 is refused:
     * nullopt, and @p error (when given) says why, in Italian.
     */
    static std::optional<Invitation> parse(const QString &text, QString *error = nullptr);
    /// What the user sees when a link is refused: "Invito non valido: " and the reason.
    static QString refusal(const QString &reason);
};

} // namespace session
