#pragma once

#include "core/CheckView.h"

#include <cstdio>

namespace mailmoat {

// What a headless run shows of a check: the status texts on one stream when wanted (a
// terminal), nothing else. There is no tray, no window and no sound; the check-and-view list
// needs a person, so it is always refused.
class TConsoleCheckView : public TCheckView {
public:
  explicit TConsoleCheckView(std::FILE* out, bool echoStatus) : Out(out), EchoStatus(echoStatus) {}

  void SetPOPStatus(const std::string& text) override { Echo(text); }
  void SetMessageStatus(const std::string& text) override { Echo(text); }
  void SetServerName(const std::string&) override {}
  void SetProgressMax(int) override {}
  void SetProgress(int) override {}
  void StepProgress(int) override {}
  void SetPanelText(TStatusPanel, const std::string&) override {}
  void SetTrayHint(const std::string&) override {}
  void AnimateTray(bool) override {}
  void EnableCheckCommands(bool) override {}
  void EnableAbort(bool) override {}
  bool HiddenInTray() const override { return false; }
  void HideToTray() override {}
  bool ShowCheckAndView(std::vector<THdrRec>&, const std::string&) override { return false; }
  void ShowSummary(const TRunCounters&, int) override {}
  void ShowMailWaiting(const std::string&) override {}
  bool PlaySound(const std::string&, std::string&) override { return true; }

private:
  void Echo(const std::string& text);

  std::FILE* Out;
  bool EchoStatus;
  std::string Last;
};

}  // namespace mailmoat
