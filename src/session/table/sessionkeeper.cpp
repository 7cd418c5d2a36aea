#include "sessionkeeper.h"

#include "chatsession.h"
#include "tabledice.h"
#include "tableboard.h"
#include "tags.h"

namespace session
{

SessionKeeper::SessionKeeper(ChatSession *chat, SessionStore *store, QObject *parent)
    : QObject(parent), m_chat(chat), m_store(store)
{
    connect(chat, &ChatSession::boardRecorded, store, &SessionStore::appendBoard);
    connect(chat, &ChatSession::publicLineSaid, store, &SessionStore::appendSaid);
    // The shared picture goes where it was shared among the drawings; a
    // restored board is written whole after a clear, as a newcomer gets it.
    TableBoard *table = chat->tableBoard();
    connect(table, &TableBoard::sharedPictureChanged, store, &SessionStore::appendLines);
    connect(table, &TableBoard::boardRestored, store, [store](const QList<QByteArray> &lines) {
        store->appendBoard(tag::Pulisci);
        store->appendLines(lines);
    });
    connect(chat, &ChatSession::phaseChanged, store, [store](ChatSession::Phase phase) {
        if (phase != ChatSession::Phase::Hosting)
            store->end();
    });
    connect(store, &SessionStore::failed, this, &SessionKeeper::warn);
    // The dice seeds go into the file, so a session taken up after a crash
    // can still reveal the one it was using.
    connect(chat->dice(), &TableDice::seedPromised, store, &SessionStore::appendSeed);
    connect(chat->dice(), &TableDice::seedRevealed, store, &SessionStore::appendReveal);
}

QString SessionKeeper::question(const SessionStore::Contents &contents)
{
    const QDateTime when = contents.lastRecord.toLocalTime();
    return tr("Riprendi la partita del %1 alle %2 (%3 sulla lavagna, %4 di dialogo)?")
        .arg(when.toString(QStringLiteral("dd/MM/yyyy")), when.toString(QStringLiteral("H.mm")),
             tr("%n disegni", nullptr, int(contents.drawings)),
             tr("%n righe", nullptr, int(contents.lines)));
}

void SessionKeeper::host()
{
    if (m_asking || !m_chat || m_chat->name().isEmpty())
        return;
    m_leftSeeds.clear();
    MessageService *messages = m_chat->messageService();
    // The file is read only when it may be taken up: a host that starts
    // anew (the server's default) never opens it.
    if (m_resume == Resume::No || (m_resume == Resume::Ask && !messages)) {
        start(nullptr);
        return;
    }
    const SessionStore::ReadResult last = m_store->readLatest();
    m_leftSeeds = last.found ? last.contents.unrevealedSeeds : QList<QByteArray>();
    if (!last.error.isEmpty()) {
        warn(last.error + tr(" Questa partita sarà salvata in un file nuovo."));
        start(nullptr);
        return;
    }
    if (!last.found || last.contents.isEmpty()) {
        start(nullptr);
        return;
    }
    if (m_resume == Resume::Yes) {
        start(&last.contents);
        return;
    }
    // Asked before hosting starts, so nobody joins a board about to change.
    m_asking = true;
    const SessionStore::Contents contents = last.contents;
    messages->ask(MessageService::Icon::Question, kAppTitle, question(contents),
                  MessageService::Buttons::YesNo, this, [this, contents](bool yes) {
                      m_asking = false;
                      // Meanwhile the user may have chosen otherwise.
                      if (!m_chat || m_chat->phase() == ChatSession::Phase::Hosting ||
                          m_chat->phase() == ChatSession::Phase::Connecting ||
                          m_chat->phase() == ChatSession::Phase::Connected)
                          return;
                      start(yes ? &contents : nullptr);
                  });
}

void SessionKeeper::start(const SessionStore::Contents *taken)
{
    m_chat->cmdHost_Click();
    if (!m_chat->bHost())
        return; // the port was refused; the session says why
    // The table keeps its identity while its session is taken up again, so
    // players coming back can tell a resumed game from a new one.
    if (!taken) {
        const QDateTime now = QDateTime::currentDateTime();
        m_store->beginNew(now);
        m_chat->setTableId(now.toUTC().toString(Qt::ISODate));
        // Seeds of the last session it never revealed are revealed now, to
        // whoever of its players comes back to check.
        m_chat->dice()->restart(m_leftSeeds, {});
        return;
    }
    m_chat->setTableId(taken->started.toUTC().toString(Qt::ISODate));
    // The board through the table's own door, which keeps the shared
    // picture in its place; the talk as the session's recap.
    m_chat->tableBoard()->feedStateLines(BoardHistory::linesOf(taken->board));
    m_chat->resumeTalk(taken->recent);
    m_store->resume(*taken);
    m_chat->dice()->restart(taken->unrevealedSeeds, taken->revealedSeeds);
}

void SessionKeeper::warn(const QString &text)
{
    if (m_chat && m_chat->messageService())
        m_chat->messageService()->showMessage(MessageService::Icon::Warning, kAppTitle, text);
}

} // namespace session
