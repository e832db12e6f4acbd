#pragma once

namespace mailmoat {

// What a check run hands over at its end: the processing summary and the new-mail
// notification, both reading the run counters and CleanCount of the configuration object.
class TRunNotifier {
public:
  virtual ~TRunNotifier() = default;
  virtual void ShowProcessingSummary() = 0;
  virtual void NotifyNewMail() = 0;
};

// A run that tells nobody: the headless quick check, and the window until its summary and
// popup windows exist.
class TSilentNotifier final : public TRunNotifier {
public:
  void ShowProcessingSummary() override {}
  void NotifyNewMail() override {}
};

}  // namespace mailmoat
