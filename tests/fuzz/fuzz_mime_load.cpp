// Any bytes must load as a message (codec errors in a body are the only exceptions allowed),
// and the loaded message must save and load again.
#include "mail/MessageErrors.h"
#include "mail/TmsMessage.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  mailmoat::TmsMessage msg;
  msg.SetBoundaryDigitSource([] { return 4; });
  try {
    msg.LoadFromString(text);
  } catch (const mailmoat::EMimeCodecError&) {
    return 0;
  }
  (void)msg.ContentType();
  const std::string saved = msg.SaveToString();
  if (saved.empty()) std::abort();
  mailmoat::TmsMessage again;
  try {
    again.LoadFromString(saved);
  } catch (const mailmoat::EMimeCodecError&) {
  }
  return 0;
}
