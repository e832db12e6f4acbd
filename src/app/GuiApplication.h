#pragma once

#include "app/Application.h"
#include "platform/Paths.h"

namespace mailmoat {

// The program with its windows: builds the long-lived objects in their order with the Qt
// hosts, shows the main window (or, for "quick", starts hidden and checks at once) and runs
// until the main window closes. Returns the exit code.
int RunWindowed(const TProgramOptions& options, const TAppPaths& paths);

}  // namespace mailmoat
