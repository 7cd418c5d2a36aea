#pragma once

#include "boardhistory.h"
#include "connectionindex.h"
#include "hostrelay.h"
#include "peernotes.h"
#include "recapfilter.h"
#include "recenttalk.h"
#include "seats.h"
#include "sinks.h"

#include <QString>
#include <QTcpSocket>

class QStringListModel;

namespace session
{

class ParticipantList;
class TableBoard;
class TableDice;
class TrafficLog;

/**
 * @brief What the coordinator shares with its dispatcher, its table board
 * and its dice: the role and the confirmed name, where lines are shown, the
 * lists a received line changes, what the host keeps and notes of the
 * table, and the board and the dice themselves. The coordinator owns it and
 * sets the role, the name and the doors; the others read them and keep the
 * lists and records up to date.
 */
struct TableState {
    bool host = false; ///< bHost
    QString myName;    ///< sMyName: the last confirmed own name

    ConversationSink *conversation = nullptr;
    BoardSink *board = nullptr;
    MessageService *messages = nullptr;

    ParticipantList *people = nullptr;       ///< lstConnections
    QStringListModel *combo = nullptr;       ///< ComboIP
    QStringListModel *recipients = nullptr;  ///< lstClientNome of the transfer window
    TrafficLog *received = nullptr;          ///< lstReceived
    TableBoard *table = nullptr;
    TableDice *dice = nullptr;

    QTcpSocket *client = nullptr; ///< sckConnect
    HostRelay *relay = nullptr;   ///< sckConnection, element 0 and the clients

    BoardHistory history; ///< host: the drawing newcomers are sent
    RecentTalk talk;      ///< host: the last public lines, sent after the board
    Seats seats;          ///< the seat tokens given out, or the one our host gave us
    RecapFilter recap;    ///< client: the talk in the pane, against a return's recap
    PeerNotes peers;      ///< host: what each client connection said of itself

    void status(const QString &text) const
    {
        if (conversation)
            conversation->UpdateStatus(text);
    }
    bool clientConnected() const { return client->state() == QAbstractSocket::ConnectedState; }
    /// Bytes written to connection @p index (kHostIndex: the client socket)
    /// and not yet taken by the system.
    qint64 unsentBytes(qint16 index) const
    {
        return index == kHostIndex ? client->bytesToWrite() : relay->unsentBytes(index);
    }
};

} // namespace session
