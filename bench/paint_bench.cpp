// The window's full repaint into the back buffer on Qt's offscreen platform, with the feed's
// values, the condition icon and a 440 x 330 map picture in place: once per information tab
// with the converted pictures kept, and once with every picture converted and scaled anew at
// each paint; each at device pixel ratio 1 and 2. Then the pointer moved over the panels
// 10 000 times, with the resident memory before and after.
#include <FreeImage.h>
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QMouseEvent>
#include <QStaticText>
#include <QWidget>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/bench_feeds.h"
#include "feed/scan_feed.h"
#include "images/condition_icon.h"
#include "images/image_download.h"
#include "state/geometry.h"
#include "state/viewer_state.h"
#include "hosts/core/icons.h"
#include "hosts/sample/sample_maps.h"
#include "hosts/sample/sample_weather.h"
#include "ui/canvas.h"
#include "ui/paint_window.h"
#include "ui/picture_cache.h"
#include "ui/start_up.h"
#include "ui/window_resources.h"

namespace {

// 2026-12-07 11:00 UTC, in hours since 1970.
constexpr int64_t mapHour = 499067;

// One field of /proc/self/status in KiB ("VmRSS", "VmHWM"); 0 when absent.
long statusKiB(const char* field) {
    std::FILE* file = std::fopen("/proc/self/status", "r");
    if (file == nullptr) {
        return 0;
    }
    char line[256];
    long value = 0;
    const size_t length = std::strlen(field);
    while (std::fgets(line, sizeof line, file) != nullptr) {
        if (std::strncmp(line, field, length) == 0 && line[length] == ':') {
            value = std::strtol(line + length + 1, nullptr, 10);
            break;
        }
    }
    std::fclose(file);
    return value;
}

// The record as after an update: the feed's values, an icon and the four maps, all ready.
void fillViewerState() {
    using namespace nubivo;
    resetViewerState();
    const std::string feed = bench::benchFeed(4096);
    setIconDownloadEnabled(false);
    scanFeed(feed.data(), static_cast<int32_t>(feed.size()));
    setIconDownloadEnabled(true);

    // The pictures as the sample host serves them, drawn once.
    static const std::vector<uint8_t> icon = host::iconPng(host::IconKind::PartlyCloudy);
    static const std::vector<uint8_t> maps[mapLayerCount] = {
        sample::mapPicture(Europe, Satellite, mapHour),
        sample::mapPicture(Europe, ForecastHigh, mapHour),
        sample::mapPicture(Europe, ForecastLow, mapHour),
        sample::mapPicture(Europe, Precipitation, mapHour)};
    replaceImage(viewerState.conditionIcon, icon.data(), static_cast<uint32_t>(icon.size()));
    for (int32_t layer = 0; layer < mapLayerCount; ++layer) {
        const std::vector<uint8_t>& map = maps[layer];
        replaceImage(viewerState.layerImage[layer], map.data(), static_cast<uint32_t>(map.size()));
        viewerState.layerReady[layer].store(1, std::memory_order_release);
    }
}

bool stateIsFilled() {
    const nubivo::Image24 map = nubivo::viewerState.layerImage[nubivo::Satellite];
    return map != nullptr && FreeImage_GetWidth(map) == 440 && FreeImage_GetHeight(map) == 330 &&
           nubivo::viewerState.conditionIcon != nullptr;
}

// range(0): the information tab. range(1): 1 to forget the converted pictures before each
// paint, so that every paint converts and scales the map (and the icon) again. range(2): the
// device pixel ratio of the back buffer, as on a screen of that scale (720 x 1140 at 2).
void paintWindow(benchmark::State& state) {
    fillViewerState();
    if (!stateIsFilled()) {
        state.SkipWithError("no 440 x 330 map picture");
        return;
    }
    nubivo::viewerState.selectedInfoTab = static_cast<int32_t>(state.range(0));
    const bool scaleEveryTime = state.range(1) != 0;
    nubivo::fitBackBuffer(static_cast<double>(state.range(2)));
    nubivo::clearPictureCaches();
    nubivo::paintWindow();
    for (auto _ : state) {
        if (scaleEveryTime) {
            nubivo::clearPictureCaches();
        }
        nubivo::paintWindow();
        benchmark::DoNotOptimize(nubivo::windowResources.backBuffer.constBits());
    }
    nubivo::fitBackBuffer(1.0);
    state.SetLabel(nubivo::infoTabCaptions[state.range(0)]);
}

// The parts of a paint's map handling, each on its own.
void mapFingerprint(benchmark::State& state) {
    fillViewerState();
    const nubivo::Image24 map = nubivo::viewerState.layerImage[nubivo::Satellite];
    for (auto _ : state) {
        benchmark::DoNotOptimize(nubivo::imageFingerprint(map));
    }
}

void mapConvertAndScale(benchmark::State& state) {
    fillViewerState();
    const nubivo::Image24 map = nubivo::viewerState.layerImage[nubivo::Satellite];
    const nubivo::Rect r = nubivo::mapImageRect;
    const QSize size(r.right - r.left, r.bottom - r.top);
    for (auto _ : state) {
        QImage picture = nubivo::pictureFromImage24(map);
        picture = picture.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        benchmark::DoNotOptimize(picture.constBits());
    }
}

// One line of text right-aligned as the panels draw their labels, through textOut (laid out
// and shaped at every call) and, for comparison, as a QStaticText laid out once.
void textLine(benchmark::State& state) {
    nubivo::Canvas canvas(&nubivo::windowResources.backBuffer);
    canvas.painter.setFont(nubivo::windowResources.smallFont);
    canvas.align = nubivo::TextAlign::RightTop;
    const char* text = "Visibility:";
    if (state.range(0) == 0) {
        for (auto _ : state) {
            nubivo::textOut(canvas, 180, 200, text);
        }
    } else {
        QStaticText laidOut(QString::fromLatin1(text));
        laidOut.prepare(QTransform(), nubivo::windowResources.smallFont);
        const int width = static_cast<int>(laidOut.size().width());
        for (auto _ : state) {
            canvas.painter.drawStaticText(180 - width, 200, laidOut);
        }
    }
    state.SetLabel(state.range(0) == 0 ? "textOut" : "QStaticText");
}

// Counts the paint events a widget receives.
class PaintCounter : public QObject {
  public:
    long paints = 0;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            ++paints;
        }
        return QObject::eventFilter(watched, event);
    }
};

// 10 000 moves of the pointer over the two panels and their tab strips, each delivered to the
// window and followed by whatever repaint it asked for. Counters: resident memory in KiB
// before the moves, after them, and after 10 000 more; the paints the window made.
void mouseMoves(benchmark::State& state) {
    fillViewerState();
    QWidget* window = nubivo::windowResources.mainWindow;
    PaintCounter counter;
    window->installEventFilter(&counter);
    QApplication::processEvents();
    constexpr int movesPerRound = 10000;
    auto moveRound = [window] {
        for (int i = 0; i < movesPerRound; ++i) {
            // Back and forth across both tab strips and over the panels below them.
            const int x = 12 + (i * 7) % 336;
            const int y = (i % 4 == 0) ? 158 : (i % 4 == 1) ? 278 : (i % 4 == 2) ? 200 : 400;
            QMouseEvent move(QEvent::MouseMove, QPointF(x, y), window->mapToGlobal(QPointF(x, y)),
                             Qt::NoButton, Qt::NoButton, Qt::NoModifier);
            QApplication::sendEvent(window, &move);
            QApplication::processEvents();
        }
    };
    moveRound();  // the first round settles caches and fonts
    long before = 0;
    long after = 0;
    long again = 0;
    for (auto _ : state) {
        before = statusKiB("VmRSS");
        moveRound();
        after = statusKiB("VmRSS");
        moveRound();
        again = statusKiB("VmRSS");
    }
    state.counters["rssBeforeKiB"] = static_cast<double>(before);
    state.counters["rssAfterKiB"] = static_cast<double>(after);
    state.counters["rssAfter2xKiB"] = static_cast<double>(again);
    state.counters["paints"] = static_cast<double>(counter.paints);
    window->removeEventFilter(&counter);
    state.counters["peakKiB"] = static_cast<double>(statusKiB("VmHWM"));
}

}  // namespace

BENCHMARK(paintWindow)
    ->Name("paintWindow")
    ->ArgNames({"tab", "scaleEveryPaint", "ratio"})
    ->ArgsProduct({{0, 1, 2, 3, 4}, {0, 1}, {1, 2}})
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime()  // Qt scales pictures on a pool of threads
    ->Repetitions(7)
    ->ReportAggregatesOnly(true)
    ->MinTime(0.1);
BENCHMARK(mapFingerprint)->Unit(benchmark::kMicrosecond);
BENCHMARK(mapConvertAndScale)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(textLine)->ArgName("staticText")->Arg(0)->Arg(1);
BENCHMARK(mouseMoves)->Iterations(1)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    benchmark::Initialize(&argc, argv);
    nubivo::prepareApplication();
    QApplication application(argc, argv);
    nubivo::initImageDecoding();
    nubivo::startViewer();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    nubivo::shutDownViewer();
    return 0;
}
