#pragma once

// Joining a host as a real client would, and a board with something of
// every kind on it, for the board tests that need a session on both ends.

#include "boardimages.h"
#include "boardsurface.h"
#include "bruvela.h"
#include "chatsession.h"
#include "drawingtools.h"
#include "messagerecorder.h"
#include "palette.h"
#include "tableboard.h"
#include "tableshare.h"
#include "textrenderer.h"
#include "trafficlog.h"

#include <QBuffer>
#include <QImageWriter>
#include <QRandomGenerator>
#include <QTest>

namespace boardsessionkit
{

/// One participant's window without widgets: a session wired to a real
/// board, the table's shares and a message recorder; @p talk takes what
/// the conversation pane and status box would show.
struct BoardSeat {
    session::ChatSession session;
    board::BoardSurface surface;
    board::Palette palette;
    fill::Bruvela bruvela;
    board::DrawingTools tools{&surface, &palette, &bruvela, &session};
    board::BoardImages images{&surface};
    board::TableShare share{&images, &tools, &session};
    MessageRecorder boxes;

    explicit BoardSeat(session::ConversationSink *talk)
    {
        session.setMessageService(&boxes);
        session.setBoardSink(share.boardSink());
        session.tableBoard()->setSink(&share);
        session.setConversationSink(talk);
        session.setConnectWait(50);
    }
};

/// Connects @p client to @p port on 127.0.0.1 under @p name and waits for
/// the whole join: the last thing a host sends a newcomer is the address
/// list, whose last entry is its own; the board came before it.
inline bool joinAsClient(session::ChatSession &client, quint16 port, const QString &name)
{
    client.setName(name);
    client.setPort(port);
    client.setConnectWait(50);
    client.cmdConnect_Click(QStringLiteral("127.0.0.1"));
    const QString mine = QStringLiteral("sckConnect: [Aggiorna NeoConnesso]") + name +
                         QStringLiteral(" - ");
    return QTest::qWaitFor(
        [&] {
            const auto *log = client.receivedLog();
            for (qsizetype i = 0; i < log->size(); ++i) {
                if (log->at(i).startsWith(mine))
                    return true;
            }
            return false;
        },
        20000);
}

/// A picture file of random pixels (@p format "png" or "jpeg"): large ones
/// take a while to decode.
inline QByteArray noisePicture(int seed, const char *format = "png", QSize size = {300, 200})
{
    QImage image(size, QImage::Format_RGB32);
    QRandomGenerator random{quint32(seed)};
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, random.generate() | 0xFF000000u);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter(&buffer, format).write(image);
    return bytes;
}

/// Draws through @p tools what every board can receive: a freehand stroke
/// 4 pixels wide (a dot and 40 segments), a circle, a fill inside it and a
/// slanted italic text: 44 drawings, 56 messages. False when the text failed.
inline bool drawSample(board::DrawingTools &tools, board::Palette &palette)
{
    using board::DrawingTools;
    palette.picSelColor_Click(5);
    tools.setPennello(4);
    tools.Command13_Click();
    tools.mousePress(DrawingTools::Left, false, 300, 300);
    for (int i = 1; i <= 40; ++i)
        tools.mouseMove(DrawingTools::Left, false, 300 + 150 * i, 300 + (i * i * 37) % 1500);
    tools.Command15_Click();
    palette.picSelColor_Click(15);
    tools.mousePress(DrawingTools::Left, false, 4500, 3000);
    tools.mousePress(DrawingTools::Left, false, 5700, 3900);
    tools.Command16_Click();
    palette.picSelColor_Click(9);
    tools.mousePress(DrawingTools::Left, false, 300, 200);
    palette.picSelColor_Click(3);
    board::TextParams text;
    text.Text = QStringLiteral("Qui giace il drago");
    text.x = 100;
    text.Y = 300;
    text.Italic = true;
    text.Height = 24;
    text.Width = 8;
    text.angle = 30;
    text.FWidth = 700;
    text.FName = QStringLiteral("DejaVu Sans");
    return tools.insertText(text);
}

} // namespace boardsessionkit
