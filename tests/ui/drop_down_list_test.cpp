#include <QAbstractItemView>
#include <QComboBox>
#include <QScrollBar>

#include "tests/ui/window_fixture.h"

namespace nubivo::test {
namespace {

// Each list drops right below its box, as wide as the form says, and ends where the box with
// its list is 160 pixels high; a long list shows about seven rows and a scroll bar. The
// window's logical pixels, whatever the scale.
void expectListsDropBelowTheirBoxes() {
    WindowResources& w = windowResources;
    w.mainWindow->show();
    for (int i = 0; i < 40; ++i) {
        w.countryCombo->addItem(QStringLiteral("Country %1").arg(i));
        w.cityCombo->addItem(QStringLiteral("City %1").arg(i));
    }
    struct Case {
        const char* name;
        QComboBox* box;
        int width;
    };
    const Case cases[] = {
        {"region", w.regionCombo, 140},
        {"country", w.countryCombo, 200},
        {"city", w.cityCombo, 200},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.box->showPopup();
        QAbstractItemView* list = c.box->view();
        const QWidget* popup = list->window();
        ASSERT_NE(popup, w.mainWindow);
        EXPECT_TRUE(popup->isVisible());
        EXPECT_EQ(popup->geometry(),
                  QRect(c.box->mapToGlobal(QPoint(0, c.box->height())), QSize(c.width, 139)));
        if (c.box != w.regionCombo) {
            EXPECT_TRUE(list->verticalScrollBar()->isVisible());
            const int rows = list->viewport()->height() / list->sizeHintForRow(0);
            EXPECT_GE(rows, 6);
            EXPECT_LE(rows, 8);
        }
        c.box->hidePopup();
    }
}

class DropDownListTest : public WindowTest {};

TEST_F(DropDownListTest, ListsDropBelowTheirBoxesWithinTheirHeight) {
    expectListsDropBelowTheirBoxes();
}

class HiDpiDropDownListTest : public HiDpiWindowTest {};

TEST_F(HiDpiDropDownListTest, ListsDropBelowTheirBoxesWithinTheirHeight) {
    expectListsDropBelowTheirBoxes();
}

}  // namespace
}  // namespace nubivo::test
