#include "ui/first_input.h"

#include <QApplication>
#include <QEnterEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QShowEvent>
#include <QWheelEvent>
#include <functional>
#include <memory>

#include "platform/curl_library.h"
#include "tests/ui/window_fixture.h"
#include "worker/update_worker.h"

namespace nubivo::test {
namespace {

class FirstInputTest : public WindowTest {};

// Sends `event` to `receiver` through the application, as the window system's events go.
void deliver(QObject* receiver, QEvent* event) {
    QApplication::sendEvent(receiver, event);
}

TEST_F(FirstInputTest, OnlyTheFirstInputLoadsWhatAnUpdateNeeds) {
    QWidget* window = windowResources.mainWindow;
    QLineEdit* edit = windowResources.locationEdit;
    const QPointF at(20, 20);
    const QPointF global = window->mapToGlobal(at);
    struct Case {
        const char* name;
        std::function<void()> input;
    };
    const Case cases[] = {
        {"key in the location box",
         [&] {
             QKeyEvent key(QEvent::KeyPress, Qt::Key_O, Qt::NoModifier, QStringLiteral("O"));
             deliver(edit, &key);
         }},
        {"pointer move",
         [&] {
             QMouseEvent move(QEvent::MouseMove, at, global, Qt::NoButton, Qt::NoButton,
                              Qt::NoModifier);
             deliver(window, &move);
         }},
        {"right press",
         [&] {
             QMouseEvent press(QEvent::MouseButtonPress, at, global, Qt::RightButton,
                               Qt::RightButton, Qt::NoModifier);
             deliver(window, &press);
         }},
        {"wheel",
         [&] {
             QWheelEvent wheel(at, global, QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
                               Qt::NoScrollPhase, false);
             deliver(window, &wheel);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        reopenCurlLibraryForTesting(nullptr);  // as before any load
        watchForFirstInput();
        ASSERT_TRUE(watchingForFirstInput());

        // The window shown, or the pointer resting on it, is not yet use.
        QEnterEvent enter(at, at, global);
        deliver(window, &enter);
        QShowEvent shown;
        deliver(window, &shown);
        waitForUpdates();
        EXPECT_TRUE(watchingForFirstInput());
        EXPECT_EQ(loadedCurlLibrary(), nullptr);

        c.input();
        EXPECT_FALSE(watchingForFirstInput());
        waitForUpdates();
        EXPECT_NE(loadedCurlLibrary(), nullptr);
    }
}

TEST_F(FirstInputTest, StartUpWatchesAndShutdownEndsTheWatch) {
    EXPECT_TRUE(watchingForFirstInput());
    shutDownViewer();
    EXPECT_FALSE(watchingForFirstInput());
    startViewer();  // for the fixture's own shutdown
    EXPECT_TRUE(watchingForFirstInput());
}

}  // namespace
}  // namespace nubivo::test
