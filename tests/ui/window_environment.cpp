#include <QApplication>

#include "ui/start_up.h"

namespace nubivo::test {

// The window's tests draw on Qt's offscreen platform at scale 1, whatever the developer's
// environment says, or at the scale NUBIVO_TEST_SCALE names (CTest's "Scale2." run sets 2).
void prepareWindowTests(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qunsetenv("QT_SCREEN_SCALE_FACTORS");
    qunsetenv("QT_ENABLE_HIGHDPI_SCALING");
    const QByteArray scale = qgetenv("NUBIVO_TEST_SCALE");
    if (scale.isEmpty()) {
        qunsetenv("QT_SCALE_FACTOR");
    } else {
        qputenv("QT_SCALE_FACTOR", scale);
    }
    prepareApplication();
    static int arguments = argc;
    static QApplication* application = new QApplication(arguments, argv);
    (void)application;
}

}  // namespace nubivo::test

// Fontconfig keeps its caches for the life of the process and frees them at no point
// Qt reaches; the leak checker is told so, and nothing else.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}
