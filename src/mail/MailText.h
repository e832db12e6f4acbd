#pragma once

#include "core/AsciiText.h"

#include <string>
#include <string_view>
#include <vector>

// Small byte-text helpers shared by the message model, the parser and the writer. Texts are
// single-byte and never converted; case folding touches ASCII letters only.
namespace mailmoat {

// Removes every byte with a code up to 32 (blanks and control characters) from both ends.
std::string_view TrimText(std::string_view text);

// The first `maxLength` bytes of the text (the whole text when it is shorter).
std::string_view CutText(std::string_view text, std::size_t maxLength);

bool SameTextNoCase(std::string_view a, std::string_view b);
bool StartsWithNoCase(std::string_view text, std::string_view prefix);
bool ContainsNoCase(std::string_view text, std::string_view part);
// Position of the first occurrence of `part` ignoring case, or npos.
std::size_t FindNoCase(std::string_view text, std::string_view part);

// Splits at CR LF, a lone CR or a lone LF; the breaks are not part of the lines. A break at
// the very end does not start another (empty) line, so "a\r\n" is one line.
std::vector<std::string> SplitLines(std::string_view text);

// The lines joined, each followed by CR LF.
std::string JoinLines(const std::vector<std::string>& lines);

// The name part of a file name that may carry a Unix or a Windows path.
std::string_view FileNamePart(std::string_view fileName);

}  // namespace mailmoat
