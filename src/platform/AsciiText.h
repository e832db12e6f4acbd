#pragma once

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Helpers for byte texts. Texts are bytes in no particular character set and are never
// converted; letter case means ASCII letters only, so that the comparisons the program makes
// (file names, keywords, addresses, header names) do not depend on a locale.
namespace mailmoat {

inline char LowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

inline char UpperAscii(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

inline std::string LowerCaseAscii(std::string_view text) {
  std::string s(text);
  std::transform(s.begin(), s.end(), s.begin(), LowerAscii);
  return s;
}

inline std::string UpperCaseAscii(std::string_view text) {
  std::string s(text);
  std::transform(s.begin(), s.end(), s.begin(), UpperAscii);
  return s;
}

bool SameTextNoCase(std::string_view a, std::string_view b);
bool StartsWithNoCase(std::string_view text, std::string_view prefix);
bool ContainsNoCase(std::string_view text, std::string_view part);
// Position of the first occurrence of `part` ignoring case, or npos; an empty part is at 0.
std::size_t FindNoCase(std::string_view text, std::string_view part);

// `text` without the bytes up to 32 (blanks, line breaks and other control characters) at
// either end. The result points into `text`.
std::string_view TrimText(std::string_view text);
// `text` without the spaces and tabs at either end; line breaks and other control characters
// stay. The result points into `text`.
std::string_view TrimBlanks(std::string_view text);
// The first `maxLength` bytes of the text (the whole text when it is shorter).
std::string_view CutText(std::string_view text, std::size_t maxLength);

// The lines of a text: CR LF, a lone CR and a lone LF each end a line and are not part of it.
// A break at the very end starts no further (empty) line, so "a\r\n" is one line and "" none.
std::vector<std::string> SplitLines(std::string_view text);
// The lines joined, each followed by CR LF.
std::string JoinLines(const std::vector<std::string>& lines);
// The pieces between the occurrences of `separator` (which must not be empty): n separators
// give n + 1 pieces, so "" is one empty piece and "a," is "a" and "".
std::vector<std::string> SplitText(std::string_view text, std::string_view separator);
// The pieces with `separator` between each two.
std::string JoinText(const std::vector<std::string>& pieces, std::string_view separator);

// The name part of a file name that may carry a Unix or a Windows path.
std::string_view FileNamePart(std::string_view fileName);

}  // namespace mailmoat
