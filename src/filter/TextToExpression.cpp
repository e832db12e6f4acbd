#include "filter/TextToExpression.h"

#include <cstdio>

namespace mailmoat {

namespace {

bool IsLetter(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsDigit(unsigned char c) {
  return c >= '0' && c <= '9';
}

// Characters with a meaning in a pattern. "#" starts a comment and "|" an alternation under
// the extended option of body and always-accept rules; "{" "}" make quantifiers.
bool NeedsEscape(unsigned char c) {
  switch (c) {
    case '$':
    case '^':
    case '(':
    case ')':
    case '*':
    case '+':
    case '.':
    case '?':
    case '[':
    case ']':
    case '\\':
    case '|':
    case '#':
    case '{':
    case '}': return true;
    default: return false;
  }
}

std::string HexEscape(unsigned char c) {
  char buffer[8];
  std::snprintf(buffer, sizeof buffer, "\\x%02X", static_cast<unsigned>(c));
  return buffer;
}

// The piece of pattern for the character at `text[i]`; `used` is how many characters of the
// text it stands for.
std::string MapOne(std::string_view text, std::size_t i, TDigitMode digits, std::size_t& used) {
  const auto c = static_cast<unsigned char>(text[i]);
  used = 1;
  if (c == ' ') return "\\s+";
  if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
    used = 2;
    return "\\r?\\n";
  }
  // Typed or selected text may break lines without the CR that mail lines carry.
  if (c == '\n') return "\\r?\\n";
  if (IsLetter(c)) {
    const char lower = static_cast<char>(c | 0x20);
    const char upper = static_cast<char>(c & ~0x20);
    return std::string{'[', lower, upper, ']'};
  }
  if (IsDigit(c)) {
    switch (digits) {
      case TDigitMode::AnyDigit: return "\\d";
      case TDigitMode::DigitClass: return "[0-9]";
      case TDigitMode::Literal: break;
    }
    return std::string(1, static_cast<char>(c));
  }
  if (NeedsEscape(c)) return std::string{'\\', static_cast<char>(c)};
  // Extended mode drops tabs and other white space from a pattern, and in 8-bit mode also
  // the bytes 0x85 and 0xA0; a hex escape stands for the byte itself in every mode.
  if (c < 0x20 || c >= 0x7F) return HexEscape(c);
  return std::string(1, static_cast<char>(c));
}

}  // namespace

std::string TextToExpression(std::string_view text, TDigitMode digits, std::size_t maxLength) {
  std::string expression;
  for (std::size_t i = 0; i < text.size();) {
    std::size_t used = 0;
    const std::string piece = MapOne(text, i, digits, used);
    if (expression.size() + piece.size() > maxLength) break;
    expression += piece;
    i += used;
  }
  return expression;
}

std::string TextToRuleDescription(std::string_view text, std::size_t maxLength) {
  std::string description(text.substr(0, maxLength));
  // Cutting inside a UTF-8 sequence would leave a broken character at the end.
  if (text.size() > maxLength) {
    std::size_t end = description.size();
    std::size_t start = end;
    while (start > 0 && (static_cast<unsigned char>(description[start - 1]) & 0xC0) == 0x80) --start;
    if (start > 0) {
      const auto lead = static_cast<unsigned char>(description[start - 1]);
      const std::size_t need = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
      if (need > 1 && end - (start - 1) < need) description.resize(start - 1);
    }
  }
  for (char& c : description) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
  }
  return description;
}

}  // namespace mailmoat
