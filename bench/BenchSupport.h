#pragma once

// A user-interface host and a dial-up service that stay out of the way of a measurement.
#include "support/FakeDialer.h"
#include "core/UiHost.h"

namespace mailmoat::bench {

class TSilentHost : public TUiHost {
public:
  TMsgButton MessageBox(TMsgKind, const std::string&, TMsgButtons, int, const std::string&, TMsgButton) override {
    return mbOK;
  }
  void BusySetCaption(const std::string&) override {}
  void BusySetMax(std::int64_t) override {}
  void BusySetPosition(std::int64_t) override {}
  void BusyShow() override {}
  void BusyStep() override {}
  void BusyHide() override {}
  void SetBusyCursor(bool) override {}
  void ProcessMessages() override {}
  int StartTimer(int, std::function<void()>) override { return 0; }
  void StopTimer(int) override {}
  bool OpenFile(const std::string&) override { return true; }
  bool OpenUrl(const std::string&) override { return true; }
  bool InputBox(const std::string&, const std::string&, std::string&) override { return false; }
  TMsgButton MessageBoxDontAsk(TMsgKind, const std::string&, TMsgButtons, bool& dontAskAgain, const std::string&,
                               TMsgButton) override {
    dontAskAgain = false;
    return mbOK;
  }
  void ShowHelp(int) override {}
};

}  // namespace mailmoat::bench
