// What the archive windows read out of spam: Date values, addresses typed into a reply and
// HTML bodies. Any bytes must parse without crashing, and what comes out must hold together.
#include "archive/ArchiveDate.h"
#include "archive/ArchivedMessage.h"
#include "archive/Outbound.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  for (bool toUtc : {false, true}) {
    const mailmoat::TMailTime time = mailmoat::ParseMailDate(text, toUtc);
    const std::string shown = mailmoat::FormatMailTime(time);
    // A date that was read shows as one that reads back the same (a zone can move it out of
    // the four-digit years, which are all a Date header can name).
    const bool fourDigitYear = shown.size() == 20 && shown[7] >= '0' && shown[7] <= '9';
    if (time != mailmoat::ZeroMailTime && fourDigitYear && mailmoat::ParseMailDate(shown, false) != time) std::abort();
  }
  if (const auto address = mailmoat::FindReplyAddress(text)) {
    if (address->find('@') == std::string::npos || text.find(*address) == std::string_view::npos) std::abort();
  }
  const std::vector<std::string> body = {std::string(text)};
  for (const std::string& line : mailmoat::StripMarkup(body))
    if (line.find('\n') != std::string::npos) std::abort();
  mailmoat::IsHtmlBody(std::string(text));
  return 0;
}
