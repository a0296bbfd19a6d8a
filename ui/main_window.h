#pragma once

#include <QWidget>

namespace nubivo {

// The viewer's one top-level window: frameless, fixed at 360 x 570 logical pixels (device
// pixels times the desktop's scale factor). Every paint event
// repaints the whole picture into the back buffer and copies it in one draw; nothing is
// erased first. Mouse and close events go to the commands.
class MainWindow : public QWidget {
    Q_OBJECT

  public:
    MainWindow();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
};

}  // namespace nubivo
