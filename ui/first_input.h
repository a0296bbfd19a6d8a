#pragma once

namespace nubivo {

// From start-up until the first key press, pointer move, button press or wheel turn anywhere
// in the program: that first input starts loading what an update needs on the worker
// (prepareUpdates), so a window left alone keeps its start-up footprint and an Update pressed
// later finds everything loaded. Then it watches no more. Window thread, after the
// application object exists; a call while the watch is on does nothing.
void watchForFirstInput();

// Ends the watch without loading anything (shutdown).
void endFirstInputWatch();

// True while the watch is on.
bool watchingForFirstInput();

}  // namespace nubivo
