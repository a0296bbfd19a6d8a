// nubivo-make-icons DIR SIZE...: writes the viewer's icon as DIR/SIZE/nubivo-weather-viewer.png
// at each size for the desktop menus; the build names the sizes.
#include <QDir>
#include <QString>
#include <cstdio>

#include "ui/window_icon.h"

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: nubivo-make-icons DIR SIZE...\n");
        return 2;
    }
    for (int i = 2; i < argc; ++i) {
        bool number = false;
        const int size = QString::fromLocal8Bit(argv[i]).toInt(&number);
        if (!number || size < 1 || size > 1024) {
            std::fprintf(stderr, "nubivo-make-icons: bad size '%s'\n", argv[i]);
            return 2;
        }
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
