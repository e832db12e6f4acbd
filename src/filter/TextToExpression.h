#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace mailmoat {

// What a digit of the search text becomes in the rule.
enum class TDigitMode {
  Literal,     // the digit itself
  AnyDigit,    // "\d" (the rules made from a header window's selection)
  DigitClass,  // "[0-9]" (the rules made in the rule editor)
};

// The longest expression a rule record holds.
constexpr std::size_t MaxRuleExpressionLength = 255;

// A regular expression that finds `text` in any letter case, under every option set the filter
// uses (with or without extended mode): letters become "[aA]", each blank "\s+", a line break
// "\r?\n", and every character with a meaning in a pattern is escaped, so the rule matches that
// text and nothing wider. The result is at most `maxLength` bytes, cut between the pieces a
// character maps to, so a long text still gives a pattern that compiles.
std::string TextToExpression(std::string_view text, TDigitMode digits, std::size_t maxLength = MaxRuleExpressionLength);

// The description of a rule made from `text`: its first `maxLength` bytes (not splitting a
// UTF-8 character), with line breaks and other control characters turned into blanks, since
// the description is written into log lines and the archive file's header.
std::string TextToRuleDescription(std::string_view text, std::size_t maxLength = 50);

}  // namespace mailmoat
