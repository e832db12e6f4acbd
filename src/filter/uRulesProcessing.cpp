#include "filter/uRulesProcessing.h"

#include "core/Addresses.h"
#include "platform/AsciiText.h"
#include "core/dataConfig.h"
#include "mail/TmsMessage.h"

#include <cstdio>

namespace mailmoat {
namespace {

constexpr std::string_view Crlf = "\r\n";

// name + " " + address for each recipient, joined by blanks.
std::string RecipientText(const TmsAddressList& list) {
  std::string text;
  for (const TmsMailAddress& a : list) {
    if (!text.empty()) text += ' ';
    text += a.Name() + " " + a.Address();
  }
  return text;
}

// An empty pattern would match every text, so a sender left blank would approve every
// message; it matches nothing instead, like a pattern that does not compile.
bool BlankPattern(const std::string& pattern) {
  return TrimText(pattern).empty();
}

void HashIn(std::uint64_t& hash, std::string_view text) {
  for (const char c : text) hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
  hash = (hash ^ 0xFF) * 1099511628211ull;
}

std::string PadRight(const std::string& text, std::size_t width) {
  return text.size() >= width ? text : text + std::string(width - text.size(), ' ');
}

}  // namespace

std::string BlanksToWhitespace(const std::string& pattern) {
  std::string result;
  for (const char c : pattern) {
    if (c == ' ') {
      result += "\\s";
    } else {
      result += c;
    }
  }
  return result;
}

std::string OneLineText(std::string text) {
  for (char& c : text) {
    if (c == '\r' || c == '\n' || c == '\0') c = ' ';
  }
  return text;
}

std::string RuleLineText(const std::string& reason, const TmsMessage& msg) {
  const std::string to = msg.Recipients.Empty() ? std::string(" ") : msg.Recipients[0].Address();
  return OneLineText("$ RULE: " + PadRight(reason, 40) + " | FROM: " + PadRight(msg.Sender.Address(), 40) +
                     " | TO: " + PadRight(to, 40) + " | SUBJ: " + msg.Subject());
}

TRulesProcessing::TRulesProcessing(TConfigData& config, TRegexCache::TOptions regexOptions)
    : Config(config), Cache(regexOptions) {
}

void TRulesProcessing::Debug(const std::string& line) {
  // The lines quote the tested message text.
  Config.Log(TLogClass::Debug, OneLineText(line));
}

void TRulesProcessing::FollowRuleLists() {
  // Compiled code depends only on (pattern, options), so it can never be stale; dropping it
  // when a list changes keeps the cache to the patterns in use.
  std::uint64_t hash = 14695981039346656037ull;
  for (const auto* list : {&Config.SysHeaderRules, &Config.SysBodyRules, &Config.UserRules, &Config.AcceptRules}) {
    for (const TRuleRec& rule : *list) HashIn(hash, rule.Expression);
    HashIn(hash, "|");
  }
  for (const ApprovedSenderRecord& sender : Config.ApprovedSenders) HashIn(hash, sender.Address);
  for (const std::string& address : Config.ValidAddresses) HashIn(hash, address);
  if (hash != RuleListsHash) {
    Cache.Clear();
    RuleListsHash = hash;
  }
}

void TRulesProcessing::StartRun() {
  BlankRulesLogged.clear();
}

bool TRulesProcessing::SkipBlankRule(const TRuleRec& rule) {
  if (!BlankPattern(rule.Expression)) return false;
  const std::string line = "! Rule \"" + rule.Description + "\" skipped: its expression is blank";
  if (BlankRulesLogged.insert(line).second) Config.Log(TLogClass::Normal, line);
  return true;
}

bool TRulesProcessing::RuleFires(const TRuleRec& rule, TRegexOptions options, const std::string& text,
                                 std::string& matched) {
  // Matching nothing is not enough: with RejectOnMatch off, a rule left blank would then
  // fire on every message.
  if (SkipBlankRule(rule)) return false;
  const bool matches = Cache.Match(rule.Expression, options, text, &matched);
  if (!rule.RejectOnMatch && !matches) matched = "(the expression does not match)";
  return matches == rule.RejectOnMatch;
}

bool TRulesProcessing::MatchApprovedSender(const std::string& address, std::string& matched) {
  matched.clear();
  if (address.empty() || Config.ApprovedSenders.empty()) return false;
  FollowRuleLists();
  const std::string subject = LowerCaseAscii(address);
  bool approved = false;
  try {
    for (const ApprovedSenderRecord& sender : Config.ApprovedSenders) {
      std::string found;
      if (BlankPattern(sender.Address) || !Cache.Match(sender.Address, ApprovedSenderOptions, subject, &found)) {
        continue;
      }
      Debug("+ Match found: " + found);
      approved = true;
      matched = found;
    }
  } catch (const ERegexError&) {
    matched.clear();
    return false;
  }
  return approved;
}

bool TRulesProcessing::MatchAcceptRules(const TmsMessage& msg, std::string& description) {
  FollowRuleLists();
  const std::string& subject = msg.Subject();
  for (const TRuleRec& rule : Config.AcceptRules) {
    if (!rule.Enabled) continue;
    Debug("+ Accept rules check expression: " + rule.Expression);
    Debug("+ Header checking subject: " + subject);
    std::string found;
    try {
      if (SkipBlankRule(rule) ||
          !Cache.Match(BlanksToWhitespace(rule.Expression), AcceptRuleOptions, subject, &found)) {
        continue;
      }
    } catch (const ERegexError&) {
      continue;
    }
    Debug("+ Match found: " + found);
    description = rule.Description;
    return true;
  }
  return false;
}

int TRulesProcessing::MatchHeaderRules(TmsMessage& msg, std::string& description) {
  description.clear();
  StripIsoWords(msg);
  FollowRuleLists();
  const std::string toccText = RecipientText(msg.Recipients) + " " + RecipientText(msg.CC);
  const std::string none;
  std::string allText;  // built on first use: most rules test the subject
  const auto testedText = [&](const TRuleRec& rule) -> const std::string& {
    if (rule.HeaderField == "Subject") return msg.Subject();
    if (rule.HeaderField == "From") return msg.Sender.Address();
    if (rule.HeaderField == "TOCC") return toccText;
    if (rule.HeaderField == "ALL") {
      if (allText.empty()) allText = JoinLines(msg.Headers);
      return allText;
    }
    return none;
  };
  const auto walk = [&](const std::vector<TRuleRec>& rules, bool system) -> int {
    for (std::size_t i = 0; i < rules.size(); ++i) {
      const TRuleRec& rule = rules[i];
      if (!rule.Enabled || (!system && rule.RuleType != RuleType::Header)) continue;
      const std::string& text = testedText(rule);
      if (text.empty()) continue;
      if (Config.LogOn(TLogClass::Debug)) {
        Debug((system ? "+ Header check expression (sys): " : "+ Header check expression (user): ") + rule.Expression);
        Debug("+ Header checking subject: " + text);
      }
      std::string found;
      try {
        if (!RuleFires(rule, HeaderRuleOptions, text, found)) continue;
      } catch (const ERegexError&) {
        continue;
      }
      Debug("+ Match found: " + found);
      description = rule.Description;
      return static_cast<int>(i);
    }
    return -1;
  };
  if (const int index = walk(Config.SysHeaderRules, true); index >= 0) return index;
  return walk(Config.UserRules, false);
}

int TRulesProcessing::MatchBodyRules(const std::string& text, std::string& description) {
  description = "ok";
  if (text.empty()) return -1;
  FollowRuleLists();
  const auto walk = [&](const std::vector<TRuleRec>& rules, bool system) -> int {
    for (std::size_t i = 0; i < rules.size(); ++i) {
      const TRuleRec& rule = rules[i];
      if (!rule.Enabled || (!system && rule.RuleType != RuleType::Body)) continue;
      if (Config.LogOn(TLogClass::Debug)) {
        Debug((system ? "+ Body check expression (sys): " : "+ Header check expression: ") + rule.Expression);
        Debug((system ? "+ Body checking subject: " : "+ Header checking subject: ") + text);
      }
      std::string found;
      try {
        if (!RuleFires(rule, BodyRuleOptions, text, found)) continue;
      } catch (const ERegexError&) {
        continue;
      }
      Debug("+ Match found: " + found);
      description = rule.Description;
      return static_cast<int>(i);
    }
    return -1;
  };
  if (const int index = walk(Config.SysBodyRules, true); index >= 0) return index;
  return walk(Config.UserRules, false);
}

bool TRulesProcessing::CheckMessageBody(const TmsMessage& msg, std::string& reason) {
  std::string text = JoinLines(msg.Body);
  if (TrimText(text).empty()) return false;
  // The parser's error fallback: its explanation lines name the error and the raw message
  // is kept as the first attachment, so that is what the rules must see.
  if (const std::size_t at = text.find("Cannot find boundary"); at != std::string::npos && at < 74) {
    Config.Log(TLogClass::Verbose, "+ Error in MIME encoding header. Looking to check attachment");
    if (msg.Attachments.Empty()) {
      Config.Log(TLogClass::Verbose, "+ No attachment found - cannot check this message body");
      return false;
    }
    const TmsAttItem& first = msg.Attachments[0];
    if (first.ContentType().find("message/rfc822") == std::string::npos) {
      Config.Log(TLogClass::Verbose, "+ Attachment is not MIME ContentType: message/rfc822, skipping body check");
      return false;
    }
    text = JoinLines(SplitLines(first.Data));
  }
  std::string description;
  if (MatchBodyRules(text, description) < 0) return false;
  reason = description;
  Config.WriteLog(RuleLineText(reason, msg));
  return true;
}

void TRulesProcessing::StripIsoWords(TmsMessage& msg) {
  std::string text = JoinLines(msg.Headers);
  if (text.find("=?iso-") == std::string::npos) return;
  // "[^\r\n]" keeps a match within one line; greedy, it runs to the line's last "?=".
  static constexpr std::string_view Pattern = "=\\?iso-[^\\r\\n]+\\?=";
  std::size_t from = 0;
  bool changed = false;
  try {
    TRegexMatch match;
    while (Cache.Find(Pattern, roCaseless, text, match, from)) {
      text.erase(match.Offset, match.Length);
      changed = true;
      // Earlier lines had no match and are unchanged; the join may have made a new one on
      // this line.
      const std::size_t lineStart = text.rfind('\n', match.Offset == 0 ? 0 : match.Offset - 1);
      from = lineStart == std::string::npos ? 0 : lineStart + 1;
    }
  } catch (const ERegexError& e) {
    Config.WriteLog(std::string("! StripISO regex error: ") + e.what());
  }
  if (!changed) return;
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find(Crlf, start)) != std::string::npos; start = end + Crlf.size()) {
    lines.emplace_back(text, start, end - start);
  }
  msg.Headers = std::move(lines);
}

}  // namespace mailmoat
