#include "ui/map_panel.h"

#include <atomic>

#include "state/geometry.h"
#include "state/viewer_state.h"
#include "ui/paint_window.h"
#include "ui/picture_cache.h"
#include "ui/window_resources.h"

namespace nubivo {

void paintMapPanel(Canvas& canvas) {
    WindowResources& w = windowResources;
    const ViewerState& s = viewerState;
    int32_t layer = s.selectedMapTab;
    bool valid = layer >= 0 && layer < mapLayerCount;
    // The flag before the slot: a set flag means the worker has put that layer's final
    // picture in place.
    bool ready = valid && s.layerReady[layer].load(std::memory_order_acquire) != 0;
    Image24 image = valid ? s.layerImage[layer] : nullptr;
    const QImage* picture = nullptr;
    if (ready && image != nullptr) {
        const QSize size(
            toDevice(canvas, mapImageRect.right) - toDevice(canvas, mapImageRect.left),
            toDevice(canvas, mapImageRect.bottom) - toDevice(canvas, mapImageRect.top));
        picture = &cachedPicture(w.mapPicture[layer], image, size, canvas.ratio);
        if (picture->isNull()) {
            picture = nullptr;  // nothing to show: the area stays white
        }
    }
    // A picture covers its area whole: the white goes only around it.
    rectangle(canvas, mapPanelRect, picture != nullptr ? &mapImageRect : nullptr);
    drawTabStrip(canvas, mapTabFirst, mapLayerCaptions, mapTabCount, s.hoverMapTab,
                 s.selectedMapTab);
    if (picture != nullptr) {
        if (w.mapInBuffer != picture->cacheKey()) {
            stretchPicture(canvas, mapImageRect, *picture);
            w.mapInBuffer = picture->cacheKey();
        }
        return;
    }
    w.mapInBuffer = 0;
    if (!valid || (ready && image != nullptr)) {
        return;
    }
    canvas.painter.setFont(w.smallBoldFont);
    canvas.align = TextAlign::LeftTop;
    textOut(canvas, 120, 400, image != nullptr ? "Image downloading..." : "Image not updated...");
}

}  // namespace nubivo
