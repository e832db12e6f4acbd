#include "mail/TmsMailAddress.h"

namespace mailmoat {

void TmsMailAddress::SetName(std::string_view name) {
  FName.assign(name.substr(0, kMaxFieldLength));
}

void TmsMailAddress::SetAddress(std::string_view address) {
  FAddress.assign(address.substr(0, kMaxFieldLength));
}

void TmsMailAddress::Clear() {
  FName.clear();
  FAddress.clear();
}

TmsMailAddress& TmsAddressList::AddAddress(std::string_view address, std::string_view name) {
  Items.emplace_back(address, name);
  return Items.back();
}

}  // namespace mailmoat
