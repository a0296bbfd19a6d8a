#pragma once

namespace nubivo {

// Creates the ten controls on windowResources.mainWindow in their order, each with
// controlFont, and connects them to the commands.
void createControls();

}  // namespace nubivo
