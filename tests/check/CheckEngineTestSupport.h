#pragma once

#include "check/FakePop3Server.h"
#include "check/dataModPOP3.h"
#include "check/dataModRAS.h"
#include "core/Addresses.h"
#include "core/Notification.h"
#include "platform/AsciiText.h"
#include "filter/FilterTestSupport.h"
#include "support/FakeDialer.h"
#include "support/FakeNotifier.h"
#include "support/RecordingCheckView.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace mailmoat::test {

// A message that relays through 192.0.2.25; `to` empty leaves out the To line.
inline std::string Mail(const std::string& from, const std::string& to, const std::string& subject,
                        const std::string& body) {
  std::string text = "Received: from relay.example.net (relay.example.net [192.0.2.25])\r\n\tby mx.example.org\r\n";
  text += "From: " + from + "\r\n";
  if (!to.empty()) text += "To: " + to + "\r\n";
  return text + "Subject: " + subject + "\r\n\r\n" + body + "\r\n";
}

// `text` with filler lines added to make exactly `size` octets.
inline std::string Sized(std::string text, std::size_t size) {
  std::size_t pad = size - text.size();
  while (pad >= 75) {
    text += std::string(70, 'x') + "\r\n";
    pad -= 72;
  }
  return text + std::string(pad - 2, 'y') + "\r\n";
}

class EngineFixture : public FilterTest {
protected:
  void SetUp() override {
    FilterTest::SetUp();
    Config->LoggingLevel = LogLevel::Verbose;
    Config->UseRas = false;
    Config->Strict = true;
    Config->ValidAddresses = {"joe@example.org"};
    Config->SysHeaderRules = {Rule("Pills in the subject", "Subject", "(?i)pills")};
    Config->SysBodyRules = {Rule("Advance fee", "", "(?i)transfer\\s+fee", true, RuleType::Body)};
    Ras.Attach(*Config);
    Engine = std::make_unique<TdataPOP3>(*Config, Ras, View, Notifier);
    Engine->TimeOutSeconds = 5;
    int draw = 0;
    Engine->Archive().SetRandomSource([draw]() mutable { return ++draw; });
  }

  ProfileRecord& AddProfile(const TFakePop3Server& server, const std::string& name = "Home") {
    ProfileRecord profile;
    profile.Name = name;
    profile.Server = "127.0.0.1";
    profile.Login = "joe";
    profile.Password = "secret";
    profile.Port = static_cast<std::uint16_t>(server.Port());
    Config->Profiles.push_back(profile);
    return Config->Profiles.back();
  }

  static std::vector<std::string> Matching(const std::vector<std::string>& commands, const std::string& prefix) {
    std::vector<std::string> found;
    for (const std::string& c : commands)
      if (c.rfind(prefix, 0) == 0) found.push_back(c);
    return found;
  }
  std::vector<std::filesystem::path> ArchiveFiles(const std::filesystem::path& dir) const {
    std::vector<std::filesystem::path> files;
    if (std::filesystem::exists(dir))
      for (const auto& e : std::filesystem::directory_iterator(dir)) files.push_back(e.path());
    std::sort(files.begin(), files.end());
    return files;
  }
  // The "X-SpamRejection3" line of an archive file.
  static std::string ReasonLine(const std::filesystem::path& file) {
    for (const std::string& line : SplitLines(ReadTextFile(file)))
      if (line.rfind("X-SpamRejection3: ", 0) == 0) return line;
    return {};
  }

  TdataRas Ras{std::make_unique<TFakeDialer>()};
  test::TRecordingCheckView View;
  TCountingNotifier Notifier;
  std::unique_ptr<TdataPOP3> Engine;
};

}  // namespace mailmoat::test
