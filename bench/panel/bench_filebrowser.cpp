// The cost of opening a folder in the file browser: listing and sorting its
// files and folders, and filling the two lists, for a folder of many files
// (a camera's picture folder, a download folder). Also one save of the
// whole board as PNG and as BMP.
//
// Usage: bench_panel_filebrowser [files]   (default 20000)
// QT_QPA_PLATFORM=offscreen bench_panel_filebrowser

#include "boardpanel.h"
#include "boardsurface.h"
#include "filebrowser.h"
#include "form1.h"
#include "palette.h"
#include "programpanel.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const int count = argc > 1 ? qMax(1, QString::fromLocal8Bit(argv[1]).toInt()) : 20000;
    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;
    const QString big = dir.filePath(QStringLiteral("grande"));
    QDir().mkpath(big);
    for (int i = 0; i < count; ++i) {
        QFile f(QDir(big).filePath(QStringLiteral("Foto_%1.jpg").arg((i * 7919) % count)));
        if (!f.open(QIODevice::WriteOnly))
            return 1;
    }
    for (int i = 0; i < 200; ++i)
        QDir(big).mkdir(QStringLiteral("cartella%1").arg(i));

    QElapsedTimer t;
    t.start();
    const QStringList names = panel::FileBrowser::fileNames(big);
    const double listMs = t.nsecsElapsed() / 1e6;

    board::Palette palette;
    QWidget window;
    auto *board = new board::BoardPanel(&window, &palette);
    auto *programs = new panel::ProgramPanel(&window);
    auto *form = new panel::Form1(board, programs, nullptr, dir.path(), &window);
    const int runs = 5;
    t.restart();
    for (int i = 0; i < runs; ++i) {
        form->setFolder(dir.path());
        form->setFolder(big);
    }
    const double openMs = t.nsecsElapsed() / 1e6 / runs;

    board->surface()->line(QPointF(0, 0), QPointF(12000, 12000), 0xFF);
    t.restart();
    panel::FileBrowser::saveImage(board->surface()->image(), dir.filePath("l.png"));
    const double pngMs = t.nsecsElapsed() / 1e6;
    t.restart();
    panel::FileBrowser::saveImage(board->surface()->image(), dir.filePath("l.bmp"));
    const double bmpMs = t.nsecsElapsed() / 1e6;

    std::printf("folder of %lld files and 200 folders: listing and sorting the files %.1f ms\n",
                static_cast<long long>(names.size()), listMs);
    std::printf("opening it in the browser (both lists filled, and the parent before it): "
                "%.1f ms\n",
                openMs);
    std::printf("saving the 800 x 800 board: PNG %.1f ms, BMP %.1f ms\n", pngMs, bmpMs);
    return 0;
}
