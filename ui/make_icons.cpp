// nubivo-make-icons DIR: writes the viewer's icon as DIR/SIZE/nubivo-weather-viewer.png at
// 16 to 256 pixels for the desktop menus, scaled screens included.
#include <QDir>
#include <QString>
#include <cstdio>

#include "ui/window_icon.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: nubivo-make-icons DIR\n");
        return 2;
    }
    for (int size : {16, 24, 32, 48, 64, 128, 256}) {
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
