#pragma once

#include "platform/Dialer.h"

#include <string>
#include <vector>

namespace mailmoat {

// The dial-up service of a Linux desktop: NetworkManager's connections, driven through its
// command-line client. An entry is a connection name; dialling activates the connection and
// hanging up deactivates it. Every call runs nmcli and waits for it, killing it when it takes
// too long.
class TNmcliDialer : public TDialer {
public:
  struct TOptions {
    std::string Program = "nmcli";  // a name looked up in SearchPath, or a path
    std::string SearchPath;         // colon-separated; empty: this process's PATH
    int CommandTimeoutMs = 15000;   // listing, state, storing parameters, deactivating
    int DialTimeoutMs = 120000;     // activating: modems and PPP take their time
  };

  // Error codes of Dial: nmcli's own exit statuses (1 to 10), and these.
  static constexpr int NoEntryCode = 20;       // no connection chosen
  static constexpr int NotStartedCode = 21;    // nmcli could not be run
  static constexpr int TimedOutCode = 22;      // nmcli did not finish in time
  static constexpr int KilledCode = 23;        // nmcli ended abnormally
  static constexpr int PasswordFileCode = 24;  // the password could not be handed over

  TNmcliDialer();
  explicit TNmcliDialer(TOptions options);
  ~TNmcliDialer() override;

  // True when no nmcli program was found.
  bool RasUnavailable() const override { return Program.empty(); }
  // Checks that the connection exists and notes its type, which decides where a phone
  // number and user name are stored.
  void GetEntryDialParams(const std::string& entry) override;
  std::vector<std::string> EntryNames() override;
  // Stores PhoneNumber and UserName in the connection's settings, for mobile broadband
  // (gsm, cdma) and PPPoE connections; the password is never stored, it is handed over at
  // each dial. False for other kinds of connection or when nmcli fails.
  bool SetEntryDialParams() override;
  int Dial() override;
  void HangUp() override;
  bool IsConnected() override;
  // nmcli's message for the last failure with this code, where there was one, after the text.
  std::string ErrorText(int code) override;

  // Splits one line of nmcli's terse output into its fields, undoing its escapes of ":" and
  // "\".
  static std::vector<std::string> SplitTerseLine(const std::string& line);

private:
  struct TActive {
    std::string Name;
    std::string State;
  };
  bool ActiveConnection(TActive& found);
  // Deactivates EntryName when it is active; true when it was.
  bool Deactivate();
  int Failure(int code, const std::string& detail);

  TOptions Options;
  std::string Program;
  std::string EntryType;  // connection.type of EntryTypeOf
  std::string EntryTypeOf;
  int LastErrorCode = 0;
  std::string LastErrorDetail;
};

}  // namespace mailmoat
