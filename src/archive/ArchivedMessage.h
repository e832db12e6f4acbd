#pragma once

#include <string>
#include <vector>

namespace mailmoat {

class TmsMessage;

// Whether a body is shown as HTML: "<HTML" within its first 150 characters, in any case.
bool IsHtmlBody(const std::string& bodyText);

// The body without markup, for printing and quoting: "<br>" in either case breaks the line,
// every "<...>" goes; character entities stay as they are.
std::vector<std::string> StripMarkup(const std::vector<std::string>& body);

// The lines of a raw print: every header line, a line of one blank, every body line.
std::vector<std::string> RawPrintLines(const TmsMessage& msg);
// The lines of a formatted print: date, recipients, CC, sender and subject, a line of one
// blank, then the body without markup.
std::vector<std::string> FormattedPrintLines(const TmsMessage& msg);

}  // namespace mailmoat
