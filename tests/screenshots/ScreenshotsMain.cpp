// tb_screenshots <folder>: writes the pictures of the dialogs into the folder.
#include "Screenshots.h"

#include <QApplication>
#include <cstdio>
#include <exception>

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: tb_screenshots <folder>\n");
        return 2;
    }
    // Rendered offscreen, so it runs without a display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    try {
        for (const QString &path : tb::docs::renderScreenshots(QString::fromLocal8Bit(argv[1])))
            std::printf("%s\n", qPrintable(path));
    } catch (const std::exception &error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    return 0;
}
