#pragma once

#include "arrivalorder.h"
#include "boardimages.h"
#include "sinks.h"

#include <QObject>
#include <QString>

#include <functional>

namespace session
{
class ChatSession;
}

namespace board
{

class DrawingTools;
class GridPainter;

/**
 * @brief The board's side of sharing with the table: it shows the pictures
 * and grids others share, and hands the session this board's picture or
 * grid to share.
 *
 * A received picture is decoded on a worker thread, so a large one does not
 * hold the conversation up; it is shown only if the board was not cleared
 * meanwhile. What cannot be shown is said in the status box. Received
 * drawings should come through boardSink(), so that those after a picture
 * wait for it and land on top of it, as on the sharer's board.
 */
class TableShare : public QObject, public session::SharedBoardSink
{
    Q_OBJECT
public:
    TableShare(BoardImages *images, DrawingTools *tools, session::ChatSession *session,
               QObject *parent = nullptr);

    /// Where a shared grid's general step goes (the grid dialog's hidden box).
    void setGeneralStepTarget(std::function<void(const QString &)> target);

    /// Where the session should send received drawings: the drawing tools,
    /// in the order things arrive.
    session::BoardSink *boardSink() { return &m_order; }

    /// How a picture larger than the board is shared.
    enum class Fitting {
        AsItIs, ///< at its size: the others see its top-left part, as this board does
        ToBoard ///< shrunk to fit the board: this board shows it so too, and so it travels
    };
    /// Whether the picture sharing would send is larger than the board shows.
    bool pictureExceedsBoard() const;
    /**
     * @brief Shares the board's picture (or the one last resized or fitted
     * on it); false with why() when there is none or it cannot be shared.
     * A picture that needs encoding or fitting is prepared off the window's
     * thread and goes out when ready (preparing() counts those under way);
     * what happens then is said in the status box.
     */
    bool shareBoardPicture(Fitting fitting = Fitting::AsItIs);
    /// Shares being prepared right now.
    int preparing() const { return m_preparing; }
    /// Shares a grid just laid on this board.
    bool shareGrid(const session::GridFields &grid);
    QString why() const { return m_why; }

    // session::SharedBoardSink
    void showSharedPicture(const QByteArray &encoded, const QString &from) override;
    void showSharedGrid(const session::GridFields &grid) override;

    /// Most pixels a shared grid may take to paint (dots times their area,
    /// or line length times width): a grid denser than that would hold the
    /// board of every participant up, and is neither shared nor drawn.
    static constexpr qint64 kMaxGridWork = 24LL * 1000 * 1000;
    /// Widest pen a shared grid is laid with: the pen bar's maximum.
    static constexpr int kMaxGridWidth = 25;
    /// Why @p grid cannot be shared (too dense, an unknown kind); empty when it can.
    static QString gridRefusal(const session::GridFields &grid);

    /// Pictures being decoded right now.
    int decoding() const { return m_decoding; }

    /// Status texts, after the sharer's name.
    static constexpr const char *kPictureShown =
        QT_TR_NOOP(" ha condiviso un'immagine con il tavolo.");
    static constexpr const char *kGridShown = QT_TR_NOOP(" ha condiviso il reticolo.");

signals:
    /// A shared picture is on the board now, or was refused.
    void pictureShown(const QString &from);
    void pictureRefused(const QString &from, const QString &why);
    void gridShown(const QString &from);

private:
    void status(const QString &text) const;
    void pictureDecoded(const BoardImages::ForBoard &picture, const QByteArray &encoded,
                        const QString &from, const QString &why, quint64 generation);
    /// A share prepared aside is ready: @p picture encoded as @p png.
    void sharePrepared(const QImage &picture, const QByteArray &png, bool fitted,
                       qint64 sourceKey, quint64 generation);
    bool sendPicture(const QByteArray &encoded);
    void layGrid(const session::GridFields &grid);

    BoardImages *m_images;
    DrawingTools *m_tools;
    ArrivalOrder m_order;
    session::ChatSession *m_session;
    std::function<void(const QString &)> m_generalStep;
    QString m_why;
    quint64 m_generation = 0; ///< counts the clears: a picture decoded for a wiped board is dropped
    int m_decoding = 0;
    int m_preparing = 0;
};

} // namespace board
