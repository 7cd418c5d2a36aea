#include "joinguard.h"

#include "accesstags.h"

#include <QDateTime>
#include <QThreadPool>

namespace secure
{

namespace
{
const QByteArray kTavernix = QByteArrayLiteral("[Tavernix]");
const QByteArray kConnessione = QByteArrayLiteral("[Connessione]");
const QByteArray kMessaggio = QByteArrayLiteral("[Messaggio]");
const QByteArray kRitorno = QByteArrayLiteral("[Tavernix Ritorno]");

qint64 now()
{
    return QDateTime::currentMSecsSinceEpoch();
}
} // namespace

JoinGuard::JoinGuard(Admission *admission, QObject *parent)
    : QObject(parent), m_admission(admission), m_checks(std::make_unique<QThreadPool>())
{
    m_checks->setMaxThreadCount(1);
}

JoinGuard::~JoinGuard()
{
    m_checks->clear();
    m_checks->waitForDone();
}

void JoinGuard::accepted(qint16 index, const QHostAddress &peer)
{
    Stranger s;
    s.peer = peer;
    s.turn = m_nextTurn++;
    // What needs no proof is let in at once: the table behaves as it always
    // did. A banned address is refused at its introduction, when it can
    // read why (a Tavernix client is then inside TLS).
    s.admitted = m_admission->decide(peer, {}, now()) == Admission::Verdict::Admitted;
    m_peers.insert(index, s);
}

void JoinGuard::setEncrypted(qint16 index)
{
    const auto it = m_peers.find(index);
    if (it != m_peers.end())
        it->encrypted = true;
}

bool JoinGuard::isEncrypted(qint16 index) const
{
    return m_peers.value(index).encrypted;
}

bool JoinGuard::isAdmitted(qint16 index) const
{
    return m_peers.value(index).admitted;
}

bool JoinGuard::isTavernix(qint16 index) const
{
    return m_peers.value(index).tavernix;
}

JoinGuard::Fate JoinGuard::line(qint16 index, const QByteArray &line)
{
    const auto it = m_peers.find(index);
    if (it == m_peers.end())
        return Fate::Drop;
    Stranger &s = *it;
    if (line.startsWith(kTavernix)) // "[Tavernix]1"
        s.tavernix = true;
    if (s.admitted)
        return Fate::Deliver;
    if (s.held.size() >= kMaxHeldLines)
        return Fate::Drop;
    if (line.startsWith(tag::Accesso)) {
        // Kept by the guard alone: a key or password never reaches the
        // dispatcher, the logs or the other players.
        const QByteArray value = line.mid(qsizetype(sizeof tag::Accesso) - 1);
        if (value.startsWith(tag::kKeyMark)) {
            const auto key = TableKey::fromLinkText(QString::fromLatin1(value.mid(1)));
            s.key = key ? key->bytes() : QByteArray(TableKey::kBytes, '\0');
        } else if (value.startsWith(tag::kPasswordMark)) {
            s.password = QString::fromUtf8(value.mid(1)).left(PasswordHash::kMaxPasswordLength + 1);
        }
        return Fate::Drop;
    }
    // The token stays among the held lines too: admitted, the dispatcher
    // lets the dead connection go with it.
    if (line.startsWith(kRitorno) && s.seatToken.isEmpty())
        s.seatToken = QString::fromLatin1(line.mid(kRitorno.size()));
    // What a joiner says while its password is checked waits with the rest.
    s.held << line;
    if (!s.deciding && line.startsWith(kConnessione))
        decide(index, s);
    return Fate::Hold;
}

void JoinGuard::decide(qint16 index, Stranger &s)
{
    const bool seated = !s.seatToken.isEmpty() && m_seatCheck && m_seatCheck(s.seatToken);
    const Admission::Verdict v = m_admission->decide(s.peer, {s.encrypted, s.key, s.password, seated}, now());
    switch (v) {
    case Admission::Verdict::Admitted:
        admit(index, s);
        return;
    case Admission::Verdict::CheckPassword:
        checkPassword(index, s);
        return;
    default:
        refuse(index, v);
        return;
    }
}

void JoinGuard::admit(qint16 index, Stranger &s)
{
    s.admitted = true;
    s.key.clear();
    s.password.clear();
    s.seatToken.clear();
    const QList<QByteArray> held = std::exchange(s.held, {});
    emit admitted(index, held);
}

void JoinGuard::refuse(qint16 index, Admission::Verdict verdict)
{
    // Forgotten at once: nothing it sent is kept, and a line it still sends drops.
    const bool tavernix = m_peers.value(index).tavernix;
    m_peers.remove(index);
    emit refused(index, Admission::refusalCode(verdict), tavernix);
}

void JoinGuard::checkPassword(qint16 index, Stranger &s)
{
    if (m_queued >= kMaxQueuedChecks) {
        refuse(index, Admission::Verdict::TooManyTries);
        return;
    }
    s.deciding = true;
    ++m_queued;
    const PasswordHash hash = m_admission->password();
    const QString password = std::exchange(s.password, {});
    const quint64 turn = s.turn;
    // The guard outlives every check (its destructor waits for them), and
    // an answer posted to a guard that is gone meanwhile is dropped with it.
    m_checks->start([this, hash, password, index, turn] {
        const bool matched = hash.verify(password);
        QMetaObject::invokeMethod(
            this, [this, index, turn, matched] { onChecked(index, turn, matched); }, Qt::QueuedConnection);
    });
}

void JoinGuard::onChecked(qint16 index, quint64 turn, bool matched)
{
    --m_queued;
    const auto it = m_peers.find(index);
    if (it == m_peers.end() || it->turn != turn)
        return; // gone meanwhile; the index may already carry someone else
    it->deciding = false;
    const Admission::Verdict v = m_admission->passwordChecked(it->peer, matched);
    if (v == Admission::Verdict::Admitted)
        admit(index, *it);
    else
        refuse(index, v);
}

void JoinGuard::closed(qint16 index)
{
    m_peers.remove(index);
}

QByteArray JoinGuard::plainRefusalLine(const QString &code)
{
    // A basic-protocol program shows this in its conversation pane: the one
    // way to tell its player why. Wire text, so never translated.
    const char *text = "Il tavolo non ti ha fatto entrare.";
    if (code == QLatin1String("bandito"))
        text = "Il tavolo non ti ha fatto entrare: chi lo ospita ha bandito il tuo indirizzo.";
    else if (code == QLatin1String("invito") || code == QLatin1String("cifratura"))
        text = "Il tavolo non ti ha fatto entrare: da fuori della rete locale si entra solo con "
               "Tavernix e un invito.";
    else if (code == QLatin1String("attendi"))
        text = "Il tavolo non ti ha fatto entrare: troppi tentativi sbagliati. Riprova fra qualche minuto.";
    return kMessaggio + QByteArray(text);
}

} // namespace secure
