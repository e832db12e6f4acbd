#pragma once

#include "core/Addresses.h"
#include "core/StoreTestSupport.h"
#include "mail/TmsMessage.h"

#include <gmock/gmock.h>

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

// A configuration object at log level Debug, with no stores.
class FilterTest : public StoreTest {
protected:
  void SetUp() override { StartUp(LogLevel::Debug); }
};

}  // namespace mailmoat::test
