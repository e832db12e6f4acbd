#pragma once

#include <functional>
#include <string>
#include <vector>

namespace mailmoat {

// The dial-up service: whatever brings the network link up on this computer. The dial
// parameters are set as fields before the operations that use them.
class TDialer {
public:
  virtual ~TDialer() = default;

  // True when this computer has no dial-up service at all.
  virtual bool RasUnavailable() const = 0;

  // Reads the stored dial parameters of a dial-up entry. Throws EMailmoatError when the
  // entry cannot be read.
  virtual void GetEntryDialParams(const std::string& entry) = 0;

  // The names of the entries the user can choose from.
  virtual std::vector<std::string> EntryNames() { return {}; }
  // Stores the dial parameters for EntryName; false when that failed.
  virtual bool SetEntryDialParams() { return false; }
  // Dials EntryName synchronously; 0 or an error code.
  virtual int Dial() { return 1; }
  // Hangs up the connection of EntryName (the first active one when it is empty), then
  // fires OnDisconnect.
  virtual void HangUp() {
    if (OnDisconnect) OnDisconnect();
  }
  virtual bool IsConnected() { return false; }
  virtual std::string ErrorText(int code) { return "Dial-up networking error " + std::to_string(code); }

  std::string EntryName;
  std::string UserName;
  std::string Password;
  std::string PhoneNumber;
  // Whether destroying the dialer hangs up.
  bool HangUpOnDestroy = false;
  std::function<void()> OnDisconnect;
};

}  // namespace mailmoat
