#include "controlreader.h"
#include "incomingoffer.h"
#include "sizetext.h"
#include "transferprotocol.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace transfer;

Q_DECLARE_METATYPE(QList<QByteArray>)

namespace {

QString kindName(Kind kind)
{
    switch (kind) {
    case Kind::Accept: return QStringLiteral("Accept");
    case Kind::Denied: return QStringLiteral("Denied");
    case Kind::PacketAnswer: return QStringLiteral("PacketAnswer");
    case Kind::Pend: return QStringLiteral("Pend");
    case Kind::Kick: return QStringLiteral("Kick");
    case Kind::PacketRequest: return QStringLiteral("PacketRequest");
    case Kind::Name: return QStringLiteral("Name");
    case Kind::Size: return QStringLiteral("Size");
    case Kind::SeatPass: return QStringLiteral("SeatPass");
    }
    return QString();
}

} // namespace

class tst_TransferProtocol : public QObject
{
    Q_OBJECT

private slots:
    void reader_data();
    void reader();
    void readerGivesUpOnEndlessName();
    void readerKeepsWhatFollows();
    void readerTakesAFloodInOnePass_data();
    void readerTakesAFloodInOnePass();
    void builders();
    void fileNameOfPath_data();
    void fileNameOfPath();

    void sizeText_data();
    void sizeText();

    void incomingName_data();
    void incomingName();
    void announcedSize_data();
    void announcedSize();

    void defaultFolder();
    void destinationReplacesWithoutTouchingOtherNames();
    void destinationRefusesLinksAndOddFiles();
    void folderIsMadeOrRefused();
};

// Each row: the arrivals one after the other, and the messages taken
// ("Kind=value") after all of them, and what is left in the reader.
void tst_TransferProtocol::reader_data()
{
    QTest::addColumn<QList<QByteArray>>("arrivals");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<QByteArray>("left");

    using L = QList<QByteArray>;
    QTest::newRow("accept") << L{"Received:accept"} << QStringList{"Accept="} << QByteArray();
    QTest::newRow("any case") << L{"rECEIVED:ACCEPT"} << QStringList{"Accept="} << QByteArray();
    QTest::newRow("position 9 unread") << L{"Received?denied"} << QStringList{"Denied="} << QByteArray();
    QTest::newRow("packet answer") << L{"Received:PACKET:1500"} << QStringList{"PacketAnswer=1500"}
                                   << QByteArray();
    QTest::newRow("lower-case pend") << L{"received:pend~#:1"} << QStringList{"Pend=1"} << QByteArray();
    QTest::newRow("position 16 unread") << L{"Received:PEND~#X0"} << QStringList{"Pend=0"} << QByteArray();
    QTest::newRow("negative packet size") << L{"Received:PACKET:-5"} << QStringList{"PacketAnswer="}
                                          << QByteArray();
    QTest::newRow("size not a number") << L{"File~~~#:size~#:abc"} << QStringList{"Size=abc"} << QByteArray();
    QTest::newRow("signed size") << L{"File~~~#:size~#:+5"} << QStringList{"Size=+5"} << QByteArray();
    QTest::newRow("size with letters after its digits")
        << L{"File~~~#:size~#:12abc"} << QStringList{"Size=12abc"} << QByteArray();
    QTest::newRow("size up to the next message")
        << L{"File~~~#:size~#:7 xRequest#:PACKET"} << QStringList{"Size=7 x", "PacketRequest="}
        << QByteArray();
    QTest::newRow("kick") << L{"Received:kickH#"} << QStringList{"Kick="} << QByteArray();
    QTest::newRow("request") << L{"Request#:PACKET"} << QStringList{"PacketRequest="} << QByteArray();
    QTest::newRow("offer in one read")
        << L{"File~~~#:name~#:x.txtFile~~~#:size~#:5"} << QStringList{"Name=x.txt", "Size=5"}
        << QByteArray();
    QTest::newRow("offer in two reads")
        << L{"File~~~#:name~#:x.txt", "File~~~#:size~#:5"} << QStringList{"Name=x.txt", "Size=5"}
        << QByteArray();
    QTest::newRow("name cut by reads")
        << L{"File~~~#:name~#:lo", "ng na", "me.txt", "FILE~~~#:SIZE~#:12"}
        << QStringList{"Name=long name.txt", "Size=12"} << QByteArray();
    QTest::newRow("name holding a family word")
        << L{"File~~~#:name~#:Received notes.txtFile~~~#:size~#:3"}
        << QStringList{"Name=Received notes.txt", "Size=3"} << QByteArray();
    QTest::newRow("name waits for its size") << L{"File~~~#:name~#:abc"} << QStringList{}
                                             << QByteArray("File~~~#:name~#:abc");
    QTest::newRow("header in pieces") << L{"Requ", "est#:PAC", "KET"} << QStringList{"PacketRequest="}
                                      << QByteArray();
    QTest::newRow("garbage before a message")
        << L{"hello worldRequest#:PACKET"} << QStringList{"PacketRequest="} << QByteArray();
    QTest::newRow("garbage alone") << L{"hello"} << QStringList{} << QByteArray();
    QTest::newRow("binary garbage") << L{QByteArray("\0\1\2\3\4\5\6\7\x08\x09\x0a\x0b\x0c\x0d\x0e\x0f", 16)}
                                    << QStringList{} << QByteArray();
    QTest::newRow("garbage ending in a family start")
        << L{"xxxxxxxxxxxxxxxxRequest", "#:PACKET"} << QStringList{"PacketRequest="} << QByteArray();
    QTest::newRow("unknown kind") << L{"Received:foobaz"} << QStringList{} << QByteArray();
    QTest::newRow("unknown family") << L{"Response:accept"} << QStringList{} << QByteArray();
    QTest::newRow("answer and cancel together")
        << L{"Received:PEND~#:1Received:kickH#"} << QStringList{"Pend=1", "Kick="} << QByteArray();
    QTest::newRow("trailing bytes dropped with a valueless message")
        << L{"Received:accept  \r\n"} << QStringList{"Accept="} << QByteArray();
    QTest::newRow("empty size") << L{"File~~~#:size~#:"} << QStringList{"Size="} << QByteArray();
    QTest::newRow("size waits for its separator") << L{"File~~~#:size~#"} << QStringList{}
                                                  << QByteArray("File~~~#:size~#");
    QTest::newRow("two requests") << L{"Request#:PACKETRequest#:PACKET"}
                                  << QStringList{"PacketRequest=", "PacketRequest="} << QByteArray();
    QTest::newRow("next header cut after a valueless message")
        << L{"Request#:PACKETReq", "uest#:PACKET"} << QStringList{"PacketRequest=", "PacketRequest="}
        << QByteArray();
    QTest::newRow("next header cut after trailing bytes")
        << L{"Received:accept \r\nRece", "ived:denied"} << QStringList{"Accept=", "Denied="}
        << QByteArray();
    QTest::newRow("answer cut before its digit") << L{"Received:PEND~#:", "1"} << QStringList{"Pend=1"}
                                                 << QByteArray();
    QTest::newRow("refusal cut before its digit, then a kick")
        << L{"Received:PEND~#:", "0Received:kickH#"} << QStringList{"Pend=0", "Kick="} << QByteArray();
    QTest::newRow("answer without a digit") << L{"Received:PEND~#:x"} << QStringList{"Pend="}
                                            << QByteArray();
}

void tst_TransferProtocol::reader()
{
    QFETCH(QList<QByteArray>, arrivals);
    QFETCH(QStringList, messages);
    QFETCH(QByteArray, left);

    ControlReader reader;
    QStringList taken;
    for (const QByteArray &bytes : arrivals) {
        reader.append(bytes);
        ControlMessage m;
        ControlReader::Status status;
        while ((status = reader.next(&m)) == ControlReader::Status::Message)
            taken << kindName(m.kind) + QLatin1Char('=') + QString::fromLatin1(m.value);
        QCOMPARE(status, ControlReader::Status::Incomplete);
    }
    QCOMPARE(taken, messages);
    QCOMPARE(reader.takeAll(), left);
    QVERIFY(reader.isEmpty());
}

void tst_TransferProtocol::readerGivesUpOnEndlessName()
{
    ControlReader reader;
    reader.append("File~~~#:name~#:");
    ControlMessage m;
    QCOMPARE(reader.next(&m), ControlReader::Status::Incomplete);
    reader.append(QByteArray(ControlReader::kMaxPending, 'n'));
    QCOMPARE(reader.next(&m), ControlReader::Status::Overflow);
    // The runaway bytes are gone, so memory stays bounded and what comes
    // next is understood again.
    QVERIFY(reader.isEmpty());
    reader.append("nnnnReceived:denied");
    QCOMPARE(reader.next(&m), ControlReader::Status::Message);
    QCOMPARE(m.kind, Kind::Denied);
}

void tst_TransferProtocol::readerKeepsWhatFollows()
{
    // Bytes after the size are left for the receiver to take as file data.
    ControlReader reader;
    reader.append("File~~~#:name~#:a.binFile~~~#:size~#:4");
    ControlMessage m;
    QCOMPARE(reader.next(&m), ControlReader::Status::Message);
    QCOMPARE(m.kind, Kind::Name);
    QCOMPARE(reader.pending(), qsizetype(17));
    QCOMPARE(reader.next(&m), ControlReader::Status::Message);
    QCOMPARE(m.kind, Kind::Size);
    QCOMPARE(m.value, QByteArray("4"));
    reader.append("Req");
    QCOMPARE(reader.next(&m), ControlReader::Status::Incomplete);
    QCOMPARE(reader.takeAll(), QByteArray("Req"));

    // Bytes right behind the size's digits are part of it (no file bytes
    // come before the answer), so such a size is no number at all.
    reader.append(QByteArray("File~~~#:size~#:5") + QByteArray("12\0ab", 5));
    QCOMPARE(reader.next(&m), ControlReader::Status::Message);
    QCOMPARE(m.kind, Kind::Size);
    QCOMPARE(m.value, QByteArray("512\0ab", 6));
    QVERIFY(reader.isEmpty());
    reader.append("File~~~#:size~#:7xyz");
    QCOMPARE(reader.next(&m), ControlReader::Status::Message);
    QCOMPARE(m.value, QByteArray("7xyz"));
    QVERIFY(reader.isEmpty());

    Kind kind;
    QVERIFY(ControlReader::identify("REQUEST#:packet", &kind));
    QCOMPARE(kind, Kind::PacketRequest);
    QVERIFY(!ControlReader::identify("Request#:PACKE", &kind));
    QVERIFY(!ControlReader::identify("Request#:accept", &kind));
}

// A peer may pour megabytes of short messages (or of near misses) into one
// read. Looking for the next family word must not rescan the rest of the
// buffer for every message: that froze the window for minutes.
void tst_TransferProtocol::readerTakesAFloodInOnePass_data()
{
    QTest::addColumn<QByteArray>("unit");
    QTest::addColumn<int>("perUnit"); // messages each repetition yields
    QTest::newRow("valueless") << QByteArray("Received:accept") << 1;
    QTest::newRow("requests") << QByteArray("Request#:PACKET") << 1;
    QTest::newRow("unknown kind") << QByteArray("Received:foobaz") << 0;
    QTest::newRow("family words only") << QByteArray("xxxxxxxxReceived") << 0;
    QTest::newRow("numbers") << QByteArray("Received:PEND~#:1") << 1;
}

void tst_TransferProtocol::readerTakesAFloodInOnePass()
{
    QFETCH(QByteArray, unit);
    QFETCH(int, perUnit);
    const int repeats = (4 << 20) / int(unit.size());
    ControlReader reader;
    reader.append(unit.repeated(repeats) + "Request#:PACKET");
    ControlMessage m;
    int taken = 0;
    Kind last = Kind::Accept;
    while (reader.next(&m) == ControlReader::Status::Message) {
        ++taken;
        last = m.kind;
    }
    QCOMPARE(taken, repeats * perUnit + 1);
    QCOMPARE(last, Kind::PacketRequest);
    QVERIFY(reader.isEmpty());
}

void tst_TransferProtocol::builders()
{
    QCOMPARE(packetAnswer(1500), QByteArray("Received:PACKET:1500"));
    QCOMPARE(sizeMessage(0), QByteArray("File~~~#:size~#:0"));
    QCOMPARE(sizeMessage(2147483647), QByteArray("File~~~#:size~#:2147483647"));
    QCOMPARE(nameMessage(QStringLiteral("b c.txt")), QByteArray("File~~~#:name~#:b c.txt"));
    QCOMPARE(QByteArray(wire::kPendAccepted), QByteArray("Received:PEND~#:1"));
    QCOMPARE(QByteArray(wire::kKick).size(), 15);
    QCOMPARE(QByteArray(wire::kPacketRequest).size(), 15);
}

void tst_TransferProtocol::fileNameOfPath_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("name");
    QTest::newRow("unix") << "/home/ada/mappa.png" << "mappa.png";
    QTest::newRow("windows") << "C:\\Giochi\\scheda.pdf" << "scheda.pdf";
    QTest::newRow("mixed, last wins") << "C:\\a/b\\c.txt" << "c.txt";
    QTest::newRow("no folder") << "plain.txt" << "";
    QTest::newRow("folder only") << "/tmp/" << "";
}

void tst_TransferProtocol::fileNameOfPath()
{
    QFETCH(QString, path);
    QFETCH(QString, name);
    QCOMPARE(GetFileName(path), name);
}

void tst_TransferProtocol::sizeText_data()
{
    QTest::addColumn<qint64>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("0") << qint64(0) << "0 bytes";
    QTest::newRow("1") << qint64(1) << "1 bytes";
    QTest::newRow("904") << qint64(904) << "904 bytes";
    QTest::newRow("1023") << qint64(1023) << "1023 bytes";
    QTest::newRow("1024") << qint64(1024) << "1,00 KB";
    QTest::newRow("2952 cut, not rounded") << qint64(2952) << "2,88 KB";
    QTest::newRow("5000") << qint64(5000) << "4,88 KB";
    QTest::newRow("1034 two decimals") << qint64(1034) << "1,00 KB";
    QTest::newRow("1100") << qint64(1100) << "1,07 KB";
    QTest::newRow("10240") << qint64(10240) << "10,0 KB";
    QTest::newRow("50000") << qint64(50000) << "48,8 KB";
    QTest::newRow("102399") << qint64(102399) << "99,9 KB";
    QTest::newRow("102400") << qint64(102400) << "100 KB";
    QTest::newRow("500000") << qint64(500000) << "488 KB";
    QTest::newRow("1023999") << qint64(1023999) << "999 KB";
    // Three digits still: 1000 KB and more is already shown in MB.
    QTest::newRow("1024000") << qint64(1024000) << "0,97 MB";
    QTest::newRow("1048575") << qint64(1048575) << "0,99 MB";
    QTest::newRow("1048576") << qint64(1048576) << "1,00 MB";
    QTest::newRow("50 MiB") << qint64(50) * 1024 * 1024 << "50,0 MB";
    QTest::newRow("256 MiB") << qint64(256) * 1024 * 1024 << "256 MB";
    QTest::newRow("1000 MiB") << qint64(1000) * 1024 * 1024 << "0,97 GB";
    QTest::newRow("1 GiB") << (qint64(1) << 30) << "1,00 GB";
    QTest::newRow("largest file") << qint64(2147483647) << "1,99 GB";
    QTest::newRow("1 TiB stays in GB") << (qint64(1) << 40) << "1024 GB";
}

void tst_TransferProtocol::sizeText()
{
    QFETCH(qint64, bytes);
    QFETCH(QString, text);
    QCOMPARE(FormatKB(bytes), text);
    QCOMPARE(FormatKB2(bytes), text);
    // The key the sender uses to skip unchanged progress lines agrees.
    for (const qint64 other : {bytes - 1, bytes + 1}) {
        if (other >= 0)
            QCOMPARE(sizeTextKey(other) == sizeTextKey(bytes), FormatKB(other) == text);
    }
}

void tst_TransferProtocol::incomingName_data()
{
    QTest::addColumn<QByteArray>("raw");
    QTest::addColumn<QString>("name"); // empty: refused
    QTest::newRow("plain") << QByteArray("report.txt") << "report.txt";
    QTest::newRow("spaces and dots") << QByteArray("my .map. v2.png") << "my .map. v2.png";
    QTest::newRow("climbing") << QByteArray("../../x") << "x";
    QTest::newRow("absolute") << QByteArray("/etc/x") << "x";
    QTest::newRow("drive") << QByteArray("C:\\x") << "x";
    QTest::newRow("backslash") << QByteArray("a\\b") << "b";
    QTest::newRow("windows climbing") << QByteArray("..\\..\\evil.exe") << "evil.exe";
    QTest::newRow("empty") << QByteArray("") << "";
    QTest::newRow("dot") << QByteArray(".") << "";
    QTest::newRow("dot dot") << QByteArray("..") << "";
    QTest::newRow("ends in a folder") << QByteArray("dir/") << "";
    QTest::newRow("ends in dot dot") << QByteArray("a/..") << "";
    QTest::newRow("CR LF") << QByteArray("a\r\nb.txt") << "";
    QTest::newRow("NUL") << QByteArray("a\0b", 3) << "";
    QTest::newRow("tab") << QByteArray("a\tb") << "";
    QTest::newRow("DEL") << QByteArray("a\x7f") << "";
    QTest::newRow("C1 control") << QByteArray("a\xc2\x85z") << "";
    QTest::newRow("300 bytes") << QByteArray(300, 'n') << "";
    QTest::newRow("255 bytes") << QByteArray(255, 'n') << QString(255, QLatin1Char('n'));
    QTest::newRow("utf-8") << QByteArray("citt\xc3\xa0.txt") << QStringLiteral("città.txt");
    QTest::newRow("latin-1") << QByteArray("citt\xe0.txt") << QStringLiteral("città.txt");
}

void tst_TransferProtocol::incomingName()
{
    QFETCH(QByteArray, raw);
    QFETCH(QString, name);
    const NameCheck check = checkIncomingName(raw);
    if (name.isEmpty()) {
        QVERIFY2(!check.ok(), qPrintable(check.name));
        QVERIFY(check.refusal.startsWith(QLatin1String("Stato: File rifiutato: ")));
        QVERIFY(check.name.isEmpty());
    } else {
        QVERIFY2(check.ok(), qPrintable(check.refusal));
        QCOMPARE(check.name, name);
    }
}

void tst_TransferProtocol::announcedSize_data()
{
    QTest::addColumn<QByteArray>("raw");
    QTest::addColumn<qint64>("size"); // -1: refused
    QTest::newRow("0") << QByteArray("0") << qint64(0);
    QTest::newRow("5000") << QByteArray("5000") << qint64(5000);
    QTest::newRow("leading zeros") << QByteArray("0005") << qint64(5);
    QTest::newRow("largest") << QByteArray("2147483647") << qint64(2147483647);
    QTest::newRow("one beyond") << QByteArray("2147483648") << qint64(-1);
    QTest::newRow("-1") << QByteArray("-1") << qint64(-1);
    QTest::newRow("empty") << QByteArray("") << qint64(-1);
    QTest::newRow("abc") << QByteArray("abc") << qint64(-1);
    QTest::newRow("+5") << QByteArray("+5") << qint64(-1);
    QTest::newRow("99999999999") << QByteArray("99999999999") << qint64(-1);
    QTest::newRow("space before") << QByteArray(" 5") << qint64(-1);
    QTest::newRow("space after") << QByteArray("5 ") << qint64(-1);
    QTest::newRow("hex") << QByteArray("0x10") << qint64(-1);
    QTest::newRow("with data after") << QByteArray("5\x01\x02") << qint64(-1);
}

void tst_TransferProtocol::announcedSize()
{
    QFETCH(QByteArray, raw);
    QFETCH(qint64, size);
    const std::optional<qint64> parsed = parseAnnouncedSize(raw);
    if (size < 0) {
        QVERIFY(!parsed);
    } else {
        QVERIFY(parsed);
        QCOMPARE(*parsed, size);
    }
}

void tst_TransferProtocol::defaultFolder()
{
    QTemporaryDir dir;
    const QString program = dir.filePath(QStringLiteral("bin"));
    const QString downloads = dir.filePath(QStringLiteral("Scaricati"));
    QVERIFY(QDir().mkpath(program));
    // Beside a program folder that can be written.
    QCOMPARE(defaultSaveFolder(program, downloads), program + QStringLiteral("/FileRicevuti/"));
    // A program folder that is not there (or cannot hold the folder).
    QCOMPARE(defaultSaveFolder(dir.filePath(QStringLiteral("missing/bin")), downloads),
             downloads + QStringLiteral("/FileRicevuti/"));
    // "FileRicevuti" taken by a plain file.
    QFile squatter(program + QStringLiteral("/FileRicevuti"));
    QVERIFY(squatter.open(QIODevice::WriteOnly));
    squatter.close();
    QCOMPARE(defaultSaveFolder(program, downloads), downloads + QStringLiteral("/FileRicevuti/"));
    QCOMPARE(withSeparator(QStringLiteral("/a")), QStringLiteral("/a/"));
    QCOMPARE(withSeparator(QStringLiteral("/a/")), QStringLiteral("/a/"));
}

void tst_TransferProtocol::destinationReplacesWithoutTouchingOtherNames()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("dado.txt"));
    const QString other = dir.filePath(QStringLiteral("altro-nome.txt"));
    {
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("vecchio contenuto, piu lungo");
    }
    QCOMPARE(::link(QFile::encodeName(path).constData(), QFile::encodeName(other).constData()), 0);

    QFile file;
    QString why;
    QVERIFY2(openDestination(file, path, &why), qPrintable(why));
    QCOMPARE(file.write("nuovo"), qint64(5));
    file.close();

    QFile check(path);
    QVERIFY(check.open(QIODevice::ReadOnly));
    QCOMPARE(check.readAll(), QByteArray("nuovo"));
    QFile kept(other);
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), QByteArray("vecchio contenuto, piu lungo"));
}

void tst_TransferProtocol::destinationRefusesLinksAndOddFiles()
{
    QTemporaryDir dir;
    QTemporaryDir outside;
    const QString target = outside.filePath(QStringLiteral("secret"));
    {
        QFile f(target);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("keep me");
    }
    const QString link = dir.filePath(QStringLiteral("link"));
    QVERIFY(QFile::link(target, link));
    const QString dangling = dir.filePath(QStringLiteral("dangling"));
    QVERIFY(QFile::link(outside.filePath(QStringLiteral("not-yet")), dangling));
    const QString folder = dir.filePath(QStringLiteral("sub"));
    QVERIFY(QDir().mkdir(folder));
    const QString fifo = dir.filePath(QStringLiteral("pipe"));
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);

    for (const QString &path : {link, dangling, folder, fifo}) {
        QFile file;
        QString why;
        QVERIFY2(!openDestination(file, path, &why), qPrintable(path));
        QVERIFY(!why.isEmpty());
        QVERIFY(!file.isOpen());
    }
    QFile f(target);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), QByteArray("keep me"));
    QVERIFY(!QFileInfo::exists(outside.filePath(QStringLiteral("not-yet"))));
    QVERIFY(QFileInfo(link).isSymLink());
}

void tst_TransferProtocol::folderIsMadeOrRefused()
{
    QTemporaryDir dir;
    QString why;
    QVERIFY(makeFolder(dir.filePath(QStringLiteral("a/b/c/")), &why));
    QVERIFY(QFileInfo(dir.filePath(QStringLiteral("a/b/c"))).isDir());
    QVERIFY(makeFolder(dir.filePath(QStringLiteral("a/b/c/")), &why)); // already there
    QFile plain(dir.filePath(QStringLiteral("plain")));
    QVERIFY(plain.open(QIODevice::WriteOnly));
    plain.close();
    QVERIFY(!makeFolder(dir.filePath(QStringLiteral("plain/")), &why));
    QVERIFY(!why.isEmpty());
    QVERIFY(!makeFolder(dir.filePath(QStringLiteral("plain/sub/")), &why));
}

QTEST_GUILESS_MAIN(tst_TransferProtocol)
#include "tst_protocol.moc"
