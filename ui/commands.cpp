#include "ui/commands.h"

#include <QCoreApplication>

namespace nubivo {

void onUpdateClicked() {}

void onRegionChosen() {}

void onCountryChosen() {}

void onCityChosen() {}

void onSemitransparentToggled() {}

void onAboutClicked() {}

void onExitClicked() {
    QCoreApplication::quit();
}

void onWindowClosed() {
    QCoreApplication::quit();
}

void onMouseMove(int32_t /*x*/, int32_t /*y*/, Qt::MouseButtons /*buttons*/,
                 Qt::KeyboardModifiers /*keys*/) {}

void onMousePress(int32_t /*x*/, int32_t /*y*/, Qt::MouseButton /*button*/) {}

}  // namespace nubivo
