#include "ui/window_bridge_qt.h"

#include <QCoreApplication>
#include <QLineEdit>
#include <QRadioButton>
#include <QWidget>
#include <mutex>

#include "feed/feed_request.h"
#include "state/viewer_state.h"
#include "state/window_bridge.h"
#include "ui/window_resources.h"

namespace nubivo {
namespace {

// Guards the form copy and whether repaints may still be queued.
std::mutex bridgeMutex;
bool bridgeOpen = false;
char formLocation[maxLocationBytes + 1] = "";
bool formCelsius = true;

// Worker thread: posts the repaint to the window thread; nothing here touches a widget.
void queueRepaint(const Rect& rect) {
    std::lock_guard<std::mutex> guard(bridgeMutex);
    if (!bridgeOpen) {
        return;
    }
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [rect] {
            if (QWidget* window = windowResources.mainWindow) {
                window->update(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
            }
        },
        Qt::QueuedConnection);
}

void copyForm(char* location, size_t size, bool* celsius) {
    std::lock_guard<std::mutex> guard(bridgeMutex);
    copyText(location, size, formLocation);
    *celsius = formCelsius;
}

}  // namespace

void refreshFormCopy() {
    const WindowResources& w = windowResources;
    QByteArray text = w.locationEdit != nullptr ? w.locationEdit->text().toUtf8() : QByteArray();
    bool celsius = w.celsiusRadio == nullptr || w.celsiusRadio->isChecked();
    std::lock_guard<std::mutex> guard(bridgeMutex);
    copyText(formLocation, text.constData());
    formCelsius = celsius;
}

void openWindowBridge() {
    const WindowResources& w = windowResources;
    if (w.locationEdit != nullptr) {
        QObject::connect(w.locationEdit, &QLineEdit::textChanged, [] { refreshFormCopy(); });
    }
    if (w.celsiusRadio != nullptr) {
        QObject::connect(w.celsiusRadio, &QRadioButton::toggled, [] { refreshFormCopy(); });
    }
    refreshFormCopy();
    std::lock_guard<std::mutex> guard(bridgeMutex);
    bridgeOpen = true;
    windowBridge.requestRepaint = queueRepaint;
    windowBridge.readForm = copyForm;
}

void closeWindowBridge() {
    std::lock_guard<std::mutex> guard(bridgeMutex);
    bridgeOpen = false;
}

}  // namespace nubivo
