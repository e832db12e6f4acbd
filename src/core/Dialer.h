#pragma once

#include <string>

namespace mailmoat {

// The dial-up service as the configuration object sees it at start-up.
class TDialer {
public:
  virtual ~TDialer() = default;

  // True when this computer has no dial-up service at all.
  virtual bool RasUnavailable() const = 0;

  // Reads the stored dial parameters of a dial-up entry. Throws EMailmoatError when the
  // entry cannot be read.
  virtual void GetEntryDialParams(const std::string& entry) = 0;
};

}  // namespace mailmoat
