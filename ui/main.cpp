// nubivo-weather-viewer: the weather viewer's window.
#include <QApplication>
#include <cstdio>
#include <cstdlib>

#include "platform/curl_library.h"
#include "ui/start_up.h"

int main(int argc, char** argv) {
    // libcurl and FreeImage are not loaded here: the first update opens them.
    nubivo::prepareCurlLibrary();  // first: no other thread may exist yet
    nubivo::prepareInBackground();
    nubivo::prepareApplication();
    QApplication application(argc, argv);
    nubivo::startViewer();
    int status = QApplication::exec();
    if (!nubivo::shutDownViewer()) {
        // The worker still runs and may still touch the images and ask for repaints: end
        // the process here rather than tear down what it uses.
        std::fflush(nullptr);
        std::_Exit(status);
    }
    return status;
}
