#include "ui/first_input.h"

#include <QCoreApplication>
#include <QEvent>
#include <QObject>

#include "worker/update_worker.h"

namespace nubivo {
namespace {

class FirstInputWatch : public QObject {
  public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override;
};

FirstInputWatch* activeWatch = nullptr;

bool FirstInputWatch::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        // The pointer entering, or a window shown under it, is no input: a window that merely
        // appears is not yet being used.
        case QEvent::KeyPress:
        case QEvent::MouseMove:
        case QEvent::MouseButtonPress:
        case QEvent::Wheel:
        case QEvent::TouchBegin:
            endFirstInputWatch();
            prepareUpdates();
            break;
        default:
            break;
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace

void watchForFirstInput() {
    if (activeWatch == nullptr) {
        // Owned by the application, so it goes with it whatever happens first.
        QCoreApplication* application = QCoreApplication::instance();
        activeWatch = new FirstInputWatch(application);
        application->installEventFilter(activeWatch);
    }
}

void endFirstInputWatch() {
    if (activeWatch != nullptr) {
        QCoreApplication::instance()->removeEventFilter(activeWatch);
        // Later, as this may run inside the watch's own filter.
        activeWatch->deleteLater();
        activeWatch = nullptr;
    }
}

bool watchingForFirstInput() {
    return activeWatch != nullptr;
}

}  // namespace nubivo
