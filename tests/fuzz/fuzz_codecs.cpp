// The three decoders on any bytes: they may refuse with their own error, never misbehave;
// the encoders' output must decode back to the input.
#include "platform/AsciiText.h"
#include "mail/MessageErrors.h"
#include "mail/MimeCodecs.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::vector<std::string> lines = mailmoat::SplitLines(text);
  std::string out;
  try {
    for (const std::string& line : lines) mailmoat::DecodeBase64Line(line, out);
  } catch (const mailmoat::EMimeCodecError&) {
  }
  try {
    (void)mailmoat::DecodeQuotedPrintableLines(lines);
  } catch (const mailmoat::EMimeCodecError&) {
  }
  out.clear();
  for (const std::string& line : lines) mailmoat::DecodeUULine(line, out);

  std::string back;
  for (const std::string& line : mailmoat::EncodeBase64(text)) mailmoat::DecodeBase64Line(line, back);
  if (back != text) std::abort();
  back.clear();
  for (const std::string& line : mailmoat::EncodeUU(text)) mailmoat::DecodeUULine(line, back);
  if (back != text) std::abort();
  // A single paragraph survives quoted-printable, gaining its CR LF (none after ^Z).
  if (!text.empty() && text.find_first_of("\r\n") == std::string_view::npos) {
    std::string joined;
    for (const std::string& line : mailmoat::EncodeQuotedPrintable(text)) {
      joined += mailmoat::DecodeQuotedPrintableLines({line});
    }
    const std::string expected = std::string(text) + (text.back() == '\x1A' ? "" : "\r\n");
    if (joined != expected) std::abort();
  }
  return 0;
}
