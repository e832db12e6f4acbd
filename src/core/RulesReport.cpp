#include "core/RulesReport.h"

#include "core/UiHost.h"
#include "core/dataConfig.h"
#include "platform/Errors.h"

namespace mailmoat {

namespace {

const char* YesNo(bool value) {
  return value ? "Yes" : "No";
}

void AddRuleBlock(std::vector<std::string>& lines, const TRuleRec& rule, bool withHeaderField) {
  lines.push_back("Rule        : " + rule.Description);
  if (withHeaderField) lines.push_back("Header Field: " + rule.HeaderField);
  lines.push_back("Expression  : " + rule.Expression);
  lines.push_back(std::string("Reject Match: ") + YesNo(rule.RejectOnMatch));
  lines.push_back(std::string("Enabled     : ") + YesNo(rule.Enabled));
  lines.push_back(" ");
}

}  // namespace

std::vector<std::string> RulesReportLines(const TRulesReportOptions& options, std::time_t when,
                                          const std::vector<TRuleRec>& sysHeaderRules,
                                          const std::vector<TRuleRec>& sysBodyRules,
                                          const std::vector<TRuleRec>& userRules,
                                          const std::vector<TRuleRec>& acceptRules,
                                          const std::function<void()>& ruleWritten) {
  const auto written = [&] {
    if (ruleWritten) ruleWritten();
  };
  std::vector<std::string> lines;
  lines.push_back("Mailmoat Pro Rules Report - " + LogTimeStamp(when));
  lines.push_back(std::string(lines[0].size(), '-'));
  lines.push_back(" ");
  if (options.SystemHeader && !sysHeaderRules.empty()) {
    lines.push_back("===> System Header Rules <===");
    lines.push_back(" ");
    for (const TRuleRec& rule : sysHeaderRules) {
      AddRuleBlock(lines, rule, true);
      written();
    }
  }
  if (options.SystemBody && !sysBodyRules.empty()) {
    lines.push_back("===> System Body Rules <===");
    lines.push_back(" ");
    for (const TRuleRec& rule : sysBodyRules) {
      AddRuleBlock(lines, rule, false);
      written();
    }
  }
  if (options.User) {
    if (!userRules.empty()) {
      lines.push_back("===> User Defined Filter Rules <===");
      lines.push_back(" ");
      for (const TRuleRec& rule : userRules) {
        lines.push_back(rule.RuleType == RuleType::Header ? "Rule Type : Header" : "Rule Type : Body");
        AddRuleBlock(lines, rule, false);
        written();
      }
    }
    if (!acceptRules.empty()) {
      lines.push_back("===> User Defined Always Accept Rules <===");
      lines.push_back(" ");
      for (const TRuleRec& rule : acceptRules) {
        lines.push_back("Rule        : " + rule.Description);
        lines.push_back("Expression  : " + rule.Expression);
        lines.push_back(std::string("Enabled     : ") + YesNo(rule.Enabled));
        lines.push_back(" ");
        written();
      }
    }
  }
  return lines;
}

bool TConfigData::CreateRulesReport(const TRulesReportOptions& options) {
  Ui.SetBusyCursor(true);
  struct TRestoreCursor {
    TUiHost& Ui;
    ~TRestoreCursor() { Ui.SetBusyCursor(false); }
  } restore{Ui};

  const TPath named(options.FileName.empty() ? std::string(DefaultRulesReportFileName) : options.FileName);
  const TPath file = named.is_absolute() ? named : Paths.ProgramDir / named;

  std::size_t count = 0;
  if (options.SystemHeader) count += SysHeaderRules.size();
  if (options.SystemBody) count += SysBodyRules.size();
  if (options.User) count += UserRules.size() + AcceptRules.size();
  if (count == 0) {
    Ui.MessageBox(TMsgKind::Warning, "No rules found for report.", mbOK);
    return false;
  }

  Ui.BusySetCaption("Creating rules report...");
  Ui.BusySetMax(static_cast<std::int64_t>(count));
  Ui.BusySetPosition(0);
  Ui.BusyShow();
  try {
    const std::vector<std::string> lines = RulesReportLines(options, Clock(), SysHeaderRules, SysBodyRules, UserRules,
                                                            AcceptRules, [this] { Ui.BusyStep(); });
    std::string text;
    for (const std::string& line : lines) text += line + "\r\n";
    WriteFileAtomic(file, text);
  } catch (const EMailmoatError& e) {
    Ui.BusyHide();
    Ui.MessageBox(TMsgKind::Error, std::string("Error creating report file:\r\n") + e.what(), mbOK);
    return false;
  }
  Ui.BusyHide();
  if (options.OpenWhenDone && FileExists(file)) Ui.OpenFile(file.string());
  return true;
}

}  // namespace mailmoat
