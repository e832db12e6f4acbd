#include "platform/AsciiText.h"

namespace mailmoat {
namespace {

bool IsTrimmed(char c) {
  return static_cast<unsigned char>(c) <= 32;
}

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

}  // namespace

std::string_view TrimText(std::string_view text) {
  while (!text.empty() && IsTrimmed(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsTrimmed(text.back())) text.remove_suffix(1);
  return text;
}

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

std::string_view CutText(std::string_view text, std::size_t maxLength) {
  return text.substr(0, maxLength);
}

bool SameTextNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (UpperAscii(a[i]) != UpperAscii(b[i])) return false;
  }
  return true;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && SameTextNoCase(text.substr(0, prefix.size()), prefix);
}

std::size_t FindNoCase(std::string_view text, std::string_view part) {
  if (part.empty()) return 0;
  if (part.size() > text.size()) return std::string_view::npos;
  const char first = UpperAscii(part.front());
  for (std::size_t i = 0; i + part.size() <= text.size(); ++i) {
    if (UpperAscii(text[i]) == first && SameTextNoCase(text.substr(i, part.size()), part)) return i;
  }
  return std::string_view::npos;
}

bool ContainsNoCase(std::string_view text, std::string_view part) {
  return FindNoCase(text, part) != std::string_view::npos;
}

std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t brk = text.find_first_of("\r\n", pos);
    if (brk == std::string_view::npos) {
      lines.emplace_back(text.substr(pos));
      break;
    }
    lines.emplace_back(text.substr(pos, brk - pos));
    pos = brk + 1;
    if (text[brk] == '\r' && pos < text.size() && text[pos] == '\n') ++pos;
  }
  return lines;
}

std::string JoinLines(const std::vector<std::string>& lines) {
  std::size_t size = 0;
  for (const std::string& line : lines) size += line.size() + 2;
  std::string text;
  text.reserve(size);
  for (const std::string& line : lines) {
    text += line;
    text += "\r\n";
  }
  return text;
}

std::vector<std::string> SplitText(std::string_view text, std::string_view separator) {
  if (separator.empty()) return {std::string(text)};
  std::vector<std::string> pieces;
  for (std::size_t at; (at = text.find(separator)) != std::string_view::npos;
       text.remove_prefix(at + separator.size())) {
    pieces.emplace_back(text.substr(0, at));
  }
  pieces.emplace_back(text);
  return pieces;
}

std::string JoinText(const std::vector<std::string>& pieces, std::string_view separator) {
  std::string text;
  for (const std::string& piece : pieces) {
    if (&piece != &pieces.front()) text += separator;
    text += piece;
  }
  return text;
}

std::string_view FileNamePart(std::string_view fileName) {
  const std::size_t sep = fileName.find_last_of("/\\");
  return sep == std::string_view::npos ? fileName : fileName.substr(sep + 1);
}

}  // namespace mailmoat
