#pragma once

#include "core/CheckView.h"

#include <array>
#include <functional>
#include <string>
#include <vector>

namespace mailmoat::test {

// A check view that records every call as one line ("pop: Connecting to ...", "panel0: ...",
// "list: CAPTION", ...), so a test can assert what a run showed and in which order, and ticks
// the check-and-view list through a callback.
class TRecordingCheckView : public TCheckView {
public:
  void SetPOPStatus(const std::string& text) override { Add("pop: " + text); }
  void SetMessageStatus(const std::string& text) override { Add("msg: " + text); }
  void SetServerName(const std::string& text) override { Add("server: " + text); }
  void SetProgressMax(int max) override {
    ProgressMax = max;
    ProgressPosition = 0;
  }
  void SetProgress(int position) override { ProgressPosition = position; }
  void StepProgress(int by) override { ProgressPosition += by; }
  void SetPanelText(TStatusPanel panel, const std::string& text) override {
    Add("panel" + std::to_string(static_cast<int>(panel)) + ": " + text);
    Panels[static_cast<std::size_t>(panel)] = text;
  }
  const std::string& Panel(TStatusPanel panel) const { return Panels[static_cast<std::size_t>(panel)]; }
  void SetTrayHint(const std::string& hint) override { Add("tray: " + hint); }
  void AnimateTray(bool on) override { Add(on ? "animate on" : "animate off"); }
  void EnableCheckCommands(bool enabled) override {
    CommandsEnabled = enabled;
    Add(enabled ? "commands on" : "commands off");
  }
  void EnableAbort(bool enabled) override {
    AbortEnabled = enabled;
    Add(enabled ? "abort on" : "abort off");
  }
  bool HiddenInTray() const override { return Hidden; }
  void HideToTray() override { Add("hide to tray"); }
  bool ShowCheckAndView(std::vector<THdrRec>& list, const std::string& caption) override {
    Add("list: " + caption);
    Lists.push_back(list);
    bool any = false;
    if (Review) any = Review(list);
    return any;
  }
  void ShowSummary(const TRunCounters& counters, int waiting) override {
    Add("summary: " + std::to_string(counters.Processed) + " processed, " + std::to_string(waiting) + " waiting");
  }
  void ShowMailWaiting(const std::string& text) override { Add("mail waiting: " + text); }
  bool PlaySound(const std::string& file, std::string& error) override {
    Add("sound: " + file);
    if (!SoundError.empty()) {
      error = SoundError;
      return false;
    }
    return true;
  }

  // Whether any line equals `line`, and how many start with `prefix`.
  bool Has(const std::string& line) const {
    for (const std::string& l : Calls)
      if (l == line) return true;
    return false;
  }
  int CountPrefix(const std::string& prefix) const {
    int n = 0;
    for (const std::string& l : Calls)
      if (l.rfind(prefix, 0) == 0) ++n;
    return n;
  }

  std::vector<std::string> Calls;
  // The list as each review saw it, before the marks were changed.
  std::vector<std::vector<THdrRec>> Lists;
  // Sets the marks of a shown list and returns the any-checked flag; none: nothing ticked.
  std::function<bool(std::vector<THdrRec>&)> Review;
  // Called after every recorded call; tests use it to press Abort at a chosen moment.
  std::function<void(const std::string&)> OnCall;
  std::string SoundError;
  std::array<std::string, 3> Panels;
  int ProgressMax = 0;
  int ProgressPosition = 0;
  bool CommandsEnabled = true;
  bool AbortEnabled = false;
  bool Hidden = false;

private:
  void Add(const std::string& line) {
    Calls.push_back(line);
    if (OnCall) OnCall(line);
  }
};

}  // namespace mailmoat::test
