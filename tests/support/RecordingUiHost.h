#pragma once

#include "core/UiHost.h"

#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace mailmoat::test {

struct TRecordedBox {
  TMsgKind Kind;
  std::string Text;
  TMsgButtons Buttons;
  int HelpContext;
  std::string Caption;
};

// A user-interface host that records every call, so a test can assert exactly which boxes
// appeared, and answers questions from a script (the default answer when none is left).
class TRecordingUiHost : public TUiHost {
public:
  TMsgButton MessageBox(TMsgKind kind, const std::string& text, TMsgButtons buttons, int helpContext,
                        const std::string& caption, TMsgButton defaultButton) override;
  void BusySetCaption(const std::string& caption) override { Busy.push_back("caption " + caption); }
  void BusySetMax(std::int64_t max) override { Busy.push_back("max " + std::to_string(max)); }
  void BusySetPosition(std::int64_t position) override { Busy.push_back("position " + std::to_string(position)); }
  void BusyShow() override { Busy.push_back("show"); }
  void BusyStep() override { Busy.push_back("step"); }
  void BusyHide() override { Busy.push_back("hide"); }
  void SetBusyCursor(bool busy) override { CursorCalls.push_back(busy); }
  void ProcessMessages() override { ++ProcessMessagesCalls; }
  int StartTimer(int intervalMs, std::function<void()> callback) override;
  void StopTimer(int id) override { Timers.erase(id); }
  bool OpenFile(const std::string& path) override {
    OpenedFiles.push_back(path);
    return true;
  }
  bool OpenUrl(const std::string& url) override {
    OpenedUrls.push_back(url);
    return true;
  }

  // Recorded as boxes and input boxes (with `InputPrompts`); answered from the scripts below.
  bool InputBox(const std::string& caption, const std::string& prompt, std::string& value) override;
  TMsgButton MessageBoxDontAsk(TMsgKind kind, const std::string& text, TMsgButtons buttons, bool& dontAskAgain,
                               const std::string& caption, TMsgButton defaultButton) override;
  void ShowHelp(int helpContext) override { HelpTopics.push_back(helpContext); }

  void SetNextAnswer(TMsgButton answer) { Answers.push_back(answer); }
  // The next input box's answer; none scripted answers Cancel.
  void SetNextInput(std::optional<std::string> answer) { Inputs.push_back(std::move(answer)); }
  // Whether the next "Don't ask me this again." box is ticked.
  void SetNextDontAsk(bool ticked) { DontAsk.push_back(ticked); }
  // Runs a timer's callback as if its interval had passed.
  void FireTimer(int id);

  std::vector<TRecordedBox> Boxes;
  std::vector<std::string> Busy;
  std::vector<bool> CursorCalls;
  std::vector<std::string> OpenedFiles;
  std::vector<std::string> OpenedUrls;
  std::vector<std::string> InputPrompts;  // caption + ": " + prompt + " [" + initial value + "]"
  std::vector<int> HelpTopics;
  int ProcessMessagesCalls = 0;
  std::map<int, std::pair<int, std::function<void()>>> Timers;

private:
  std::deque<TMsgButton> Answers;
  std::deque<std::optional<std::string>> Inputs;
  std::deque<bool> DontAsk;
  int NextTimerId = 1;
};

}  // namespace mailmoat::test
