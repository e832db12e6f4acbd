#pragma once

#include <functional>
#include <string>
#include <vector>

namespace mailmoat {

// The dial-up service: whatever brings the network link up on this computer. The dial
// parameters are set as fields before the operations that use them. Every operation blocks
// until the service has answered. The defaults below are those of a computer without any
// dial-up service.
class TDialer {
public:
  virtual ~TDialer() = default;

  // True when this computer has no dial-up service at all.
  virtual bool RasUnavailable() const = 0;

  // Reads the stored dial parameters of a dial-up entry (an empty name reads nothing); the
  // caller then sets the fields it wants to override. Throws EMailmoatError when the entry
  // cannot be read.
  virtual void GetEntryDialParams(const std::string& entry) = 0;

  // The names of the entries the user can choose from; empty when none can be listed.
  virtual std::vector<std::string> EntryNames() { return {}; }
  // Stores PhoneNumber and UserName (and, where the service keeps it, Password) for
  // EntryName; false when that failed.
  virtual bool SetEntryDialParams() { return false; }
  // Hangs up EntryName's connection, then dials it synchronously with the fields above, and
  // hangs up again when that failed. Returns 0 or an error code for ErrorText.
  virtual int Dial() { return NoServiceCode; }
  // Hangs up the active connection of EntryName, if there is one, and then fires
  // OnDisconnect. Without an active connection nothing happens and nothing fires; the call
  // does not wait for the line to be released.
  virtual void HangUp() {}
  // True when the connection of EntryName is up.
  virtual bool IsConnected() { return false; }
  // The text of an error code returned by Dial.
  virtual std::string ErrorText(int code) {
    if (code == NoServiceCode) return "Dial-up networking is not available on this computer";
    return "Dial-up networking error " + std::to_string(code);
  }

  // The code Dial returns when there is no service to dial with.
  static constexpr int NoServiceCode = 1;

  std::string EntryName;
  std::string UserName;
  std::string Password;
  std::string PhoneNumber;
  // Whether destroying the dialer hangs up the connection of EntryName. OnDisconnect does not
  // fire then: whoever set it may be gone already.
  bool HangUpOnDestroy = false;
  std::function<void()> OnDisconnect;
};

}  // namespace mailmoat
