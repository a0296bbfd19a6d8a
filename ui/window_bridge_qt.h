#pragma once

namespace nubivo {

// The worker's bridge to the window: repaint requests are queued to the window thread, and
// the location text and the unit are kept in a locked copy that the window refreshes
// whenever either changes, so the worker never waits for the window thread.

// Connects the bridge to the controls in windowResources; after the controls exist.
void openWindowBridge();

// Stops queueing repaints; before the window and the application go away. A worker that
// still runs after this asks for nothing more.
void closeWindowBridge();

// Copies the location box and the "C" button into the worker's copy. Called by the
// controls' change signals; tests may call it directly.
void refreshFormCopy();

}  // namespace nubivo
