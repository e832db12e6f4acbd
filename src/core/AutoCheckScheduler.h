#pragma once

#include <optional>
#include <string>

namespace mailmoat {

class TConfigData;

// The countdown of the main window's minute timer to the next automatic check. The window
// feeds it one tick a minute and does what each tick returns; the scheduler holds no timer.
class TAutoCheckScheduler {
public:
  // What one tick asks of the window.
  struct TTick {
    // The new text of the "next check" status panel, when it changes.
    std::optional<std::string> PanelText;
    // Seconds of the start-up delay to wait before calling StartupDelayElapsed(); 0 for none.
    int DelaySeconds = 0;
    // Start a check: eat, or check-and-view (which never eats by itself).
    bool Start = false;
    bool Eat = false;
    bool View = false;
  };

  explicit TAutoCheckScheduler(TConfigData& config);

  // The minute timer runs exactly while this is true.
  bool TimerEnabled() const;
  // At creation and after the preferences change anything: the count restarts, and the
  // panel text to show ("Check in N mins", or `manualText` without automatic checks).
  std::string Reset(const std::string& manualText = "Manual checks");
  // At the first show of the window: with CheckOnStart the first tick starts a check, after
  // the start-up delay when one is set.
  void FirstShow();

  // One minute has passed. `modalOpen`: a modal window of the program is open (the
  // preferences, the wizard, the archive browser, a box), which holds the count at 0.
  TTick Tick(bool modalOpen);
  // The start-up delay that a tick asked for has passed: that tick goes on to its decision.
  TTick StartupDelayElapsed(bool modalOpen);

  int MinutesElapsed() const { return Elapsed; }
  bool StartupDelayPending() const { return DelayPending; }
  bool StartupDelayRunning() const { return DelayRunning; }

private:
  int Minutes() const;
  TTick Decide(bool modalOpen);

  TConfigData& Config;
  int Elapsed = 0;
  bool DelayPending = false;
  // The start-up delay is being waited: ticks in between count for nothing.
  bool DelayRunning = false;
};

}  // namespace mailmoat
