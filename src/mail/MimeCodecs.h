#pragma once

#include <string>
#include <string_view>
#include <vector>

// The transfer codecs of the message parser and writer: base64 and quoted-printable
// (RFC 2045) and uuencode. Decoders append to `out`; encoders return the lines to write,
// without line breaks.
namespace mailmoat {

// Lines are looked at only up to this many bytes by the line decoders.
inline constexpr std::size_t kCodecLineLimit = 255;
// The longest paragraph (run of soft-broken lines) the quoted-printable decoder accepts.
inline constexpr std::size_t kMaxQuotedPrintableParagraph = 24574;

// Decodes one base64 line, cut to 255 bytes. An empty line or "." gives nothing; each "="
// at the end removes one byte from the result. Throws EMimeCodecError("Invalid Character")
// for any other byte outside the alphabet; `out` then holds what came before the line.
void DecodeBase64Line(std::string_view line, std::string& out);

// Base64 in lines of 76 characters (57 bytes), the last padded with "=".
std::vector<std::string> EncodeBase64(std::string_view data);
// Base64 of the whole data as one text, for encoded words.
std::string EncodeBase64Text(std::string_view data);

// Decodes quoted-printable lines, each cut to 255 bytes: "=" and two hexadecimal digits
// become that byte, a final "=" joins the line to the next, and every other line ends with
// CR LF unless its last byte is 26. Throws EMimeCodecError("Paragraph is too large") when
// joined lines exceed 24574 bytes.
std::string DecodeQuotedPrintableLines(const std::vector<std::string>& lines);

// One quoted-printable line, cut to 255 bytes, with no line break added; a final "=" is
// dropped. Used for Q-encoded words.
std::string DecodeQuotedPrintableLine(std::string_view line);

// Encodes text as quoted-printable lines. Paragraphs end at CR LF, LF CR, CR or LF; each
// is written in pieces of at most 65 source bytes, cut before a space where there is one,
// every piece but the last ending in a soft break "=". Control bytes, "=" and bytes of 128
// and above are written as "=XX". Never fails, whatever the paragraph length.
std::vector<std::string> EncodeQuotedPrintable(std::string_view text);

// True for "begin" (any case) followed by blanks and a three-digit mode, on a line longer
// than 8 bytes.
bool IsUUBeginLine(std::string_view line);

// Decodes one uuencoded line; its first byte gives the number of bytes it carries. A line
// shorter than that count is padded with zero bits, as transports strip trailing blanks.
void DecodeUULine(std::string_view line, std::string& out);

// Uuencoded lines of 45 bytes each, zero bits written as "`"; without begin or end lines.
std::vector<std::string> EncodeUU(std::string_view data);

}  // namespace mailmoat
