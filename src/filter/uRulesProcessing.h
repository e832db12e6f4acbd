#pragma once

#include "filter/RegexCache.h"

#include <cstdint>
#include <set>
#include <string>
#include <vector>

namespace mailmoat {

class TConfigData;
class TmsMessage;
struct TRuleRec;

// The compile options of each test. Only always-accept rules and the valid-address entries
// make up for the ignored blanks of extended mode by turning blanks into "\s".
constexpr TRegexOptions HeaderRuleOptions = roMultiline;
constexpr TRegexOptions BodyRuleOptions = roExtended | roMultiline;
constexpr TRegexOptions AcceptRuleOptions = roCaseless | roExtended;
constexpr TRegexOptions ApprovedSenderOptions = roCaseless | roExtended | roMultiline;

// The rule tests of one message's classification: approved senders, always-accept rules,
// header rules and body rules over the rule lists of the configuration object. Each test
// writes its trace lines to the activity log; the first rule that fires decides. Compiled
// patterns are kept between messages and dropped when a rule list changes. Log file errors
// (EInOutError) pass through; a failed match of one rule only skips that rule. A rule whose
// expression is blank never fires, whatever its RejectOnMatch, and is logged once per run.
class TRulesProcessing {
public:
  explicit TRulesProcessing(TConfigData& config, TRegexCache::TOptions regexOptions = {});

  // Called when a check run starts: the rules skipped for a blank expression are logged again
  // in this run.
  void StartRun();

  // True when at least one approved-sender pattern matches the address (in lower case);
  // `matched` is the match of the last one that did. False with an empty text when the
  // address or the list is empty, or when any pattern fails to match.
  bool MatchApprovedSender(const std::string& address, std::string& matched);

  // True when an enabled always-accept rule matches the subject; `description` is then the
  // rule's Description.
  bool MatchAcceptRules(const TmsMessage& msg, std::string& description);

  // The index within its list (SysHeaderRules, then the header rules of UserRules) of the
  // first header rule that fires, or -1. Strips the encoded words from the header lines first.
  // `description` is the rule's Description, empty when none fires.
  int MatchHeaderRules(TmsMessage& msg, std::string& description);

  // The index within its list (SysBodyRules, then the body rules of UserRules) of the first
  // body rule that fires on `text`, or -1 with `description` "ok".
  int MatchBodyRules(const std::string& text, std::string& description);

  // Runs the body rules on a fully retrieved message (on the kept original when the parser
  // could not find a boundary). When a rule fires: `reason` becomes its Description, the
  // rule line is logged, and the result is true.
  bool CheckMessageBody(const TmsMessage& msg, std::string& reason);

  // Removes lower-case-announced ISO encoded words ("=?iso-...?=") from the message's header
  // lines; the parsed subject, sender and recipients stay as they are.
  void StripIsoWords(TmsMessage& msg);

  TRegexCache& Regex() { return Cache; }

private:
  bool RuleFires(const TRuleRec& rule, TRegexOptions options, const std::string& text, std::string& matched);
  // True for a blank expression; the first time in a run, says so in the log.
  bool SkipBlankRule(const TRuleRec& rule);
  void FollowRuleLists();
  void Debug(const std::string& line);

  TConfigData& Config;
  TRegexCache Cache;
  std::uint64_t RuleListsHash = 0;
  std::set<std::string> BlankRulesLogged;
};

// `text` with CR, LF and NUL turned into blanks: text taken from a message must not end a
// log or status line early, start a forged one, or put NUL bytes into the log file.
std::string OneLineText(std::string text);

// The check run's rule line: "$ RULE: " reason, sender, first To address (one blank when
// there is none), each padded to 40 characters, then the subject.
std::string RuleLineText(const std::string& reason, const TmsMessage& msg);

// `pattern` with every blank turned into "\s".
std::string BlanksToWhitespace(const std::string& pattern);

}  // namespace mailmoat
