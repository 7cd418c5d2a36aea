#include "boardimages.h"

#include "boardsurface.h"
#include "boundeddecode.h"
#include "numbertext.h"
#include "pictureassembler.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QMimeData>
#include <QPointer>
#include <QThreadPool>
#include <QClipboard>
#include <QFile>
#include <QCursor>
#include <QGuiApplication>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>

#include <cmath>

namespace board
{

namespace
{

/// The hourglass for as long as one resampling runs.
class WaitCursor
{
public:
    WaitCursor()
    {
        if (qGuiApp)
            QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    }
    ~WaitCursor()
    {
        if (qGuiApp)
            QGuiApplication::restoreOverrideCursor();
    }
    WaitCursor(const WaitCursor &) = delete;
    WaitCursor &operator=(const WaitCursor &) = delete;
};

bool sizeAcceptable(QSize size)
{
    if (size.width() < 1 || size.height() < 1 || size.width() > BoardImages::kMaxSide ||
        size.height() > BoardImages::kMaxSide)
        return false;
    // Four bytes a pixel once decoded.
    return qint64(size.width()) * size.height() * 4 <= BoardImages::kMaxDecodeBytes;
}

} // namespace

BoardImages::BoardImages(BoardSurface *surface, QObject *parent)
    : QObject(parent), m_surface(surface)
{
    // A cleared board no longer shows the picture last resized or fitted.
    connect(surface, &BoardSurface::cleared, this, [this] { m_standing = QImage(); });
}

QString BoardImages::invalidPictureText()
{
    return tr("Immagine non valida.");
}

QImage BoardImages::readPictureFile(const QString &path)
{
    if (path.isEmpty())
        return {};
    QImageReader reader(path);
    return readPicture(reader);
}

QImage BoardImages::readPicture(QImageReader &reader)
{
    reader.setDecideFormatFromContent(true);
    if (!reader.canRead())
        return {};
    // The header's claim is checked before anything is decoded, so a file
    // announcing a picture of 100000 × 100000 pixels costs nothing.
    const QSize claimed = reader.size();
    if (claimed.isValid() && !sizeAcceptable(claimed))
        return {};
    // Formats that cannot tell their size up front are still bounded by the
    // reader's own allocation limit; the result is checked the same way.
    QImage picture = reader.read();
    if (picture.isNull() || !sizeAcceptable(picture.size()))
        return {};
    return picture;
}

bool BoardImages::loadPictureFile(const QString &path)
{
    const QImage picture = readPictureFile(path);
    if (picture.isNull())
        return false;
    if (!loadPicture(picture))
        return false;
    // Kept to share the picture as it came, when it is small enough to share.
    QFile file(path);
    if (file.size() <= kMaxShareBytes && file.open(QIODevice::ReadOnly)) {
        m_sourceBytes = file.readAll();
        m_sourceKey = m_surface->picture().cacheKey();
    }
    return true;
}

namespace
{

/// The checks every shared picture passes before a pixel is decoded: PNG
/// or JPEG, a readable header within the limits, a JPEG that is whole.
/// Fills @p format and @p claimed; false with @p why set otherwise.
bool checkShared(const QByteArray &encoded, QByteArray *format, QSize *claimed, QString *why)
{
    const auto refuse = [why](const QString &text) {
        if (why)
            *why = text;
        return false;
    };
    QBuffer buffer;
    buffer.setData(encoded);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setDecideFormatFromContent(true);
    *format = reader.format();
    if (*format != "png" && *format != "jpeg")
        return refuse(BoardImages::tr("non è un'immagine PNG o JPEG."));
    *claimed = reader.size();
    if (!claimed->isValid())
        return refuse(BoardImages::tr("l'intestazione dell'immagine non è leggibile."));
    if (!sizeAcceptable(*claimed))
        return refuse(BoardImages::tr("dichiara %1 × %2 pixel, oltre il limite di %3 pixel per "
                                      "lato e %4 MiB di pixel.")
                          .arg(claimed->width())
                          .arg(claimed->height())
                          .arg(BoardImages::kMaxSide)
                          .arg(BoardImages::kMaxDecodeBytes / (1024 * 1024)));
    // The JPEG decoder fills in grey where a file stops short, and says
    // nothing: a whole JPEG ends in its end marker (FF D9), which the coded
    // data cannot hold, give or take padding after it.
    if (*format == "jpeg" && encoded.lastIndexOf("\xFF\xD9") < encoded.size() - 64)
        return refuse(BoardImages::tr("l'immagine è danneggiata o incompleta."));
    return true;
}

} // namespace

QImage BoardImages::decodeShared(const QByteArray &encoded, QString *why)
{
    QByteArray format;
    QSize claimed;
    if (!checkShared(encoded, &format, &claimed, why))
        return {};
    const auto refuse = [why](const QString &text) {
        if (why)
            *why = text;
        return QImage();
    };
    QBuffer buffer;
    buffer.setData(encoded);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    // The decoder may not take more than the pixels are allowed to, whatever
    // the file claims further in.
    reader.setAllocationLimit(int(kMaxDecodeBytes / (1024 * 1024)));
    QImage picture;
    if (!reader.read(&picture) || picture.isNull())
        return refuse(tr("l'immagine è danneggiata o incompleta."));
    if (picture.size() != claimed)
        return refuse(tr("l'immagine non corrisponde alla sua intestazione."));
    return picture;
}

BoardImages::ForBoard BoardImages::decodeForBoard(const QByteArray &encoded, QSize board,
                                                  QString *why)
{
    QByteArray format;
    QSize claimed;
    if (!checkShared(encoded, &format, &claimed, why))
        return {};
    if (claimed.width() <= board.width() && claimed.height() <= board.height()) {
        const QImage picture = decodeShared(encoded, why);
        return {picture, picture};
    }
    BoundedDecode::Result r = BoundedDecode::decode(encoded, format, claimed, board);
    if (!r.error.isEmpty()) {
        if (why)
            *why = r.error;
        return {};
    }
    return {std::move(r.corner), std::move(r.whole)};
}

bool BoardImages::loadShared(const QImage &picture, const QByteArray &encoded)
{
    return loadShared(ForBoard{picture, picture}, encoded);
}

bool BoardImages::loadShared(const ForBoard &picture, const QByteArray &encoded)
{
    if (!loadPictures(picture.corner, picture.whole))
        return false;
    adoptEncoded(encoded);
    return true;
}

void BoardImages::adoptEncoded(const QByteArray &encoded)
{
    m_sourceBytes = encoded;
    m_sourceKey = m_surface->picture().cacheKey();
}

BoardImages::ToShare BoardImages::pictureToShare() const
{
    ToShare out;
    if (m_surface->hasPicture()) {
        out.picture = m_surface->picture();
        // Only the corner of a large shared picture was decoded: the
        // shrunk whole is what stands for the rest.
        out.whole = m_picHidden.size() != out.picture.size() &&
                            m_surface->picture().cacheKey() == m_sourceKey
                        ? m_picHidden
                        : out.picture;
        if (out.picture.cacheKey() == m_sourceKey &&
            session::PictureAssembler::looksLikePicture(m_sourceBytes))
            out.encoded = m_sourceBytes;
    } else if (!m_standing.isNull()) {
        out.picture = m_standing;
        out.whole = m_standing;
    }
    return out;
}

QByteArray BoardImages::encodedPicture() const
{
    const ToShare share = pictureToShare();
    return share.encoded.isEmpty() ? encodePng(share.picture) : share.encoded;
}

QByteArray BoardImages::encodePng(const QImage &picture)
{
    if (picture.isNull())
        return {};
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    if (!writer.write(picture))
        return {};
    return png;
}

bool BoardImages::loadPicture(const QImage &picture)
{
    return loadPictures(picture, picture);
}

bool BoardImages::loadPictures(const QImage &board, const QImage &whole)
{
    if (board.isNull() || whole.isNull() || !sizeAcceptable(board.size()) ||
        !sizeAcceptable(whole.size()))
        return false;
    eraseResized();
    m_standing = QImage();
    m_surface->setPicture(board);
    m_picHidden = whole;
    auto dib = std::make_unique<cDIBSection>();
    if (!dib->CreateFromPicture(whole, m_surface->backColor()))
        return false; // the board and "picHidden" keep the picture all the same
    m_dib = std::move(dib);
    emit pictureLoaded(whole.size());
    return true;
}

void BoardImages::IncollaClipboard()
{
    // A later paste wins over one still being decoded.
    ++m_pasteTicket;
    QImage picture;
    if (qGuiApp) {
        // Another program's picture comes as a file: decoded aside, so a
        // large one does not hold the window (and the session) up.
        if (const QMimeData *mime = QGuiApplication::clipboard()->mimeData()) {
            for (const QString &type : {QStringLiteral("image/png"), QStringLiteral("image/jpeg")}) {
                if (!mime->hasFormat(type))
                    continue;
                const QByteArray bytes = mime->data(type);
                if (!bytes.isEmpty()) {
                    pasteEncoded(bytes);
                    return;
                }
            }
        }
        picture = QGuiApplication::clipboard()->image();
    }
    pastePicture(picture);
    emit pasted();
}

void BoardImages::pasteEncoded(const QByteArray &bytes)
{
    ++m_pasting;
    const quint64 ticket = m_pasteTicket;
    const QPointer<BoardImages> self(this);
    QThreadPool::globalInstance()->start([self, bytes, ticket] {
        QBuffer buffer;
        buffer.setData(bytes);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer);
        const QImage picture = readPicture(reader);
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [self, picture, ticket] {
                if (!self)
                    return;
                --self->m_pasting;
                if (ticket != self->m_pasteTicket)
                    return;
                self->pastePicture(picture);
                emit self->pasted();
            },
            Qt::QueuedConnection);
    });
}

void BoardImages::pastePicture(const QImage &picture)
{
    eraseResized();
    m_standing = QImage();
    m_surface->setPicture(picture);
}

void BoardImages::eraseResized()
{
    m_surface->erase(m_resizedArea);
    m_resizedArea = QRect();
}

bool BoardImages::CopyEntirePicture(const BoardSurface &surface)
{
    if (!qGuiApp || surface.image().isNull())
        return false;
    // A copy of its own, so later drawing does not reach the clipboard.
    const QImage copy = surface.image().copy();
    if (copy.isNull())
        return false;
    QGuiApplication::clipboard()->setImage(copy);
    return true;
}

QString BoardImages::normaliseSize(const QString &text)
{
    const auto value = leadingNumber(text);
    if (!value)
        return QStringLiteral("0");
    // An endless run of digits is kept as a huge number, which a resize refuses.
    return numberText(std::clamp(*value, -1e300, 1e300));
}

BoardImages::ResizeResult BoardImages::cmdRidim(const QString &width, const QString &height)
{
    ResizeResult result;
    CopyEntirePicture(*m_surface);
    result.width = normaliseSize(width);
    result.height = normaliseSize(height);
    if (!hasLoadedPicture()) {
        // Nothing was ever loaded: there is no picture to resize or fit.
        result.outcome = Resize::NoPicture;
        return result;
    }
    const double w = leadingNumberOrZero(result.width);
    const double h = leadingNumberOrZero(result.height);
    if (w == 0 || h == 0) {
        fitPicture();
        result.outcome = Resize::Fitted;
        return result;
    }
    const double rw = std::nearbyint(w);
    const double rh = std::nearbyint(h);
    if (rw < 1 || rh < 1 || rw > kMaxSide || rh > kMaxSide) {
        result.outcome = Resize::Refused;
        result.message = tr("Dimensioni non valide: larghezza e altezza vanno da 1 a "
                            "%1 pixel.")
                             .arg(kMaxSide);
        return result;
    }
    cDIBSection resampled;
    {
        const WaitCursor wait;
        resampled = m_dib->Resample(int(rh), int(rw));
    }
    if (resampled.isNull()) {
        result.outcome = Resize::Refused;
        result.message =
            tr("Memoria insufficiente per un'immagine di %1 × %2 pixel.").arg(int(rw)).arg(int(rh));
        return result;
    }
    *m_dib = std::move(resampled);
    m_surface->removePicture();
    eraseResized();
    m_surface->paintOn([this](QImage &image) { return m_dib->PaintPicture(image, 0, 0); });
    m_resizedArea = QRect(0, 0, m_dib->Width(), m_dib->Height());
    m_standing = m_dib->toImage();
    result.outcome = Resize::Resampled;
    return result;
}

QRect BoardImages::fitRect(QSize source, QSize board)
{
    if (source.isEmpty() || board.isEmpty())
        return {};
    const double a = double(source.width()) / source.height();
    const double W = board.width();
    const double H = board.height();
    double fw, fh;
    if (W / H <= a) {
        fw = W;
        fh = W / a;
    } else {
        fh = H;
        fw = a * H;
    }
    const double left = (W - fw) / 2;
    const double top = (H - fh) / 2;
    // Both edges are rounded, so the bands on either side stay equal.
    const int x0 = int(std::nearbyint(left));
    const int y0 = int(std::nearbyint(top));
    const int x1 = int(std::nearbyint(left + fw));
    const int y1 = int(std::nearbyint(top + fh));
    return QRect(x0, y0, std::max(1, x1 - x0), std::max(1, y1 - y0));
}

void BoardImages::fitPicture()
{
    if (m_picHidden.isNull())
        return;
    m_surface->clear();
    m_resizedArea = QRect();
    const QRect target = fitRect(m_picHidden.size(), m_surface->pixelSize());
    m_surface->paintOn([this, target](QImage &image) {
        QPainter p(&image);
        p.setRenderHint(QPainter::SmoothPixmapTransform, true);
        p.drawImage(target, m_picHidden);
        return target;
    });
    // Shared as it shows: the fitted picture with the cleared board around it.
    m_standing = m_surface->image().copy();
}

} // namespace board
