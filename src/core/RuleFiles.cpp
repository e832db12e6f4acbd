#include "core/RuleFiles.h"

#include "core/FileCompress.h"
#include "core/RecordIO.h"
#include "core/UiHost.h"
#include "core/dataConfig.h"

namespace mailmoat {

namespace {

void EncodeRule(TRecordWriter& w, const TRuleRec& rule) {
  w.String(rule.Description, 51);
  w.String(rule.HeaderField, 41);
  w.String(rule.Expression, 256);
  w.Byte(rule.RuleType);
  w.Zeros(3);
  w.Int32(rule.Weight);
  w.Bool(rule.Enabled);
  w.Bool(rule.RejectOnMatch);
  w.Zeros(2);
  w.Int32(rule.RuleID);
  w.Bytes(rule.Reserved);
}

}  // namespace

std::string EncodeRules(const std::vector<TRuleRec>& first, const std::vector<TRuleRec>& second) {
  std::string out;
  out.reserve((first.size() + second.size()) * RuleRecordSize);
  TRecordWriter w(out);
  for (const TRuleRec& rule : first) EncodeRule(w, rule);
  for (const TRuleRec& rule : second) EncodeRule(w, rule);
  return out;
}

std::vector<TRuleRec> DecodeRules(std::string_view data) {
  std::vector<TRuleRec> rules;
  for (std::string_view record : WholeRecords(data, RuleRecordSize)) {
    TRecordReader r(record);
    TRuleRec& rule = rules.emplace_back();
    rule.Description = r.String(51);
    rule.HeaderField = r.String(41);
    rule.Expression = r.String(256);
    rule.RuleType = r.Byte();
    r.Skip(3);
    rule.Weight = r.Int32();
    rule.Enabled = r.Bool();
    rule.RejectOnMatch = r.Bool();
    r.Skip(2);
    rule.RuleID = r.Int32();
    r.Bytes(rule.Reserved);
  }
  return rules;
}

void TConfigData::LoadRules() {
  SysHeaderRules.clear();
  SysBodyRules.clear();
  UserRules.clear();
  AcceptRules.clear();

  const auto readRuleFile = [this](const TPath& file) {
    const std::string stored = ReadWholeFile(file);
    const std::string content = DecompressContainer(stored);
    std::vector<TRuleRec> rules = DecodeRules(content);
    // The container keeps the exact length, so nothing pads the records.
    if (const std::size_t leftover = content.size() % RuleRecordSize; leftover != 0) {
      ReportDamagedStore(file, stored, rules.size(), leftover);
    }
    return rules;
  };

  // Lists are chosen by RuleType, not by position, so an always-accept rule delivered in the
  // system file ends up with the user's always-accept rules.
  const TPath system = DataFile(SystemRulesFileName);
  if (FileExists(system)) {
    try {
      for (TRuleRec& rule : readRuleFile(system)) {
        if (rule.RuleType == RuleType::Header) {
          SysHeaderRules.push_back(std::move(rule));
        } else if (rule.RuleType == RuleType::AlwaysAccept) {
          AcceptRules.push_back(std::move(rule));
        } else {
          SysBodyRules.push_back(std::move(rule));
        }
      }
    } catch (const EMailmoatError& e) {
      SysHeaderRules.clear();
      TryWriteLog(std::string("! Read System Rules Exception: ") + e.what());
    }
  }

  const TPath user = DataFile(UserRulesFileName);
  if (FileExists(user)) {
    try {
      for (TRuleRec& rule : readRuleFile(user)) {
        if (rule.RuleType == RuleType::AlwaysAccept) {
          AcceptRules.push_back(std::move(rule));
        } else {
          UserRules.push_back(std::move(rule));
        }
      }
    } catch (const EMailmoatError& e) {
      UserRules.clear();
      TryWriteLog(std::string("! Read User Rules Exception: ") + e.what());
    }
  }
}

bool TConfigData::SaveRules() {
  try {
    WriteFileAtomic(DataFile(SystemRulesFileName), CompressContainer(EncodeRules(SysHeaderRules, SysBodyRules)));
    const TPath user = DataFile(UserRulesFileName);
    if (UserRules.empty() && AcceptRules.empty()) {
      DeleteFileIfExists(user);
    } else {
      WriteFileAtomic(user, CompressContainer(EncodeRules(UserRules, AcceptRules)));
    }
    return true;
  } catch (const EMailmoatError& e) {
    if (!LogOn(TLogClass::Normal) || !TryWriteLog(std::string("! Write Rules Exception: ") + e.what()))
      Ui.MessageBox(TMsgKind::Error, std::string("Error writing rules:") + e.what(), mbOK);
    return false;
  }
}

}  // namespace mailmoat
