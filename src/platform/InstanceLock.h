#pragma once

#include "platform/FileSystem.h"

namespace mailmoat {

// An advisory lock on a file in the program directory, held for the life of the object.
// Two copies of the program over the same directory would write the same stores and check
// the same mailboxes; copies over different directories may run side by side. The lock
// ends with the process, also when it crashes.
class TInstanceLock {
public:
  TInstanceLock() = default;
  ~TInstanceLock();
  TInstanceLock(const TInstanceLock&) = delete;
  TInstanceLock& operator=(const TInstanceLock&) = delete;

  // Takes the lock on `dir`/"mailmoat.lock" without waiting. Returns false when another
  // process holds it. Throws EInOutError when the lock file cannot be created.
  bool Acquire(const TPath& dir);
  bool Held() const { return Fd >= 0; }
  void Release();

private:
  int Fd = -1;
};

}  // namespace mailmoat
