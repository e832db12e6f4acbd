#pragma once

#include "core/Records.h"

#include <ctime>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace mailmoat {

// The choices of the "Filter Rules Report" dialog.
struct TRulesReportOptions {
  bool SystemHeader = true;  // "Include System &Header Rules"
  bool SystemBody = true;    // "Include System &Body Rules"
  bool User = true;          // "Include all &User Defined Rules" (filter and always-accept)
  // Where to save; empty means "rules-report.txt", and a relative name is taken, in the
  // program directory.
  std::string FileName;
  bool OpenWhenDone = true;  // "&Open Report in Notepad when done"
};

constexpr std::string_view DefaultRulesReportFileName = "rules-report.txt";

// The lines of the report made at `when` (local time), without line ends. `ruleWritten` is
// called once for each rule reported.
std::vector<std::string> RulesReportLines(const TRulesReportOptions& options, std::time_t when,
                                          const std::vector<TRuleRec>& sysHeaderRules,
                                          const std::vector<TRuleRec>& sysBodyRules,
                                          const std::vector<TRuleRec>& userRules,
                                          const std::vector<TRuleRec>& acceptRules,
                                          const std::function<void()>& ruleWritten = {});

}  // namespace mailmoat
