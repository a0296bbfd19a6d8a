// The viewer's own start-up and event loop with probes: the wall-clock time (nanoseconds
// since 1970) is printed to standard error as "main-ns N" on entering main, "application-ns
// N" once the application object exists, "started-ns N" after startViewer and "first-paint-ns
// N" when the window's first paint event has been handled. With NUBIVO_BENCH_QUIT_AFTER_PAINT set
// the program then ends, so that a script can start it many times and compare with the moment it
// started it.
#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "bench/probe_time.h"
#include "platform/curl_library.h"
#include "ui/start_up.h"
#include "ui/window_resources.h"

namespace {

class ProbedApplication : public QApplication {
  public:
    using QApplication::QApplication;

    bool notify(QObject* receiver, QEvent* event) override {
        const bool paint = !painted_ && event->type() == QEvent::Paint &&
                           receiver == nubivo::windowResources.mainWindow;
        const bool result = QApplication::notify(receiver, event);
        if (paint) {
            painted_ = true;
            nubivo::bench::printProbeTime("first-paint-ns");
            if (std::getenv("NUBIVO_BENCH_QUIT_AFTER_PAINT") != nullptr) {
                QTimer::singleShot(0, [] { QCoreApplication::quit(); });
            }
        }
        return result;
    }

  private:
    bool painted_ = false;
};

}  // namespace

int main(int argc, char** argv) {
    nubivo::bench::printProbeTime("main-ns");
    nubivo::prepareCurlLibrary();  // as the viewer's main: before any thread
    nubivo::prepareInBackground();
    nubivo::prepareApplication();
    ProbedApplication application(argc, argv);
    nubivo::bench::printProbeTime("application-ns");
    nubivo::startViewer();
    nubivo::bench::printProbeTime("started-ns");
    int status = QApplication::exec();
    if (!nubivo::shutDownViewer()) {
        std::fflush(nullptr);
        std::_Exit(status);
    }
    return status;
}
