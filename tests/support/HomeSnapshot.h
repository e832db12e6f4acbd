#pragma once

#include "support/TempDir.h"

#include <chrono>
#include <filesystem>
#include <map>
#include <string>

namespace mailmoat::test {

// Every file under a program's home with its bytes and modification time, by relative path.
// Taking it first moves each time an hour back, so that a rewrite within the same second shows.
struct THomeSnapshot {
  std::map<std::string, std::pair<std::string, std::filesystem::file_time_type>> Files;

  static THomeSnapshot Take(const std::filesystem::path& home, bool moveTimesBack = true) {
    namespace fs = std::filesystem;
    THomeSnapshot shot;
    for (const auto& entry : fs::recursive_directory_iterator(home)) {
      if (!entry.is_regular_file()) continue;
      if (moveTimesBack) fs::last_write_time(entry.path(), fs::file_time_type::clock::now() - std::chrono::hours(1));
      shot.Files[fs::relative(entry.path(), home).string()] = {ReadTextFile(entry.path()),
                                                               fs::last_write_time(entry.path())};
    }
    return shot;
  }
  // The home as it is now, to compare with a snapshot taken before.
  static THomeSnapshot Now(const std::filesystem::path& home) { return Take(home, false); }
  // The names of the files added, removed or changed since this snapshot, one a line.
  std::string ChangedIn(const THomeSnapshot& later) const {
    std::string changed;
    for (const auto& [name, file] : Files) {
      const auto now = later.Files.find(name);
      if (now == later.Files.end())
        changed += "removed " + name + "\n";
      else if (now->second != file)
        changed += "changed " + name + "\n";
    }
    for (const auto& [name, file] : later.Files)
      if (Files.count(name) == 0) changed += "added " + name + "\n";
    return changed;
  }
};

}  // namespace mailmoat::test
