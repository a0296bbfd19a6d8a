#include "ui/drop_down_list.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QProxyStyle>
#include <QScreen>
#include <QStyledItemDelegate>
#include <algorithm>

namespace nubivo {
namespace {

// The application's style, with lists that drop below their box and scroll, instead of
// menus laid over the box that grow to the screen's height (as Fusion's are).
class DroppingListStyle : public QProxyStyle {
  public:
    using QProxyStyle::QProxyStyle;

    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* data) const override {
        if (hint == SH_ComboBox_Popup) {
            return 0;
        }
        return QProxyStyle::styleHint(hint, option, widget, data);
    }
};

// One style for every list of the program, owned by the application object so that it
// outlives every window.
QStyle* droppingListStyle() {
    static QStyle* style = [] {
        auto* made = new DroppingListStyle(QApplication::style()->name());
        made->setParent(qApp);
        return made;
    }();
    return style;
}

}  // namespace

// The list's rows, at least `height` pixels high each: taller than its text, as a list of a
// desktop's own controls draws them.
class DropDownRows : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void setHeight(int height) { height_ = height; }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.setHeight(std::max(size.height(), height_));
        return size;
    }

  private:
    int height_ = 0;
};

DropDownList::DropDownList(QWidget* parent, int droppedWidth, int totalHeight, int rowsShown)
    : QComboBox(parent),
      droppedWidth_(droppedWidth),
      totalHeight_(totalHeight),
      rowsShown_(std::max(rowsShown, 1)),
      rows_(new DropDownRows(this)) {
    setStyle(droppingListStyle());
    setItemDelegate(rows_);
}

void DropDownList::showPopup() {
    // The rows share the list's height; Qt then makes a list of about its final size.
    rows_->setHeight((totalHeight_ - height()) / rowsShown_);
    setMaxVisibleItems(rowsShown_);
    QComboBox::showPopup();
    QWidget* popup = view()->window();
    if (popup == window()) {
        return;  // no list of its own was shown
    }
    const QSize size(std::max(width(), droppedWidth_), std::max(totalHeight_ - height(), 1));
    QPoint at = mapToGlobal(QPoint(0, height()));
    if (const QScreen* shown = screen()) {
        const QRect room = shown->availableGeometry();
        if (at.y() + size.height() > room.bottom() + 1 &&
            mapToGlobal(QPoint(0, 0)).y() - size.height() >= room.top()) {
            at.setY(mapToGlobal(QPoint(0, 0)).y() - size.height());
        }
    }
    popup->setGeometry(QRect(at, size));
}

}  // namespace nubivo
