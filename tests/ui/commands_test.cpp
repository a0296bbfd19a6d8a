#include "ui/commands.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <chrono>
#include <string>

#include "images/map_layers.h"
#include "locations/location_lists.h"
#include "platform/http.h"
#include "platform/server_addresses.h"
#include "support/image_fixtures.h"
#include "support/local_server.h"
#include "ui/combo_lists.h"
#include "ui/paint_window.h"
#include "ui/window_fixture.h"
#include "worker/update_worker.h"

namespace nubivo::test {
namespace {

using namespace std::chrono_literals;

class CommandsTest : public WindowTest {
  protected:
    void TearDown() override {
        waitForUpdates();
        setHostsForTesting(nullptr, nullptr);
        WindowTest::TearDown();
    }

    // Runs the window thread's queued work (repaint requests from the worker among it).
    static void settle() {
        for (int i = 0; i < 5; ++i) {
            QCoreApplication::processEvents();
        }
    }
};

TEST_F(CommandsTest, MouseMovesHoverTabsOfThePanelUnderThePointer) {
    const struct {
        int32_t x;
        int32_t y;
        int32_t info;
        int32_t map;
    } cases[] = {
        {181, 160, -1, -1},
        {182, 160, Atmosphere, -1},
        {140, 152, Wind, -1},
        {347, 166, Forecast, -1},
        {349, 300, -1, -1},
        {350, 300, -1, -1},
        {200, 280, -1, Satellite},
        {224, 272, -1, ForecastHigh},
        {222, 280, -1, -1},
        {308, 286, -1, Precipitation},
        {5, 5, -1, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "(" << c.x << "," << c.y << ")");
        viewerState.hoverInfoTab = 2;
        viewerState.hoverMapTab = 2;
        onMouseMove(c.x, c.y, Qt::NoButton, Qt::NoModifier);
        EXPECT_EQ(viewerState.hoverInfoTab, c.info);
        EXPECT_EQ(viewerState.hoverMapTab, c.map);
    }
}

TEST_F(CommandsTest, LeftPressSelectsATabOrKeepsTheSelection) {
    const struct {
        int32_t x;
        int32_t y;
        int32_t info;
        int32_t map;
    } cases[] = {
        {200, 280, Condition, Satellite},    {224, 272, Condition, ForecastHigh},
        {222, 280, Condition, ForecastHigh}, {350, 300, Condition, ForecastHigh},
        {160, 160, Wind, ForecastHigh},      {181, 160, Wind, ForecastHigh},
        {330, 160, Forecast, ForecastHigh},  {330, 280, Forecast, Precipitation},
    };
    viewerState.selectedMapTab = ForecastLow;
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "(" << c.x << "," << c.y << ")");
        onMousePress(c.x, c.y, Qt::LeftButton);
        EXPECT_EQ(viewerState.selectedInfoTab, c.info);
        EXPECT_EQ(viewerState.selectedMapTab, c.map);
    }
    onMousePress(160, 160, Qt::RightButton);
    EXPECT_EQ(viewerState.selectedInfoTab, Forecast);
}

TEST_F(CommandsTest, PressesAndMovesReachTheCommandsThroughTheWindow) {
    QWidget* window = windowResources.mainWindow;
    const QPointF at(200, 280);
    QMouseEvent press(QEvent::MouseButtonPress, at, window->mapToGlobal(at), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window, &press);
    EXPECT_EQ(viewerState.selectedMapTab, Satellite);

    // The second press of a double click selects nothing more.
    viewerState.selectedMapTab = Precipitation;
    QMouseEvent twice(QEvent::MouseButtonDblClick, at, window->mapToGlobal(at), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window, &twice);
    EXPECT_EQ(viewerState.selectedMapTab, Precipitation);

    const QPointF over(244, 280);
    QMouseEvent move(QEvent::MouseMove, over, window->mapToGlobal(over), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(window, &move);
    EXPECT_EQ(viewerState.hoverMapTab, ForecastHigh);
}

TEST_F(CommandsTest, LeftButtonAloneDragsTheWindowOthersHover) {
    QWidget* window = windowResources.mainWindow;
    const QPoint start = window->pos();
    onMousePress(100, 20, Qt::LeftButton);
    onMouseMove(200, 280, Qt::LeftButton, Qt::ShiftModifier);
    EXPECT_EQ(viewerState.hoverMapTab, Satellite);
    EXPECT_EQ(window->pos(), start);
    onMouseMove(200, 280, Qt::LeftButton | Qt::RightButton, Qt::NoModifier);
    EXPECT_EQ(window->pos(), start);
    onMouseMove(160, 160, Qt::LeftButton, Qt::ControlModifier);
    EXPECT_EQ(viewerState.hoverInfoTab, Wind);

    viewerState.hoverInfoTab = -1;
    onMouseMove(110, 25, Qt::LeftButton, Qt::NoModifier);
    // Hover stays as it was during a drag.
    EXPECT_EQ(viewerState.hoverInfoTab, -1);
    // No window system takes the move over here: the window follows the pointer itself.
    EXPECT_EQ(window->pos(), start + QPoint(10, 5));
}

TEST_F(CommandsTest, RegionListWithoutAChoiceKeepsTheRegion) {
    QComboBox* regions = windowResources.regionCombo;
    regions->setCurrentIndex(-1);
    onRegionChosen();
    EXPECT_EQ(viewerState.selectedRegion.load(), Europe);
    regions->setCurrentIndex(Asia);
    onRegionChosen();
    EXPECT_EQ(viewerState.selectedRegion.load(), Asia);
    regions->setCurrentIndex(-1);
    onRegionChosen();
    EXPECT_EQ(viewerState.selectedRegion.load(), Asia);
}

TEST_F(CommandsTest, CityChoicePutsItsLocationCodeIntoTheBox) {
    const struct {
        const char* entry;
        const char* box;
    } cases[] = {
        {"Paris,Paris FR", "Paris FR"},
        {"Springfield,Springfield, IL,US", "Springfield, IL,US"},
        {"Nice, Nice FR", " Nice FR"},
        {"No comma here", "kept"},
        {"", "kept"},
        {"Trailing,", ""},
    };
    QComboBox* cities = windowResources.cityCombo;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.entry);
        windowResources.locationEdit->setText(QStringLiteral("kept"));
        resetSortedCombo(cities);
        addSortedEntry(cities, c.entry);
        cities->setCurrentIndex(0);
        onCityChosen();
        EXPECT_EQ(windowResources.locationEdit->text().toStdString(), c.box);
    }
}

TEST_F(CommandsTest, SemitransparentSwitchesTheWholeWindowsOpacity) {
    QCheckBox* box = windowResources.semitransparentCheck;
    box->setChecked(true);
    EXPECT_NEAR(windowResources.mainWindow->windowOpacity(), 127.0 / 255.0, 0.002);
    box->setChecked(false);
    EXPECT_DOUBLE_EQ(windowResources.mainWindow->windowOpacity(), 1.0);
}

TEST_F(CommandsTest, AboutShowsTheInformationBox) {
    QString caption;
    QString text;
    QTimer::singleShot(0, [&] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* box = qobject_cast<QMessageBox*>(widget);
                box != nullptr && box->isVisible()) {
                caption = box->windowTitle();
                text = box->text();
                box->accept();
            }
        }
    });
    windowResources.aboutButton->click();
    EXPECT_EQ(caption.toStdString(), "NubivoWeather Viewer v1.0 - Info");
    EXPECT_TRUE(text.startsWith(QStringLiteral("Powered by Nubivo Weather services.\n")));
    EXPECT_EQ(text.count(QLatin1Char('\n')), 1);
    // The maker's notice credits the live host's sources as their terms ask.
    for (const char* credit : {"Open-Meteo.com", "GeoNames", "NASA GIBS", "EUMETSAT", "NOAA GFS"})
        EXPECT_TRUE(text.contains(QLatin1String(credit))) << credit;
}

// A host serving a feed, its icon and each layer in a colour of its own.
class UpdateThroughTheWindowTest : public CommandsTest {
  protected:
    void SetUp() override {
        CommandsTest::SetUp();
        base = server.baseUrl();
        setHostsForTesting(base.c_str(), base.c_str());
        server.get("/forecastrss", [this](const httplib::Request& request,
                                          httplib::Response& response) {
            std::string unit = request.get_param_value("u") == "f" ? "F" : "C";
            response.set_content("<rss><nweather:location city=\"" + request.get_param_value("p") +
                                     "\" region=\"\" country=\"NO\"/>"
                                     "<nweather:units temperature=\"" +
                                     unit +
                                     "\" distance=\"km\" pressure=\"mb\" speed=\"kph\"/>"
                                     "<![CDATA[<img src=\"" +
                                     server.url("/icons/28.png") +
                                     "\"/>]]>"
                                     "<nweather:condition text=\"Cloudy\" code=\"28\" temp=\"-4\" "
                                     "date=\"Mon, 07 Dec 2026\"/></rss>",
                                 "application/rss+xml");
        });
        server.getText("/icons/28.png", encodePicture("png", 40, 40, 0, 0, 255), 200, "image/png");
        for (int32_t layer = 0; layer < mapLayerCount; ++layer) {
            server.getText(mapImagePath[Europe][layer],
                           encodePicture("jpeg", 440, 330, layerColours[layer].red(),
                                         layerColours[layer].green(), layerColours[layer].blue()),
                           200, "image/jpeg", {{"Last-Modified", "Mon, 07 Dec 2026 10:00:00 GMT"}});
        }
    }

    std::string feedTarget() const {
        for (const RecordedRequest& request : server.requests()) {
            if (request.path == "/forecastrss") {
                return request.target;
            }
        }
        return {};
    }

    static bool near(QColor a, QColor b) {
        return std::abs(a.red() - b.red()) < 24 && std::abs(a.green() - b.green()) < 24 &&
               std::abs(a.blue() - b.blue()) < 24;
    }

    const QColor layerColours[mapLayerCount] = {QColor(200, 30, 30), QColor(30, 200, 30),
                                                QColor(200, 200, 30), QColor(30, 30, 200)};
    LocalServer server;
    std::string base;
};

TEST_F(UpdateThroughTheWindowTest, UpdateFillsBothPanels) {
    windowResources.locationEdit->setText(QStringLiteral("Oslo"));
    windowResources.updateButton->click();
    waitForUpdates();
    settle();
    EXPECT_EQ(server.requestCount("/forecastrss"), 1u);
    EXPECT_EQ(feedTarget(), "/forecastrss?p=Oslo&u=c");
    EXPECT_STREQ(viewerState.weather.city, "Oslo");

    paintWindow();
    EXPECT_TRUE(near(pixel(15 + 20, 190 + 30), QColor(0, 0, 255)));  // the icon
    EXPECT_GT(darkPixels(Rect{185, 185, 300, 215}), 20);             // condition rows
    for (int32_t layer = 0; layer < mapLayerCount; ++layer) {
        SCOPED_TRACE(layer);
        onMousePress(tabRect(mapTabFirst, layer).left + 5, 280, Qt::LeftButton);
        paintWindow();
        EXPECT_TRUE(near(pixel(15, 295), layerColours[layer]));
        EXPECT_TRUE(near(pixel(180, 415), layerColours[layer]));
        EXPECT_TRUE(near(pixel(344, 534), layerColours[layer]));
    }
}

TEST_F(UpdateThroughTheWindowTest, WorkerReadsTheFormWhenItReachesTheFeed) {
    windowResources.locationEdit->setText(QStringLiteral("New York"));
    windowResources.fahrenheitRadio->setChecked(true);
    windowResources.updateButton->click();
    waitForUpdates();
    EXPECT_EQ(feedTarget(), "/forecastrss?p=New%20York&u=f");
    EXPECT_STREQ(viewerState.weather.tempUnit, "F");
}

TEST_F(UpdateThroughTheWindowTest, TwoQuickPressesGiveTwoUpdatesInTurn) {
    windowResources.updateButton->click();
    windowResources.updateButton->click();
    waitForUpdates();
    EXPECT_EQ(server.requestCount("/forecastrss"), 2u);
    const std::vector<RecordedRequest> seen = server.requests();
    ASSERT_EQ(seen.size(), 12u);
    EXPECT_EQ(seen[6].path, "/forecastrss");  // after the first update's last layer
}

TEST_F(UpdateThroughTheWindowTest, ExitDuringAStalledUpdateReturnsQuickly) {
    SilentListener silent;
    const std::string stalled = silent.baseUrl();
    setHostsForTesting(base.c_str(), stalled.c_str());
    windowResources.updateButton->click();
    for (int i = 0; i < 2000 && server.requestCount("/icons/28.png") == 0; ++i) {
        std::this_thread::sleep_for(5ms);
    }
    std::this_thread::sleep_for(50ms);
    QTimer::singleShot(0, [] { windowResources.exitButton->click(); });
    QApplication::exec();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(shutDownViewer());
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_LT(took, 1s) << std::chrono::duration_cast<std::chrono::milliseconds>(took).count()
                        << " ms";
    startViewer();  // for the fixture's own shutdown
}

}  // namespace
}  // namespace nubivo::test
