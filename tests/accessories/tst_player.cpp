// The music player on a tune made at test time (a tone encoded to MP3),
// through the sound module the program loads: it plays, and a file before
// it that cannot be played is named, marked and skipped.

#include "mp3play.h"
#include "playlist.h"

#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <cmath>
#include <sys/stat.h>

using accessories::MP3Play;

class TestPlayer : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void playsPastWhatItCannotPlay_data();
    void playsPastWhatItCannotPlay();

private:
    QTemporaryDir m_dir;
};

void TestPlayer::initTestCase()
{
    // Three seconds of 440 Hz as raw samples (mono, 16 bits, 22050 a second).
    QFile raw(m_dir.filePath(QStringLiteral("tono.raw")));
    QVERIFY(raw.open(QIODevice::WriteOnly));
    for (int i = 0; i < 3 * 22050; ++i) {
        const qint16 sample = qToLittleEndian(qint16(8000 * std::sin(2 * M_PI * 440 * i / 22050)));
        raw.write(reinterpret_cast<const char *>(&sample), sizeof sample);
    }
    raw.close();
    const QString tune = m_dir.filePath(QStringLiteral("tono.mp3"));
    QString encoder = QStandardPaths::findExecutable(QStringLiteral("lame"));
    QStringList args =
        QStringLiteral("--quiet -r -s 22.05 -m m --signed --little-endian").split(' ');
    if (encoder.isEmpty()) {
        encoder = QStandardPaths::findExecutable(QStringLiteral("ffmpeg"));
        args = QStringLiteral("-loglevel error -f s16le -ar 22050 -ac 1 -i").split(' ');
    }
    args << raw.fileName() << tune;
    if (encoder.isEmpty())
        QSKIP("SKIPPED: no MP3 encoder (lame or ffmpeg) to make the test's tune");
    QProcess encode;
    encode.start(encoder, args);
    QVERIFY(encode.waitForFinished(30000));
    QCOMPARE(encode.exitCode(), 0);

    // What a play list may hold that is no tune: bytes that are not audio,
    // a FIFO, a link to a device (and, not made, a file gone since).
    QFile junk(m_dir.filePath(QStringLiteral("rotto.mp3")));
    QVERIFY(junk.open(QIODevice::WriteOnly) && junk.write(QByteArray(4000, 'Z') + "ID3") > 0);
    QCOMPARE(::mkfifo(QFile::encodeName(m_dir.filePath(QStringLiteral("fifo.mp3"))), 0600), 0);
    QVERIFY(QFile::link(QStringLiteral("/dev/zero"), m_dir.filePath(QStringLiteral("zero.mp3"))));
}

void TestPlayer::playsPastWhatItCannotPlay_data()
{
    QTest::addColumn<QString>("before");
    QTest::newRow("the tune alone") << QString();
    QTest::newRow("not audio") << "rotto.mp3";
    QTest::newRow("FIFO") << "fifo.mp3";
    QTest::newRow("link to a device") << "zero.mp3";
    QTest::newRow("gone") << "manca.mp3";
}

void TestPlayer::playsPastWhatItCannotPlay()
{
    QFETCH(QString, before);

    MP3Play player;
    QSignalSpy failed(&player, &MP3Play::trackFailed);
    QStringList list = {m_dir.filePath(QStringLiteral("tono.mp3"))};
    if (!before.isEmpty())
        list.prepend(m_dir.filePath(before));
    player.addFiles(list);
    player.play();

    QTRY_COMPARE_WITH_TIMEOUT(player.state(), MP3Play::State::Playing, 15000);
    QCOMPARE(player.playList()->current(), list.size() - 1);
    QTRY_VERIFY_WITH_TIMEOUT(player.position() > 0, 15000);
    QCOMPARE(failed.size(), before.isEmpty() ? 0 : 1);
    if (!before.isEmpty()) {
        // Named once, in words, and marked in the list.
        QCOMPARE(failed.at(0).at(0).toString(), list.first());
        const QString message = failed.at(0).at(1).toString();
        QVERIFY2(message.startsWith(QStringLiteral("Impossibile riprodurre «%1»: ").arg(before)),
                 qPrintable(message));
        QVERIFY(!player.playList()->failure(0).isEmpty());
    }
}

QTEST_GUILESS_MAIN(TestPlayer)
#include "tst_player.moc"
