#pragma once

#include "platform/Errors.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace mailmoat {

// The resolver could not be set up (a DNS server text that is no address, no memory).
class EDnsError : public EMailmoatError {
public:
  using EMailmoatError::EMailmoatError;
};

// What one name look-up gave.
struct TDnsAnswer {
  enum TStatus {
    Resolved,  // the name has IPv4 addresses
    NotFound,  // the name or its A record does not exist
    Failed,    // no answer in time, a server failure, or no network
  };
  TStatus Status = Failed;
  std::vector<std::uint32_t> Addresses;  // IPv4, most significant byte first ("1.2.3.4" is 0x01020304)
  std::string Error;                     // why it failed
};

// "1.2.3.4" for 0x01020304.
std::string DottedAddress(std::uint32_t address);

// Host-name resolution for the DNS blacklists.
class TDnsResolver {
public:
  // Called once per name as its answer comes in; returning true abandons the names still
  // outstanding.
  using TAnswerHandler = std::function<bool(std::size_t index, const TDnsAnswer& answer)>;

  virtual ~TDnsResolver() = default;

  // Looks up the IPv4 addresses of all names at once and returns when every name has been
  // answered or abandoned. Blocks, within the resolver's time limit; a name that fails is
  // answered as Failed, never thrown.
  virtual void Resolve(const std::vector<std::string>& names, const TAnswerHandler& onAnswer) = 0;
};

}  // namespace mailmoat
