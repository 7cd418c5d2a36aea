#include "tablesecurity.h"

#include "privatefile.h"
#include "safefile.h"
#include "tlssettings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace secure
{

TableSecurity::TableSecurity(QString folder)
    : m_folder(std::move(folder)), m_admission(QDir(m_folder).filePath(BanList::kFileName)),
      m_guard(std::make_unique<JoinGuard>(&m_admission)), m_seatPass(TableKey::generate())
{
}

TableSecurity::~TableSecurity() = default;

QString TableSecurity::path(const QString &name) const
{
    return QDir(m_folder).filePath(name);
}

bool TableSecurity::readSmall(const QString &name, QByteArray *bytes, QString *error) const
{
    const QString file = path(name);
    if (!QFileInfo::exists(file) && !QFileInfo(file).isSymLink())
        return true; // none yet
    const auto got = platform::SafeFile::readAll(file, kMaxSmallFile);
    if (!got.ok) {
        *error = got.error;
        return false;
    }
    *bytes = got.bytes.trimmed();
    return true;
}

bool TableSecurity::open(QString *error)
{
    m_identity = Identity::loadOrCreate(m_folder);
    if (!m_identity.ok) {
        *error = m_identity.error;
        return false;
    }
    QByteArray keyText;
    if (!readSmall(kKeyFile, &keyText, error))
        return false;
    if (keyText.isEmpty())
        return newInvitation(error);
    const auto key = TableKey::fromLinkText(QString::fromLatin1(keyText));
    if (!key) {
        *error = QCoreApplication::translate("secure::TableSecurity",
                                             "Non posso ospitare: la chiave della tavola (%1) è alterata. "
                                             "Cancella il file: ne verrà fatta una nuova, e gli inviti dati "
                                             "finora non varranno più.")
                     .arg(QDir::toNativeSeparators(path(kKeyFile)));
        return false;
    }
    m_admission.setKey(*key);
    QByteArray stored;
    if (!readSmall(kPasswordFile, &stored, error))
        return false;
    if (!stored.isEmpty()) {
        const auto hash = PasswordHash::fromStored(QString::fromLatin1(stored));
        if (!hash) {
            *error = QCoreApplication::translate("secure::TableSecurity",
                                                 "Non posso ospitare: la parola d'ordine della tavola (%1) è "
                                                 "alterata. Sceglila di nuovo.")
                         .arg(QDir::toNativeSeparators(path(kPasswordFile)));
            return false;
        }
        m_admission.setPassword(*hash);
    }
    if (!m_admission.bans().load()) {
        *error = m_admission.bans().error();
        return false;
    }
    return true;
}

QSslConfiguration TableSecurity::serverTls() const
{
    return TlsSettings::server(m_identity.certificate, m_identity.key);
}

TableKey TableSecurity::invitationKey() const
{
    return m_admission.access() == Access::Anyone ? TableKey() : m_admission.key();
}

bool TableSecurity::newInvitation(QString *error)
{
    const TableKey key = TableKey::generate();
    if (key.isNull() || !replacePrivateFile(path(kKeyFile), key.toLinkText().toLatin1() + '\n', kMaxSmallFile, error))
        return false;
    m_admission.setKey(key);
    return true;
}

bool TableSecurity::setPassword(const QString &password, QString *error)
{
    const PasswordHash hash = password.isEmpty() ? PasswordHash() : PasswordHash::make(password);
    if (!password.isEmpty() && hash.isNull()) {
        *error = QCoreApplication::translate("secure::TableSecurity",
                                             "La parola d'ordine non è valida (al massimo %1 caratteri).")
                     .arg(PasswordHash::kMaxPasswordLength);
        return false;
    }
    if (!replacePrivateFile(path(kPasswordFile), hash.stored().toLatin1() + '\n', kMaxSmallFile, error))
        return false;
    m_admission.setPassword(hash);
    return true;
}

} // namespace secure
