#pragma once

#include "mail/TmsMailAddress.h"

#include <ctime>
#include <string>
#include <string_view>
#include <vector>

// Look-ups and edits on header lines, and the parsing of header texts. Lookups never fail:
// a missing header gives an empty text or an empty list.
namespace mailmoat {

// Header lines exactly as received, one element per physical line without its break; a
// folded header keeps its continuation lines with their leading blank.
using TmsHeaders = std::vector<std::string>;

// The value of the first header called `name` (ignoring case), trimmed and unfolded with
// one space per continuation line. Except for Content-Type and X-UIDL, each line's text is
// cut to 255 bytes and its encoded words decoded. Empty when the header is missing.
std::string GetHeaderValue(const TmsHeaders& headers, std::string_view name);

// The address entries of every header whose line begins with `name` (ignoring case, no ":"
// added; the model passes "TO", "CC" and "BCC"). Lines without ":" after such a line
// continue it; entries are split at commas outside double quotes, trimmed, cut to 255 bytes
// and decoded. The walk ends at the empty line that ends the header block.
void GetHeaderAddresses(const TmsHeaders& headers, std::string_view name, std::vector<std::string>& result);

// Deletes the first header `name` (ignoring case) with its continuation lines.
void RemoveHeader(TmsHeaders& headers, std::string_view name);

// Deletes the first empty line and everything after it.
void CutHeadersAtBlankLine(TmsHeaders& headers);

// Splits "Name <address>", "address (Name)" or a bare address into `address`; never fails.
void ParseMailAddress(std::string_view text, TmsMailAddress& address);

// Decodes RFC 2047 encoded words ("B" and "Q"; the charset is ignored) in a text cut to
// 255 bytes. Blanks after an encoded word vanish. A word whose base64 is broken, or that
// never ends, is left as it stands with everything after it.
std::string DecodeEncodedWords(std::string_view text);

// The value of parameter `name` inside a header value (ignoring case; the first occurrence
// anywhere), without its quotes. Empty when absent.
std::string TmsParam(std::string_view headerValue, std::string_view name);

// The media type of a Content-Type value: the text before the first blank or ";", trimmed.
std::string MediaTypeOf(std::string_view contentType);

// "Sun, 5 Jan 2003 14:03:09 " followed by `zone`; `when` is a broken-down local time.
std::string FormatMailDate(const std::tm& when, std::string_view zone);

// The local offset from UTC now, as "+hhmm" or "-hhmm"; "GMT" when the system cannot tell
// whether daylight time is in force.
std::string LocalZoneText();
// The same form for an offset given in seconds east of UTC.
std::string ZoneOffsetText(long secondsEast);

}  // namespace mailmoat
