// The dispatcher behind a real session, over real loopback sockets.
//
// Input: a flags byte, a byte seeding the cuts, then protocol bytes.
// - Flags bit 0 clear: a host with three raw clients joined; the bytes are
//   cut into writes and each write goes out on one of the clients.
//   Bit 1: the first client joins under the host's own name.
// - Flags bit 0 set: a client session joined to a raw host; the bytes are
//   what that host sends it.
// A fresh session and fresh connections serve every input, so a saved input
// replays alone. After the bytes every connection sends a closing line and
// the event loop runs until all of them have been handled everywhere.
//
// Invariants, host: the host's entry keeps its tag and name and the clients
// keep theirs; nobody else appears in the list; the address list stays
// within what three connections may add and keeps the host's own entry; the
// board gets colours of 24 bits and palette indexes that are not negative;
// nobody is told a new name; no message box opens; what the host sends is
// bounded by what it receives.
// Invariants, client: the same for the board; the client answers only with
// the two lines that follow a confirmed name, and its name is the last one
// the host confirmed.
// Invariants, both, for pictures and grids shared with the table: what is
// shown is a PNG or JPEG file of at most 16 MiB whose fingerprint matched,
// and a grid of a known kind in 24-bit colour; what pictures on their way
// hold stays bounded; what the host keeps for newcomers is a whole picture.

#include "namebounds.h"
#include "fuzzkit.h"
#include "lineframer.h"
#include "pictureassembler.h"
#include "sessiontestkit.h"
#include "tableboard.h"
#include "tags.h"

#include <QHostAddress>
#include <QStringListModel>
#include <QTcpServer>

using testkit::Peer;
using testkit::RawClient;
namespace tag = session::tag;

namespace
{

const QString kHostName = QStringLiteral("Oste");
constexpr int kClients = 3;

/// The closing line of connection @p who for this input.
QByteArray endMarker(int who)
{
    return QByteArrayLiteral("\x01" "fine-") + QByteArray::number(who);
}
QByteArray endLine(int who)
{
    // The CR LF first ends whatever partial or over-long line the input left.
    return QByteArrayLiteral("\r\n[Messaggio]") + endMarker(who) + QByteArrayLiteral("\r\n");
}

/// The lines of a byte stream as the receiving framer cuts them.
QList<QString> linesOf(const QByteArray &stream)
{
    QList<QString> lines;
    qsizetype pos = 0;
    for (qsizetype end; (end = stream.indexOf("\r\n", pos)) >= 0; pos = end + 2)
        lines.append(session::decodeText(stream.mid(pos, end - pos)));
    return lines;
}

void checkBoard(const testkit::RecordingBoard &board)
{
    const auto inRange = [](qint32 colour) { return colour >= 0 && colour <= 0xFFFFFF; };
    for (const auto &f : board.lines)
        FUZZ_CHECK(inRange(f.colour), "line colour " + QByteArray::number(f.colour));
    for (const auto &f : board.circles)
        FUZZ_CHECK(inRange(f.colour), "circle colour " + QByteArray::number(f.colour));
    for (const auto &f : board.fills)
        FUZZ_CHECK(inRange(f.colour), "fill colour " + QByteArray::number(f.colour));
    for (const auto &t : board.texts)
        FUZZ_CHECK(t.palette >= 0, "palette index " + QByteArray::number(t.palette));
}

/// Shared pictures and grids as the board would get them.
struct SharedRecorder : session::SharedBoardSink {
    void showSharedPicture(const QByteArray &encoded, const QString &) override
    {
        FUZZ_CHECK(session::PictureAssembler::looksLikePicture(encoded),
                   "a shared picture that is no PNG or JPEG was shown");
        FUZZ_CHECK(encoded.size() <= session::PictureAssembler::kMaxBytes,
                   "a shared picture of " + QByteArray::number(encoded.size()) + " bytes was shown");
    }
    void showSharedGrid(const session::GridFields &grid) override
    {
        FUZZ_CHECK(grid.kind >= 0 && grid.kind <= 3, "grid kind " + QByteArray::number(grid.kind));
        FUZZ_CHECK(grid.colour >= 0 && grid.colour <= 0xFFFFFF,
                   "grid colour " + QByteArray::number(grid.colour));
    }
};

void checkShared(session::TableBoard *table)
{
    FUZZ_CHECK(table->incomingCapacity() <= 2 * session::TableBoard::kMaxIncomingBytes,
               QByteArray::number(table->incomingCapacity()) + " bytes held by pictures on their way");
    if (!table->pictureLines().isEmpty()) {
        // What a newcomer would be sent is a whole, checked picture.
        session::PictureAssembler a;
        const QList<QByteArray> &lines = table->pictureLines();
        const auto announce = session::PictureAssembler::parseStart(
            session::splitTag(session::decodeText(QByteArrayView(lines[0]).chopped(2))).params);
        FUZZ_CHECK(announce && a.start(*announce) == session::PictureAssembler::Result::Incomplete,
                   "the kept picture does not start right");
        session::PictureAssembler::Result r = session::PictureAssembler::Result::Incomplete;
        for (qsizetype i = 1; i < lines.size(); ++i)
            r = a.part(session::splitTag(session::decodeText(QByteArrayView(lines[i]).chopped(2))).params);
        FUZZ_CHECK(r == session::PictureAssembler::Result::Complete, "the kept picture is not whole");
    }
}

bool dialogHas(const testkit::RecordingConversation &c, const QByteArray &marker)
{
    const QString text = session::decodeText(marker);
    for (const QString &line : c.dialog) {
        if (line == text)
            return true;
    }
    return false;
}

bool linesHave(const RawClient &client, const QByteArray &line)
{
    return client.lines.contains(line);
}

void hostInput(uint8_t flags, fuzzkit::Rng &rng, const QByteArray &stream)
{
    Peer host(kHostName);
    SharedRecorder shared;
    host->tableBoard()->setSink(&shared);
    const quint16 port = host.host();
    FUZZ_CHECK(port != 0, "the host does not listen");
    const QString hostAddress = host->addressList()->stringList().value(0);

    std::vector<std::unique_ptr<RawClient>> clients;
    for (int i = 0; i < kClients; ++i) {
        clients.push_back(std::make_unique<RawClient>());
        const QString name = (i == 0 && (flags & 2)) ? kHostName : QStringLiteral("Giocatore%1").arg(i + 1);
        // One at a time, so client i is element i + 1.
        RawClient &c = *clients.back();
        c.socket.connectToHost(QHostAddress::LocalHost, port);
        FUZZ_CHECK(fuzzkit::runUntil([&] { return c.socket.state() == QAbstractSocket::ConnectedState; }),
                   "a client could not connect");
        c.send(tag::Connessione + name);
        c.send(tag::Listato);
        FUZZ_CHECK(fuzzkit::runUntil([&] {
                       for (const QByteArray &line : c.lines) {
                           if (line.startsWith("[Rename di Connessione]"))
                               return true;
                       }
                       return false;
                   }),
                   "a client was not welcomed");
    }
    // The last relay of every join has reached everyone.
    FUZZ_CHECK(fuzzkit::runUntil([&] {
                   for (const auto &c : clients) {
                       if (!c->lines.contains(QByteArrayLiteral("[Aggiorna Listato InviaFile]")))
                           return false;
                   }
                   return host->participants()->count() == kClients + 1;
               }),
               "the joins did not settle");

    const qsizetype sentBefore = host->sentLog()->size();
    const qsizetype receivedBefore = host->receivedLog()->size();
    const qsizetype boxesBefore = host.messages.shown.size() + host.messages.asked.size();

    QByteArray perClient[kClients];
    for (const QByteArray &piece : fuzzkit::cutIntoReads(stream, rng)) {
        const int who = int(rng.below(kClients));
        perClient[who] += piece;
        clients[size_t(who)]->socket.write(piece);
    }
    for (int i = 0; i < kClients; ++i) {
        clients[size_t(i)]->socket.write(endLine(i));
        clients[size_t(i)]->socket.flush();
    }
    const bool settled = fuzzkit::runUntil([&] {
        for (int i = 0; i < kClients; ++i) {
            if (!dialogHas(host.conversation, endMarker(i)))
                return false;
            // Relays go out in order: once a client has the others' closing
            // lines it has everything the host sent it for this input.
            for (int j = 0; j < kClients; ++j) {
                if (j != i && !linesHave(*clients[size_t(i)], QByteArrayLiteral("[Messaggio]") + endMarker(j)))
                    return false;
            }
        }
        return true;
    });
    FUZZ_CHECK(settled, "the host did not handle every connection's closing line");

    // Lists: the host and the three clients, each under its own tag.
    session::ParticipantList *people = host->participants();
    FUZZ_CHECK(people->count() == kClients + 1, "the list has " + QByteArray::number(people->count()) + " entries");
    QList<qint32> tags;
    for (int row = 0; row < people->count(); ++row)
        tags.append(people->tagAt(row));
    std::sort(tags.begin(), tags.end());
    FUZZ_CHECK((tags == QList<qint32>{-1, 1, 2, 3}), "entry tags changed");
    FUZZ_CHECK(people->sConnectionName(-1) == kHostName, "a client renamed the host's entry: " +
                                                             people->sConnectionName(-1).toUtf8());
    FUZZ_CHECK(host->sMyName() == kHostName, "a client changed the host's own name");

    const QStringList addresses = host->addressList()->stringList();
    FUZZ_CHECK(addresses.size() <= 1 + kClients * session::ChatSession::kMaxAddressEntriesPerConnection,
               "the address list grew to " + QByteArray::number(addresses.size()));
    FUZZ_CHECK(addresses.contains(hostAddress), "the host's own address entry is gone");

    checkBoard(host.board);
    checkShared(host->tableBoard());
    FUZZ_CHECK(host.messages.shown.size() + host.messages.asked.size() == boxesBefore,
               "a client made the host show a message box");

    // Nobody is told a name but at its own join.
    for (size_t i = 0; i < clients.size(); ++i) {
        int renames = 0;
        for (const QByteArray &line : clients[i]->lines)
            renames += line.startsWith("[Rename di Connessione]") ? 1 : 0;
        FUZZ_CHECK(renames == 1, "client " + QByteArray::number(qulonglong(i)) + " was renamed by the host");
    }

    // Per received line the host sends at most the twelve text messages to
    // the two other clients, plus the address list once per connection.
    const qsizetype received = host->receivedLog()->size() - receivedBefore;
    const qsizetype sent = host->sentLog()->size() - sentBefore;
    const qsizetype allowed = 24 * received + kClients * (addresses.size() + 1) + 16;
    FUZZ_CHECK(sent <= allowed, QByteArray::number(sent) + " lines sent for " + QByteArray::number(received));

    // The host read every line the clients wrote, none twice, none made up.
    qsizetype expected = 0;
    for (int i = 0; i < kClients; ++i) {
        const QList<QString> lines = linesOf(perClient[i] + endLine(i));
        qsizetype kept = 0;
        for (const QString &line : lines)
            kept += line.size() <= session::LineFramer::kDefaultLimit ? 1 : 0;
        expected += kept;
    }
    FUZZ_CHECK(received == expected, QByteArray::number(received) + " lines logged as received, " +
                                         QByteArray::number(expected) + " written");

    for (auto &c : clients) {
        fuzzkit::resetOnClose(c->socket.socketDescriptor());
        c->socket.abort();
    }
}

void clientInput(fuzzkit::Rng &rng, const QByteArray &stream)
{
    QTcpServer fakeHost;
    FUZZ_CHECK(fakeHost.listen(QHostAddress::LocalHost, 0), "the raw host does not listen");
    Peer client(QStringLiteral("Giocatore"));
    SharedRecorder shared;
    client->tableBoard()->setSink(&shared);
    client->setConnectWait(0);
    client->setPort(fakeHost.serverPort());
    client->cmdConnect_Click(QStringLiteral("127.0.0.1"));

    QTcpSocket *link = nullptr;
    QByteArray fromClient;
    FUZZ_CHECK(fuzzkit::runUntil([&] {
                   if (!link && fakeHost.hasPendingConnections())
                       link = fakeHost.nextPendingConnection();
                   if (link)
                       fromClient += link->readAll();
                   return fromClient.contains("[Aggiorna Listato InviaFile]\r\n");
               }),
               "the client did not introduce itself");
    const qsizetype introduced = fromClient.size();

    for (const QByteArray &piece : fuzzkit::cutIntoReads(stream, rng))
        link->write(piece);
    link->write(endLine(0));
    link->flush();
    FUZZ_CHECK(fuzzkit::runUntil([&] {
                   fromClient += link->readAll();
                   return dialogHas(client.conversation, endMarker(0));
               }),
               "the client did not handle the closing line");
    // Its answers to the last lines may still be on their way.
    QCoreApplication::processEvents();
    fromClient += link->readAll();

    checkBoard(client.board);
    checkShared(client->tableBoard());

    int renames = 0;
    QString lastName;
    for (const QString &line : linesOf(stream + endLine(0))) {
        const session::TaggedLine split = session::splitTag(line);
        if (split.tag == tag::Rename && !split.params.isEmpty()) {
            ++renames;
            lastName = session::boundedName(split.params); // a name too long is cut
        }
    }
    FUZZ_CHECK(client->sMyName() == lastName, "the client's name is not the one last confirmed");

    const QList<QString> answers = linesOf(fromClient.mid(introduced));
    FUZZ_CHECK(answers.size() <= 2 * renames, QByteArray::number(answers.size()) + " answers to " +
                                                  QByteArray::number(renames) + " confirmations");
    for (const QString &answer : answers) {
        const QString answerTag = session::splitTag(answer).tag;
        FUZZ_CHECK(answerTag == tag::ComboIP || answerTag == tag::NeoConnesso,
                   "the client answered " + answer.toUtf8());
    }

    fuzzkit::resetOnClose(link->socketDescriptor());
    link->abort();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzzkit::application<QCoreApplication>();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    const uint8_t flags = data[0];
    fuzzkit::Rng rng(data[1]);
    const QByteArray stream(reinterpret_cast<const char *>(data + 2), qsizetype(size - 2));
    if (flags & 1)
        clientInput(rng, stream);
    else
        hostInput(flags, rng, stream);
    // Sockets and objects deleted later go now, not in a later input.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return 0;
}
