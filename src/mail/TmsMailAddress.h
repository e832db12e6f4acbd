#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace mailmoat {

// Names, addresses, subjects and content types of the message model are cut to this length.
inline constexpr std::size_t kMaxFieldLength = 255;

// One mailbox: a display name and an address, each cut to 255 bytes when set. An empty
// address has both empty.
class TmsMailAddress {
public:
  TmsMailAddress() = default;
  TmsMailAddress(std::string_view address, std::string_view name) {
    SetAddress(address);
    SetName(name);
  }

  const std::string& Name() const { return FName; }
  const std::string& Address() const { return FAddress; }
  void SetName(std::string_view name);
  void SetAddress(std::string_view address);
  void Clear();
  bool Empty() const { return FName.empty() && FAddress.empty(); }

  bool operator==(const TmsMailAddress&) const = default;

private:
  std::string FName;
  std::string FAddress;
};

// An ordered list of addresses; duplicates are allowed and indexes start at 0.
class TmsAddressList {
public:
  std::size_t Count() const { return Items.size(); }
  bool Empty() const { return Items.empty(); }
  const TmsMailAddress& operator[](std::size_t index) const { return Items.at(index); }
  TmsMailAddress& operator[](std::size_t index) { return Items.at(index); }

  void Add(TmsMailAddress address) { Items.push_back(std::move(address)); }
  // Appends a new item; both texts are cut to 255 bytes.
  TmsMailAddress& AddAddress(std::string_view address, std::string_view name);
  void Clear() { Items.clear(); }

  auto begin() const { return Items.begin(); }
  auto end() const { return Items.end(); }
  bool operator==(const TmsAddressList&) const = default;

private:
  std::vector<TmsMailAddress> Items;
};

}  // namespace mailmoat
