#pragma once

#include "core/UiHost.h"

#include <chrono>
#include <cstdio>
#include <functional>
#include <map>

namespace mailmoat {

// The user-interface host of a headless run. Message boxes go to standard error (and to the
// log sink, once one is set); a question gets its default answer, and a box that offers no
// default gets OK, else No, else Cancel, so an unattended run never agrees to delete anything
// it was not told to. Timers run from ProcessMessages, which the long operations call.
class TConsoleUiHost : public TUiHost {
public:
  using TLogSink = std::function<void(TMsgKind kind, const std::string& text)>;

  explicit TConsoleUiHost(std::FILE* err = stderr) : Err(err) {}

  void SetLogSink(TLogSink sink) { LogSink = std::move(sink); }
  // Runs at every ProcessMessages, before the timers: where a headless run notices a signal.
  void SetIdleHook(std::function<void()> hook) { IdleHook = std::move(hook); }

  TMsgButton MessageBox(TMsgKind kind, const std::string& text, TMsgButtons buttons, int helpContext,
                        const std::string& caption, TMsgButton defaultButton) override;
  void BusySetCaption(const std::string&) override {}
  void BusySetMax(std::int64_t) override {}
  void BusySetPosition(std::int64_t) override {}
  void BusyShow() override {}
  void BusyStep() override {}
  void BusyHide() override {}
  void SetBusyCursor(bool) override {}
  void ProcessMessages() override;
  int StartTimer(int intervalMs, std::function<void()> callback) override;
  void StopTimer(int id) override;
  bool OpenFile(const std::string& path) override;
  bool OpenUrl(const std::string& url) override;
  // Nobody can type: the answer is Cancel.
  bool InputBox(const std::string& caption, const std::string& prompt, std::string& value) override;
  // Asked as MessageBox asks; nothing is ticked, so the question comes again next time.
  TMsgButton MessageBoxDontAsk(TMsgKind kind, const std::string& text, TMsgButtons buttons, bool& dontAskAgain,
                               const std::string& caption, TMsgButton defaultButton) override;
  void ShowHelp(int) override {}

  // The answer a host without a user gives to a box with these buttons.
  static TMsgButton DefaultAnswer(TMsgButtons buttons, TMsgButton defaultButton);

private:
  struct TTimer {
    std::chrono::milliseconds Interval;
    std::chrono::steady_clock::time_point Due;
    std::function<void()> Callback;
  };

  std::FILE* Err;
  TLogSink LogSink;
  std::function<void()> IdleHook;
  std::map<int, TTimer> Timers;
  int NextTimerId = 1;
};

// One line for a box's text: line breaks become blanks.
std::string OneLine(const std::string& text);

}  // namespace mailmoat
