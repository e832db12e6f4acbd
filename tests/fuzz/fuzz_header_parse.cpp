// Header lines from anywhere: every look-up must answer, and the parsed fields keep their
// 255-byte limits.
#include "mail/MailHeaders.h"
#include "platform/AsciiText.h"
#include "mail/TmsMessage.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const mailmoat::TmsHeaders lines = mailmoat::SplitLines(text);
  mailmoat::TmsMessage msg;
  msg.LoadHeaderSummary(lines);
  if (msg.Subject().size() > 255 || msg.Sender.Name().size() > 255 || msg.Sender.Address().size() > 255) std::abort();
  for (const char* name : {"Subject", "Content-Type", "X-UIDL", "Received", "From"}) {
    (void)mailmoat::GetHeaderValue(lines, name);
  }
  std::vector<std::string> entries;
  mailmoat::GetHeaderAddresses(lines, "TO", entries);
  for (const std::string& entry : entries) {
    if (entry.size() > 255) std::abort();
  }
  const std::string type = mailmoat::GetHeaderValue(lines, "Content-Type");
  (void)mailmoat::TmsParam(type, "boundary");
  (void)mailmoat::MediaTypeOf(type);
  if (mailmoat::DecodeEncodedWords(text).size() > 255) std::abort();
  mailmoat::TmsHeaders copy = lines;
  mailmoat::RemoveHeader(copy, "Received");
  mailmoat::CutHeadersAtBlankLine(copy);
  return 0;
}
