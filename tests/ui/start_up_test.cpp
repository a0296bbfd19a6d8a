#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QWidget>

#include "locations/location_lists.h"
#include "tests/ui/window_fixture.h"
#include "ui/combo_lists.h"
#include "ui/fonts.h"

namespace nubivo::test {
namespace {

TEST(CentredPositionTest, CentresTruncatingTowardZero) {
    struct Case {
        int32_t width;
        int32_t height;
        int32_t x;
        int32_t y;
    };
    const Case cases[] = {{1024, 768, 332, 99}, {1023, 768, 331, 99}, {340, 600, -10, 15},
                          {359, 569, 0, 0},     {300, 500, -30, -35}, {1920, 1080, 780, 255}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << " x " << c.height);
        WindowPosition at = centredPosition(c.width, c.height);
        EXPECT_EQ(at.x, c.x);
        EXPECT_EQ(at.y, c.y);
    }
}

TEST(FontPixelSizeTest, TruePointSizesAtTheScreensDpi) {
    struct Case {
        int32_t points;
        int32_t dpi;
        int32_t pixels;
    };
    const Case cases[] = {{14, 96, 19},  {10, 96, 13}, {8, 96, 11},  {14, 120, 23},
                          {10, 120, 17}, {8, 120, 13}, {10, 144, 20}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.points << " pt at " << c.dpi);
        EXPECT_EQ(fontPixelSize(c.points, c.dpi), c.pixels);
    }
}

class StartUpTest : public WindowTest {};

TEST_F(StartUpTest, WindowIsFramelessFixedAndTitled) {
    QWidget* window = windowResources.mainWindow;
    EXPECT_TRUE(window->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(window->minimumSize(), QSize(360, 570));
    EXPECT_EQ(window->maximumSize(), QSize(360, 570));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("NubivoWeather Viewer"));
    for (int size : {16, 32, 48}) {
        EXPECT_EQ(window->windowIcon().pixmap(size, size).size(), QSize(size, size)) << size;
    }
    EXPECT_EQ(windowResources.backBuffer.size(), QSize(360, 570));
    EXPECT_DOUBLE_EQ(window->devicePixelRatioF(), 1.0);
}

TEST_F(StartUpTest, FontsAreTahomaAtTruePointSizes) {
    const WindowResources& w = windowResources;
    struct Case {
        const QFont* font;
        int pixels;
        bool bold;
        bool italic;
    };
    const Case cases[] = {{&w.titleFont, 19, true, true},
                          {&w.controlFont, 13, false, false},
                          {&w.smallFont, 11, false, false},
                          {&w.smallBoldFont, 11, true, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pixels);
        EXPECT_EQ(c.font->family(), QStringLiteral("Tahoma"));
        EXPECT_EQ(c.font->pixelSize(), c.pixels);
        EXPECT_EQ(c.font->bold(), c.bold);
        EXPECT_EQ(c.font->italic(), c.italic);
    }
}

TEST_F(StartUpTest, ControlsStandWhereTheFormNeedsThem) {
    const WindowResources& w = windowResources;
    struct Case {
        QWidget* control;
        QString text;
        QRect place;
    };
    const Case cases[] = {
        {w.locationEdit, QString(), QRect(170, 40, 100, 20)},
        {w.updateButton, QStringLiteral("Update..."), QRect(250, 90, 78, 20)},
        {w.celsiusRadio, QStringLiteral("C"), QRect(280, 65, 40, 20)},
        {w.fahrenheitRadio, QStringLiteral("F"), QRect(320, 65, 40, 20)},
        {w.regionCombo, QString(), QRect(70, 64, 140, 21)},
        {w.countryCombo, QString(), QRect(70, 92, 140, 21)},
        {w.cityCombo, QString(), QRect(70, 120, 140, 21)},
        {w.semitransparentCheck, QStringLiteral("Semitransparent"), QRect(10, 543, 120, 20)},
        {w.exitButton, QStringLiteral("Exit"), QRect(270, 543, 80, 20)},
        {w.aboutButton, QStringLiteral("About..."), QRect(190, 543, 80, 20)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.place.y() * 1000 + c.place.x());
        ASSERT_NE(c.control, nullptr);
        EXPECT_EQ(c.control->parentWidget(), w.mainWindow);
        EXPECT_EQ(c.control->geometry(), c.place);
        EXPECT_EQ(c.control->font(), w.controlFont);
        if (auto* button = qobject_cast<QAbstractButton*>(c.control)) {
            EXPECT_EQ(button->text(), c.text);
        }
    }
    EXPECT_TRUE(w.locationEdit->text().isEmpty());
    EXPECT_EQ(w.locationEdit->alignment() & Qt::AlignHCenter, Qt::AlignHCenter);
    EXPECT_TRUE(w.celsiusRadio->isChecked());
    EXPECT_FALSE(w.fahrenheitRadio->isChecked());
    EXPECT_FALSE(w.semitransparentCheck->isChecked());

    w.fahrenheitRadio->click();
    EXPECT_FALSE(w.celsiusRadio->isChecked()) << "the units are one exclusive group";
    w.celsiusRadio->click();
    EXPECT_FALSE(w.fahrenheitRadio->isChecked());
}

TEST_F(StartUpTest, RegionListHasEightRegionsAndNoChoice) {
    QComboBox* regions = windowResources.regionCombo;
    ASSERT_EQ(regions->count(), 8);
    const char* expected[] = {"Europe",    "North America", "South America", "Asia",
                              "Australia", "Caribbean",     "Middle East",   "Africa"};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(regions->itemText(i), QString::fromLatin1(expected[i])) << i;
    }
    EXPECT_EQ(regions->currentIndex(), -1);
    EXPECT_EQ(viewerState.selectedRegion.load(), Europe);
    EXPECT_EQ(windowResources.cityCombo->count(), 0);
}

TEST_F(StartUpTest, LocationBoxTakesAtMost254Bytes) {
    QLineEdit* edit = windowResources.locationEdit;
    for (int i = 0; i < 300; ++i) {
        edit->insert(QStringLiteral("a"));
    }
    EXPECT_EQ(edit->text().size(), 254);

    edit->clear();
    for (int i = 0; i < 300; ++i) {
        edit->insert(QString::fromUtf8("\xC3\xA9"));  // two bytes each
    }
    EXPECT_EQ(edit->text().toUtf8().size(), 254);
}

TEST_F(StartUpTest, ListsSortWithoutCaseAndKeepTheirBytes) {
    installComboLists();
    cityList.reset();
    for (const char* entry : {"b,3", "A,1", "", "a,2", "Zed,9", "\xE9t\xE9,4", "Caf\xC3\xA9,5"}) {
        cityList.add(entry);
    }
    QComboBox* cities = windowResources.cityCombo;
    ASSERT_EQ(cities->count(), 7);
    EXPECT_EQ(cityList.currentIndex(), -1) << "adding chooses nothing";
    const char* expected[] = {"", "A,1", "a,2", "b,3", "Caf\xC3\xA9,5", "Zed,9"};
    char buffer[260];
    for (int i = 0; i < 6; ++i) {
        SCOPED_TRACE(i);
        ASSERT_TRUE(cityList.entryText(i, buffer, sizeof buffer));
        EXPECT_STREQ(buffer, expected[i]);
    }
    // Latin-1 bytes are shown as such and given back unchanged.
    ASSERT_TRUE(cityList.entryText(6, buffer, sizeof buffer));
    EXPECT_STREQ(buffer, "\xE9t\xE9,4");
    EXPECT_EQ(cities->itemText(6), QString::fromLatin1("\xE9t\xE9,4"));
    EXPECT_EQ(cities->itemText(4), QString::fromUtf8("Caf\xC3\xA9,5"));

    char small[4];
    ASSERT_TRUE(cityList.entryText(5, small, sizeof small));
    EXPECT_STREQ(small, "Zed");
    EXPECT_FALSE(cityList.entryText(7, buffer, sizeof buffer));
    EXPECT_FALSE(cityList.entryText(-1, buffer, sizeof buffer));

    cities->setCurrentIndex(3);
    EXPECT_EQ(cityList.currentIndex(), 3);
    cityList.reset();
    EXPECT_EQ(cities->count(), 0);
}

TEST_F(StartUpTest, ExitAndClosingTheWindowEndTheEventLoop) {
    struct Case {
        const char* name;
        void (*action)();
    };
    const Case cases[] = {
        {"Exit", [] { windowResources.exitButton->click(); }},
        {"close", [] { windowResources.mainWindow->close(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        windowResources.mainWindow->show();
        QTimer::singleShot(0, c.action);
        // Only a guard against a loop that never ends; the loop ends at once when it works.
        QTimer guard;
        guard.setSingleShot(true);
        QObject::connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(7); });
        guard.start(30000);
        EXPECT_EQ(QApplication::exec(), 0);
    }
}

TEST_F(StartUpTest, ShutdownReleasesTheImages) {
    storeImage(viewerState.conditionIcon, solidImage(4, 4, Qt::red));
    for (Image24& image : viewerState.layerImage) {
        storeImage(image, solidImage(4, 4, Qt::blue));
    }
    EXPECT_TRUE(shutDownViewer());
    EXPECT_EQ(viewerState.conditionIcon, nullptr);
    for (Image24 image : viewerState.layerImage) {
        EXPECT_EQ(image, nullptr);
    }
    EXPECT_EQ(windowResources.mainWindow, nullptr);
    EXPECT_EQ(countryList.add, nullptr);
    startViewer();  // for TearDown
}

}  // namespace
}  // namespace nubivo::test
