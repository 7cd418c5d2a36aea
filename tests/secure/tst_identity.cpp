#include "fingerprint.h"
#include "identity.h"
#include "tablesecurity.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

using secure::Fingerprint;
using secure::Identity;

class TestIdentity : public QObject
{
    Q_OBJECT
private slots:
    void madeOnceAndKept();
    void unusableFileIsNeverReplaced_data();
    void unusableFileIsNeverReplaced();
    void tableKeptAcrossRestarts();
};

void TestIdentity::madeOnceAndKept()
{
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("dati"));
    const Identity::Loaded first = Identity::loadOrCreate(folder);
    QVERIFY2(first.ok, qPrintable(first.error));
    QVERIFY(first.created);
    const QString path = QDir(folder).filePath(Identity::kFileName);
    QCOMPARE(QFileInfo(path).permissions() & ~(QFileDevice::ReadUser | QFileDevice::WriteUser),
             QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    QVERIFY(first.certificate.expiryDate().date().year() >= 9999);
    QVERIFY(first.certificate.isSelfSigned());

    const Identity::Loaded again = Identity::loadOrCreate(folder);
    QVERIFY2(again.ok, qPrintable(again.error));
    QVERIFY(!again.created);
    QCOMPARE(Fingerprint::of(again.certificate), Fingerprint::of(first.certificate));
    QCOMPARE(again.key.toPem(), first.key.toPem());
}

void TestIdentity::unusableFileIsNeverReplaced_data()
{
    QTest::addColumn<QString>("damage");
    QTest::addColumn<QString>("why"); // part of the message
    QTest::newRow("cut in half") << "truncate" << "incompleto";
    QTest::newRow("key of another identity") << "swap-key" << "non è quella del certificato";
    QTest::newRow("readable by others") << "chmod-644" << "chmod 600";
    QTest::newRow("link to a good identity") << "link" << "collegamento simbolico";
    QTest::newRow("fifo") << "fifo" << "pipe";
    QTest::newRow("someone else's") << "chown" << "altro utente";
    QTest::newRow("unreadable") << "chmod-000" << "Permission denied";
}

void TestIdentity::unusableFileIsNeverReplaced()
{
    QFETCH(QString, damage);
    QFETCH(QString, why);
    if (damage == QLatin1String("chmod-000") && ::geteuid() == 0)
        QSKIP("root reads every file");
    if (damage == QLatin1String("chown") && ::geteuid() != 0)
        QSKIP("only root can give a file away");
    QTemporaryDir dir;
    auto pemOf = [&](const QString &name) {
        QFile file(QDir(dir.filePath(name)).filePath(Identity::kFileName));
        return Identity::loadOrCreate(dir.filePath(name)).ok && file.open(QIODevice::ReadOnly) ? file.readAll()
                                                                                                : QByteArray();
    };
    const QByteArray pem = pemOf(QStringLiteral("buona")), otherPem = pemOf(QStringLiteral("altra"));
    const QString folder = dir.filePath(QStringLiteral("tavola"));
    QDir().mkpath(folder);
    const QString path = QDir(folder).filePath(Identity::kFileName);
    const QByteArray path8 = QFile::encodeName(path);
    if (damage == QLatin1String("link")) {
        QFile::link(QDir(dir.filePath(QStringLiteral("buona"))).filePath(Identity::kFileName), path);
    } else if (damage == QLatin1String("fifo")) {
        ::mkfifo(path8.constData(), 0600);
    } else {
        const qsizetype cut = pem.indexOf("-----BEGIN CERTIFICATE");
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(damage == QLatin1String("truncate") ? pem.left(pem.size() / 2)
                : damage == QLatin1String("swap-key") ? otherPem.left(otherPem.indexOf("-----BEGIN CERTIFICATE")) + pem.mid(cut)
                                                      : pem);
        f.close();
        ::chmod(path8.constData(), damage.startsWith(QLatin1String("chmod-")) ? mode_t(damage.mid(6).toUInt(nullptr, 8)) : 0600);
        if (damage == QLatin1String("chown"))
            QVERIFY(::chown(path8.constData(), 65534, 65534) == 0);
    }
    struct stat before {};
    ::lstat(path8.constData(), &before);

    const Identity::Loaded got = Identity::loadOrCreate(folder);
    QVERIFY(!got.ok && !got.created && got.certificate.isNull());
    QVERIFY2(got.error.contains(why) && got.error.contains(Identity::kFileName), qPrintable(got.error));
    // The file is as it was: nothing was made in its place.
    struct stat after {};
    QVERIFY(::lstat(path8.constData(), &after) == 0);
    QCOMPARE(after.st_ino, before.st_ino);
    QCOMPARE(after.st_size, before.st_size);
    QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System).size(), 1);
}

void TestIdentity::tableKeptAcrossRestarts()
{
    QTemporaryDir dir;
    QString error;
    QString key;
    secure::Fingerprint print;
    {
        secure::TableSecurity table(dir.path());
        QVERIFY2(table.open(&error), qPrintable(error));
        QVERIFY(table.setPassword(QStringLiteral("drago rosso"), &error));
        key = table.invitationKey().toLinkText();
        print = table.fingerprint();
    }
    secure::TableSecurity again(dir.path());
    QVERIFY2(again.open(&error), qPrintable(error));
    QVERIFY(!key.isEmpty());
    QCOMPARE(again.invitationKey().toLinkText(), key); // links given out stay good
    QCOMPARE(again.fingerprint(), print);
    QVERIFY(again.hasPassword());
    QVERIFY(again.newInvitation(&error));
    QVERIFY(again.invitationKey().toLinkText() != key);
    for (const QString &name : {secure::TableSecurity::kKeyFile, secure::TableSecurity::kPasswordFile})
        QCOMPARE(QFileInfo(dir.filePath(name)).permissions() & (QFileDevice::ReadGroup | QFileDevice::ReadOther),
                 QFileDevice::Permissions());
    // A key file that is a link stops hosting, and nothing is written through it.
    QFile::remove(dir.filePath(secure::TableSecurity::kKeyFile));
    QFile::link(dir.filePath(QStringLiteral("altrove")), dir.filePath(secure::TableSecurity::kKeyFile));
    secure::TableSecurity linked(dir.path());
    QVERIFY(!linked.open(&error));
    QVERIFY2(error.contains(QStringLiteral("collegamento simbolico")), qPrintable(error));
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("altrove"))));
}

QTEST_GUILESS_MAIN(TestIdentity)
#include "tst_identity.moc"
