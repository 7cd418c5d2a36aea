#include "boardimages.h"

#include "boardsurface.h"
#include "numbertext.h"
#include "pictureassembler.h"

#include <QBuffer>
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

QImage BoardImages::decodeShared(const QByteArray &encoded, QString *why)
{
    auto refuse = [why](const QString &text) {
        if (why)
            *why = text;
        return QImage();
    };
    QBuffer buffer;
    buffer.setData(encoded);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setDecideFormatFromContent(true);
    // The decoder may not take more than the pixels are allowed to, whatever
    // the file claims further in.
    reader.setAllocationLimit(int(kMaxDecodeBytes / (1024 * 1024)));
    const QByteArray format = reader.format();
    if (format != "png" && format != "jpeg")
        return refuse(tr("non è un'immagine PNG o JPEG."));
    const QSize claimed = reader.size();
    if (!claimed.isValid())
        return refuse(tr("l'intestazione dell'immagine non è leggibile."));
    if (!sizeAcceptable(claimed))
        return refuse(tr("dichiara %1 × %2 pixel, oltre il limite di %3 pixel per "
                         "lato e %4 MiB di pixel.")
                          .arg(claimed.width())
                          .arg(claimed.height())
                          .arg(kMaxSide)
                          .arg(kMaxDecodeBytes / (1024 * 1024)));
    // The JPEG decoder fills in grey where a file stops short, and says
    // nothing: a whole JPEG ends in its end marker (FF D9), which the coded
    // data cannot hold, give or take padding after it.
    if (format == "jpeg" && encoded.lastIndexOf("\xFF\xD9") < encoded.size() - 64)
        return refuse(tr("l'immagine è danneggiata o incompleta."));
    QImage picture;
    if (!reader.read(&picture) || picture.isNull())
        return refuse(tr("l'immagine è danneggiata o incompleta."));
    if (picture.size() != claimed)
        return refuse(tr("l'immagine non corrisponde alla sua intestazione."));
    return picture;
}

bool BoardImages::loadShared(const QImage &picture, const QByteArray &encoded)
{
    if (!loadPicture(picture))
        return false;
    m_sourceBytes = encoded;
    m_sourceKey = m_surface->picture().cacheKey();
    return true;
}

QByteArray BoardImages::encodedPicture() const
{
    if (!m_surface->hasPicture())
        return {};
    const QImage &picture = m_surface->picture();
    if (picture.cacheKey() == m_sourceKey &&
        session::PictureAssembler::looksLikePicture(m_sourceBytes))
        return m_sourceBytes;
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
    if (picture.isNull() || !sizeAcceptable(picture.size()))
        return false;
    eraseResized();
    m_surface->setPicture(picture);
    m_picHidden = picture;
    auto dib = std::make_unique<cDIBSection>();
    if (!dib->CreateFromPicture(m_surface->picture(), m_surface->backColor()))
        return false; // the board and "picHidden" keep the picture all the same
    m_dib = std::move(dib);
    emit pictureLoaded(picture.size());
    return true;
}

void BoardImages::IncollaClipboard()
{
    QImage picture;
    if (qGuiApp)
        picture = QGuiApplication::clipboard()->image();
    pastePicture(picture);
}

void BoardImages::pastePicture(const QImage &picture)
{
    eraseResized();
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
}

} // namespace board
