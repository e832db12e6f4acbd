#pragma once

#include "app/Application.h"
#include "platform/Paths.h"

namespace mailmoat {

// The program with its windows: builds the long-lived objects in their order with the Qt
// hosts, shows the main window (for "quick" it goes to the tray and checks at the first tick)
// and runs until the main window closes. Returns the exit code.
int RunWindowed(const TProgramOptions& options, const TAppPaths& paths);

// The application's names, icon and behaviour, set once the QApplication exists. Closing
// the last visible window (a popup while the main window hides in the tray) never ends the
// program; only closing the main window does.
void SetUpApplication();

}  // namespace mailmoat
