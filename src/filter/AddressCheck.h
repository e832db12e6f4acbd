#pragma once

#include <string>

namespace mailmoat {

class TConfigData;
class TmsMessage;
class TRulesProcessing;

// The recipient address check against the user's own addresses (ValidAddresses), and the
// small sender and recipient tests of the header stage. Patterns are compiled through the
// rule tests' cache; log file errors (EInOutError) pass through.
class TAddressCheck {
public:
  TAddressCheck(TConfigData& config, TRulesProcessing& rules);

  // Runs the mode chosen by RegExAddressCheck, strict when Strict is set, and logs the
  // valid-address line when the message is valid.
  bool CheckValidAddress(TmsMessage& msg, std::string& found);

  // Standard mode: the entries as plain addresses, found anywhere in the tested text (lower
  // case on both sides). An empty list (or one of blank entries only) makes no message
  // valid; any error makes the message not valid with an empty found text.
  bool StdAddressMatch(TmsMessage& msg, bool strict, std::string& found);

  // Expression mode: each entry a caseless pattern (blanks stand for any whitespace), the
  // first that matches makes the message valid. An empty list makes every message valid; a
  // failed match accepts the message and is logged.
  bool RegexAddressMatch(TmsMessage& msg, bool strict, std::string& found);

  // Escapes ".", "[", "]", "+" and "*"; everything else keeps its meaning.
  static std::string QuoteAddressChars(const std::string& text);

  // A sender address and at least one To recipient (CC does not count).
  static bool HasToAndFrom(const TmsMessage& msg);
  static bool HasSubject(const TmsMessage& msg);
  // The first To address equals the sender's address, angle brackets removed, ASCII letter
  // case ignored (no locale: the answer must not change with the user's language).
  static bool ToEqualsFrom(const TmsMessage& msg);

private:
  std::string TestedText(const TmsMessage& msg, bool strict) const;

  TConfigData& Config;
  TRulesProcessing& Rules;
};

}  // namespace mailmoat
