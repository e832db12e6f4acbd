#include "check/dataModRAS.h"

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

}  // namespace

TdataRas::TdataRas(std::unique_ptr<TDialer> dialer)
    : DialerImpl(dialer ? std::move(dialer) : std::make_unique<TNoDialer>()) {
}

bool TdataRas::SetUpDialInfo() {
  return true;
}

bool TdataRas::IsConnected() {
  return DialerImpl->IsConnected();
}

int TdataRas::Dial() {
  return DialerImpl->Dial();
}

void TdataRas::HangUp() {
  DialerImpl->HangUp();
}

std::string TdataRas::ErrorText(int code) {
  return DialerImpl->ErrorText(code);
}

}  // namespace mailmoat
