// Received drawing and received text on a real board surface: the bytes go
// through the codec and a client session's dispatcher into the drawing
// tools, the 800 x 800 surface, the palette, the fill control and the text
// renderer, as a participant's board gets them from its host.
//
// Input: a flags byte (the swatch selected locally, whether a straight-line
// rubber band is on the board), two bytes placing that band, then protocol
// bytes. Each input starts from a fresh board. With flags bit 6 set and bit
// 7 clear the bytes after the header are instead a picture file shared with
// the table, handed straight to its decoder.
//
// Pictures shared with the table are decoded aside; each input waits for
// them. A picture the board shows is within 16384 pixels a side; one the
// decoder refuses comes with a reason.
//
// Invariants, per received line:
// - it costs at most 100 ms of this thread's CPU time (so a busy machine
//   does not count). The budget is per message, not per input: an input
//   holds many messages, and a dozen whole-board fills are slow only
//   together, the way a flood is, which the host's overload rules handle;
// - the board keeps its size, unit, pen width and fill style, its local
//   swatch selection, and a draw mode of invert (its idle state) or the one
//   it had;
// - after a received drawing no rubber band is left on the board;
// - every pixel that changed lies in a rectangle the surface reported, so a
//   view that repaints only those shows the board as it is.

#include "fuzzkit.h"

#include "boardimages.h"
#include "boardsurface.h"
#include "bruvela.h"
#include "chatsession.h"
#include "drawingtools.h"
#include "palette.h"
#include "protocol.h"
#include "tableboard.h"
#include "tableshare.h"
#include "tags.h"

#include <QGuiApplication>
#include <QThreadPool>
#include <QRect>

namespace tag = session::tag;

namespace
{

constexpr double kBudgetMs = 100.0;

bool isDrawing(const QString &lineTag)
{
    return lineTag == tag::Linea || lineTag == tag::Circonferenza || lineTag == tag::Colora ||
           lineTag == tag::TestoColore || lineTag == tag::Pulisci || lineTag == tag::Reticolo;
}

/// Every pixel that differs between @p before and @p after lies in @p reported.
void checkReported(const QImage &before, const QImage &after, const QList<QRect> &reported,
                   const QString &line)
{
    const int w = after.width();
    for (int y = 0; y < after.height(); ++y) {
        const auto *a = reinterpret_cast<const QRgb *>(before.constScanLine(y));
        const auto *b = reinterpret_cast<const QRgb *>(after.constScanLine(y));
        if (std::memcmp(a, b, size_t(w) * sizeof(QRgb)) == 0)
            continue;
        for (int x = 0; x < w; ++x) {
            if (a[x] == b[x])
                continue;
            bool covered = false;
            for (const QRect &r : reported)
                covered = covered || r.contains(x, y);
            FUZZ_CHECK(covered, QByteArray("pixel ") + QByteArray::number(x) + "," + QByteArray::number(y) +
                                    " changed unreported by " + line.left(80).toUtf8());
        }
    }
}

} // namespace

// Fontconfig keeps its configuration for the life of the process in a way
// the leak checker cannot follow; that is not ours to fix.
extern "C" const char *__lsan_default_suppressions()
{
    return "leak:libfontconfig\n";
}

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    fuzzkit::application<QGuiApplication>();
    // The first text loads the font database, once per process: not the
    // cost of any input.
    board::BoardSurface surface;
    board::Palette palette;
    board::DrawingTools tools(&surface, &palette, nullptr);
    tools.setBroadcaster([](const QString &) {});
    session::ChatSession chat;
    chat.setBoardSink(&tools);
    chat.ProcessData(tag::testo(1) + QStringLiteral("Avvio\r\n") + tag::testo(7) + QStringLiteral("20\r\n") +
                         tag::TestoColore + session::sFormatSend(0) + QStringLiteral("3\r\n"),
                     -1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 3)
        return 0;
    const uint8_t flags = data[0];
    const QByteArray stream(reinterpret_cast<const char *>(data + 3), qsizetype(size - 3));
    if ((flags & 0xC0) == 0x40) {
        QString why;
        const QImage picture = board::BoardImages::decodeShared(stream, &why);
        FUZZ_CHECK(picture.isNull() != why.isEmpty(), "a refusal without a reason, or the reverse");
        if (!picture.isNull())
            FUZZ_CHECK(picture.width() <= board::BoardImages::kMaxSide &&
                           picture.height() <= board::BoardImages::kMaxSide &&
                           qint64(picture.sizeInBytes()) <= board::BoardImages::kMaxDecodeBytes,
                       "a picture past the board's limits was decoded");
        return 0;
    }

    board::BoardSurface surface;
    board::Palette palette;
    fill::Bruvela bruvela;
    board::DrawingTools tools(&surface, &palette, &bruvela);
    tools.setBroadcaster([](const QString &) {});
    session::ChatSession chat;
    chat.setBoardSink(&tools);
    board::BoardImages images(&surface);
    board::TableShare share(&images, &tools, &chat);
    chat.tableBoard()->setSink(&share);

    const int swatch = (flags & 0x3F) % (board::Palette::kCount + 1);
    if (swatch < board::Palette::kCount)
        palette.picSelColor_Click(swatch);
    if ((flags & 0x80) && palette.selectedIndex() >= 0) {
        // A straight line started and dragged: its rubber band is inverted
        // on the board while the messages arrive.
        tools.Command14_Click();
        tools.mousePress(board::DrawingTools::Left, false, 6000, 6000);
        tools.mouseMove(board::DrawingTools::Left, false, float(data[1]) * 47, float(data[2]) * 47);
    }
    surface.setDrawMode(board::BoardSurface::Invert);

    QList<QRect> reported;
    QObject::connect(&surface, &board::BoardSurface::changed,
                     [&reported](const QRect &pixels) { reported.append(pixels); });

    const QSize size0 = surface.pixelSize();
    const QImage::Format format0 = surface.image().format();
    // TAVERNIX_FUZZ_TIMES=1 prints what each line cost, to see how close to
    // the budget an input runs.
    static const bool verbose = qEnvironmentVariableIsSet("TAVERNIX_FUZZ_TIMES");
    qsizetype pos = 0;
    for (qsizetype end; (end = stream.indexOf("\r\n", pos)) >= 0; pos = end + 2) {
        const QString line = session::decodeText(stream.mid(pos, end - pos));
        const QString lineTag = session::splitTag(line).tag;
        const bool drawing = isDrawing(lineTag);

        const int scale = surface.scaleMode();
        const int width = surface.drawWidth();
        const int fillStyle = surface.fillStyle();
        const int mode = surface.drawMode();
        const int selected = palette.selectedIndex();
        QImage before;
        if (drawing)
            before = surface.image().copy();
        reported.clear();

        const double start = fuzzkit::threadCpuMs();
        chat.ProcessData(line + QStringLiteral("\r\n"), -1);
        const double spent = fuzzkit::threadCpuMs() - start;
        // A picture decoded aside lands now, before the checks.
        if (share.decoding() > 0) {
            QThreadPool::globalInstance()->waitForDone();
            QCoreApplication::processEvents();
            FUZZ_CHECK(share.decoding() == 0, "a decoded picture never came back");
            if (surface.hasPicture())
                FUZZ_CHECK(surface.picture().width() <= board::BoardImages::kMaxSide &&
                               surface.picture().height() <= board::BoardImages::kMaxSide,
                           "a shared picture past the board's limits is shown");
        }
        if (verbose)
            std::fprintf(stderr, "%8.3f ms  %s\n", spent, qPrintable(line.left(100)));
        FUZZ_CHECK(spent <= kBudgetMs, QByteArray::number(spent) + " ms for " + line.left(120).toUtf8());

        FUZZ_CHECK(surface.pixelSize() == size0 && surface.image().format() == format0,
                   "the board's image changed shape");
        FUZZ_CHECK(surface.scaleMode() == scale, "the unit was not restored after " + line.left(80).toUtf8());
        FUZZ_CHECK(surface.drawWidth() == width, "the pen width was not restored after " + line.left(80).toUtf8());
        FUZZ_CHECK(surface.fillStyle() == fillStyle, "the fill style was not restored");
        FUZZ_CHECK(surface.drawMode() == mode || surface.drawMode() == board::BoardSurface::Invert,
                   "draw mode " + QByteArray::number(surface.drawMode()) + " left behind");
        FUZZ_CHECK(palette.selectedIndex() == selected, "the local swatch selection changed");
        if (drawing) {
            const bool drew = surface.image() != before || !reported.isEmpty();
            // A drawing that was refused (a malformed field) may leave the
            // band; one that went ahead ran the erase step first.
            if (drew)
                FUZZ_CHECK(!tools.segmentPending(), "a rubber band survived " + line.left(80).toUtf8());
            checkReported(before, surface.image(), reported, line);
        }
    }
    return 0;
}
