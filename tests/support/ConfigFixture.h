#pragma once

#include "core/dataConfig.h"
#include "platform/AsciiText.h"
#include "support/FakeDialer.h"
#include "support/RecordingUiHost.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace mailmoat::test {

// A temporary program directory, a recording user-interface host and a scripted dialer, and
// the configuration objects made over them. The dialer is unavailable unless the derived
// fixture says otherwise; the configuration's clock reads Clock, which a test may move.
class ConfigFixture : public testing::Test {
protected:
  explicit ConfigFixture(bool dialerAvailable = false) { Dialer.Unavailable = !dialerAvailable; }

  // A new configuration object over `home`, not yet started.
  std::unique_ptr<TConfigData> NewConfig(const TPath& home) {
    return std::make_unique<TConfigData>(TAppPaths::ForHome(home), Ui, Dialer, [this] { return Clock; });
  }
  std::unique_ptr<TConfigData> NewConfig() { return NewConfig(Dir.Path()); }

  // Makes Config over the program directory, at `loggingLevel` when one is given.
  TConfigData& StartUp(std::optional<int> loggingLevel = std::nullopt) {
    Config = NewConfig();
    if (loggingLevel) Config->LoggingLevel = *loggingLevel;
    return *Config;
  }

  TPath LogPath() const { return Dir / "mmt.log"; }
  // The log's text; empty when there is no log.
  std::string Log() const { return std::filesystem::exists(LogPath()) ? ReadTextFile(LogPath()) : std::string(); }
  void ClearLog() { std::filesystem::remove(LogPath()); }
  // The log's lines without their time stamps.
  std::vector<std::string> LogLines() const {
    std::vector<std::string> lines;
    for (const std::string& line : SplitLines(Log())) {
      const bool stamped = line.size() > 21 && line[2] == ' ' && line[11] == ' ' && line[20] == ' ';
      lines.push_back(stamped ? line.substr(21) : line);  // "dd Mon yyyy hh:mm:ss "
    }
    return lines;
  }
  bool Logged(const std::string& line) const {
    const std::vector<std::string> lines = LogLines();
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  }
  std::vector<std::string> LinesStartingWith(const std::string& prefix) const {
    std::vector<std::string> found;
    for (const std::string& line : LogLines())
      if (line.rfind(prefix, 0) == 0) found.push_back(line);
    return found;
  }

  TTempDir Dir;
  TRecordingUiHost Ui;
  TFakeDialer Dialer;
  // 08 Dec 2026 13:05:09 UTC; the tests run in UTC.
  std::time_t Clock = 1796735109;
  std::unique_ptr<TConfigData> Config;
};

}  // namespace mailmoat::test
