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
    rectangle(canvas, mapPanelRect);
    drawTabStrip(canvas, mapTabFirst, mapLayerCaptions, mapTabCount, s.hoverMapTab,
                 s.selectedMapTab);

    int32_t layer = s.selectedMapTab;
    if (layer < 0 || layer >= mapLayerCount) {
        return;
    }
    // The flag before the slot: a set flag means the worker has put that layer's final
    // picture in place.
    bool ready = s.layerReady[layer].load(std::memory_order_acquire) != 0;
    Image24 image = s.layerImage[layer];
    if (ready && image != nullptr) {
        QSize size(mapImageRect.right - mapImageRect.left, mapImageRect.bottom - mapImageRect.top);
        stretchPicture(canvas, mapImageRect,
                       cachedPicture(w.mapPicture[layer], image, size, canvas.ratio));
        return;
    }
    canvas.painter.setFont(w.smallBoldFont);
    canvas.align = TextAlign::LeftTop;
    textOut(canvas, 120, 400, image != nullptr ? "Image downloading..." : "Image not updated...");
}

}  // namespace nubivo
