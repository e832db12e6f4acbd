#include "mail/MailHeaders.h"

#include "platform/AsciiText.h"
#include "mail/MessageErrors.h"
#include "mail/MimeCodecs.h"

#include <cstdio>
#include <cstdlib>

namespace mailmoat {
namespace {

std::string HeaderKey(std::string_view name) {
  std::string key(name);
  if (key.empty() || key.back() != ':') key += ':';
  return key;
}

bool IsContinuation(const std::string& line) {
  return !line.empty() && (line[0] == ' ' || line[0] == '\t');
}

std::string_view Unquote(std::string_view text) {
  text = TrimText(text);
  while (!text.empty() && text.front() == '"') text.remove_prefix(1);
  while (!text.empty() && text.back() == '"') text.remove_suffix(1);
  return text;
}

void AddAddressEntry(std::string_view entry, std::vector<std::string>& result) {
  result.push_back(DecodeEncodedWords(CutText(TrimText(entry), kMaxFieldLength)));
}

void SplitAddressPiece(std::string_view piece, std::vector<std::string>& result) {
  bool quoted = false;
  std::size_t start = 0;
  for (std::size_t i = 0; i < piece.size(); ++i) {
    if (piece[i] == '"') {
      quoted = !quoted;
    } else if (piece[i] == ',' && !quoted) {
      AddAddressEntry(piece.substr(start, i - start), result);
      start = i + 1;
    }
  }
  if (!TrimText(piece.substr(start)).empty()) AddAddressEntry(piece.substr(start), result);
}

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

// The end of an encoded word: the first "?=" after the "?" that follows its encoding
// letter, because a Q-encoded text may itself begin with "=". Without that structure, the
// first "?=" that does not directly follow "?B" or "?Q".
std::size_t FindEncodedWordEnd(const std::string& text, std::size_t from) {
  const std::size_t mark = text.find('?', from);
  if (mark != std::string::npos && mark + 2 < text.size() && text[mark + 2] == '?') return text.find("?=", mark + 3);
  for (std::size_t at = text.find("?=", from); at != std::string::npos; at = text.find("?=", at + 1)) {
    if (at >= 2 && text[at - 2] == '?' && (text[at - 1] == 'B' || text[at - 1] == 'Q')) continue;
    return at;
  }
  return std::string::npos;
}

}  // namespace

std::string GetHeaderValue(const TmsHeaders& headers, std::string_view name) {
  if (headers.empty()) return {};
  const std::string upper = UpperCaseAscii(name);
  const bool decode = upper != "CONTENT-TYPE" && upper != "X-UIDL";
  const std::string key = HeaderKey(name);
  const auto piece = [decode](std::string_view text) {
    text = TrimText(text);
    return decode ? DecodeEncodedWords(CutText(text, kMaxFieldLength)) : std::string(text);
  };
  for (std::size_t i = 0; i < headers.size(); ++i) {
    const std::string& line = headers[i];
    if (!StartsWithNoCase(line, key)) continue;
    std::string value = piece(std::string_view(line).substr(line.find(':') + 1));
    for (++i; i < headers.size() && IsContinuation(headers[i]); ++i) {
      value += ' ';
      value += piece(headers[i]);
    }
    return value;
  }
  return {};
}

void GetHeaderAddresses(const TmsHeaders& headers, std::string_view name, std::vector<std::string>& result) {
  result.clear();
  std::size_t i = 0;
  while (i < headers.size()) {
    const std::string& line = headers[i];
    // Lines after the empty one are body text (a TOP response carries one), never addresses.
    if (line.empty()) return;
    if (!StartsWithNoCase(line, name)) {
      ++i;
      continue;
    }
    const std::size_t colon = line.find(':');
    if (colon == std::string::npos) return;
    SplitAddressPiece(std::string_view(line).substr(colon + 1), result);
    for (++i; i < headers.size() && !headers[i].empty() && headers[i].find(':') == std::string::npos; ++i) {
      SplitAddressPiece(headers[i], result);
    }
  }
}

void RemoveHeader(TmsHeaders& headers, std::string_view name) {
  const std::string key = HeaderKey(name);
  for (std::size_t i = 0; i < headers.size(); ++i) {
    if (!StartsWithNoCase(headers[i], key)) continue;
    std::size_t end = i + 1;
    while (end < headers.size() && IsContinuation(headers[end])) ++end;
    headers.erase(headers.begin() + static_cast<std::ptrdiff_t>(i), headers.begin() + static_cast<std::ptrdiff_t>(end));
    return;
  }
}

void CutHeadersAtBlankLine(TmsHeaders& headers) {
  for (std::size_t i = 0; i < headers.size(); ++i) {
    if (headers[i].empty()) {
      headers.resize(i);
      return;
    }
  }
}

void ParseMailAddress(std::string_view text, TmsMailAddress& address) {
  const std::size_t lt = text.find('<');
  if (lt != std::string_view::npos) {
    const std::size_t gt = text.find('>');
    if (gt != std::string_view::npos && gt > lt) {
      address.SetAddress(Unquote(text.substr(lt + 1, gt - lt - 1)));
      const std::string rest = std::string(text.substr(0, lt)) + std::string(text.substr(gt + 1));
      address.SetName(Unquote(rest));
    } else {
      address.SetAddress({});
      address.SetName(Unquote(text));
    }
    return;
  }
  const std::size_t paren = text.find('(');
  if (paren != std::string_view::npos) {
    address.SetAddress(Unquote(text.substr(0, paren)));
    std::string_view comment = text.substr(paren + 1);
    // Drops the text's last character: the closing parenthesis of the comment.
    if (!comment.empty()) comment.remove_suffix(1);
    address.SetName(Unquote(comment));
    return;
  }
  address.SetAddress(text);
  address.SetName({});
}

std::string DecodeEncodedWords(std::string_view input) {
  std::string text(CutText(input, kMaxFieldLength));
  for (;;) {
    const std::size_t start = text.find("=?");
    if (start == std::string::npos) break;
    const std::size_t end = FindEncodedWordEnd(text, start + 2);
    if (end == std::string::npos) break;
    const std::string_view inner = std::string_view(text).substr(start + 2, end - start - 2);
    std::string decoded;
    const std::size_t mark = inner.find('?');
    if (mark != std::string_view::npos && mark + 1 < inner.size()) {
      const char letter = inner[mark + 1];
      const std::string_view encoded = mark + 3 <= inner.size() ? inner.substr(mark + 3) : std::string_view();
      if (letter == 'B' || letter == 'b') {
        try {
          DecodeBase64Line(encoded, decoded);
        } catch (const EMimeCodecError&) {
          // Lookups never fail: a broken word stays as it was sent.
          break;
        }
      } else if (letter == 'Q' || letter == 'q') {
        std::string withBlanks(encoded);
        for (char& c : withBlanks) {
          if (c == '_') c = ' ';
        }
        decoded = DecodeQuotedPrintableLine(withBlanks);
      }
    }
    std::string next = text.substr(0, start);
    next += decoded;
    next += TrimText(std::string_view(text).substr(end + 2));
    text.assign(CutText(next, kMaxFieldLength));
  }
  return text;
}

std::string TmsParam(std::string_view headerValue, std::string_view name) {
  const std::size_t at = FindNoCase(headerValue, name);
  if (at == std::string_view::npos || name.empty()) return {};
  std::size_t i = at + name.size();
  while (i < headerValue.size() && IsBlank(headerValue[i])) ++i;
  if (i < headerValue.size() && headerValue[i] == '=') {
    ++i;
    while (i < headerValue.size() && IsBlank(headerValue[i])) ++i;
  }
  std::string_view result;
  if (i < headerValue.size() && headerValue[i] == '"') {
    const std::size_t close = headerValue.find('"', i + 1);
    result = headerValue.substr(i + 1, close == std::string_view::npos ? std::string_view::npos : close - i - 1);
  } else {
    // ";" cannot occur in an unquoted value (RFC 2045 tspecials), so it ends one too: many
    // mailers write "name=a.txt;charset=x" without a blank.
    const std::size_t end = headerValue.find_first_of(" \t;", i);
    result = headerValue.substr(i, end == std::string_view::npos ? std::string_view::npos : end - i);
  }
  if (!result.empty() && result.back() == ';') result.remove_suffix(1);
  return std::string(TrimText(result));
}

std::string MediaTypeOf(std::string_view contentType) {
  contentType = TrimText(contentType);
  return std::string(TrimText(contentType.substr(0, contentType.find_first_of(" ;"))));
}

std::string FormatMailDate(const std::tm& when, std::string_view zone) {
  static constexpr const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                            "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  char buffer[128];
  std::snprintf(buffer, sizeof buffer, "%s, %d %s %04d %02d:%02d:%02d ", kDays[((when.tm_wday % 7) + 7) % 7],
                when.tm_mday, kMonths[((when.tm_mon % 12) + 12) % 12], when.tm_year + 1900, when.tm_hour, when.tm_min,
                when.tm_sec);
  return std::string(buffer) + std::string(zone);
}

std::string ZoneOffsetText(long secondsEast) {
  const long minutes = std::labs(secondsEast) / 60;
  char buffer[48];
  std::snprintf(buffer, sizeof buffer, "%c%02ld%02ld", secondsEast < 0 ? '-' : '+', minutes / 60, minutes % 60);
  return buffer;
}

std::string LocalZoneText() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  if (::localtime_r(&now, &local) == nullptr || local.tm_isdst < 0) return "GMT";
  return ZoneOffsetText(local.tm_gmtoff);
}

}  // namespace mailmoat
