#pragma once

#include "platform/Errors.h"
#include "support/ConfigFixture.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace mailmoat::test {

// A file's bytes and modification time. Taking the snapshot first moves the time an hour
// back, so a rewrite within the same second still shows.
struct TFileSnapshot {
  std::string Bytes;
  std::filesystem::file_time_type Time;

  static TFileSnapshot Take(const std::filesystem::path& path) {
    const auto past = std::filesystem::file_time_type::clock::now() - std::chrono::hours(1);
    std::filesystem::last_write_time(path, past);
    return {ReadTextFile(path), std::filesystem::last_write_time(path)};
  }
  bool operator==(const TFileSnapshot& other) const = default;
};

inline TFileSnapshot CurrentState(const std::filesystem::path& path) {
  return {ReadTextFile(path), std::filesystem::last_write_time(path)};
}

// Makes `path` a file that exists but cannot be read, even for root: a link to this
// process's memory, whose first page is never mapped.
inline void MakeUnreadable(const std::filesystem::path& path) {
  std::filesystem::create_symlink("/proc/self/mem", path);
}

// Configuration objects over a temporary program directory. The dialer is available, so that
// start-up reads the stored entry's parameters.
class StoreTest : public ConfigFixture {
protected:
  StoreTest() : ConfigFixture(true) {}

  // The names in the program directory other than the log, the lock and the registry.
  std::vector<std::string> DataFiles() const {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(Dir.Path())) {
      const std::string name = e.path().filename().string();
      if (name != "mmt.log" && name != "registry.ini" && name.find("lock") == std::string::npos) names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
  }
};

}  // namespace mailmoat::test
