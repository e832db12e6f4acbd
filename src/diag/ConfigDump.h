#pragma once

#include "platform/FileSystem.h"
#include "platform/SystemInfo.h"

#include <ctime>
#include <functional>
#include <string>
#include <vector>

namespace mailmoat {

class TConfigData;

// How much about the computer the dump tells.
enum class TDumpLevel { None, Basic, Detailed };

// The main window's present size and position; a run without a window passes the stored ones.
struct TDumpWindow {
  int Width = 0;
  int Height = 0;
  int Top = 0;
  int Left = 0;
};

// Called as each section starts (its name) and at each step of the progress bar (0 to 100 in
// steps of 10; the end is 100).
struct TDumpProgress {
  std::function<void(const std::string& section)> Section;
  std::function<void(int position)> Position;
};

// The support address named in the dump and in the question after it.
extern const char* const SupportAddress;

// The report's lines, without line ends. Reads the configuration only.
std::vector<std::string> ConfigDumpLines(const TConfigData& config, TDumpLevel level, const TDumpWindow& window,
                                         const TSystemFacts& facts, std::time_t now,
                                         const TDumpProgress& progress = {});

// Writes the report to `file`, lines ended by CR LF. Throws EInOutError when the file cannot
// be written (an old file of that name is then left as it was).
void WriteConfigDump(const TConfigData& config, const TPath& file, TDumpLevel level, const TDumpWindow& window,
                     const TDumpProgress& progress = {});

// The question shown when the dump is written: information, Yes and No; Yes opens the file.
std::string ConfigDumpCompletedText();

}  // namespace mailmoat
