#pragma once

#include <algorithm>
#include <string>
#include <string_view>

namespace mailmoat {

// Letter case of ASCII only: texts are bytes in no particular character set, and the
// comparisons the program makes (file names, keywords, addresses) must not depend on a locale.
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

inline bool SameTextAscii(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return LowerAscii(x) == LowerAscii(y); });
}

}  // namespace mailmoat
