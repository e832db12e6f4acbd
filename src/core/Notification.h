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

}  // namespace mailmoat
