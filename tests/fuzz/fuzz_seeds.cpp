// Writes the fuzz targets' starting corpus and dictionaries from the
// protocol's own definitions, so they follow every change of a tag:
//   fuzz_seeds <folder>
// makes <folder>/<target>/ with one seed per message (every tag of the chat
// protocol with valid fields, every transfer message) and per typical
// sequence, each behind the header bytes that target reads, and
// <folder>/chat.dict and <folder>/transfer.dict.

#include "dispatcher.h"
#include "pictureassembler.h"
#include "protocol.h"
#include "sessionstore.h"
#include "tags.h"
#include "transferprotocol.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QList>
#include <QStringList>

#include <cstdio>

namespace tag = session::tag;
using session::sFormatSend;

namespace
{

QString fields(std::initializer_list<double> values)
{
    QString out;
    for (const double v : values)
        out += sFormatSend(v);
    return out;
}

/// One line of every tag, with fields as a real sender writes them.
QStringList everyTag()
{
    QStringList lines{
        tag::Connessione + QStringLiteral("Nuovo"),
        tag::Rename + QStringLiteral("Nuovo[2]"),
        tag::Disconnessione + sFormatSend(2),
        tag::Espulsione + sFormatSend(3),
        tag::CambiaNome + QStringLiteral("Rinominato"),
        tag::NuovoNome,
        tag::Riordina + sFormatSend(-1) + QStringLiteral("Oste"),
        tag::Riordina + sFormatSend(2) + QStringLiteral("Giocatore2"),
        tag::Listato,
        tag::ComboIP + QStringLiteral("Giocatore1 - 127.0.0.1"),
        tag::NeoConnesso,
        tag::NeoConnesso + QStringLiteral("Oste - 127.0.0.1"),
        tag::Messaggio + QStringLiteral("Ciao a tutti, è l'ora del drago."),
        tag::Privato + fields({2, -1, 3}) + QStringLiteral("*solo per voi*"),
        tag::Pulisci,
        tag::Linea + fields({1500, 1500, 9000, 6000, 255, 3, 1}),
        tag::Linea + fields({10, 10, 700, 500, 65280, 1, 3}),
        tag::Circonferenza + fields({6000, 6000, 7500, 6000, 16711680, 2, 1}),
        tag::Colora + fields({400, 400, 33023}),
        session::Dispatcher::greeting(12000, 12000),
    };
    return lines;
}

/// The twelve messages of one text on the board.
QStringList textSet()
{
    return {tag::testo(1) + QStringLiteral("Qui c'è il tesoro"),
            tag::testo(2) + QStringLiteral("1500"),
            tag::testo(3) + QStringLiteral("3000"),
            tag::testo(4) + QStringLiteral("1"),
            tag::testo(5) + QStringLiteral("0"),
            tag::testo(6) + QStringLiteral("False"),
            tag::testo(7) + QStringLiteral("24"),
            tag::testo(8) + QStringLiteral("8"),
            tag::testo(9) + QStringLiteral("12,5"),
            tag::testo(10) + QStringLiteral("700"),
            tag::testo(11) + QStringLiteral("Sans Serif"),
            tag::TestoColore + sFormatSend(4) + QStringLiteral("1")};
}

/// Two small picture files, a PNG and a JPEG, as a sharer sends them.
QByteArray tinyPng()
{
    return QByteArray::fromHex(
        "89504e470d0a1a0a0000000d49484452000000040000000301030000008e3a3c8500000006504c5445ff00"
        "000000ff6ca1fd8e0000000e4944415408d7636060706060000000c60041891a91060000000049454e44ae"
        "426082");
}
QByteArray tinyJpeg()
{
    return QByteArray::fromHex(
        "ffd8ffe000104a46494600010100000100010000ffdb00430006040506050406060506070706080a100a0a"
        "09090a140e0f0c1017141818171416161a1d251f1a1b231c1616202c20232627292a29191f2d302d283025"
        "282928ffdb0043010707070a080a130a0a13281a161a28282828282828282828282828282828282828282828"
        "28282828282828282828282828282828282828282828ffc00011080003000403012200021101031101ffc400"
        "1500010100000000000000000000000000000007ffc400191001000301010000000000000000000000010002"
        "112131ffc4001501010100000000000000000000000000000608ffc400161101010100000000000000000000"
        "000000010011ffda000c03010002110311003f009cd42a61beaf5d88883d55d6a4000c2fffd9");
}

/// The messages beyond the basic protocol that carry no picture.
QStringList tableTags()
{
    return {tag::PulitaDa + QStringLiteral("Oste"), tag::Ripristinata + QStringLiteral("Oste"),
            tag::SoloHost + QStringLiteral("1"), tag::SoloHost + QStringLiteral("0"),
            tag::PuliziaRifiutata,
            tag::Reticolo + fields({0, 4, 6, 255, 1}) + QStringLiteral("Oste"),
            tag::Reticolo + fields({2, 2, 3, 65280, 3}) + QStringLiteral("Giocatore1")};
}

/// A picture shared as it travels: the start and its slices, as wire bytes.
QByteArray sharedPicture(quint32 id, const QByteArray &file)
{
    QByteArray out;
    for (const QByteArray &line : session::PictureAssembler::encode(id, file, QStringLiteral("Oste")))
        out += line;
    return out;
}

/// A client's side of joining and then talking.
QStringList joining()
{
    return {tag::Connessione + QStringLiteral("Nuovo"), tag::Listato,
            tag::ComboIP + QStringLiteral("Nuovo - 127.0.0.1"), tag::NeoConnesso,
            tag::Messaggio + QStringLiteral("Eccomi"), tag::CambiaNome + QStringLiteral("Vecchio"),
            tag::Listato, tag::ComboIP + QStringLiteral("Vecchio - 127.0.0.1")};
}

/// What a host sends a newcomer.
QStringList welcome()
{
    return {tag::Connessione + QStringLiteral("Nuovo"),
            tag::NuovoNome,
            tag::Riordina + sFormatSend(-1) + QStringLiteral("Oste"),
            tag::Riordina + sFormatSend(1) + QStringLiteral("Nuovo"),
            session::Dispatcher::greeting(12000, 12000),
            tag::Rename + QStringLiteral("Nuovo"),
            tag::Listato,
            tag::ComboIP + QStringLiteral("Nuovo - 127.0.0.1"),
            tag::NeoConnesso + QStringLiteral("Oste - 127.0.0.1"),
            tag::NeoConnesso + QStringLiteral("Nuovo - 127.0.0.1")};
}

QByteArray wire(const QStringList &lines)
{
    QByteArray out;
    for (const QString &line : lines)
        out += session::encodeLine(line);
    return out;
}

bool write(const QString &folder, const QByteArray &header, const QByteArray &body)
{
    const QByteArray bytes = header + body;
    const QString name = QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha1).toHex());
    QFile file(folder + QLatin1Char('/') + name);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(file.fileName()));
        return false;
    }
    return true;
}

/// A dictionary entry: printable ASCII as it is, everything else escaped.
QByteArray dictEntry(const QByteArray &value)
{
    QByteArray out = "\"";
    for (const char c : value) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\' || u < 0x20 || u >= 0x7F)
            out += "\\x" + QByteArray::number(u, 16).rightJustified(2, '0');
        else
            out += c;
    }
    return out + "\"\n";
}

bool writeDict(const QString &path, const QList<QByteArray> &entries)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    for (const QByteArray &entry : entries)
        file.write(dictEntry(entry));
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
        return 2;
    }
    const QString root = QString::fromLocal8Bit(argv[1]);
    const QStringList targets{QStringLiteral("lineframer"), QStringLiteral("dispatcher"),
                              QStringLiteral("board"), QStringLiteral("transfer"),
                              QStringLiteral("sessionstore")};
    for (const QString &t : targets) {
        if (!QDir().mkpath(root + QLatin1Char('/') + t))
            return 1;
    }
    const auto folder = [&](const char *t) { return root + QLatin1Char('/') + QLatin1String(t); };

    QList<QByteArray> chatBodies;
    for (const QString &line : everyTag())
        chatBodies.append(session::encodeLine(line));
    for (const QString &line : tableTags())
        chatBodies.append(session::encodeLine(line));
    // Pictures: whole, two in a row (the later one replaces), one cut by a
    // clear, and one that spans several slices.
    QByteArray large = tinyPng();
    large.insert(large.size() - 12, QByteArray(3 * session::PictureAssembler::kSliceBytes, '\0'));
    chatBodies += {sharedPicture(1, tinyPng()), sharedPicture(2, tinyJpeg()),
                   sharedPicture(3, tinyPng()) + sharedPicture(4, tinyJpeg()),
                   sharedPicture(5, tinyPng()).left(120) + session::encodeLine(tag::Pulisci),
                   sharedPicture(6, large)};
    for (const QString &line : textSet())
        chatBodies.append(session::encodeLine(line));
    const QList<QByteArray> sequences{wire(everyTag()), wire(textSet()), wire(joining()), wire(welcome())};
    const QList<QByteArray> all = chatBodies + sequences;

    bool ok = true;
    for (const QByteArray &body : all) {
        // Framer: the default limit and a small one; cut two ways.
        ok &= write(folder("lineframer"), QByteArray("\xff\x01", 2), body);
        ok &= write(folder("lineframer"), QByteArray("\x28\x07", 2), body);
        // Dispatcher: from the clients to a host, and from a host to a client.
        ok &= write(folder("dispatcher"), QByteArray("\x00\x03", 2), body);
        ok &= write(folder("dispatcher"), QByteArray("\x01\x03", 2), body);
    }
    ok &= write(folder("dispatcher"), QByteArray("\x02\x05", 2), wire(joining()));
    // Board: a swatch selected and a rubber band out, or nothing selected.
    const QByteArray band("\x84\x40\x80", 3);
    const QByteArray plain("\x1a\x00\x00", 3);
    for (const QByteArray &body : all) {
        ok &= write(folder("board"), band, body);
        ok &= write(folder("board"), plain, body);
    }
    // Board: picture files handed straight to the shared-picture decoder.
    const QByteArray decoder("\x40\x00\x00", 3);
    for (const QByteArray &file : {tinyPng(), tinyJpeg(), large, tinyPng().left(40)})
        ok &= write(folder("board"), decoder, file);

    // Transfer: what senders write, alone and as whole conversations.
    using namespace transfer::wire;
    const QByteArray offer = QByteArray(kName) + "nota.txt" + kSize + "5" + "ciao!";
    const QList<QByteArray> transferBodies{
        QByteArray(kPacketRequest),
        QByteArray(kPacketRequest) + kName + "mappa.png" + kSize + "12" + "\x89PNG\r\n\x1a\nabcd",
        offer,
        QByteArray(kName) + "vuoto.txt" + kSize + "0",
        QByteArray(kName) + "../fuori.txt" + kSize + "3" + "abc",
        QByteArray(kName) + "C:\\Giochi\\scheda.txt" + kSize + "2" + "ok",
        offer + offer,
        QByteArray(kAccept), QByteArray(kDenied), transfer::packetAnswer(2048),
        QByteArray(kPendAccepted), QByteArray(kPendRefused), QByteArray(kKick)};
    for (const QByteArray &body : transferBodies) {
        // Everything accepted at once; or asked and answered yes.
        ok &= write(folder("transfer"), QByteArray("\x00\x32\x01", 3), body);
        ok &= write(folder("transfer"), QByteArray("\x0e\x32\x02", 3), body);
    }

    // Session files: whole, torn, and as payloads for the writer's records.
    {
        using session::SessionStore;
        const QDateTime start = QDateTime::fromSecsSinceEpoch(1772917530, Qt::UTC);
        QByteArray records;
        for (const QByteArray &body : chatBodies)
            records += SessionStore::record('B', 1772917530, body.chopped(2));
        records += SessionStore::record('M', 1772917531, "Oste: ciao");
        records += SessionStore::record('M', 1772917532, "Oste lancia 2d6 ed ottiene 7.\n\xab 3, 4 \xbb");
        // A shared picture's records among drawings and grids: whole, then
        // replaced by one that never finished, then cleared.
        const auto pictureRecords = [](quint32 id, const QByteArray &bytes) {
            QByteArray out;
            for (const QByteArray &line :
                 session::PictureAssembler::encode(id, bytes, QStringLiteral("Oste")))
                out += SessionStore::record('P', 1772917533, line.chopped(2));
            return out;
        };
        const QByteArray grid = session::encodeText(tableTags().last());
        const QByteArray line = session::encodeText(everyTag().filter(tag::Linea).value(0));
        const QByteArray shared = SessionStore::record('B', 1772917533, line) +
                                  pictureRecords(7, tinyPng()) +
                                  SessionStore::record('B', 1772917534, grid);
        const QByteArray unfinished = pictureRecords(8, tinyJpeg());
        const QByteArray file = SessionStore::header(start) + records;
        ok &= write(folder("sessionstore"), QByteArray("\x00", 1), file);
        ok &= write(folder("sessionstore"), QByteArray("\x00", 1), file.chopped(5));
        ok &= write(folder("sessionstore"), QByteArray("\x02", 1), records);
        ok &= write(folder("sessionstore"), QByteArray("\x02", 1), shared);
        ok &= write(folder("sessionstore"), QByteArray("\x02", 1),
                    shared + unfinished.left(unfinished.lastIndexOf("\nP ") + 1) +
                        SessionStore::record('B', 1772917535, "[Pulisci Lavagna]"));
        ok &= write(folder("sessionstore"), QByteArray("\x00", 1),
                    SessionStore::header(start) + shared + unfinished.chopped(7));
        const QList<QByteArray> payloads{"[Linea]0000000001", "Oste: ciao", "[Pulisci Lavagna]",
                                         "x\ny"};
        ok &= write(folder("sessionstore"), QByteArray("\x07", 1), payloads.join('\0'));
    }

    QList<QByteArray> chatWords;
    QStringList tags{tag::Connessione, tag::Rename, tag::Disconnessione, tag::Espulsione,
                     tag::CambiaNome, tag::NuovoNome, tag::Riordina, tag::Listato,
                     tag::ComboIP, tag::NeoConnesso, tag::Messaggio, tag::Privato,
                     tag::Pulisci, tag::Linea, tag::Circonferenza, tag::Colora,
                     tag::TestoColore, tag::PulitaDa, tag::Ripristinata, tag::SoloHost,
                     tag::PuliziaRifiutata, tag::Immagine, tag::ImmagineParte, tag::Reticolo,
                     tag::Tavernix, tag::Posto, tag::Ritorno};
    for (int part = 1; part <= 11; ++part)
        tags.append(tag::testo(part));
    for (const QString &t : tags)
        chatWords.append(session::encodeText(t));
    chatWords += {"\r\n", sFormatSend(-1).toLatin1(), sFormatSend(255).toLatin1(),
                  sFormatSend(16777215).toLatin1(), sFormatSend(12000).toLatin1(), " - ", "True",
                  "Falso", "IHDR", "IDAT", "IEND", "\x89PNG\r\n\x1a\n", "\xff\xd8\xff",
                  "\xff\xd9"};
    ok &= writeDict(root + QStringLiteral("/chat.dict"), chatWords);
    ok &= writeDict(root + QStringLiteral("/session.dict"),
                    {"TAVERNIX PARTITA ", "1 2026-03-07T20:05:30Z\n", "B 1772917530 ", "M 1 ",
                     "P 1 ", " 77 ", "\n", "[Pulisci Lavagna]", "[Linea]", "[Inserisci Testo]",
                     "[Inserisci TestoColore]", "[Immagine Condivisa]", "[Immagine Condivisa Parte]",
                     "[Reticolo Condiviso]"});
    ok &= writeDict(root + QStringLiteral("/transfer.dict"),
                    {kAccept, kDenied, kPacketAnswer, kPendAccepted, kPendRefused, kKick,
                     kPacketRequest, kName, kSize});
    return ok ? 0 : 1;
}
