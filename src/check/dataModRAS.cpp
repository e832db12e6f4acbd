#include "check/dataModRAS.h"

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

}  // namespace mailmoat
