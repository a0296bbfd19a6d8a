#include "state/viewer_state.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "state/geometry.h"

namespace nubivo {
namespace {

class ViewerStateTest : public ::testing::Test {
  protected:
    void SetUp() override { resetViewerState(); }
};

TEST_F(ViewerStateTest, StartsEmptyWithConditionAndSatelliteSelected) {
    const ViewerState& s = viewerState;
    EXPECT_EQ(s.selectedInfoTab, Condition);
    EXPECT_EQ(s.selectedMapTab, Satellite);
    EXPECT_EQ(s.hoverInfoTab, -1);
    EXPECT_EQ(s.hoverMapTab, -1);
    EXPECT_EQ(s.selectedRegion.load(), Europe);
    for (int32_t layer = 0; layer < mapLayerCount; ++layer) {
        SCOPED_TRACE(layer);
        EXPECT_EQ(s.layerImage[layer], nullptr);
        EXPECT_EQ(s.layerReady[layer].load(), 0);
        const SystemTime zero{};
        EXPECT_EQ(std::memcmp(&s.layerStamp[layer], &zero, sizeof zero), 0);
    }
    EXPECT_EQ(s.conditionIcon, nullptr);
    EXPECT_STREQ(s.conditionIconUrl, "");
    const WeatherReport empty{};
    EXPECT_EQ(std::memcmp(&s.weather, &empty, sizeof empty), 0);
    EXPECT_EQ(s.scanState, ScanState::None);
}

TEST_F(ViewerStateTest, ResetPutsBackStartValues) {
    viewerState.selectedInfoTab = Forecast;
    viewerState.selectedRegion = Asia;
    viewerState.layerStamp[2].year = 2026;
    viewerState.layerReady[1] = 1;
    copyText(viewerState.weather.city, "Oslo");
    viewerState.weather.forecastCount = 3;
    resetViewerState();
    EXPECT_EQ(viewerState.selectedInfoTab, Condition);
    EXPECT_EQ(viewerState.selectedRegion.load(), Europe);
    EXPECT_EQ(viewerState.layerStamp[2].year, 0);
    EXPECT_EQ(viewerState.layerReady[1].load(), 0);
    EXPECT_STREQ(viewerState.weather.city, "");
    EXPECT_EQ(viewerState.weather.forecastCount, 0);
}

TEST_F(ViewerStateTest, CopyTextNeverPassesTheField) {
    const struct {
        const char* text;
        const char* stored;
    } cases[] = {{"", ""}, {"a", "a"}, {"ab", "ab"}, {"abc", "ab"}, {"abcdef", "ab"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        char field[4] = {'x', 'x', 'x', 'G'};
        copyText(field, 3, c.text);
        EXPECT_STREQ(field, c.stored);
        EXPECT_EQ(field[3], 'G');
    }
}

TEST_F(ViewerStateTest, CaptionsAndLabels) {
    const char* const regions[] = {"Europe",    "North America", "South America", "Asia",
                                   "Australia", "Caribbean",     "Middle East",   "Africa"};
    for (int32_t i = 0; i < regionCount; ++i) {
        EXPECT_STREQ(regionLabels[i], regions[i]);
    }
    EXPECT_STREQ(mapLayerCaptions[Precipitation], "Prec.");
    EXPECT_STREQ(infoTabCaptions[Atmosphere], "Atmo.");
    EXPECT_EQ(static_cast<int32_t>(ScanState::Forecast), 8);
}

TEST(GeometryTest, TabHitTesting) {
    const struct {
        const char* label;
        Rect first;
        int32_t count;
        int32_t x;
        int32_t y;
        int32_t tab;
    } cases[] = {
        {"gap between Wind and Atmo.", infoTabFirst, infoTabCount, 181, 160, -1},
        {"Atmo. left edge", infoTabFirst, infoTabCount, 182, 160, Atmosphere},
        {"Forc. last column", infoTabFirst, infoTabCount, 347, 166, Forecast},
        {"below the info tabs", infoTabFirst, infoTabCount, 160, 167, -1},
        {"map panel, no tab", mapTabFirst, mapTabCount, 349, 300, -1},
        {"Sat.", mapTabFirst, mapTabCount, 200, 280, Satellite},
        {"High top-left", mapTabFirst, mapTabCount, 224, 272, ForecastHigh},
        {"Sat. right edge excluded", mapTabFirst, mapTabCount, 222, 280, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(hitTab(c.first, c.count, c.x, c.y), c.tab);
    }
    EXPECT_TRUE(ptInRect(mapPanelRect, 349, 300));
    EXPECT_FALSE(ptInRect(mapPanelRect, 350, 300));
    const Rect forc = tabRect(infoTabFirst, Forecast);
    EXPECT_EQ(forc.left, 308);
    EXPECT_EQ(forc.right, 348);
}

}  // namespace
}  // namespace nubivo
