#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace mailmoat {

// How a program run by RunProcess ended, with what it printed.
struct TProcessResult {
  enum class TEnd { Exited, Signalled, TimedOut, NotStarted };
  TEnd End = TEnd::NotStarted;
  int ExitStatus = 0;  // Exited: the exit status; Signalled: the signal
  int Error = 0;       // NotStarted: the errno value
  std::string Out;     // standard output, at most MaxCapture bytes
  std::string Err;     // standard error, at most MaxCapture bytes

  bool Succeeded() const { return End == TEnd::Exited && ExitStatus == 0; }
  static constexpr std::size_t MaxCapture = 1 << 20;
};

// Runs the program at `program` (a path; no search, no shell) with `args` as its arguments
// after the program name, standard input from /dev/null, and waits for it at most
// `timeoutMs`, killing it after that. `env` entries ("NAME=value") replace or add to this
// process's environment. Blocks; never throws for a failure of the program.
TProcessResult RunProcess(const std::string& program, const std::vector<std::string>& args, int timeoutMs,
                          const std::vector<std::string>& env = {});

// Why StartProcess failed: the errno value, and whether changing to the working directory
// (rather than starting the program) failed.
struct TStartError {
  int Error = 0;
  bool InWorkDir = false;
};

// Starts the program at `program` with `args` in `workDir` (empty: this process's directory)
// and does not wait for it; it is not this process's child, so nothing is left to reap.
// Returns an error with Error 0 once the program runs.
TStartError StartProcess(const std::string& program, const std::vector<std::string>& args, const std::string& workDir);

// Splits a parameter text into arguments: blanks separate them, and double quotes group
// blanks into one argument and are removed ("" gives an empty argument).
std::vector<std::string> SplitParameters(std::string_view text);

// The path of `name` found as the shell would in `searchPath` (a colon-separated list, an
// empty element meaning the current directory); a name with a "/" is taken as it is when
// executable. Empty when there is no executable file of that name.
std::string FindProgram(const std::string& name, std::string_view searchPath);

}  // namespace mailmoat
