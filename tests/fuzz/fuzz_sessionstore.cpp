// The session file reader on arbitrary bytes, and the writer's records read
// back.
//
// Input: one mode byte, then the rest.
// - Mode bit 0 clear: the rest is a session file (after a valid header when
//   bit 1 is set, so the records are reached at once). Invariants: a file is
//   either refused, with a message naming it, or read; a file read keeps
//   whole records only (what a resume keeps reads again the same, not torn);
//   at most the last 100 lines are kept and never more than the file holds;
//   the board's blocks hold whole wire lines; a shared picture is kept only
//   whole, and a torn record never changes the board.
// - Mode bit 0 set: the rest, cut at every 0 byte, is the payloads of
//   records as the writer makes them (board and talk by turns). Invariant:
//   the reader gives every one of them back, and a cut anywhere inside the
//   last record loses that record only.

#include "fuzzkit.h"
#include "sessionstore.h"

using session::SessionStore;

namespace
{

const QDateTime kStart = QDateTime::fromSecsSinceEpoch(1772917530, Qt::UTC);

void checkRead(const QByteArray &file)
{
    const auto r = SessionStore::parse(file, QStringLiteral("f.tvx"));
    FUZZ_CHECK(r.found, "a file given is a file found");
    if (!r.error.isEmpty()) {
        FUZZ_CHECK(r.error.contains(QStringLiteral("f.tvx")), r.error.toUtf8());
        return;
    }
    const auto &c = r.contents;
    FUZZ_CHECK(c.validSize > 0 && c.validSize <= file.size(), QByteArray::number(c.validSize));
    FUZZ_CHECK(c.torn == (c.validSize < file.size()), "torn exactly when bytes are left over");
    FUZZ_CHECK(qsizetype(c.recent.size()) <= qMin<qsizetype>(c.lines, 100), "too many recent lines");
    for (const QByteArray &block : c.board)
        FUZZ_CHECK(block.endsWith("\r\n"), "a block cut in a line");
    const auto kept = SessionStore::parse(QByteArrayView(file).first(c.validSize), QString());
    FUZZ_CHECK(kept.error.isEmpty() && !kept.contents.torn, "what a resume keeps is whole");
    FUZZ_CHECK(kept.contents.lines == c.lines && kept.contents.drawings == c.drawings &&
                   kept.contents.hasPicture == c.hasPicture && kept.contents.board == c.board,
               "what a resume keeps reads the same");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    const quint8 mode = data[0];
    const QByteArray rest(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    if (!(mode & 1)) {
        checkRead(mode & 2 ? SessionStore::header(kStart) + rest : rest);
        return 0;
    }
    QByteArray file = SessionStore::header(kStart);
    const QList<QByteArray> payloads = rest.split('\0');
    qsizetype said = 0;
    for (qsizetype i = 0; i < payloads.size(); ++i) {
        const bool talk = i % 2 == 1;
        said += talk;
        file += SessionStore::record(talk ? 'M' : 'B', i, payloads[i]);
    }
    const auto r = SessionStore::parse(file, QString());
    FUZZ_CHECK(r.error.isEmpty() && !r.contents.torn, r.error.toUtf8());
    FUZZ_CHECK(r.contents.lines == said, "every line written is read back");
    const qsizetype lastTalk = payloads.size() % 2 == 0 ? payloads.size() - 1 : payloads.size() - 2;
    FUZZ_CHECK(said == 0 || (!r.contents.recent.empty() &&
                             r.contents.recent.back().secs == lastTalk &&
                             r.contents.recent.back().line.size() == payloads[lastTalk].size()),
               "the last line read is the last written");
    const qsizetype cut = qsizetype(mode >> 1) % qMax<qsizetype>(1, payloads.last().size() + 4);
    const auto torn = SessionStore::parse(QByteArrayView(file).chopped(cut + 1), QString());
    FUZZ_CHECK(torn.error.isEmpty() && torn.contents.torn, "a cut last record is torn, not refused");
    FUZZ_CHECK(torn.contents.lines == said - (payloads.size() % 2 == 0 ? 1 : 0),
               "a cut loses the last record only");
    checkRead(file);
    return 0;
}
