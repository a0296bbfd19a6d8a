// nubivo-make-icons DIR: writes the viewer's icon as DIR/16/, DIR/32/ and DIR/48/
// nubivo-weather-viewer.png for the desktop menus.
#include <QDir>
#include <QString>
#include <cstdio>

#include "ui/window_icon.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: nubivo-make-icons DIR\n");
        return 2;
    }
    for (int size : {16, 32, 48}) {
        QString folder = QString::fromLocal8Bit(argv[1]) + QLatin1Char('/') + QString::number(size);
        if (!QDir().mkpath(folder) ||
            !nubivo::drawViewerIcon(size).save(
                folder + QStringLiteral("/nubivo-weather-viewer.png"), "PNG")) {
            std::fprintf(stderr, "nubivo-make-icons: cannot write %s\n", qPrintable(folder));
            return 1;
        }
    }
    return 0;
}
