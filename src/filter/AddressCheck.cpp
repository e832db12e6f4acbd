#include "filter/AddressCheck.h"

#include "core/Addresses.h"
#include "platform/AsciiText.h"
#include "core/dataConfig.h"
#include "filter/uRulesProcessing.h"
#include "mail/TmsMessage.h"

#include <algorithm>

namespace mailmoat {
namespace {

constexpr TRegexOptions StdAddressOptions = roCaseless | roExtended | roMultiline;
constexpr TRegexOptions RegexAddressOptions = roCaseless;

std::string ReplaceAll(std::string text, std::string_view from, std::string_view to) {
  for (std::size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size()) {
    text.replace(at, from.size(), to);
  }
  return text;
}

std::string WithoutAngles(std::string text) {
  std::erase_if(text, [](char c) { return c == '<' || c == '>'; });
  return text;
}

// A blank line in the address file would become an empty alternative, which matches every
// message; blank entries are therefore left out.
std::vector<std::string> UsableEntries(const std::vector<std::string>& entries) {
  std::vector<std::string> usable;
  for (const std::string& entry : entries) {
    if (!TrimText(entry).empty()) usable.push_back(entry);
  }
  return usable;
}

}  // namespace

TAddressCheck::TAddressCheck(TConfigData& config, TRulesProcessing& rules) : Config(config), Rules(rules) {
}

std::string TAddressCheck::QuoteAddressChars(const std::string& text) {
  std::string result = ReplaceAll(text, ".", "\\.");
  result = ReplaceAll(result, "[", "\\[");
  result = ReplaceAll(result, "]", "\\]");
  result = ReplaceAll(result, "+", "\\+");
  return ReplaceAll(result, "*", "\\*");
}

std::string TAddressCheck::TestedText(const TmsMessage& msg, bool strict) const {
  std::string text;
  if (strict) {
    for (const TmsMailAddress& a : msg.Recipients) text += a.Address() + " ";
    for (const TmsMailAddress& a : msg.CC) text += a.Address() + " ";
    text += GetHeaderValue(msg.Headers, "X-Rcpt-To") + " " + GetHeaderValue(msg.Headers, "Delivered-To");
  } else {
    for (const std::string& line : msg.Headers) text += line + "\r\n";
  }
  return text;
}

bool TAddressCheck::StdAddressMatch(TmsMessage& msg, bool strict, std::string& found) {
  found.clear();
  Rules.StripIsoWords(msg);
  const std::vector<std::string> entries = UsableEntries(Config.ValidAddresses);
  if (entries.empty()) return false;
  std::string pattern = "(" + entries.front();
  for (std::size_t i = 1; i < entries.size(); ++i) pattern += ")|(" + entries[i];
  pattern = QuoteAddressChars(LowerCaseAscii(pattern + ")"));
  const std::string text = LowerCaseAscii(TestedText(msg, strict));
  Config.Log(TLogClass::Verbose, "+ Valid address check expression: " + pattern);
  Config.Log(TLogClass::Verbose, "+ Valid address checking address: " + OneLineText(text));
  try {
    std::string matched;
    if (!Rules.Regex().Match(pattern, StdAddressOptions, text, &matched)) return false;
    Config.Log(TLogClass::Debug, "+ Valid address match found: " + OneLineText(matched));
    found = matched;
    return true;
  } catch (const ERegexError&) {
    found.clear();
    return false;
  }
}

bool TAddressCheck::RegexAddressMatch(TmsMessage& msg, bool strict, std::string& found) {
  found.clear();
  Rules.StripIsoWords(msg);
  const std::vector<std::string> entries = UsableEntries(Config.ValidAddresses);
  if (entries.empty()) return true;
  const std::string text = TestedText(msg, strict);
  for (const std::string& entry : entries) {
    const std::string pattern = BlanksToWhitespace(entry);
    Config.Log(TLogClass::Debug, "+ RegEx valid address check expression: " + pattern);
    Config.Log(TLogClass::Debug, "+ RegEx valid address checking subject: " + OneLineText(text));
    std::string matched;
    try {
      if (!Rules.Regex().Match(pattern, RegexAddressOptions, text, &matched)) continue;
    } catch (const ERegexError& e) {
      Config.WriteLog(std::string("! Valid address check regular expression error: ") + e.what());
      found = "Accepting message due to processing error";
      return true;
    }
    Config.Log(TLogClass::Debug, "+ Match found: " + OneLineText(matched));
    found = matched;
    return true;
  }
  return false;
}

bool TAddressCheck::CheckValidAddress(TmsMessage& msg, std::string& found) {
  if (Config.RegExAddressCheck) {
    const bool valid = RegexAddressMatch(msg, Config.Strict, found);
    if (valid) Config.Log(TLogClass::Normal, "@ Valid address match: " + OneLineText(found));
    return valid;
  }
  const bool valid = StdAddressMatch(msg, Config.Strict, found);
  if (valid) Config.Log(TLogClass::Normal, "@ Valid address(es) located: " + OneLineText(found));
  return valid;
}

bool TAddressCheck::HasToAndFrom(const TmsMessage& msg) {
  return !TrimText(msg.Sender.Address()).empty() && !msg.Recipients.Empty();
}

bool TAddressCheck::HasSubject(const TmsMessage& msg) {
  return !TrimText(msg.Subject()).empty();
}

bool TAddressCheck::ToEqualsFrom(const TmsMessage& msg) {
  const std::string to = msg.Recipients.Empty() ? std::string() : msg.Recipients[0].Address();
  return SameTextNoCase(WithoutAngles(to), WithoutAngles(msg.Sender.Address()));
}

}  // namespace mailmoat
