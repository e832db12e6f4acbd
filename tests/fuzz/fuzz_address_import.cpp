// Address books come from other programs and from the user's own files: any bytes must read
// as vCards or as text without crashing, and never give an empty address to add.
#include "core/AddressImport.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::vector<mailmoat::TAddrRecord> found = mailmoat::ReadVCards(text);
  for (const mailmoat::TAddrRecord& card : found)
    if (card.Address.empty()) std::abort();
  const std::vector<mailmoat::TAddrRecord> lines = mailmoat::ReadTextAddresses(text);
  found.insert(found.end(), lines.begin(), lines.end());
  std::vector<mailmoat::ApprovedSenderRecord> senders;
  const mailmoat::TImportCounts counts = mailmoat::AddImportedSenders(senders, found);
  if (counts.Imported != static_cast<int>(senders.size())) std::abort();
  for (const mailmoat::ApprovedSenderRecord& sender : senders)
    if (sender.Address.find_first_not_of(" \t") == std::string::npos || sender.Address.size() > 255) std::abort();
  return 0;
}
