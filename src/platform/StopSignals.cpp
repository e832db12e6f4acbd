#include "platform/StopSignals.h"

#include <csignal>

namespace mailmoat {

namespace {

volatile std::sig_atomic_t Caught = 0;

extern "C" void OnStopSignal(int) {
  Caught = 1;
}

}  // namespace

void CatchStopSignals() {
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  action.sa_flags = SA_RESETHAND;
  sigemptyset(&action.sa_mask);
  ::sigaction(SIGINT, &action, nullptr);
  ::sigaction(SIGTERM, &action, nullptr);
}

bool StopSignalCaught() {
  return Caught != 0;
}

}  // namespace mailmoat
