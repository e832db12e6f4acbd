#pragma once

#include "core/CheckView.h"

#include <string>

namespace mailmoat {

class TfrmMain;

// What a check run shows, on the main window. Made before the window (the check engine
// needs it first) and attached once the window exists; until then it shows nothing.
class TMainCheckView : public TCheckView {
public:
  void Attach(TfrmMain* window) { Window = window; }

  void SetPOPStatus(const std::string& text) override;
  void SetMessageStatus(const std::string& text) override;
  void SetServerName(const std::string& text) override;
  void SetProgressMax(int max) override;
  void SetProgress(int position) override;
  void StepProgress(int by = 1) override;
  void SetPanelText(TStatusPanel panel, const std::string& text) override;
  void SetTrayHint(const std::string& hint) override;
  void AnimateTray(bool on) override;
  void EnableCheckCommands(bool enabled) override;
  void EnableAbort(bool enabled) override;
  bool HiddenInTray() const override;
  void HideToTray() override;

  // Without a window nothing can be ticked, so nothing is deleted.
  bool ShowCheckAndView(std::vector<THdrRec>& list, const std::string& caption) override;
  void ShowSummary(const TRunCounters& counters, int waiting) override;
  void ShowMailWaiting(const std::string& text) override;
  bool PlaySound(const std::string& file, std::string& error) override;

private:
  TfrmMain* Window = nullptr;
};

}  // namespace mailmoat
