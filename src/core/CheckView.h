#pragma once

#include "core/Records.h"

#include <string>
#include <vector>

namespace mailmoat {

// The panels of the main window's status bar, left to right.
enum class TStatusPanel { Results, NextCheck, Connection };

// What the check engine shows while it runs: the main window's status elements, the tray,
// and the windows a run opens. Each setter names the element it stands for.
class TCheckView {
public:
  virtual ~TCheckView() = default;

  virtual void SetPOPStatus(const std::string& text) = 0;      // "Current Status:"
  virtual void SetMessageStatus(const std::string& text) = 0;  // "Current Activity:"
  virtual void SetServerName(const std::string& text) = 0;     // "Mail Server:"
  // The progress bar: its maximum, and its position (0 .. max).
  virtual void SetProgressMax(int max) = 0;
  virtual void SetProgress(int position) = 0;
  virtual void StepProgress(int by = 1) = 0;
  virtual void SetPanelText(TStatusPanel panel, const std::string& text) = 0;
  virtual void SetTrayHint(const std::string& hint) = 0;
  virtual void AnimateTray(bool on) = 0;
  virtual void EnableCheckCommands(bool enabled) = 0;
  virtual void EnableAbort(bool enabled) = 0;
  // Whether the main window is hidden in the tray, and hiding it there again.
  virtual bool HiddenInTray() const = 0;
  virtual void HideToTray() = 0;

  // Shows the check-and-view list of one connection modally under `caption`; the user's
  // delete marks are written into `list`. Returns whether any row is ticked when the list
  // closes (false: nothing is to be deleted).
  virtual bool ShowCheckAndView(std::vector<THdrRec>& list, const std::string& caption) = 0;

  // The processing summary window, modal; `waiting` is the count of good messages.
  virtual void ShowSummary(const TRunCounters& counters, int waiting) = 0;
  // The "Mail Waiting!" window, modal.
  virtual void ShowMailWaiting(const std::string& text) = 0;
  // Starts playing a sound file without waiting for its end. Returns false with the reason
  // in `error` when the file cannot be opened; a file that opens but cannot be played (no
  // sound device, not a sound) is no error.
  virtual bool PlaySound(const std::string& file, std::string& error) = 0;
};

}  // namespace mailmoat
