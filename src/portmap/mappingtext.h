#pragma once

#include "gatewayclient.h"

#include <QString>

namespace portmap {

/**
 * @brief What the user is told about @p outcome, in plain Italian: the
 * address to give the others, or why the port could not be opened and what
 * may help.
 */
QString describe(const Outcome &outcome);

/**
 * @brief The short form of describe(@p outcome) for the main window's status
 * box, read there whole without scrolling: what happened, without the
 * advice, and where the whole answer is to be read ("Raggiungibilità").
 */
QString brief(const Outcome &outcome);

/// Said while the gateway is being asked to open @p port.
QString askingText(quint16 port);
/// Said when automatic opening is switched off.
QString disabledText();

} // namespace portmap
