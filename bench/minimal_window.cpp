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

namespace {

void printTime(const char* name) {
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    std::fprintf(
        stderr, "%s %lld\n", name,
        static_cast<long long>(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()));
    std::fflush(stderr);
}

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
            printTime("first-paint-ns");
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
    printTime("main-ns");
    QApplication application(argc, argv);
    printTime("application-ns");
    MinimalWindow window;
    window.show();
    printTime("started-ns");
    return QApplication::exec();
}
