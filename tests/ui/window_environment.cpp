#include <QApplication>

#include "ui/start_up.h"

namespace nubivo::test {

// The window's tests draw on Qt's offscreen platform, one pixel per pixel, as the viewer
// does on a screen.
void prepareWindowTests(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
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
