#pragma once

#include "core/UiHost.h"

#include <deque>
#include <map>
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

  void SetNextAnswer(TMsgButton answer) { Answers.push_back(answer); }
  // Runs a timer's callback as if its interval had passed.
  void FireTimer(int id);

  std::vector<TRecordedBox> Boxes;
  std::vector<std::string> Busy;
  std::vector<bool> CursorCalls;
  std::vector<std::string> OpenedFiles;
  std::vector<std::string> OpenedUrls;
  int ProcessMessagesCalls = 0;
  std::map<int, std::pair<int, std::function<void()>>> Timers;

private:
  std::deque<TMsgButton> Answers;
  int NextTimerId = 1;
};

}  // namespace mailmoat::test
