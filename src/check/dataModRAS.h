#pragma once

#include "core/CheckView.h"
#include "platform/Dialer.h"

#include <functional>
#include <memory>
#include <string>

namespace mailmoat {

class TCheckView;
class TConfigData;
class TUiHost;

// The dial-up networking module. It is created before the configuration object, which asks
// its dialer at start-up whether dial-up networking can be used at all, and keeps a
// reference to that dialer for the life of the program.
class TdataRas {
public:
  using TDialerFactory = std::function<std::unique_ptr<TDialer>()>;

  // Uses the given dialer; without one, dial-up networking is unavailable.
  explicit TdataRas(std::unique_ptr<TDialer> dialer = nullptr);
  // Creates the dialer with `factory` (CreateDialer). A factory that throws or returns
  // nothing leaves dial-up networking unavailable.
  explicit TdataRas(TDialerFactory factory);
  ~TdataRas();
  TdataRas(const TdataRas&) = delete;
  TdataRas& operator=(const TdataRas&) = delete;

  TDialer& Dialer() { return *DialerImpl; }
  // True when this computer has no dial-up service or the dialer could not be created.
  bool RasUnavailable() const { return CreateFailed || DialerImpl->RasUnavailable(); }

  // The configuration object whose dial-up settings and flags this module uses; set once
  // the configuration object has been created. Writes the log line of a failed dialer
  // creation and puts the dial-up settings read at start-up into the dialer. The
  // configuration object may be destroyed before this module.
  void Attach(TConfigData& config);
  // Where "DUN/RAS connection closed" is shown when the connection goes.
  void SetView(TCheckView& view) { View = &view; }

  // Reads "duncfg.dat" into the configuration object and the record into the dialer; an
  // unreadable file is reported and clears the dialer's parameters.
  void LoadDialSettings();
  // Puts the record into the dialer and writes "duncfg.dat". Throws EInOutError.
  void SaveDialSettings();

  // Prepares the dialer just before dialling from the stored settings. Shows a box and
  // returns false when the phone number override cannot be stored.
  bool SetUpDialInfo();
  // True when the dialer reports the connection as connected.
  bool IsConnected();
  // Hangs up, then dials synchronously. Returns 0 or the dial-up error code. After a
  // successful dial the connection is watched, and its loss fires the disconnect event.
  int Dial();
  // Hangs up the connection of the entry; the disconnect event follows.
  void HangUp();
  // The text of a dial-up error code.
  std::string ErrorText(int code);

  // How often a connection this module dialled is checked.
  static constexpr int PollIntervalMs = 5000;

private:
  void CreateDialer();
  void PutSettingsInDialer();
  void SetEntry(const std::string& entry);
  // The disconnect event: the connection is gone.
  void DialerDisconnect();
  void PollConnection();
  void StopPoll();
  void Log(bool verbose, const std::string& line);

  TDialerFactory Factory;
  std::unique_ptr<TDialer> DialerImpl;
  bool CreateFailed = false;
  std::string CreateError;
  TConfigData* Config = nullptr;
  TUiHost* Ui = nullptr;
  TCheckView* View = nullptr;
  int PollTimer = 0;
  int Disconnects = 0;
};

}  // namespace mailmoat
