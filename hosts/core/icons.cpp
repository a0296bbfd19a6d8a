#include "hosts/core/icons.h"

#include <cmath>
#include <numbers>
#include <vector>

#include "hosts/core/drawing.h"

namespace nubivo::host {
namespace {

constexpr Colour white{255, 255, 255};
constexpr Colour sunCore{255, 196, 0};
constexpr Colour sunRay{255, 160, 0};
constexpr Colour lightCloud{236, 240, 246};
constexpr Colour greyCloud{182, 190, 202};
constexpr Colour darkCloud{104, 112, 128};
constexpr Colour cloudEdge{84, 92, 108};
constexpr Colour rainBlue{40, 110, 220};
constexpr Colour snowBlue{110, 170, 235};
constexpr Colour boltYellow{255, 214, 0};
constexpr Colour fogGrey{150, 158, 170};
constexpr Colour moonYellow{240, 214, 110};
constexpr Colour windGrey{90, 120, 150};

// Shapes in icon units (0 to iconSize), anti-aliased by cairo.
class Pen {
  public:
    explicit Pen(Canvas& canvas) : drawing_(canvas) {}

    void circle(double cx, double cy, double r, Colour c) {
        cairo_arc(drawing_.cairo(), cx, cy, r, 0, 2 * std::numbers::pi);
        fill(c);
    }
    void rect(double l, double t, double r, double b, Colour c) {
        cairo_rectangle(drawing_.cairo(), l, t, r - l, b - t);
        fill(c);
    }
    void line(double x0, double y0, double x1, double y1, double thickness, Colour c) {
        cairo_move_to(drawing_.cairo(), x0, y0);
        cairo_line_to(drawing_.cairo(), x1, y1);
        drawing_.setColour(c);
        drawing_.setLine(thickness);
        cairo_stroke(drawing_.cairo());
    }
    void polygon(const std::vector<Point>& points, Colour c) {
        for (const Point& p : points)
            cairo_line_to(drawing_.cairo(), p.x, p.y);
        cairo_close_path(drawing_.cairo());
        fill(c);
    }

  private:
    void fill(Colour c) {
        drawing_.setColour(c);
        cairo_fill(drawing_.cairo());
    }

    Drawing drawing_;
};

void sun(Pen& pen, double cx, double cy, double r) {
    for (int32_t i = 0; i < 8; ++i) {
        const double angle = i * std::numbers::pi / 4.0;
        pen.line(cx + std::cos(angle) * r * 1.35, cy + std::sin(angle) * r * 1.35,
                 cx + std::cos(angle) * r * 1.8, cy + std::sin(angle) * r * 1.8, 2.4, sunRay);
    }
    pen.circle(cx, cy, r, sunRay);
    pen.circle(cx, cy, r - 1.5, sunCore);
}

void moon(Pen& pen, double cx, double cy, double r) {
    pen.circle(cx, cy, r, moonYellow);
    pen.circle(cx + r * 0.55, cy - r * 0.35, r * 0.85, white);
}

// A cloud of width w whose flat base runs along y = base.
void cloud(Pen& pen, double cx, double base, double w, Colour fill) {
    for (int32_t pass = 0; pass < 2; ++pass) {
        const double grow = pass == 0 ? 1.2 : 0.0;  // the first pass draws the outline
        const Colour c = pass == 0 ? cloudEdge : fill;
        pen.circle(cx - w * 0.28, base - w * 0.16, w * 0.16 + grow, c);
        pen.circle(cx - w * 0.02, base - w * 0.28, w * 0.24 + grow, c);
        pen.circle(cx + w * 0.27, base - w * 0.17, w * 0.18 + grow, c);
        pen.rect(cx - w * 0.28 - grow, base - w * 0.16, cx + w * 0.27 + grow, base + grow, c);
    }
}

void drops(Pen& pen, int32_t count, double top) {
    for (int32_t i = 0; i < count; ++i) {
        const double x = 14.0 + i * (26.0 / std::max(count - 1, 1));
        const double y = top + (i % 2) * 4.0;
        pen.line(x + 2.0, y, x - 1.5, y + 7.0, 2.4, rainBlue);
    }
}

void flake(Pen& pen, double cx, double cy, double r, Colour c) {
    for (int32_t i = 0; i < 3; ++i) {
        const double angle = i * std::numbers::pi / 3.0 + std::numbers::pi / 2.0;
        pen.line(cx - std::cos(angle) * r, cy - std::sin(angle) * r, cx + std::cos(angle) * r,
                 cy + std::sin(angle) * r, 1.6, c);
    }
}

void bolt(Pen& pen) {
    pen.polygon({{27, 30}, {20, 41}, {25, 41}, {21, 51}, {32, 38}, {27, 38}, {31, 30}}, boltYellow);
}

void wind(Pen& pen) {
    // Three strokes, each ending in a curl that turns up and back.
    const double ys[] = {16.0, 26.0, 36.0};
    const double lengths[] = {28.0, 34.0, 22.0};
    const double r = 4.0;
    for (int32_t i = 0; i < 3; ++i) {
        const double y = ys[i];
        const double end = 6.0 + lengths[i];
        pen.line(6.0, y, end, y, 2.6, windGrey);
        double px = end;
        double py = y;
        for (int32_t k = 1; k <= 10; ++k) {
            const double t = k * std::numbers::pi * 1.25 / 10.0;
            const double nx = end + r * std::sin(t);
            const double ny = y - r + r * std::cos(t);
            pen.line(px, py, nx, ny, 2.6, windGrey);
            px = nx;
            py = ny;
        }
    }
}

void drawShapes(Pen& pen, IconKind kind) {
    switch (kind) {
        case IconKind::Sunny:
            sun(pen, 26, 26, 11);
            break;
        case IconKind::ClearNight:
            moon(pen, 26, 26, 14);
            break;
        case IconKind::PartlyCloudy:
            sun(pen, 19, 19, 8);
            cloud(pen, 30, 42, 30, lightCloud);
            break;
        case IconKind::Cloudy:
            cloud(pen, 32, 32, 28, greyCloud);
            cloud(pen, 24, 42, 34, lightCloud);
            break;
        case IconKind::LightRain:
            cloud(pen, 26, 30, 38, greyCloud);
            drops(pen, 3, 35);
            break;
        case IconKind::Rain:
            cloud(pen, 26, 30, 40, darkCloud);
            drops(pen, 5, 35);
            break;
        case IconKind::Thunderstorms:
            cloud(pen, 26, 28, 40, darkCloud);
            drops(pen, 2, 34);
            bolt(pen);
            break;
        case IconKind::Snow:
            cloud(pen, 26, 30, 38, greyCloud);
            flake(pen, 16, 40, 4, snowBlue);
            flake(pen, 27, 44, 4, snowBlue);
            flake(pen, 38, 40, 4, snowBlue);
            break;
        case IconKind::Sleet:
            cloud(pen, 26, 30, 38, greyCloud);
            drops(pen, 2, 35);
            flake(pen, 26, 42, 4, snowBlue);
            break;
        case IconKind::Fog:
            for (int32_t i = 0; i < 5; ++i) {
                const double y = 12.0 + i * 7.0;
                pen.line(8.0 + (i % 2) * 4.0, y, 44.0 - ((i + 1) % 2) * 4.0, y, 3.0, fogGrey);
            }
            break;
        case IconKind::Windy:
            wind(pen);
            break;
        case IconKind::PartlyCloudyNight:
            moon(pen, 19, 19, 10);
            cloud(pen, 30, 42, 30, lightCloud);
            break;
        case IconKind::Unknown:
            cloud(pen, 26, 36, 40, lightCloud);
            break;
    }
}

}  // namespace

Canvas drawIcon(IconKind kind) {
    Canvas icon(iconSize, iconSize, white);
    {
        Pen pen(icon);
        drawShapes(pen, kind);
    }
    return icon;
}

std::vector<uint8_t> iconPng(IconKind kind) {
    return drawIcon(kind).encodePng();
}

const char* iconName(IconKind kind) {
    switch (kind) {
        case IconKind::Sunny:
            return "sunny";
        case IconKind::ClearNight:
            return "clear-night";
        case IconKind::PartlyCloudy:
            return "partly-cloudy";
        case IconKind::Cloudy:
            return "cloudy";
        case IconKind::LightRain:
            return "light-rain";
        case IconKind::Rain:
            return "rain";
        case IconKind::Thunderstorms:
            return "thunderstorms";
        case IconKind::Snow:
            return "snow";
        case IconKind::Sleet:
            return "sleet";
        case IconKind::Fog:
            return "fog";
        case IconKind::Windy:
            return "windy";
        case IconKind::PartlyCloudyNight:
            return "partly-cloudy-night";
        case IconKind::Unknown:
            break;
    }
    return "unknown";
}

}  // namespace nubivo::host
