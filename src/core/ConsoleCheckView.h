#pragma once

#include "core/UiHost.h"

#include <cstdio>

namespace mailmoat {

// What a headless run shows of a check: status texts on one stream when wanted (a terminal),
// nothing otherwise. The check-and-view list needs a person, so it is always refused.
class TConsoleCheckView : public TCheckView {
public:
  explicit TConsoleCheckView(std::FILE* out, bool echoStatus) : Out(out), EchoStatus(echoStatus) {}

  void SetStatusText(const std::string& text) override;
  void SetProgress(int, int) override {}
  void SetPanelText(int, const std::string&) override {}
  void SetTrayHint(const std::string&) override {}
  void AnimateTray(bool) override {}
  void EnableCheckCommands(bool) override {}
  bool ShowCheckAndView(std::vector<THdrRec>&) override { return false; }
  void ShowSummary(const TRunCounters&, int) override {}

private:
  std::FILE* Out;
  bool EchoStatus;
};

}  // namespace mailmoat
