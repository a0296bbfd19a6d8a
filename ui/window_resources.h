#pragma once

#include <QFont>
#include <QImage>
#include <QSize>
#include <cstdint>

#include "state/image24.h"
#include "state/viewer_state.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QWidget;

namespace nubivo {

// A decoded image as the painter draws it: converted once from the slot's image and kept
// until the slot holds a different picture. `source`, `width`, `height` and `fingerprint`
// identify the picture the conversion was made from; a new image may be decoded at the
// address of one just unloaded, so the address alone does not tell pictures apart.
struct CachedPicture {
    Image24 source = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    uint64_t fingerprint = 0;
    uint64_t generation = 0;  // viewerState.imageGeneration when last checked
    QSize deviceSize;         // the size in device pixels the picture was made for
    QImage picture;
};

// What the window owns from start-up to shutdown. Created and released on the window thread
// only; the toolkit-free ViewerState knows nothing of it.
struct WindowResources {
    QWidget* mainWindow = nullptr;  // owns the ten controls

    QLineEdit* locationEdit = nullptr;
    QPushButton* updateButton = nullptr;
    QRadioButton* celsiusRadio = nullptr;
    QRadioButton* fahrenheitRadio = nullptr;
    QComboBox* regionCombo = nullptr;
    QComboBox* countryCombo = nullptr;
    QComboBox* cityCombo = nullptr;
    QCheckBox* semitransparentCheck = nullptr;
    QPushButton* exitButton = nullptr;
    QPushButton* aboutButton = nullptr;

    QFont titleFont;      // 14 pt bold italic: the painted heading
    QFont controlFont;    // 10 pt: the controls and the form labels
    QFont smallFont;      // 8 pt: labels of the information panel
    QFont smallBoldFont;  // 8 pt bold: tab captions, panel values, map messages

    // The window's device pixels (360 x 570 times the device pixel ratio, which the image
    // carries): every paint draws the whole picture here in logical pixels, and the window
    // copies it in one draw.
    QImage backBuffer;

    // The cacheKey of the map picture the last paint left in the back buffer's image area; 0
    // when the area holds anything else, or the buffer was made anew since. Each paint writes
    // every pixel once and nothing else touches the image area, so while the key still
    // matches, those pixels are the picture's and need not be copied again.
    qint64 mapInBuffer = 0;

    // Both made from the decoded image's own pixels at the back buffer's device pixels.
    CachedPicture iconPicture;                // the condition icon at its own logical size
    CachedPicture mapPicture[mapLayerCount];  // each layer scaled into mapImageRect
};

extern WindowResources windowResources;

}  // namespace nubivo
