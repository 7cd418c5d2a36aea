// Dice a table can check: faces without bias, the roll as it travels to
// Tavernix programs (hostile texts refused), and the verifier against an
// honest host and hosts that lie.

#include "commitment.h"
#include "dicewire.h"
#include "expressionparser.h"
#include "fileaudit.h"
#include "ledger.h"
#include "roller.h"
#include "rollrecord.h"
#include "seededdiesource.h"
#include "verifier.h"

#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace dice;

class TestCheck : public QObject
{
    Q_OBJECT
private slots:
    void faceFromWord_data();
    void faceFromWord();
    void faces_data();
    void faces();
    void record_data();
    void record();
    void verify_data();
    void verify();
    void audit_data();
    void audit();
};

void TestCheck::faceFromWord_data()
{
    QTest::addColumn<quint32>("word");
    QTest::addColumn<int>("faces");
    QTest::addColumn<int>("face"); // 0: rejected, the next word is taken

    QTest::newRow("last kept of a d6") << 4294967291u << 6 << 6;
    QTest::newRow("first refused of a d6") << 4294967292u << 6 << 0;
    QTest::newRow("a d1 refuses nothing") << 0xffffffffu << 1 << 1;
}

void TestCheck::faceFromWord()
{
    QFETCH(quint32, word);
    QFETCH(int, faces);
    QFETCH(int, face);
    QCOMPARE(DieSource::faceFromWord(word, faces).value_or(0), face);
}

void TestCheck::faces_data()
{
    QTest::addColumn<int>("faces");
    QTest::addColumn<double>("bound"); // chi-square at p = 0.001 for faces - 1 degrees
    QTest::newRow("d6") << 6 << 20.52;
    QTest::newRow("d20") << 20 << 43.82;
}

void TestCheck::faces()
{
    QFETCH(int, faces);
    QFETCH(double, bound);
    const int perFace = 2000;
    QList<int> seen(faces + 1, 0);
    // A fixed seed, so the bound is met or missed the same way every run.
    SeededDieSource source(QByteArray(32, '\x2a'), QStringLiteral("Ada"), QByteArray(16, 'n'), 1,
                           QStringLiteral("1d%1").arg(faces));
    for (int i = 0; i < faces * perFace; ++i)
        ++seen[*source.draw(faces)];
    double chi = 0;
    for (int f = 1; f <= faces; ++f)
        chi += double(seen[f] - perFace) * (seen[f] - perFace) / perFace;
    QVERIFY2(chi < bound, qPrintable(QString::number(chi)));
}

// A record as the host sends it, then the same with one field replaced.
void TestCheck::record_data()
{
    QTest::addColumn<int>("field"); // -1: as sent
    QTest::addColumn<QString>("value"); // its words go into this field and the next ones
    QTest::addColumn<bool>("accepted");

    QTest::newRow("as sent") << -1 << QString() << true;
    QTest::newRow("unknown kind") << 1 << "X" << false;
    QTest::newRow("upper-case commitment") << 2 << QString(64, u'A') << false;
    QTest::newRow("short nonce") << 4 << QString(30, u'a') << false;
    QTest::newRow("counter zero") << 3 << "0" << false;
    QTest::newRow("roller not Base64") << 5 << "QWRh!" << false;
    QTest::newRow("roller Base64 not canonical") << 5 << "QR==" << false;
    QTest::newRow("roller empty") << 5 << "" << false;
    QTest::newRow("roller with a control character") << 5 << "QQdC" << false;
    QTest::newRow("roller not UTF-8") << 5 << "/w==" << false;
    QTest::newRow("expression not canonical") << 7 << "4D6KH3" << false;
    QTest::newRow("label a sentence") << 8 << "cGVyIHZpbmNlcmUh" << false;
    QTest::newRow("too few throws") << 9 << "6,2,6" << false;
    QTest::newRow("too many throws") << 9 << "6,2,6,2,1" << false;
    QTest::newRow("a throw no d6 shows") << 9 << "6,2,7,2" << false;
    QTest::newRow("a public roll without dice") << 7 << "- - -" << false;
    QTest::newRow("an extra field") << 10 << "x" << false;
    QTest::newRow("too long") << 9 << QStringLiteral("1,").repeated(3000) + "1" << false;
}

void TestCheck::record()
{
    QFETCH(int, field);
    QFETCH(QString, value);
    QFETCH(bool, accepted);

    RollRecord sent;
    sent.commitment = Commitment().hash();
    sent.counter = 7;
    sent.nonce = Commitment::freshNonce();
    sent.roller = QStringLiteral("Ada");
    sent.nonceBy = QStringLiteral("Brom Ålund");
    const auto e = ExpressionParser::parse(u"4d6kh3 per forza").expression;
    SeededDieSource source(QByteArray(32, 1), sent.roller, sent.nonce, 7, e->text());
    sent.roll = Roller::roll(*e, source);
    QStringList fields = sent.encode().split(u' ');
    QCOMPARE(fields.size(), 10);
    for (const QString &word : field < 0 ? QStringList() : value.split(u' ')) {
        if (field == fields.size())
            fields.append(QString());
        fields[field++] = word;
    }
    const auto got = RollRecord::decode(fields.join(u' '));
    QCOMPARE(got.has_value(), accepted);
    if (accepted) {
        QCOMPARE(got->roll, sent.roll);
        QCOMPARE(got->encode(), sent.encode());
    }
}

// The steps of a session, as the verifier of one player (Bea) sees it:
//   C     the host promises a new seed      c  it starts one without saying so
//   V     the host reveals its seed         W  it reveals another one
//   r:n:e the host announces a roll of e by Ada with nonce n
//   x:n:e the same, one throw changed       s:n:e a secret roll Bea may not see
//   k:n:e a roll that reuses the last counter
//   q:n:e Bea's program asks for e with nonce n   g:n  it gives nonce n to the host
void TestCheck::verify_data()
{
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QString>("problems");
    QTest::addColumn<int>("checked");
    QTest::addColumn<int>("pending");

    QTest::newRow("honest host") << "C q:a:1d20 r:a:1d20 g:b r:b:4d6kh3 s:c:1d6 V" << "" << 2 << 0;
    QTest::newRow("not revealed yet") << "C r:a:2d6" << "" << 0 << 1;
    QTest::newRow("a resumed session") << "C r:a:1d20 V C r:b:3d6! V" << "" << 2 << 0;
    QTest::newRow("a changed die") << "C x:a:10d10>=8 r:b:1d20 V" << "WrongDice" << 1 << 0;
    QTest::newRow("another seed revealed") << "C r:a:1d20 r:b:1d6 W" << "SeedMismatch" << 0 << 0;
    QTest::newRow("a seed never promised") << "c r:a:1d20 V" << "UnknownCommitment" << 1 << 0;
    QTest::newRow("a request answered twice")
        << "C q:a:1d20 r:a:1d20 r:a:1d20 V" << "NonceReused" << 2 << 0;
    QTest::newRow("a number given twice") << "C r:a:1d20 k:b:1d20 V" << "CounterReused" << 2 << 0;
    QTest::newRow("a dropped roll")
        << "C q:a:1d20 g:b r:c:1d20 V" << "Unanswered NonceUnused" << 1 << 0;
    QTest::newRow("another roll for the request")
        << "C q:a:1d20 r:a:1d4 V" << "WrongAnswer" << 1 << 0;
}

void TestCheck::verify()
{
    QFETCH(QString, steps);
    QFETCH(QString, problems);
    QFETCH(int, checked);
    QFETCH(int, pending);

    Verifier bea;
    Commitment host;
    auto nonce = [](QString n) { return QByteArray(Commitment::kNonceBytes, n[0].toLatin1()); };
    for (const QString &step : steps.split(u' ')) {
        const QStringList p = step.split(u':');
        const QChar what = p[0][0];
        if (what == u'C' || what == u'c') {
            host = Commitment();
            if (what == u'C')
                bea.addCommitment(host.hash());
        } else if (what == u'V' || what == u'W') {
            bea.addReveal(host.hash(), what == u'V' ? host.seed() : Commitment().seed());
        } else if (what == u'q') {
            bea.addRequest(nonce(p[1]), p[2]);
        } else if (what == u'g') {
            bea.addSuppliedNonce(nonce(p[1]));
        } else {
            RollRecord r;
            r.kind = what == u's' ? RollRecord::Kind::Secret : RollRecord::Kind::Public;
            r.commitment = host.hash();
            r.counter = what == u'k' ? host.nextCounter() - 1 : host.takeCounter();
            r.nonce = nonce(p[1]);
            r.roller = r.nonceBy = QStringLiteral("Ada");
            const auto e = ExpressionParser::parse(p[2]).expression;
            SeededDieSource source(host.seed(), r.roller, r.nonce, r.counter, e->text());
            r.roll = Roller::roll(*e, source);
            if (what == u'x') // a host that likes a higher first die
                r.roll->draws[0] = r.roll->draws[0] % 10 + 1;
            QString sent = r.encode();
            if (what == u's') { // Bea gets the roll counted, not shown
                r.roll.reset();
                sent = r.encode();
            }
            const auto received = RollRecord::decode(sent);
            QVERIFY(received);
            bea.addRoll(*received);
        }
    }
    const Verifier::Report report = bea.check();
    static const char *const names[] = {"WrongDice",   "SeedMismatch",  "UnknownCommitment",
                                        "NonceReused", "CounterReused", "Unanswered",
                                        "WrongAnswer", "NonceUnused"};
    QStringList kinds;
    for (const auto &problem : report.problems)
        kinds << QLatin1String(names[int(problem.kind)]);
    QCOMPARE(kinds.join(u' '), problems);
    QCOMPARE(report.checked, checked);
    QCOMPARE(report.pending, pending);
    QCOMPARE(report.summary().startsWith(QStringLiteral("tutti i 2 tiri verificati")),
             problems.isEmpty() && checked == 2 && pending == 0);
}

// A saved conversation as the journal writes it: rows, and the dice lines in comments.
static QByteArray savedFile(bool revealed, int changeDie)
{
    const Commitment host(QByteArray(32, '\5'), 1);
    RollRecord r;
    r.commitment = host.hash();
    r.counter = 1;
    r.nonce = QByteArray(16, 'n');
    r.roller = r.nonceBy = QStringLiteral("Ada");
    const auto e = ExpressionParser::parse(u"2d6").expression;
    SeededDieSource source(host.seed(), r.roller, r.nonce, 1, e->text());
    r.roll = Roller::roll(*e, source);
    r.roll->draws[0] = (r.roll->draws[0] + changeDie - 1) % 6 + 1;
    QStringList lines{DiceWire::Impegno + host.hash().toHex(), DiceWire::Tiro + r.encode()};
    if (revealed)
        lines << DiceWire::Rivela + DiceWire::encode(DiceWire::Reveal{host.hash(), host.seed()});
    QByteArray html = "<p>Ada lancia 2d6 ed ottiene 7.</p>\n";
    for (const QString &line : lines)
        html += Ledger::asComment(line).toUtf8() + '\n';
    return html;
}

void TestCheck::audit_data()
{
    QTest::addColumn<QString>("make"); // what stands at the path given
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("says"); // in the failures, the summary or the error

    QTest::newRow("as kept") << "file" << savedFile(true, 0) << true << "l'unico tiro verificato";
    QTest::newRow("a die changed") << "file" << savedFile(true, 1) << false << "non corrisponde";
    QTest::newRow("seed never revealed")
        << "file" << savedFile(false, 0) << false << "mai stato rivelato";
    QTest::newRow("no dice in it") << "file" << QByteArray("<p>ciao</p>") << false << "nessun tiro";
    QTest::newRow("a FIFO") << "fifo" << QByteArray() << false << "pipe";
    QTest::newRow("a link to a device") << "link" << QByteArray() << false << "dispositivo";
}

void TestCheck::audit()
{
    QFETCH(QString, make);
    QFETCH(QByteArray, contents);
    QFETCH(bool, ok);
    QFETCH(QString, says);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("dialogo.html"));
    if (make == u"fifo")
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    else if (make == u"link")
        QVERIFY(QFile::link(QStringLiteral("/dev/zero"), path));
    else if (QFile f(path); f.open(QIODevice::WriteOnly)) // a failure shows as no file
        f.write(contents);
    const FileAudit::Result r = FileAudit::check(path);
    QCOMPARE(r.ok, ok);
    const QString all = r.failures.join(u'\n') + u'\n' + r.summary + u'\n' + r.error;
    QVERIFY2(all.contains(says), qPrintable(all));
}

QTEST_GUILESS_MAIN(TestCheck)
#include "tst_check.moc"
