#include "safefile.h"

#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using platform::SafeFile;

class TestSafeFile : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void read_data();
    void read();
    void write_data();
    void write();

private:
    /// Makes the entry @p kind names at "f" in a fresh folder; returns its path.
    QString make(const QString &kind);
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestSafeFile::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QFile outside(m_dir->filePath(QStringLiteral("outside")));
    QVERIFY(outside.open(QIODevice::WriteOnly));
    outside.write("not yours");
}

QString TestSafeFile::make(const QString &kind)
{
    const QString path = m_dir->filePath(QStringLiteral("f"));
    if (kind == QLatin1String("regular") || kind == QLatin1String("big")) {
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(kind == QLatin1String("big") ? QByteArray(101, 'x') : QByteArray("hello"));
    } else if (kind == QLatin1String("link-file")) {
        QFile::link(m_dir->filePath(QStringLiteral("outside")), path);
    } else if (kind == QLatin1String("link-zero")) {
        QFile::link(QStringLiteral("/dev/zero"), path);
    } else if (kind == QLatin1String("dangling")) {
        QFile::link(m_dir->filePath(QStringLiteral("nowhere")), path);
    } else if (kind == QLatin1String("fifo")) {
        ::mkfifo(QFile::encodeName(path).constData(), 0600);
    } else if (kind == QLatin1String("folder")) {
        QDir().mkdir(path);
    } else if (kind == QLatin1String("device")) {
        return QStringLiteral("/dev/null");
    }
    return path;
}

void TestSafeFile::read_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QByteArray>("bytes"); // what is read; empty when refused
    QTest::addColumn<QString>("why");      // part of the refusal
    QTest::newRow("regular") << "regular" << QByteArray("hello") << QString();
    QTest::newRow("too big") << "big" << QByteArray() << "più grande di 100 byte";
    QTest::newRow("link to a file") << "link-file" << QByteArray() << "collegamento simbolico";
    QTest::newRow("link to /dev/zero") << "link-zero" << QByteArray() << "collegamento simbolico";
    QTest::newRow("fifo") << "fifo" << QByteArray() << "pipe";
    QTest::newRow("folder") << "folder" << QByteArray() << "cartella";
    QTest::newRow("device") << "device" << QByteArray() << "dispositivo";
    QTest::newRow("missing") << "missing" << QByteArray() << "No such file";
}

void TestSafeFile::read()
{
    QFETCH(QString, kind);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, why);
    const SafeFile::Contents got = SafeFile::readAll(make(kind), 100);
    QCOMPARE(got.ok, why.isEmpty());
    QCOMPARE(got.bytes, bytes);
    QVERIFY2(got.error.contains(why), qPrintable(got.error));
}

void TestSafeFile::write_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("opened");
    QTest::addColumn<bool>("created"); // made by this open, so with our permissions
    QTest::newRow("new file") << "missing" << true << true;
    QTest::newRow("regular, appended") << "regular" << true << false;
    QTest::newRow("link to a file") << "link-file" << false << false;
    QTest::newRow("dangling link") << "dangling" << false << false;
    QTest::newRow("fifo") << "fifo" << false << false;
    QTest::newRow("too big") << "big" << false << false;
}

void TestSafeFile::write()
{
    QFETCH(QString, kind);
    QFETCH(bool, opened);
    QFETCH(bool, created);
    const QString path = make(kind);
    QString error;
    auto file = SafeFile::openForWriting(path, QIODevice::WriteOnly | QIODevice::Append, 100,
                                         QFileDevice::ReadOwner | QFileDevice::WriteOwner, &error);
    QCOMPARE(file != nullptr, opened);
    QCOMPARE(error.isEmpty(), opened);
    if (file) {
        QVERIFY(file->write("!") == 1);
        file->close();
        QVERIFY(SafeFile::readAll(path, 100).bytes.endsWith('!'));
        if (created)
            QCOMPARE(QFileInfo(path).permissions() & (QFileDevice::ReadOther | QFileDevice::ReadGroup),
                     QFileDevice::Permissions());
    }
    // Whatever happened, the file the link pointed at is untouched and no
    // file appeared where a dangling link pointed.
    QCOMPARE(SafeFile::readAll(m_dir->filePath(QStringLiteral("outside")), 100).bytes,
             QByteArray("not yours"));
    QVERIFY(!QFileInfo::exists(m_dir->filePath(QStringLiteral("nowhere"))));
}

QTEST_GUILESS_MAIN(TestSafeFile)
#include "tst_safefile.moc"
