#include "identity.h"

#include "safefile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <openssl/bio.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rand.h>
#include <openssl/x509.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace secure
{

namespace
{

/// The curve of the key: small certificates, fast handshakes, and every
/// OpenSSL and Qt build speaks it.
constexpr const char *kCurve = "P-256";
/// The end of time for certificates (RFC 5280: no well-defined expiry).
constexpr const char *kNoExpiry = "99991231235959Z";
constexpr const char *kCommonName = "Tavernix";
constexpr int kSerialBytes = 16;
/// Permission bits only the owner may have on the file.
constexpr mode_t kOthersBits = S_IRWXG | S_IRWXO;

template <typename T, void (*Free)(T *)>
struct Deleter
{
    void operator()(T *p) const { Free(p); }
};
using Key = std::unique_ptr<EVP_PKEY, Deleter<EVP_PKEY, EVP_PKEY_free>>;
using Cert = std::unique_ptr<X509, Deleter<X509, X509_free>>;
using Bio = std::unique_ptr<BIO, Deleter<BIO, BIO_free_all>>;

QString refusal(const QString &path, const QString &why)
{
    return QCoreApplication::translate("secure::Identity", "Non posso ospitare: l'identità della tavola (%1) non è usabile: %2. "
              "Non ne creo una nuova, perché chi conosce la tavola la rifiuterebbe come "
              "quella di un impostore: sistema il file o spostalo altrove e riprova.")
        .arg(QDir::toNativeSeparators(path), why);
}

QByteArray bioBytes(BIO *bio)
{
    char *data = nullptr;
    const long size = BIO_get_mem_data(bio, &data);
    return QByteArray(data, int(size));
}

/// A new key and a certificate for it, as PEM text (key first); empty on failure.
QByteArray makeIdentityPem()
{
    Key key(EVP_EC_gen(kCurve));
    Cert cert(X509_new());
    if (!key || !cert)
        return {};
    unsigned char serial[kSerialBytes];
    if (RAND_bytes(serial, sizeof serial) != 1)
        return {};
    serial[0] &= 0x7f; // a positive serial number
    std::unique_ptr<BIGNUM, Deleter<BIGNUM, BN_free>> bn(BN_bin2bn(serial, sizeof serial, nullptr));
    X509_NAME *name = X509_get_subject_name(cert.get());
    const bool ok = bn && X509_set_version(cert.get(), X509_VERSION_3) == 1 &&
                    BN_to_ASN1_INTEGER(bn.get(), X509_get_serialNumber(cert.get())) &&
                    // An hour back, so a peer whose clock is a little behind accepts it.
                    X509_gmtime_adj(X509_getm_notBefore(cert.get()), -3600) &&
                    ASN1_TIME_set_string(X509_getm_notAfter(cert.get()), kNoExpiry) == 1 &&
                    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                                               reinterpret_cast<const unsigned char *>(kCommonName), -1,
                                               -1, 0) == 1 &&
                    X509_set_issuer_name(cert.get(), name) == 1 &&
                    X509_set_pubkey(cert.get(), key.get()) == 1 &&
                    X509_sign(cert.get(), key.get(), EVP_sha256()) > 0;
    if (!ok)
        return {};
    Bio bio(BIO_new(BIO_s_mem()));
    if (!bio || PEM_write_bio_PrivateKey(bio.get(), key.get(), nullptr, nullptr, 0, nullptr, nullptr) != 1 ||
        PEM_write_bio_X509(bio.get(), cert.get()) != 1)
        return {};
    return bioBytes(bio.get());
}

/// Reads key and certificate from @p pem into @p out; false with a reason otherwise.
bool parse(const QByteArray &pem, Identity::Loaded *out, QString *why)
{
    Bio bio(BIO_new_mem_buf(pem.constData(), int(pem.size())));
    Key key(bio ? PEM_read_bio_PrivateKey(bio.get(), nullptr, nullptr, nullptr) : nullptr);
    Cert cert(bio ? PEM_read_bio_X509(bio.get(), nullptr, nullptr, nullptr) : nullptr);
    if (!key || !cert) {
        *why = QCoreApplication::translate("secure::Identity", "è incompleto o danneggiato (mancano la chiave o il certificato)");
        return false;
    }
    if (X509_check_private_key(cert.get(), key.get()) != 1) {
        *why = QCoreApplication::translate("secure::Identity", "la chiave non è quella del certificato");
        return false;
    }
    Bio keyOut(BIO_new(BIO_s_mem()));
    Bio certOut(BIO_new(BIO_s_mem()));
    if (!keyOut || !certOut ||
        PEM_write_bio_PrivateKey(keyOut.get(), key.get(), nullptr, nullptr, 0, nullptr, nullptr) != 1 ||
        PEM_write_bio_X509(certOut.get(), cert.get()) != 1) {
        *why = QCoreApplication::translate("secure::Identity", "non è leggibile");
        return false;
    }
    const QByteArray keyPem = bioBytes(keyOut.get());
    const QSsl::KeyAlgorithm algorithm =
        EVP_PKEY_get_base_id(key.get()) == EVP_PKEY_RSA ? QSsl::Rsa : QSsl::Ec;
    out->key = QSslKey(keyPem, algorithm, QSsl::Pem, QSsl::PrivateKey);
    out->certificate = QSslCertificate(bioBytes(certOut.get()), QSsl::Pem);
    if (out->key.isNull() || out->certificate.isNull()) {
        *why = QCoreApplication::translate("secure::Identity", "usa un tipo di chiave che questo programma non sa usare");
        return false;
    }
    return true;
}

/// Makes a new identity file at @p path, never over an existing one.
bool create(const QString &path, Identity::Loaded *out, QString *why)
{
    const QByteArray pem = makeIdentityPem();
    if (pem.isEmpty()) {
        *why = QCoreApplication::translate("secure::Identity", "la libreria crittografica non è riuscita a creare la chiave");
        return false;
    }
    // Written whole under another name first, then put in place only where
    // nothing exists yet: a crash leaves no half identity, and a file that
    // appeared meanwhile is not overwritten.
    const QString partial = path + QStringLiteral(".nuova");
    QFile::remove(partial);
    auto file = platform::SafeFile::openForWriting(partial, QIODevice::WriteOnly | QIODevice::Truncate,
                                                   Identity::kMaxFileBytes,
                                                   QFileDevice::ReadOwner | QFileDevice::WriteOwner, why);
    if (!file)
        return false;
    const bool written = file->write(pem) == pem.size() && file->flush() && ::fsync(file->handle()) == 0;
    file->close();
    const QByteArray from = QFile::encodeName(partial);
    const QByteArray to = QFile::encodeName(path);
    if (!written || ::link(from.constData(), to.constData()) != 0) {
        *why = QString::fromLocal8Bit(std::strerror(errno));
        ::unlink(from.constData());
        return false;
    }
    ::unlink(from.constData());
    out->created = true;
    return parse(pem, out, why);
}

} // namespace

Identity::Loaded Identity::loadOrCreate(const QString &folder)
{
    Loaded out;
    const QString path = QDir(folder).filePath(kFileName);
    QString why;
    if (!QDir().mkpath(folder)) {
        out.error = refusal(path, QCoreApplication::translate("secure::Identity", "la cartella non può essere creata"));
        return out;
    }
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0 && errno == ENOENT) {
        QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        if (!create(path, &out, &why)) {
            out = Identity::Loaded();
            out.error = QCoreApplication::translate("secure::Identity", "Non posso ospitare: non riesco a creare l'identità della tavola (%1): %2.")
                            .arg(QDir::toNativeSeparators(path), why);
            return out;
        }
        out.ok = true;
        return out;
    }
    auto file = platform::SafeFile::openForReading(path, kMaxFileBytes, &why);
    if (!file) {
        out.error = refusal(path, why);
        return out;
    }
    // Checked on the open file, so what is read is what was checked.
    if (::fstat(file->handle(), &st) != 0) {
        out.error = refusal(path, QString::fromLocal8Bit(std::strerror(errno)));
        return out;
    }
    if (st.st_uid != ::geteuid()) {
        out.error = refusal(path, QCoreApplication::translate("secure::Identity", "appartiene a un altro utente"));
        return out;
    }
    if (st.st_mode & kOthersBits) {
        out.error = refusal(path, QCoreApplication::translate("secure::Identity", "anche altri utenti possono leggerlo (va reso privato: chmod 600)"));
        return out;
    }
    const QByteArray pem = file->readAll();
    if (file->error() != QFileDevice::NoError) {
        out.error = refusal(path, file->errorString());
        return out;
    }
    if (!parse(pem, &out, &why)) {
        out = Identity::Loaded();
        out.error = refusal(path, why);
        return out;
    }
    out.ok = true;
    return out;
}

} // namespace secure
