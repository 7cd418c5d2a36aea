// A bare QMainWindow started like the program's window: the yardstick for
// bench_startup.

#include "shown.h"

#include <QApplication>
#include <QMainWindow>

int main(int argc, char **argv)
{
    QApplication application(argc, argv);
    QMainWindow window;
    window.resize(513, 400);
    ShownProbe probe(&window);
    window.show();
    return application.exec();
}
