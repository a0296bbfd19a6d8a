#include "ui/paint_window.h"

#include <QApplication>
#include <QPalette>
#include <QWidget>
#include <cmath>
#include <cstdio>
#include <mutex>
#include <string>

#include "project_values.h"
#include "state/viewer_state.h"
#include "ui/map_panel.h"
#include "ui/picture_cache.h"
#include "ui/window_resources.h"

namespace nubivo {
namespace {

struct Label {
    const char* text;
    int32_t x;
    int32_t y;
};

constexpr Label formLabels[] = {
    {"Name or ZIP code:", 58, 40}, {"Units:", 230, 65}, {"Region:", 20, 68},
    {"Country:", 15, 95},          {"City:", 38, 123},
};

constexpr int32_t labelRight = 180;
constexpr int32_t valueLeft = 185;

// Labels of the Wind, Atmosphere, Astronomy and Condition tabs, right-aligned at 180, and
// their values beside them at 185.
void drawRows(Canvas& canvas, const Label* labels, const char* const* values, int32_t count) {
    WindowResources& w = windowResources;
    canvas.painter.setFont(w.smallFont);
    canvas.align = TextAlign::RightTop;
    for (int32_t i = 0; i < count; ++i) {
        textOut(canvas, labelRight, labels[i].y, labels[i].text);
    }
    canvas.align = TextAlign::LeftTop;
    canvas.painter.setFont(w.smallBoldFont);
    for (int32_t i = 0; i < count; ++i) {
        if (values[i] != nullptr) {
            textOut(canvas, valueLeft, labels[i].y, values[i]);
        }
    }
}

const char* risingWord(int32_t rising) {
    switch (rising) {
        case 0:
            return "Steady";
        case 1:
            return "Rising";
        case 2:
            return "Falling";
        default:
            return "";
    }
}

void paintWind(Canvas& canvas, const WeatherReport& r) {
    char chill[1024];
    char direction[1024];
    char speed[1024];
    std::snprintf(chill, sizeof chill, "%d %s", r.windChill, r.tempUnit);
    std::snprintf(direction, sizeof direction, "%d deg.", r.windDirection);
    std::snprintf(speed, sizeof speed, "%d %s", r.windSpeed, r.speedUnit);
    constexpr Label labels[] = {{"Chill:", 0, 190}, {"Direction:", 0, 205}, {"Speed:", 0, 220}};
    const char* values[] = {chill, direction, speed};
    drawRows(canvas, labels, values, 3);
}

void paintAtmosphere(Canvas& canvas, const WeatherReport& r) {
    char humidity[1024];
    char visibility[1024];
    char pressure[1024];
    std::snprintf(humidity, sizeof humidity, "%d %%", r.humidity);
    std::snprintf(visibility, sizeof visibility, "%.2f %s",
                  static_cast<double>(r.visibility) * 0.01, r.distanceUnit);
    std::snprintf(pressure, sizeof pressure, "%.2f %s", static_cast<double>(r.pressure),
                  r.pressureUnit);
    constexpr Label labels[] = {
        {"Humidity:", 0, 185}, {"Visibility:", 0, 200}, {"Pressure:", 0, 215}, {"Rising:", 0, 230}};
    const char* values[] = {humidity, visibility, pressure, risingWord(r.rising)};
    drawRows(canvas, labels, values, 4);
}

void paintAstronomy(Canvas& canvas, const WeatherReport& r) {
    constexpr Label labels[] = {
        {"Sunrise:", 0, 185}, {"Sunset:", 0, 200}, {"Latitude:", 0, 215}, {"Longitude:", 0, 230}};
    const char* values[] = {r.sunrise, r.sunset, r.latitude, r.longitude};
    drawRows(canvas, labels, values, 4);
}

void paintCondition(Canvas& canvas, const WeatherReport& r) {
    char temperature[1024];
    std::snprintf(temperature, sizeof temperature, "%d %s", r.conditionTemp, r.tempUnit);
    constexpr Label labels[] = {
        {"Description:", 0, 185}, {"Temperature:", 0, 200}, {"Date:", 0, 215}};
    const char* values[] = {r.conditionText, temperature, nullptr};
    drawRows(canvas, labels, values, 3);
    drawTextWrapped(canvas, Rect{185, 215, 300, 245}, r.conditionDate, false);
}

void paintForecast(Canvas& canvas, const WeatherReport& r) {
    WindowResources& w = windowResources;
    canvas.painter.setFont(w.smallFont);
    canvas.align = TextAlign::RightTop;
    constexpr Label labels[] = {{"Day:", 160, 175},
                                {"Date:", 160, 190},
                                {"Low:", 160, 205},
                                {"High:", 160, 220},
                                {"Description:", 160, 235}};
    for (const Label& label : labels) {
        textOut(canvas, label.x, label.y, label.text);
    }
    canvas.painter.setFont(w.smallBoldFont);
    char scratch[1024];
    for (int32_t i = 0; i < r.forecastCount && i < forecastCapacity; ++i) {
        const ForecastDay& day = r.forecasts[i];
        int32_t x = 205 + 95 * i;
        canvas.align = TextAlign::CentreTop;
        textOut(canvas, x, 175, day.day);
        textOut(canvas, x, 190, day.date);
        std::snprintf(scratch, sizeof scratch, "%d %s", day.low, r.tempUnit);
        textOut(canvas, x, 205, scratch);
        std::snprintf(scratch, sizeof scratch, "%d %s", day.high, r.tempUnit);
        textOut(canvas, x, 220, scratch);
        canvas.align = TextAlign::LeftTop;
        drawTextWrapped(canvas, Rect{x - 40, 235, x + 50, 265}, day.text, true);
    }
    canvas.align = TextAlign::LeftTop;
}

// Icon, city and the rows of the selected tab; only called while an icon is present.
void paintInfoContent(Canvas& canvas) {
    WindowResources& w = windowResources;
    const ViewerState& s = viewerState;
    const QImage& icon = cachedPicture(w.iconPicture, s.conditionIcon, QSize(), canvas.ratio);
    drawPicture(canvas, 15, 190, icon);

    canvas.painter.setFont(w.smallFont);
    textOut(canvas, 55, 155, "City:");
    canvas.painter.setFont(w.smallBoldFont);
    drawTextWrapped(canvas, Rect{15, 167, 120, 197}, s.weather.city, true);

    switch (s.selectedInfoTab) {
        case Wind:
            paintWind(canvas, s.weather);
            break;
        case Atmosphere:
            paintAtmosphere(canvas, s.weather);
            break;
        case Astronomy:
            paintAstronomy(canvas, s.weather);
            break;
        case Condition:
            paintCondition(canvas, s.weather);
            break;
        case Forecast:
            paintForecast(canvas, s.weather);
            break;
        default:
            break;
    }
}

}  // namespace

void drawTabStrip(Canvas& canvas, Rect first, const char* const* captions, int32_t count,
                  int32_t hovered, int32_t selected) {
    canvas.align = TextAlign::CentreTop;
    canvas.painter.setFont(windowResources.smallBoldFont);
    for (int32_t i = 0; i < count; ++i) {
        Rect tab = tabRect(first, i);
        canvas.brush = (i == hovered || i == selected) ? lightTabColour : darkTabColour;
        rectangle(canvas, tab);
        textOut(canvas, (tab.left + tab.right) / 2, tab.top, captions[i]);
    }
    canvas.brush = Qt::white;
    canvas.align = TextAlign::LeftTop;
}

void fitBackBuffer(double ratio) {
    QImage& buffer = windowResources.backBuffer;
    if (!(ratio > 0.0)) {
        ratio = 1.0;
    }
    const QSize size(static_cast<int>(std::ceil(windowWidth * ratio - 1e-9)),
                     static_cast<int>(std::ceil(windowHeight * ratio - 1e-9)));
    if (!buffer.isNull() && buffer.size() == size && buffer.devicePixelRatio() == ratio) {
        return;
    }
    buffer = QImage(size, QImage::Format_RGB32);
    buffer.setDevicePixelRatio(ratio);
    windowResources.mapInBuffer = 0;
}

void paintWindow() {
    WindowResources& w = windowResources;
    if (w.backBuffer.isNull()) {
        return;
    }
    std::lock_guard guard(viewerState.stateLock);
    const ViewerState& s = viewerState;
    Canvas canvas(&w.backBuffer);

    // The face colour the controls are drawn with, so the form reads as one surface.
    QColor face = w.mainWindow != nullptr ? w.mainWindow->palette().color(QPalette::Button)
                                          : QApplication::palette().color(QPalette::Button);
    // The face everywhere but under the two panels, which paint every pixel of their own.
    const Rect faceAreas[] = {
        {0, 0, windowWidth, infoPanelRect.top},
        {0, infoPanelRect.top, infoPanelRect.left, mapPanelRect.bottom},
        {infoPanelRect.right, infoPanelRect.top, windowWidth, mapPanelRect.bottom},
        {infoPanelRect.left, infoPanelRect.bottom, infoPanelRect.right, mapPanelRect.top},
        {0, mapPanelRect.bottom, windowWidth, windowHeight},
    };
    for (const Rect& area : faceAreas) {
        fill(canvas, area, face);
    }

    line(canvas, 15, 27, 220, 27);
    line(canvas, 15, 29, 160, 29);
    line(canvas, 15, 31, 100, 31);

    canvas.textColour = titleColour;
    canvas.painter.setFont(w.titleFont);
    static const std::string heading = std::string("Nubivo Weather Viewer v") + shortVersion;
    textOut(canvas, 5, 5, heading.c_str());

    canvas.textColour = Qt::black;
    canvas.painter.setFont(w.controlFont);
    for (const Label& label : formLabels) {
        textOut(canvas, label.x, label.y, label.text);
    }

    rectangle(canvas, infoPanelRect);
    drawTabStrip(canvas, infoTabFirst, infoTabCaptions, infoTabCount, s.hoverInfoTab,
                 s.selectedInfoTab);
    if (s.conditionIcon != nullptr) {
        paintInfoContent(canvas);
    }

    paintMapPanel(canvas);
}

}  // namespace nubivo
