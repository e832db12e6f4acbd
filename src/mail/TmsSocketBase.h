#pragma once

#include <chrono>
#include <string>

namespace mailmoat {

// The root of the socket chain: the count of time without progress behind every wait.
class TmsSocketBase {
public:
  virtual ~TmsSocketBase() = default;

  std::string Version() const { return "2.1"; }

protected:
  // Starts the count again: call on each byte or block moved.
  void RestartTimeOut() { LastProgress = std::chrono::steady_clock::now(); }
  // Milliseconds left before `seconds` pass without progress; throws EmsTimedOutError
  // ("Operation timed out") when none are left.
  int TimeOutRemainingMs(int seconds) const;

private:
  std::chrono::steady_clock::time_point LastProgress = std::chrono::steady_clock::now();
};

}  // namespace mailmoat
