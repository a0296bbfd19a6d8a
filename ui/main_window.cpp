#include "ui/main_window.h"

#include <QCloseEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

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
    paintWindow();
    QPainter painter(this);
    painter.drawImage(0, 0, windowResources.backBuffer);
}

void MainWindow::mouseMoveEvent(QMouseEvent* event) {
    QPoint at = event->position().toPoint();
    onMouseMove(at.x(), at.y(), event->buttons(), event->modifiers());
}

void MainWindow::mousePressEvent(QMouseEvent* event) {
    QPoint at = event->position().toPoint();
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
