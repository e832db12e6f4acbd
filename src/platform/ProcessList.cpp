#include "platform/ProcessList.h"

#include "platform/Errors.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <dirent.h>
#include <unistd.h>

namespace mailmoat {

namespace {

bool IsProcessId(const char* name, int& pid) {
  if (!*name) return false;
  long value = 0;
  for (const char* p = name; *p; ++p) {
    if (*p < '0' || *p > '9') return false;
    value = value * 10 + (*p - '0');
    if (value > 0x7fffffff) return false;
  }
  pid = static_cast<int>(value);
  return true;
}

}  // namespace

std::vector<TProcessEntry> GetProcessList(const std::filesystem::path& procDir) {
  DIR* dir = ::opendir(procDir.c_str());
  if (!dir) {
    const int err = errno;
    throw EOSError(err, "Cannot read the process list " + procDir.string() + ": " + ErrnoText(err));
  }
  std::vector<TProcessEntry> list;
  while (const dirent* entry = ::readdir(dir)) {
    int pid = 0;
    if (!IsProcessId(entry->d_name, pid)) continue;
    const std::string link = (procDir / entry->d_name / "exe").string();
    char target[4096];
    const ssize_t n = ::readlink(link.c_str(), target, sizeof target - 1);
    if (n <= 0) continue;  // kernel threads, other users' processes, processes just ended
    list.push_back({std::string(target, static_cast<size_t>(n)), pid});
  }
  ::closedir(dir);
  std::sort(list.begin(), list.end(),
            [](const TProcessEntry& a, const TProcessEntry& b) { return a.ProcessId < b.ProcessId; });
  return list;
}

std::string PlatformText() {
  return {};
}

}  // namespace mailmoat
