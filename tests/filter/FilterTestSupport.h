#pragma once

#include "core/Addresses.h"
#include "core/StoreTestSupport.h"
#include "mail/TmsMessage.h"
#include "platform/AsciiText.h"

#include <gmock/gmock.h>

#include <memory>
#include <string>
#include <vector>

namespace mailmoat::test {

inline TRuleRec Rule(const std::string& description, const std::string& field, const std::string& expression,
                     bool rejectOnMatch = true, std::uint8_t type = RuleType::Header, bool enabled = true) {
  TRuleRec rule;
  rule.Description = description;
  rule.HeaderField = field;
  rule.Expression = expression;
  rule.RejectOnMatch = rejectOnMatch;
  rule.RuleType = type;
  rule.Enabled = enabled;
  return rule;
}

// A started-up configuration object at log level Debug, with no stores.
class FilterTest : public StoreTest {
protected:
  void SetUp() override {
    Config = NewConfig();
    Config->LoggingLevel = LogLevel::Debug;
  }
  // The log's lines without their time stamps.
  std::vector<std::string> LogLines() const {
    std::vector<std::string> lines;
    for (const std::string& line : SplitLines(Log())) {
      const bool stamped = line.size() > 21 && line[2] == ' ' && line[11] == ' ' && line[20] == ' ';
      lines.push_back(stamped ? line.substr(21) : line);  // "dd Mon yyyy hh:mm:ss "
    }
    return lines;
  }
  void ClearLog() { std::filesystem::remove(Dir / "mmt.log"); }

  std::unique_ptr<TConfigData> Config;
};

}  // namespace mailmoat::test
