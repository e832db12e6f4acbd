#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace mailmoat {

// The program's options, separated from its arguments ("quick", "eat").
struct TProgramOptions {
  std::optional<std::string> Home;
  std::vector<std::string> Args;
  bool ShowHelp = false;
  bool ShowVersion = false;
  bool Headless = false;  // --headless: never open a window
  std::string Error;      // a bad option; the program prints the usage and exits 2
};

TProgramOptions ParseProgramOptions(const std::vector<std::string>& argv);

// Where a run goes: the windows, the headless program, or nowhere (no display and nothing
// that runs without one).
enum class TRunMode { Window, Headless, NoDisplay };

// The window needs a display (DISPLAY or WAYLAND_DISPLAY, read through `getEnv`) and a build
// with the windows; "dump" and --headless never open one; "quick" opens one when it can and
// otherwise runs headless.
TRunMode ChooseRunMode(const TProgramOptions& options, bool windowsBuilt,
                       const std::function<const char*(const char*)>& getEnv);
std::string UsageText();

// Builds the long-lived objects in order, runs, and returns the exit code.
int RunApplication(const std::vector<std::string>& argv);

}  // namespace mailmoat
