#pragma once

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
  std::string Error;  // a bad option; the program prints the usage and exits 2
};

TProgramOptions ParseProgramOptions(const std::vector<std::string>& argv);
std::string UsageText();

// Builds the long-lived objects in order, runs, and returns the exit code.
int RunApplication(const std::vector<std::string>& argv);

}  // namespace mailmoat
