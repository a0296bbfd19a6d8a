#include "ui/main_window.h"

#include <QCloseEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <cmath>

#include "state/geometry.h"
#include "ui/commands.h"
#include "ui/paint_window.h"
#include "ui/window_resources.h"

namespace nubivo {

MainWindow::MainWindow() : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint) {
    setFixedSize(windowWidth, windowHeight);
    // The paint covers every pixel, so the window system need not clear anything first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setMouseTracking(true);
}

void MainWindow::paintEvent(QPaintEvent* /*event*/) {
    // The window may have moved to a screen of another scale since the last paint.
    fitBackBuffer(devicePixelRatioF());
    paintWindow();
    QPainter painter(this);
    painter.drawImage(0, 0, windowResources.backBuffer);
}

namespace {

// The logical pixel under the pointer. On a scaled screen the position falls between
// logical pixels (181.5 is the right half of pixel 181): rounding would move it onto the
// next pixel, and off the tab the person sees under the pointer.
QPoint logicalPixel(const QMouseEvent* event) {
    const QPointF at = event->position();
    return QPoint(static_cast<int>(std::floor(at.x())), static_cast<int>(std::floor(at.y())));
}

}  // namespace

void MainWindow::mouseMoveEvent(QMouseEvent* event) {
    QPoint at = logicalPixel(event);
    onMouseMove(at.x(), at.y(), event->buttons(), event->modifiers());
}

void MainWindow::mousePressEvent(QMouseEvent* event) {
    QPoint at = logicalPixel(event);
    onMousePress(at.x(), at.y(), event->button());
}

void MainWindow::mouseDoubleClickEvent(QMouseEvent* event) {
    // The second press of a double click selects nothing more.
    event->accept();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    event->accept();
    onWindowClosed();
}

}  // namespace nubivo
