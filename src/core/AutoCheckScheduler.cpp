#include "core/AutoCheckScheduler.h"

#include "core/dataConfig.h"

namespace mailmoat {

TAutoCheckScheduler::TAutoCheckScheduler(TConfigData& config) : Config(config) {
}

int TAutoCheckScheduler::Minutes() const {
  // A quick start checks at the first tick even without automatic checks; otherwise it
  // would wait hidden for ever.
  return Config.AutoMins == 0 && Config.QuickMode ? 1 : Config.AutoMins;
}

bool TAutoCheckScheduler::TimerEnabled() const {
  return Minutes() != 0;
}

std::string TAutoCheckScheduler::Reset(const std::string& manualText) {
  Elapsed = 0;
  return Config.AutoMins != 0 ? "Check in " + std::to_string(Config.AutoMins) + " mins" : manualText;
}

void TAutoCheckScheduler::FirstShow() {
  if (Config.CheckOnStart) {
    DelayPending = true;
    Elapsed = Minutes() - 1;
  } else {
    DelayPending = false;
    if (Minutes() > 0) Elapsed = 0;
  }
}

TAutoCheckScheduler::TTick TAutoCheckScheduler::Tick(bool modalOpen) {
  if (DelayRunning) return {};
  if (Config.StartupCheckDelay > 0 && DelayPending) {
    // The window waits on a one-shot timer and stays responsive; this tick's decision is
    // taken when the delay has passed, with the flags as they are then.
    DelayPending = false;
    DelayRunning = true;
    Config.TryLog(TLogClass::Normal,
                  "# Startup check delay set. Sleeping " + std::to_string(Config.StartupCheckDelay) + " seconds");
    TTick tick;
    tick.DelaySeconds = Config.StartupCheckDelay;
    return tick;
  }
  return Decide(modalOpen);
}

TAutoCheckScheduler::TTick TAutoCheckScheduler::StartupDelayElapsed(bool modalOpen) {
  if (!DelayRunning) return {};
  DelayRunning = false;
  return Decide(modalOpen);
}

TAutoCheckScheduler::TTick TAutoCheckScheduler::Decide(bool modalOpen) {
  TTick tick;
  const bool running = Config.CheckInProgress || Config.Dialing;
  const int minutes = Minutes();
  if (running || minutes == 0 || modalOpen || Config.PrefsOpen) {
    tick.PanelText = running ? "in progress" : "";
    Elapsed = 0;
    return tick;
  }
  ++Elapsed;
  Config.AutoViewRun = false;
  if (Elapsed < minutes) {
    tick.PanelText = "Check in " + std::to_string(minutes - Elapsed) + " mins";
    return tick;
  }
  tick.PanelText = "in progress";
  Elapsed = 0;
  tick.Start = true;
  std::string line;
  if (Config.AutoView) {
    line = "@ Automatic check and view executing";
    tick.View = true;
    Config.AutoViewRun = true;
  } else if (Config.AutoType) {
    line = "@ Automatic check and eat executing";
    tick.Eat = true;
  } else {
    line = "@ Automatic check only executing";
  }
  Config.CheckAndView = tick.View;
  Config.TryLog(TLogClass::Normal, line);
  return tick;
}

}  // namespace mailmoat
