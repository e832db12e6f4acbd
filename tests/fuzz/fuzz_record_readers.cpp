// The record readers take whatever bytes a data file holds: any input must decode without a
// crash, and what they decode must survive being written and read back unchanged.
#include "core/Addresses.h"
#include "core/Blacklists.h"
#include "core/BlockCipher.h"
#include "core/DialSettings.h"
#include "core/Profiles.h"
#include "core/RuleFiles.h"
#include "core/SpamCopSettings.h"
#include "core/dataConfig.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

template <class Records, class Encode, class Decode>
void ExpectStable(const Records& decoded, Encode encode, Decode decode) {
  if (!(decode(encode(decoded)) == decoded)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  using namespace mailmoat;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);

  const std::string plain = DecodeBlocks(bytes);
  if (plain.size() != (size + 7) / 8 * 8 || DecodeBlocks(EncodeBlocks(plain)) != plain) std::abort();

  ExpectStable(DecodeProfiles(plain), EncodeProfiles, DecodeProfiles);
  ExpectStable(DecodeApprovedSenders(bytes), EncodeApprovedSenders, DecodeApprovedSenders);
  ExpectStable(DecodeBlacklists(bytes), EncodeBlacklists, DecodeBlacklists);
  ExpectStable(
      DecodeRules(bytes), [](const std::vector<TRuleRec>& rules) { return EncodeRules(rules, {}); }, DecodeRules);

  if (const auto dial = DecodeDialSettings(plain)) {
    if (DecodeDialSettings(EncodeDialSettings(*dial)) != dial) std::abort();
  }
  if (const auto spamCop = DecodeSpamCopSettings(bytes)) {
    if (DecodeSpamCopSettings(EncodeSpamCopSettings(*spamCop)) != spamCop) std::abort();
  }

  const TContactInfo contact = TConfigData::ParseContact(bytes);
  if (contact.Address.empty() && !contact.Name.empty()) std::abort();
  return 0;
}
