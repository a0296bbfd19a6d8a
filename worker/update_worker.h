#pragma once

namespace nubivo {

// One whole update, on the calling thread: the four ready flags cleared, the feed with its
// icon, then the four map layers in order, with repaint requests through windowBridge.
void updateWorker();

// For the Update button: starts an update on the worker thread. A press while one runs
// schedules exactly one more, started when the running one ends; further presses fold in.
void startUpdate();

// Loads, on the worker thread, the libraries an update needs (libcurl and FreeImage), so
// that the first update does not wait for them; an Update pressed meanwhile runs as soon as
// they are in. Nothing while the worker runs; once they are loaded, a call costs a thread
// start and no more. For the first sign of a user at the window.
void prepareUpdates();

// Blocks until no update runs or is scheduled (tests, benchmarks).
void waitForUpdates();

// For shutdown: cancels every transfer and waits for the worker at most 2 s. True when the
// worker has ended, so the images may be released; false when it still runs.
bool stopUpdates();

}  // namespace nubivo
