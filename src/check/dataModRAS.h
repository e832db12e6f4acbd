#pragma once

#include "core/Dialer.h"

#include <memory>

namespace mailmoat {

// The dial-up networking module. It is created before the configuration object, which asks
// its dialer at start-up whether dial-up networking can be used at all.
class TdataRas {
public:
  // Takes the dialer to use; without one, dial-up networking is unavailable.
  explicit TdataRas(std::unique_ptr<TDialer> dialer = nullptr);

  TDialer& Dialer() { return *DialerImpl; }
  bool RasUnavailable() const { return DialerImpl->RasUnavailable(); }

private:
  std::unique_ptr<TDialer> DialerImpl;
};

}  // namespace mailmoat
