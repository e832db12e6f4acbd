#pragma once

#include "core/Dialer.h"

#include <memory>
#include <string>

namespace mailmoat {

class TConfigData;

// The dial-up networking module. It is created before the configuration object, which asks
// its dialer at start-up whether dial-up networking can be used at all.
class TdataRas {
public:
  // Takes the dialer to use; without one, dial-up networking is unavailable.
  explicit TdataRas(std::unique_ptr<TDialer> dialer = nullptr);

  TDialer& Dialer() { return *DialerImpl; }
  bool RasUnavailable() const { return DialerImpl->RasUnavailable(); }

  // The configuration object whose dial-up settings and flags this module uses; set once
  // the configuration object exists.
  void Attach(TConfigData& config) { Config = &config; }

  // Prepares the dialer just before dialling from the stored settings. Shows a box and
  // returns false when the phone number override cannot be stored.
  bool SetUpDialInfo();
  // True when the dialer reports the connection as connected.
  bool IsConnected();
  // Hangs up, then dials synchronously. Returns 0 or the dial-up error code.
  int Dial();
  // Hangs up the connection of the entry; the disconnect event follows.
  void HangUp();
  // The text of a dial-up error code.
  std::string ErrorText(int code);

private:
  std::unique_ptr<TDialer> DialerImpl;
  TConfigData* Config = nullptr;
};

}  // namespace mailmoat
