#include "core/AutoCheckScheduler.h"

#include "support/ConfigFixture.h"

#include <gtest/gtest.h>

namespace mailmoat {
namespace {

using TTick = TAutoCheckScheduler::TTick;

class AutoCheckSchedulerTest : public test::ConfigFixture {
protected:
  AutoCheckSchedulerTest() {
    StartUp(LogLevel::Normal);
    Scheduler.emplace(*Config);
  }
  // Ticks until one starts a check; returns the panel texts on the way and that tick.
  std::vector<std::string> TicksUntilStart(TTick& started, int limit = 100) {
    std::vector<std::string> panels;
    for (int i = 0; i < limit; ++i) {
      started = Scheduler->Tick(false);
      if (started.PanelText) panels.push_back(*started.PanelText);
      if (started.Start) return panels;
    }
    ADD_FAILURE() << "no check within " << limit << " ticks";
    return panels;
  }

  std::optional<TAutoCheckScheduler> Scheduler;
};

TEST_F(AutoCheckSchedulerTest, TenMinutesCountDownThenStartOneCheckInTheConfiguredMode) {
  Config->AutoMins = 10;
  EXPECT_TRUE(Scheduler->TimerEnabled());
  EXPECT_EQ(Scheduler->Reset(), "Check in 10 mins");
  Scheduler->FirstShow();
  TTick started;
  EXPECT_EQ(TicksUntilStart(started),
            (std::vector<std::string>{"Check in 9 mins", "Check in 8 mins", "Check in 7 mins", "Check in 6 mins",
                                      "Check in 5 mins", "Check in 4 mins", "Check in 3 mins", "Check in 2 mins",
                                      "Check in 1 mins", "in progress"}));
  EXPECT_FALSE(started.Eat);
  EXPECT_FALSE(started.View);
  EXPECT_FALSE(Config->CheckAndView);
  EXPECT_EQ(Scheduler->MinutesElapsed(), 0);
  EXPECT_TRUE(Logged("@ Automatic check only executing"));

  // Eat, and check-and-view which wins over eat and eats nothing by itself.
  Config->AutoType = true;
  TicksUntilStart(started);
  EXPECT_TRUE(started.Eat);
  EXPECT_TRUE(Logged("@ Automatic check and eat executing"));
  Config->AutoView = true;
  TicksUntilStart(started);
  EXPECT_TRUE(started.View);
  EXPECT_FALSE(started.Eat);
  EXPECT_TRUE(Config->CheckAndView);
  EXPECT_TRUE(Config->AutoViewRun);
  EXPECT_TRUE(Logged("@ Automatic check and view executing"));
  // The next tick clears the automatic-view mark again.
  Scheduler->Tick(false);
  EXPECT_FALSE(Config->AutoViewRun);
}

TEST_F(AutoCheckSchedulerTest, ARunningCheckADialOrAModalWindowRestartsTheCount) {
  Config->AutoMins = 3;
  Scheduler->Reset();
  Scheduler->Tick(false);
  Scheduler->Tick(false);
  EXPECT_EQ(Scheduler->MinutesElapsed(), 2);

  TTick tick = Scheduler->Tick(true);
  EXPECT_EQ(tick.PanelText, "");
  EXPECT_FALSE(tick.Start);
  EXPECT_EQ(Scheduler->MinutesElapsed(), 0);

  Scheduler->Tick(false);
  Config->CheckInProgress = true;
  tick = Scheduler->Tick(false);
  EXPECT_EQ(tick.PanelText, "in progress");
  EXPECT_EQ(Scheduler->MinutesElapsed(), 0);
  Config->CheckInProgress = false;
  Config->Dialing = true;
  EXPECT_EQ(Scheduler->Tick(false).PanelText, "in progress");
  Config->Dialing = false;
  Config->PrefsOpen = true;
  EXPECT_FALSE(Scheduler->Tick(false).Start);
  Config->PrefsOpen = false;

  // A full count again from there.
  TTick started;
  EXPECT_EQ(TicksUntilStart(started).size(), 3u);
}

TEST_F(AutoCheckSchedulerTest, CheckOnStartStartsAtTheFirstTickAndManualChecksNever) {
  Config->AutoMins = 10;
  Config->CheckOnStart = true;
  Scheduler->Reset();
  Scheduler->FirstShow();
  EXPECT_TRUE(Scheduler->Tick(false).Start);

  // With one minute every tick starts a check.
  Config->CheckOnStart = false;
  Config->AutoMins = 1;
  Scheduler->Reset();
  EXPECT_TRUE(Scheduler->Tick(false).Start);
  EXPECT_TRUE(Scheduler->Tick(false).Start);

  Config->AutoMins = 0;
  Config->CheckOnStart = true;
  EXPECT_FALSE(Scheduler->TimerEnabled());
  EXPECT_EQ(Scheduler->Reset(), "Manual checks");
  EXPECT_EQ(Scheduler->Reset("Manual Checks"), "Manual Checks");
  Scheduler->FirstShow();
  EXPECT_FALSE(Scheduler->Tick(false).Start);
  // A quick start checks at the first tick all the same.
  Config->QuickMode = true;
  EXPECT_TRUE(Scheduler->TimerEnabled());
  Scheduler->FirstShow();
  EXPECT_TRUE(Scheduler->Tick(false).Start);
}

TEST_F(AutoCheckSchedulerTest, AStartUpDelayIsWaitedOnceAndStartsExactlyOneCheck) {
  Config->AutoMins = 10;
  Config->CheckOnStart = true;
  Config->StartupCheckDelay = 120;
  Scheduler->Reset();
  Scheduler->FirstShow();
  TTick tick = Scheduler->Tick(false);
  EXPECT_EQ(tick.DelaySeconds, 120);
  EXPECT_FALSE(tick.Start);
  EXPECT_TRUE(Logged("# Startup check delay set. Sleeping 120 seconds"));
  // Ticks while the delay is waited count for nothing.
  EXPECT_FALSE(Scheduler->Tick(false).Start);
  EXPECT_FALSE(Scheduler->Tick(false).Start);
  EXPECT_TRUE(Scheduler->StartupDelayElapsed(false).Start);
  EXPECT_FALSE(Scheduler->StartupDelayElapsed(false).Start);
  EXPECT_EQ(LinesStartingWith("@ Automatic").size(), 1u);
  // The delay belongs to the start only; the count goes on as usual.
  EXPECT_EQ(Scheduler->Tick(false).DelaySeconds, 0);
  EXPECT_EQ(Scheduler->MinutesElapsed(), 1);

  // A check the user started during the delay: the delayed tick then only shows it.
  Scheduler->FirstShow();
  Scheduler->Tick(false);
  Config->CheckInProgress = true;
  tick = Scheduler->StartupDelayElapsed(false);
  EXPECT_FALSE(tick.Start);
  EXPECT_EQ(tick.PanelText, "in progress");
}

}  // namespace
}  // namespace mailmoat
