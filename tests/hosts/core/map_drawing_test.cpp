#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <span>
#include <string>
#include <vector>

#include "hosts/core/colour_scales.h"
#include "hosts/core/drawing.h"
#include "hosts/core/map_layout.h"
#include "hosts/core/map_outlines.h"
#include "hosts/core/natural_earth.h"
#include "hosts/core/typeface.h"
#include "hosts/core/units.h"
#include "hosts/core/weather_map.h"
#include "support/jpeg_facts.h"

namespace nubivo {
namespace {

using host::Canvas;
using host::Colour;
using host::GeoBox;
using host::regionBoxes;

constexpr Colour white{255, 255, 255};

bool dark(Colour c) {
    return c.r + c.g + c.b < 3 * 110;
}

TEST(NaturalEarthTest, TheCarriedFileHoldsEveryLineAndDamageIsRefused) {
    const host::NaturalEarth& earth = host::naturalEarth();
    EXPECT_EQ(earth.coasts.size(), 1420u);
    EXPECT_EQ(earth.lakes.size(), 107u);
    EXPECT_EQ(earth.borders.size(), 362u);
    for (const GeoBox& box : regionBoxes) {
        int32_t coasts = 0;
        int32_t borders = 0;
        for (const auto& line : earth.coasts)
            coasts += line.bounds.east > box.west && line.bounds.west < box.east &&
                      line.bounds.north > box.south && line.bounds.south < box.north;
        for (const auto& line : earth.borders)
            borders += line.bounds.east > box.west && line.bounds.west < box.east &&
                       line.bounds.north > box.south && line.bounds.south < box.north;
        EXPECT_GT(coasts, 20) << box.west;
        EXPECT_GE(borders, 3) << box.west;
    }

    // A copy of the file's bytes, damaged in turn: cut short, a byte changed, another magic.
    const std::span<const uint8_t> carried = host::carriedOutlineFile();
    std::vector<uint8_t> bytes(carried.begin(), carried.end());
    ASSERT_TRUE(host::readOutlines(bytes.data(), bytes.size()));
    EXPECT_FALSE(host::readOutlines(bytes.data(), bytes.size() - 1));
    EXPECT_FALSE(host::readOutlines(bytes.data(), 7));
    bytes[bytes.size() / 2] ^= 0x40;
    EXPECT_FALSE(host::readOutlines(bytes.data(), bytes.size()));
    bytes[bytes.size() / 2] ^= 0x40;
    bytes[0] = 'X';
    EXPECT_FALSE(host::readOutlines(bytes.data(), bytes.size()));
}

TEST(MapOutlinesTest, LandAndWaterLieWhereNaturalEarthPutsThem) {
    struct Case {
        int32_t region;
        double lon;
        double lat;
        bool land;
    };
    const Case cases[] = {
        {0, 2.35, 48.85, true},   {0, -5, 45.5, false},     // Paris, Bay of Biscay
        {0, 31.5, 60.8, false},   {0, 34, 43.5, false},     // Lake Ladoga, Black Sea
        {1, -87.5, 47.6, false},  {1, -81.5, 42.2, false},  // Lakes Superior and Erie
        {1, -98, 38.5, true},     {1, -85, 60, false},      // Kansas, Hudson Bay
        {2, -69.4, -15.8, false}, {2, -47.9, -15.8, true},  // Titicaca, Brasilia
        {3, 108.0, 53.3, false},  {4, 133.9, -23.7, true},  // Baikal, Alice Springs
        {4, 155, -35, false},     {5, -79, 22, true},       // Tasman Sea, Cuba
        {6, 51, 40, false},       {6, 46.7, 24.7, true},    // Caspian Sea, Riyadh
        {7, 33, -1, false},       {7, 10, 23, true},        // Lake Victoria, Sahara
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.lon) + "," + std::to_string(c.lat));
        const GeoBox& box = regionBoxes[c.region];
        const host::Point p = host::mapPixel(box, c.lon, c.lat);
        const auto mask = host::landMask(box);
        ASSERT_EQ(mask->size(), static_cast<size_t>(host::mapWidth) * host::mapHeight);
        EXPECT_EQ((*mask)[static_cast<size_t>(p.y) * host::mapWidth + static_cast<size_t>(p.x)],
                  c.land ? 1 : 0);
    }
}

// Along three rows of every region: wherever a coastline of the data crosses one, the mask
// turns within two pixels and a drawn line darkens a pixel within one.
TEST(MapOutlinesTest, CoastsAreDrawnWithinAPixelOfTheData) {
    for (const GeoBox& box : regionBoxes) {
        SCOPED_TRACE(box.west);
        Canvas lines(host::mapWidth, host::mapHeight, white);
        host::drawOutlines(lines, box, host::OutlineStyle::OnField);
        const auto mask = host::landMask(box);
        int32_t checked = 0;
        for (const int32_t row :
             {host::mapHeight / 3, host::mapHeight / 2, host::mapHeight * 2 / 3}) {
            const double lat = host::mapLatitude(box, row);
            auto landAt = [&](int32_t x) {
                x = std::clamp(x, 0, host::mapWidth - 1);
                return (*mask)[static_cast<size_t>(row) * host::mapWidth + x] != 0;
            };
            std::vector<double> crossings;
            for (const auto& ring : host::naturalEarth().coasts) {
                const auto& points = ring.points;
                for (size_t i = 0; i < points.size(); ++i) {
                    const host::LonLat a = points[i];
                    const host::LonLat b = points[(i + 1) % points.size()];
                    if ((a.lat > lat) != (b.lat > lat)) {
                        const double lon =
                            a.lon + (lat - a.lat) * (b.lon - a.lon) / (b.lat - a.lat);
                        crossings.push_back(host::mapPixel(box, lon, lat).x);
                    }
                }
            }
            std::sort(crossings.begin(), crossings.end());
            for (size_t i = 0; i < crossings.size(); ++i) {
                // A coast with another within a few pixels (a strait, an islet) may leave the
                // pixel centres on one side.
                const double x = crossings[i];
                if (x < 3 || x > host::mapWidth - 4 || (i > 0 && x - crossings[i - 1] < 5) ||
                    (i + 1 < crossings.size() && crossings[i + 1] - x < 5)) {
                    continue;
                }
                const auto column = static_cast<int32_t>(x);
                EXPECT_NE(landAt(column - 2), landAt(column + 2)) << "at x " << x;
                EXPECT_TRUE(dark(lines.pixel(column - 1, row)) || dark(lines.pixel(column, row)) ||
                            dark(lines.pixel(column + 1, row)))
                    << "at x " << x;
                ++checked;
            }
        }
        EXPECT_GE(checked, 4);
    }
}

TEST(MapColoursTest, LandAndWaterDifferAtEveryValueAndZeroIsTheNeutralMiddle) {
    // CIELAB distance (1976) between two sRGB colours.
    auto lab = [](Colour c) {
        auto linear = [](uint8_t v) {
            const double s = v / 255.0;
            return s <= 0.04045 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
        };
        const double r = linear(c.r), g = linear(c.g), b = linear(c.b);
        const double xyz[3] = {(0.4124 * r + 0.3576 * g + 0.1805 * b) / 0.95047,
                               0.2126 * r + 0.7152 * g + 0.0722 * b,
                               (0.0193 * r + 0.1192 * g + 0.9505 * b) / 1.08883};
        double f[3];
        for (int i = 0; i < 3; ++i)
            f[i] = xyz[i] > 0.008856 ? std::cbrt(xyz[i]) : 7.787 * xyz[i] + 16.0 / 116.0;
        return std::array<double, 3>{116 * f[1] - 16, 500 * (f[0] - f[1]), 200 * (f[1] - f[2])};
    };
    auto distance = [&](Colour a, Colour b) {
        const auto p = lab(a), q = lab(b);
        return std::hypot(p[0] - q[0], p[1] - q[1], p[2] - q[2]);
    };
    using host::Surface;
    for (double c = -45; c <= 50; c += 0.5) {
        EXPECT_GT(distance(host::temperatureColour(c, Surface::Land),
                           host::temperatureColour(c, Surface::Water)),
                  15)
            << c << " C";
    }
    for (double mm = 0; mm <= 80; mm += mm < 1 ? 0.05 : 1) {
        EXPECT_GT(distance(host::precipitationColour(mm, Surface::Land),
                           host::precipitationColour(mm, Surface::Water)),
                  15)
            << mm << " mm";
    }
    const Colour zero = host::temperatureColour(0, Surface::Land);
    EXPECT_TRUE(zero.r == zero.g && zero.g == zero.b);
    EXPECT_GT(host::temperatureColour(-10, Surface::Land).b,
              host::temperatureColour(-10, Surface::Land).r);
    EXPECT_GT(host::temperatureColour(10, Surface::Land).r,
              host::temperatureColour(10, Surface::Land).b);
    EXPECT_EQ(host::precipitationColour(0.09, Surface::Land), host::landBase);
    EXPECT_NE(host::precipitationColour(0.1, Surface::Land), host::landBase);
}

TEST(MapLayoutTest, TicksAreRoundInBothUnitsAndStandApart) {
    const host::Legend legend = host::temperatureLegend();
    ASSERT_EQ(legend.rows.size(), 2u);
    const double range = host::temperatureHigh - host::temperatureLow;
    struct Row {
        double step;
        std::function<double(double)> toCelsius;
    };
    const Row rows[] = {{10, [](double c) { return c; }},
                        {5, [](double f) { return (f - 32) * 5 / 9; }}};
    for (size_t r = 0; r < 2; ++r) {
        const auto& ticks = legend.rows[r].ticks;
        ASSERT_GE(ticks.size(), 3u) << r;
        for (size_t i = 0; i < ticks.size(); ++i) {
            // The label's number, read back ("−20" has a three-byte minus).
            std::string text = ticks[i].label;
            if (text.rfind("\xE2\x88\x92", 0) == 0)
                text = "-" + text.substr(3);
            const double value = std::stod(text);
            EXPECT_EQ(std::fmod(value, rows[r].step), 0) << text;
            EXPECT_NEAR(ticks[i].at, (rows[r].toCelsius(value) - host::temperatureLow) / range,
                        1e-9);
            if (i > 0) {
                const double gap = (ticks[i].at - ticks[i - 1].at) * legend.barLength;
                EXPECT_GT(gap, host::measureText(ticks[i].label, host::labelTextSize).width);
            }
        }
    }
    EXPECT_EQ(legend.rows[0].unit,
              "\xC2\xB0"
              "C");
    EXPECT_EQ(legend.rows[1].unit,
              "\xC2\xB0"
              "F");
    std::string mm;
    const host::Legend rain = host::precipitationLegend();
    for (const auto& tick : rain.rows[0].ticks)
        mm += tick.label + " ";
    EXPECT_EQ(mm, "0.1 2 10 50 ");
}

// The longest titles and credits the hosts write, on every region's maps: the title inside the
// top band, legend and credit inside the bottom band without overlapping, all in the picture,
// and text tall enough to read at the viewer's three quarters.
TEST(MapLayoutTest, TextStaysInItsBandsAtEveryRegion) {
    ASSERT_TRUE(host::typefaceLoaded());
    auto inside = [](const host::PlateRect& r, double top, double bottom) {
        return r.left >= 0 && r.right <= host::mapWidth && r.top >= top && r.bottom <= bottom &&
               r.left < r.right && r.top < r.bottom;
    };
    const char* credits[] = {"Open-Meteo.com", "NASA GIBS", "Natural Earth", "NOAA GFS",
                             "EUMETSAT"};
    for (const GeoBox& box : regionBoxes) {
        const host::Legend legends[] = {host::temperatureLegend(), host::precipitationLegend(),
                                        host::distanceLegend(box)};
        for (const host::Legend& legend : legends) {
            for (const char* credit : credits) {
                Canvas map(host::mapWidth, host::mapHeight, Colour{180, 4, 38});
                const host::PlateRect title =
                    host::drawTitle(map, "Sample precipitation, Wed 30 Sep 23:00 UTC");
                const host::FooterPlates footer = host::drawFooter(map, legend, credit);
                EXPECT_TRUE(inside(title, 0, host::titleBand));
                EXPECT_TRUE(
                    inside(footer.legend, host::mapHeight - host::footerBand, host::mapHeight));
                EXPECT_TRUE(
                    inside(footer.credit, host::mapHeight - host::footerBand, host::mapHeight));
                EXPECT_LT(footer.legend.right, footer.credit.left) << credit;
                int32_t ink = 0;
                for (int32_t x = static_cast<int32_t>(footer.credit.left); x < footer.credit.right;
                     ++x)
                    ink += dark(map.pixel(x, static_cast<int32_t>(footer.credit.bottom) - 8));
                EXPECT_GT(ink, 3) << "the credit is written";
            }
        }
    }
    // Capitals' height in pixels, from the ink of an "H".
    auto capitals = [](double size, host::Weight weight) {
        Canvas canvas(60, 60, white);
        {
            const host::Drawing drawing(canvas);
            drawing.setColour(Colour{});
            host::drawText(drawing, 10, 45, "H", size, weight);
        }
        int32_t rows = 0;
        for (int32_t y = 0; y < 60; ++y) {
            bool inked = false;
            for (int32_t x = 0; x < 60; ++x)
                inked = inked || canvas.pixel(x, y).r < 128;
            rows += inked;
        }
        return rows;
    };
    EXPECT_GE(capitals(host::titleTextSize, host::Weight::Bold), 12);
    EXPECT_GE(capitals(host::labelTextSize, host::Weight::Regular), 10);
}

TEST(WeatherMapTest, ImageryPassesThroughOutsideItsLinesAndTexts) {
    const GeoBox& box = regionBoxes[7];
    // A picture of stripes, and the same picture finished.
    Canvas picture(host::mapWidth, host::mapHeight, Colour{});
    for (int32_t y = 0; y < host::mapHeight; ++y) {
        for (int32_t x = 0; x < host::mapWidth; ++x)
            picture.setPixel(x, y, Colour{static_cast<uint8_t>(x), 90, static_cast<uint8_t>(y)});
    }
    Canvas finished = picture;
    host::finishImageryMap(finished, box, {"Satellite, Sun 6 Dec", "NASA GIBS"});
    // Where lines go: the outlines drawn alone on black.
    Canvas lines(host::mapWidth, host::mapHeight, Colour{});
    host::drawOutlines(lines, box, host::OutlineStyle::OnImagery);
    int32_t changed = 0;
    for (int32_t y = host::titleBand; y < host::mapHeight - host::footerBand; ++y) {
        for (int32_t x = 0; x < host::mapWidth; ++x) {
            if (finished.pixel(x, y) == picture.pixel(x, y))
                continue;
            ++changed;
            bool nearLine = false;
            for (int32_t dy = -1; dy <= 1; ++dy) {
                for (int32_t dx = -1; dx <= 1; ++dx)
                    nearLine = nearLine || lines.pixel(x + dx, y + dy) != Colour{};
            }
            ASSERT_TRUE(nearLine) << x << "," << y;
        }
    }
    EXPECT_GT(changed, 1000);
}

TEST(WeatherMapTest, MapsAreJpegsOfQualityNinetyWithoutChromaSubsampling) {
    const Canvas map = host::drawFieldMap(regionBoxes[0], host::MapQuantity::Temperature,
                                          [](double, double lat) { return 30 - lat / 2; },
                                          {"High, Mon 7 Dec", "Open-Meteo.com"});
    const std::vector<uint8_t> jpeg = map.encodeJpeg();
    const test::JpegFacts facts = test::jpegFacts(jpeg);
    ASSERT_TRUE(facts.read);
    EXPECT_EQ(facts.width, 440);
    EXPECT_EQ(facts.height, 330);
    EXPECT_EQ(facts.sampling, (std::vector<uint8_t>{0x11, 0x11, 0x11}));
    EXPECT_GE(facts.quality, 90);
    EXPECT_EQ(jpeg, map.encodeJpeg()) << "the same pixels, the same bytes";
}

}  // namespace
}  // namespace nubivo
