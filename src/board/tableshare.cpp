#include "tableshare.h"

#include "boardimages.h"
#include "boardsurface.h"
#include "boundeddecode.h"
#include "chatsession.h"
#include "drawingtools.h"
#include "gridpainter.h"
#include "tableboard.h"

#include <QCoreApplication>
#include <QImage>
#include <QPointer>
#include <QThreadPool>

namespace board
{

TableShare::TableShare(BoardImages *images, DrawingTools *tools, session::ChatSession *session,
                       QObject *parent)
    : QObject(parent), m_images(images), m_tools(tools), m_order(tools), m_session(session)
{
    connect(m_images->surface(), &BoardSurface::cleared, this, [this] { ++m_generation; });
}

void TableShare::setGeneralStepTarget(std::function<void(const QString &)> target)
{
    m_generalStep = std::move(target);
}

void TableShare::status(const QString &text) const
{
    if (m_session && m_session->conversationSink())
        m_session->conversationSink()->UpdateStatus(text);
}

bool TableShare::pictureExceedsBoard() const
{
    const BoardImages::ToShare share = m_images->pictureToShare();
    return !share.picture.isNull() && share.exceeds(m_images->surface()->pixelSize());
}

bool TableShare::shareBoardPicture(Fitting fitting)
{
    m_why.clear();
    const BoardImages::ToShare share = m_images->pictureToShare();
    if (share.picture.isNull())
        m_why = tr("Sulla lavagna non c'è un'immagine da condividere.");
    else if (!m_session || (!m_session->bHost() && !m_session->isClientConnected()))
        m_why = tr("Nessuna sessione aperta con cui condividere l'immagine.");
    if (!m_why.isEmpty())
        return false;
    const QSize board = m_images->surface()->pixelSize();
    const bool fit = fitting == Fitting::ToBoard && share.exceeds(board);
    if (!fit && !share.encoded.isEmpty())
        return sendPicture(share.encoded); // the file as it came: nothing to prepare
    // Shrinking and encoding a large picture take long enough to hold the
    // conversation up: done aside, and shared when ready if the board still
    // shows the same picture.
    ++m_preparing;
    const quint64 generation = m_generation;
    const qint64 key = share.picture.cacheKey();
    const QPointer<TableShare> self(this);
    QThreadPool::globalInstance()->start([self, share, fit, board, generation, key] {
        QImage picture = share.picture;
        if (fit)
            picture = share.whole.scaled(BoundedDecode::fitted(share.whole.size(), board),
                                         Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        const QByteArray png = BoardImages::encodePng(picture);
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [self, picture, png, fit, key, generation] {
                if (self)
                    self->sharePrepared(picture, png, fit, key, generation);
            },
            Qt::QueuedConnection);
    });
    status(tr("Preparazione dell'immagine da condividere…"));
    return true;
}

void TableShare::sharePrepared(const QImage &picture, const QByteArray &png, bool fitted,
                               qint64 sourceKey, quint64 generation)
{
    --m_preparing;
    if (generation != m_generation ||
        m_images->pictureToShare().picture.cacheKey() != sourceKey) {
        status(tr("L'immagine è cambiata prima di essere condivisa: non è stata condivisa."));
        return;
    }
    if (png.isEmpty()) {
        status(tr("L'immagine non ha potuto essere preparata: non è stata condivisa."));
        return;
    }
    if (fitted) {
        // This board shows what the others will: the picture as it travels.
        m_tools->ErasePendingSegment();
        m_images->loadPicture(picture);
    }
    // Shared again later, the same file goes without being encoded anew.
    if (fitted || (m_images->surface()->hasPicture() &&
                   m_images->surface()->picture().cacheKey() == sourceKey))
        m_images->adoptEncoded(png);
    if (!sendPicture(png))
        status(m_why);
}

bool TableShare::sendPicture(const QByteArray &encoded)
{
    m_why.clear();
    if (!m_session)
        m_why = tr("Nessuna sessione aperta con cui condividere l'immagine.");
    else if (!m_session->tableBoard()->sharePicture(encoded))
        m_why = m_session->tableBoard()->why();
    if (!m_why.isEmpty())
        return false;
    status(tr("Immagine condivisa con il tavolo."));
    return true;
}

QString TableShare::gridRefusal(const session::GridFields &grid)
{
    const QStringList &kinds = GridPainter::kinds();
    if (grid.kind < 0 || grid.kind >= kinds.size())
        return tr("tipo di reticolo sconosciuto.");
    if (grid.width < 1 || grid.width > kMaxGridWidth)
        return tr("spessore fuori dai limiti.");
    // Lines and dots at the steps the board's 12000 twips allow; a step
    // below 1 gives no grid at all.
    const qint64 side = 12000 / BoardSurface::kTwipsPerPixel;
    const auto count = [](qint16 step) {
        return step < 1 ? 0 : 12000 / (qint64(step) * GridPainter::kTwipsPerUnit) + 1;
    };
    const qint64 rows = count(grid.passi1);
    const qint64 columns = count(grid.passi2);
    const qint64 w = grid.width;
    qint64 work = 0;
    switch (grid.kind) {
    case 0: work = (rows + columns) * side * w; break;   // Lineare
    case 1: work = rows * side * w; break;               // Orizzontale
    case 2: work = rows * columns * w * w; break;        // Puntiforme
    default: work = columns * side * w; break;           // Verticale
    }
    if (work > kMaxGridWork)
        return tr("il reticolo è troppo fitto per lo spessore scelto.");
    return {};
}

bool TableShare::shareGrid(const session::GridFields &grid)
{
    m_why.clear();
    if (const QString why = gridRefusal(grid); !why.isEmpty())
        m_why = tr("Il reticolo non può essere condiviso: ") + why;
    else if (!m_session)
        m_why = tr("Nessuna sessione aperta con cui condividere il reticolo.");
    else if (!m_session->tableBoard()->shareGrid(grid))
        m_why = m_session->tableBoard()->why();
    return m_why.isEmpty();
}

void TableShare::showSharedPicture(const QByteArray &encoded, const QString &from)
{
    ++m_decoding;
    const quint64 generation = m_generation;
    const quint64 ticket = m_order.reserve();
    const QPointer<TableShare> self(this);
    // Decoding megabytes of picture takes long enough to hold up the
    // conversation, so it runs aside; the answer comes back to this thread,
    // and the picture goes on the board in its turn.
    const QSize board = m_images->surface()->pixelSize();
    QThreadPool::globalInstance()->start([self, encoded, from, generation, ticket, board] {
        QString why;
        // No more than the board can show of it is decoded.
        const BoardImages::ForBoard picture = BoardImages::decodeForBoard(encoded, board, &why);
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [self, picture, encoded, from, why, generation, ticket] {
                if (!self)
                    return;
                --self->m_decoding;
                self->m_order.fulfil(ticket, [self, picture, encoded, from, why, generation] {
                    self->pictureDecoded(picture, encoded, from, why, generation);
                });
            },
            Qt::QueuedConnection);
    });
}

void TableShare::pictureDecoded(const BoardImages::ForBoard &picture, const QByteArray &encoded,
                                const QString &from, const QString &why, quint64 generation)
{
    if (generation != m_generation)
        return; // the board was cleared meanwhile, and the picture with it
    if (picture.isNull() || !m_images->loadShared(picture, encoded)) {
        const QString reason = why.isEmpty() ? tr("non può essere mostrata.") : why;
        status(session::TableBoard::refusedText(from, reason));
        emit pictureRefused(from, reason);
        return;
    }
    // A rubber band under the new picture would be inverted away over it.
    m_tools->ErasePendingSegment();
    status(from + tr(kPictureShown));
    emit pictureShown(from);
}

void TableShare::showSharedGrid(const session::GridFields &grid)
{
    // Over what came before it, pictures still being decoded included.
    m_order.enqueue([this, grid] { layGrid(grid); });
}

void TableShare::layGrid(const session::GridFields &grid)
{
    const QStringList &kinds = GridPainter::kinds();
    if (const QString why = gridRefusal(grid); !why.isEmpty()) {
        status(tr("Reticolo condiviso da %1 non disegnato: %2").arg(grid.from, why));
        return;
    }
    // Laid as the sharer laid it: its pen width; this board keeps its own
    // unit and width afterwards.
    BoardSurface *surface = m_images->surface();
    const int unit = surface->scaleMode();
    const int width = surface->drawWidth();
    surface->setDrawWidth(grid.width);
    GridPainter painter(surface, m_tools->palette(), m_tools);
    const GridPainter::Result r =
        painter.paint(kinds[grid.kind], QString::number(grid.passi1), QString::number(grid.passi2),
                      {}, quint32(grid.colour));
    surface->setDrawWidth(width);
    surface->setScaleMode(unit);
    if (r.outcome != GridPainter::Outcome::Painted)
        return;
    // Every board snaps to the grid it shows.
    if (r.generalStep) {
        if (m_generalStep)
            m_generalStep(*r.generalStep);
        else
            m_tools->setGeneralGridStep(*r.generalStep);
    }
    status(grid.from + tr(kGridShown));
    emit gridShown(grid.from);
}

} // namespace board
