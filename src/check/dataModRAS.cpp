#include "check/dataModRAS.h"

#include "core/UiHost.h"
#include "core/dataConfig.h"
#include "platform/Errors.h"

namespace mailmoat {

namespace {

class TNoDialer : public TDialer {
public:
  bool RasUnavailable() const override { return true; }
  void GetEntryDialParams(const std::string&) override {
    throw EMailmoatError("Dial-up networking is not available on this computer");
  }
};

const char SetUpErrorText[] =
    "Mailmoat was unable to set your chosen Dial-Up Networking settings.\r\n"
    "Please check them and try again.";

}  // namespace

TdataRas::TdataRas(std::unique_ptr<TDialer> dialer) : DialerImpl(std::move(dialer)) {
  CreateDialer();
}

TdataRas::TdataRas(TDialerFactory factory) : Factory(std::move(factory)) {
  CreateDialer();
}

TdataRas::~TdataRas() {
  StopPoll();
  if (DialerImpl) DialerImpl->OnDisconnect = nullptr;
}

void TdataRas::CreateDialer() {
  CreateFailed = false;
  CreateError.clear();
  if (Factory) {
    DialerImpl.reset();
    try {
      DialerImpl = Factory();
      if (!DialerImpl) CreateError = "no dial-up service";
    } catch (const std::exception& e) {
      CreateError = e.what();
    }
    CreateFailed = !CreateError.empty();
  }
  if (!DialerImpl) DialerImpl = std::make_unique<TNoDialer>();
  // The close prompt decides later whether ending the program hangs up.
  DialerImpl->HangUpOnDestroy = false;
  DialerImpl->OnDisconnect = [this] { DialerDisconnect(); };
}

void TdataRas::Attach(TConfigData& config) {
  Config = &config;
  Ui = &config.Ui;
  if (CreateFailed) {
    // Dial-up is off either way; start-up goes on.
    Config->TryWriteLog("! Dialup networking exception: " + CreateError);
  }
  // Start-up read the record and the entry's parameters already.
  if (Config->UseRas) PutSettingsInDialer();
}

void TdataRas::Log(bool verbose, const std::string& line) {
  if (!Config) return;
  // A log that cannot be written must not keep the line from coming up.
  Config->TryLog(verbose ? TLogClass::Verbose : TLogClass::All, line);
}

void TdataRas::SetEntry(const std::string& entry) {
  TDialer& d = *DialerImpl;
  d.EntryName = entry;
  d.PhoneNumber.clear();
  try {
    d.GetEntryDialParams(entry);
  } catch (const EMailmoatError&) {
    // An entry that cannot be read fails at the dial, whose error text says why.
  }
}

void TdataRas::PutSettingsInDialer() {
  if (!Config) return;
  const DialSettingsRecord& r = Config->DialSettings;
  DialerImpl->EntryName = r.EntryName;
  DialerImpl->UserName = r.UserName;
  DialerImpl->Password = r.Password;
  DialerImpl->PhoneNumber = r.PhoneNumber;
}

void TdataRas::LoadDialSettings() {
  if (!Config) return;
  Config->LoadDialSettings();
  // After a failed read the record holds the defaults, which clears the dialer.
  SetEntry(Config->DialSettings.EntryName);
  PutSettingsInDialer();
}

void TdataRas::SaveDialSettings() {
  if (!Config) return;
  PutSettingsInDialer();
  Config->SaveDialSettings();
}

bool TdataRas::SetUpDialInfo() {
  if (!Config) return false;
  const DialSettingsRecord& r = Config->DialSettings;
  Log(true, "@ RAS: Setting dialup information");
  SetEntry(r.EntryName);
  Log(true, "@ RAS: Using dial-up networking profile: " + r.EntryName);
  DialerImpl->UserName = r.UserName;
  DialerImpl->Password = r.Password;
  if (!r.PhoneNumber.empty()) {
    DialerImpl->PhoneNumber = r.PhoneNumber;
    Log(true, "@ RAS: Overriding default phone number with " + r.PhoneNumber);
    if (!DialerImpl->SetEntryDialParams()) {
      Config->Ui.MessageBox(TMsgKind::Error, SetUpErrorText, mbOK, 0, "Dial-Up Networking Configuration Error");
      return false;
    }
  }
  Log(true, "@ RAS: Dialup information set ok");
  return true;
}

bool TdataRas::IsConnected() {
  return DialerImpl->IsConnected();
}

int TdataRas::Dial() {
  StopPoll();
  const int code = DialerImpl->Dial();
  if (code != 0) return code;
  if (Ui) PollTimer = Ui->StartTimer(PollIntervalMs, [this] { PollConnection(); });
  return 0;
}

void TdataRas::HangUp() {
  StopPoll();
  DialerImpl->HangUp();
}

std::string TdataRas::ErrorText(int code) {
  return DialerImpl->ErrorText(code);
}

void TdataRas::PollConnection() {
  if (DialerImpl->IsConnected()) return;
  StopPoll();
  // A line that dropped may still be held half open; release it. When nothing was left to
  // hang up the event still has to tell that the connection is gone.
  const int before = Disconnects;
  DialerImpl->HangUp();
  if (Disconnects == before) DialerDisconnect();
}

void TdataRas::StopPoll() {
  if (PollTimer != 0 && Ui) Ui->StopTimer(PollTimer);
  PollTimer = 0;
}

void TdataRas::DialerDisconnect() {
  ++Disconnects;
  StopPoll();
  if (Config) {
    Config->WeDialed = false;
    Config->Dialing = false;
  }
  if (View) View->SetMessageStatus("DUN/RAS connection closed");
}

}  // namespace mailmoat
