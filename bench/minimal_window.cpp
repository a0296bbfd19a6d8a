// The floor the viewer's start-up is measured against: the least a Qt Widgets program does to
// show a window like the viewer's. One frameless 360 x 570 window that paints a fill and one
// line of text (so Qt's font database is filled as well), with the viewer probe's report:
// "main-ns N", "application-ns N" and "first-paint-ns N" on standard error (wall-clock
// nanoseconds), and with NUBIVO_BENCH_QUIT_AFTER_PAINT set the program ends after the paint.
#include <QApplication>
#include <QPainter>
#include <QTimer>
#include <QWidget>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "bench/probe_time.h"

namespace {

class MinimalWindow : public QWidget {
  public:
    MinimalWindow() : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint) {
        setFixedSize(360, 570);
        setWindowTitle(QStringLiteral("Minimal Window"));
    }

  protected:
    void paintEvent(QPaintEvent* /*event*/) override {
        QPainter painter(this);
        painter.fillRect(rect(), QColor(255, 255, 255));
        painter.drawText(20, 40, QStringLiteral("Minimal window"));
        painter.end();
        if (!painted_) {
            painted_ = true;
            nubivo::bench::printProbeTime("first-paint-ns");
            if (std::getenv("NUBIVO_BENCH_QUIT_AFTER_PAINT") != nullptr) {
                QTimer::singleShot(0, [] { QCoreApplication::quit(); });
            }
        }
    }

  private:
    bool painted_ = false;
};

}  // namespace

int main(int argc, char** argv) {
    nubivo::bench::printProbeTime("main-ns");
    QApplication application(argc, argv);
    nubivo::bench::printProbeTime("application-ns");
    MinimalWindow window;
    window.show();
    nubivo::bench::printProbeTime("started-ns");
    return QApplication::exec();
}
