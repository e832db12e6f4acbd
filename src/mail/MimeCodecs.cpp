#include "mail/MimeCodecs.h"

#include "platform/AsciiText.h"
#include "mail/MessageErrors.h"

#include <array>

namespace mailmoat {
namespace {

constexpr char kBase64Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr char kHexDigits[] = "0123456789ABCDEF";

constexpr std::array<signed char, 256> MakeBase64Table() {
  std::array<signed char, 256> table{};
  for (auto& v : table) v = -1;
  for (int i = 0; i < 64; ++i) table[static_cast<unsigned char>(kBase64Alphabet[i])] = static_cast<signed char>(i);
  return table;
}
constexpr std::array<signed char, 256> kBase64Values = MakeBase64Table();

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Decodes "=XX" escapes of one line whose soft-break "=" (if any) was already removed.
void DecodeQpEscapes(std::string_view line, std::string& out) {
  for (std::size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '=' && i + 2 < line.size()) {
      const int hi = HexValue(line[i + 1]);
      const int lo = HexValue(line[i + 2]);
      if (hi >= 0 && lo >= 0) {
        out += static_cast<char>(hi * 16 + lo);
        i += 2;
        continue;
      }
    }
    out += line[i];
  }
}

void AppendQpPiece(std::string_view piece, bool softBreak, std::vector<std::string>& lines) {
  std::string encoded;
  encoded.reserve(piece.size() + 8);
  for (const char c : piece) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 32 || b >= 128 || c == '=') {
      encoded += '=';
      encoded += kHexDigits[b >> 4];
      encoded += kHexDigits[b & 15];
    } else {
      encoded += c;
    }
  }
  if (softBreak) encoded += '=';
  lines.push_back(std::move(encoded));
}

void EncodeQpParagraph(std::string_view rest, std::vector<std::string>& lines) {
  constexpr std::size_t kPiece = 65;
  if (rest.empty()) {
    lines.emplace_back();
    return;
  }
  while (rest.size() > kPiece) {
    // The cut goes before the last space among characters 2 to 66, so that space starts the
    // next piece; a piece never ends in a blank that a transport could strip.
    std::size_t cut = kPiece;
    const std::size_t space = rest.substr(0, kPiece + 1).find_last_of(' ');
    if (space != std::string_view::npos && space >= 1) cut = space;
    AppendQpPiece(rest.substr(0, cut), true, lines);
    rest.remove_prefix(cut);
  }
  AppendQpPiece(rest, false, lines);
}

char UUChar(unsigned value) {
  return value == 0 ? '`' : static_cast<char>(value + 32);
}
unsigned UUValue(char c) {
  return (static_cast<unsigned>(static_cast<unsigned char>(c)) - 32u) & 63u;
}

}  // namespace

void DecodeBase64Line(std::string_view line, std::string& out) {
  line = CutText(line, kCodecLineLimit);
  if (line.empty() || line == ".") return;
  std::size_t padding = 0;
  while (padding < line.size() && line[line.size() - 1 - padding] == '=') ++padding;
  const std::size_t start = out.size();
  unsigned bits = 0;
  int bitCount = 0;
  for (std::size_t i = 0; i < line.size(); ++i) {
    int value = 0;
    if (i < line.size() - padding) {
      value = kBase64Values[static_cast<unsigned char>(line[i])];
      if (value < 0) {
        out.resize(start);
        throw EMimeCodecError("Invalid Character");
      }
    }
    bits = (bits << 6) | static_cast<unsigned>(value);
    bitCount += 6;
    if (bitCount >= 8) {
      bitCount -= 8;
      out += static_cast<char>((bits >> bitCount) & 0xFF);
    }
  }
  const std::size_t added = out.size() - start;
  out.resize(out.size() - (padding < added ? padding : added));
}

std::vector<std::string> EncodeBase64(std::string_view data) {
  std::vector<std::string> lines;
  for (std::size_t pos = 0; pos < data.size(); pos += 57) lines.push_back(EncodeBase64Text(data.substr(pos, 57)));
  return lines;
}

std::string EncodeBase64Text(std::string_view data) {
  std::string text;
  text.reserve((data.size() + 2) / 3 * 4);
  std::size_t i = 0;
  for (; i + 3 <= data.size(); i += 3) {
    const unsigned v = (static_cast<unsigned char>(data[i]) << 16) | (static_cast<unsigned char>(data[i + 1]) << 8) |
                       static_cast<unsigned char>(data[i + 2]);
    text += kBase64Alphabet[(v >> 18) & 63];
    text += kBase64Alphabet[(v >> 12) & 63];
    text += kBase64Alphabet[(v >> 6) & 63];
    text += kBase64Alphabet[v & 63];
  }
  if (i < data.size()) {
    unsigned v = static_cast<unsigned char>(data[i]) << 16;
    if (i + 1 < data.size()) v |= static_cast<unsigned char>(data[i + 1]) << 8;
    text += kBase64Alphabet[(v >> 18) & 63];
    text += kBase64Alphabet[(v >> 12) & 63];
    text += i + 1 < data.size() ? kBase64Alphabet[(v >> 6) & 63] : '=';
    text += '=';
  }
  return text;
}

std::string DecodeQuotedPrintableLine(std::string_view line) {
  line = CutText(line, kCodecLineLimit);
  if (!line.empty() && line.back() == '=') line.remove_suffix(1);
  std::string out;
  DecodeQpEscapes(line, out);
  return out;
}

std::string DecodeQuotedPrintableLines(const std::vector<std::string>& lines) {
  std::string out;
  std::size_t paragraphStart = 0;
  for (const std::string& whole : lines) {
    std::string_view line = CutText(whole, kCodecLineLimit);
    const bool soft = !line.empty() && line.back() == '=';
    if (soft) line.remove_suffix(1);
    const std::size_t lineStart = out.size();
    DecodeQpEscapes(line, out);
    if (out.size() - paragraphStart > kMaxQuotedPrintableParagraph) throw EMimeCodecError("Paragraph is too large");
    if (soft) continue;
    // A line ending in ^Z (the old end-of-file mark) gets no line break after it.
    if (out.size() == lineStart || out.back() != '\x1A') out += "\r\n";
    paragraphStart = out.size();
  }
  return out;
}

std::vector<std::string> EncodeQuotedPrintable(std::string_view text) {
  std::vector<std::string> lines;
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t brk = text.find_first_of("\r\n", pos);
    if (brk == std::string_view::npos) {
      EncodeQpParagraph(text.substr(pos), lines);
      break;
    }
    EncodeQpParagraph(text.substr(pos, brk - pos), lines);
    pos = brk + 1;
    // CR LF and LF CR are each one break.
    if (pos < text.size() && (text[pos] == '\r' || text[pos] == '\n') && text[pos] != text[brk]) ++pos;
  }
  return lines;
}

bool IsUUBeginLine(std::string_view line) {
  if (line.size() <= 8 || !StartsWithNoCase(line, "BEGIN")) return false;
  std::size_t i = 5;
  while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
  if (i + 3 > line.size()) return false;
  for (std::size_t k = i; k < i + 3; ++k) {
    if (line[k] < '0' || line[k] > '9') return false;
  }
  return true;
}

void DecodeUULine(std::string_view line, std::string& out) {
  if (line.empty()) return;
  const unsigned count = UUValue(line[0]);
  const std::string_view chars = line.substr(1);
  unsigned written = 0;
  for (std::size_t group = 0; written < count; group += 4) {
    unsigned v = 0;
    for (std::size_t k = 0; k < 4; ++k) {
      const std::size_t at = group + k;
      v = (v << 6) | (at < chars.size() ? UUValue(chars[at]) : 0u);
    }
    for (int shift = 16; shift >= 0 && written < count; shift -= 8, ++written) {
      out += static_cast<char>((v >> shift) & 0xFF);
    }
  }
}

std::vector<std::string> EncodeUU(std::string_view data) {
  std::vector<std::string> lines;
  for (std::size_t pos = 0; pos < data.size(); pos += 45) {
    const std::string_view chunk = data.substr(pos, 45);
    std::string line;
    line += UUChar(static_cast<unsigned>(chunk.size()));
    for (std::size_t i = 0; i < chunk.size(); i += 3) {
      unsigned v = 0;
      for (std::size_t k = 0; k < 3; ++k) {
        v = (v << 8) | (i + k < chunk.size() ? static_cast<unsigned char>(chunk[i + k]) : 0u);
      }
      line += UUChar((v >> 18) & 63);
      line += UUChar((v >> 12) & 63);
      line += UUChar((v >> 6) & 63);
      line += UUChar(v & 63);
    }
    lines.push_back(std::move(line));
  }
  return lines;
}

}  // namespace mailmoat
