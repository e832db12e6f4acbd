#include "mail/TmsSocketBase.h"

#include "mail/SocketErrors.h"

namespace mailmoat {

int TmsSocketBase::TimeOutRemainingMs(int seconds) const {
  using namespace std::chrono;
  const auto elapsed = duration_cast<milliseconds>(steady_clock::now() - LastProgress).count();
  const long long left = static_cast<long long>(seconds) * 1000 - elapsed;
  if (left <= 0) throw EmsTimedOutError();
  return static_cast<int>(left);
}

}  // namespace mailmoat
