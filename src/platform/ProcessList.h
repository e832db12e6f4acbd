#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace mailmoat {

struct TProcessEntry {
  std::string FileName;  // full path of the process's executable
  int ProcessId = 0;
};

// One entry per running process whose executable can be read, in process-id order.
// Processes of other users that may not be examined are skipped. Throws EOSError when the
// process table itself cannot be read. `procDir` is "/proc" except in tests.
std::vector<TProcessEntry> GetProcessList(const std::filesystem::path& procDir = "/proc");

// The operating-system family text shown in reports; Linux has none.
std::string PlatformText();

}  // namespace mailmoat
