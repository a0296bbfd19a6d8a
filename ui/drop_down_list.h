#pragma once

#include <QComboBox>

namespace nubivo {

class DropDownRows;

// A drop-down list whose list drops straight below the box (above it only where the screen
// ends below), `droppedWidth` wide but never narrower than the box, and `totalHeight` high
// together with the box, with rows of a height that shows about `rowsShown` of them and a
// scroll bar for the rest. Sizes are the window's logical pixels, kept at any scale.
class DropDownList : public QComboBox {
  public:
    DropDownList(QWidget* parent, int droppedWidth, int totalHeight, int rowsShown);

    void showPopup() override;

  private:
    int droppedWidth_;
    int totalHeight_;
    int rowsShown_;
    DropDownRows* rows_;  // owned by the list as its item delegate
};

}  // namespace nubivo
