#pragma once

#include "core/Notification.h"

namespace mailmoat::test {

// A run notifier that only counts what the check engine asked of it.
class TCountingNotifier : public TRunNotifier {
public:
  void ShowProcessingSummary() override { ++Summaries; }
  void NotifyNewMail() override { ++Notifications; }
  int Summaries = 0;
  int Notifications = 0;
};

}  // namespace mailmoat::test
