#pragma once

#include <Qt>
#include <cstdint>

namespace nubivo {

// The form's commands, the mouse over the window's own face, and the window's end. All run
// on the window thread; the controls are connected to them at start-up.

void onUpdateClicked();
void onRegionChosen();
void onCountryChosen();
void onCityChosen();
void onSemitransparentToggled();
void onAboutClicked();

// Ends the event loop; shutdown follows.
void onExitClicked();

// The window was closed through the window system: ends the event loop as Exit does.
void onWindowClosed();

// A move of the pointer over the window's face (client pixels) with the buttons and keys
// held.
void onMouseMove(int32_t x, int32_t y, Qt::MouseButtons buttons, Qt::KeyboardModifiers keys);

// A press of `button` over the window's face.
void onMousePress(int32_t x, int32_t y, Qt::MouseButton button);

}  // namespace nubivo
