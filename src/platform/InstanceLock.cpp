#include "platform/InstanceLock.h"

#include "platform/Errors.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace mailmoat {

TInstanceLock::~TInstanceLock() {
  Release();
}

bool TInstanceLock::Acquire(const TPath& dir) {
  Release();
  const TPath path = dir / "mailmoat.lock";
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) {
    const int err = errno;
    throw EInOutError("Cannot create " + path.string() + ": " + ErrnoText(err));
  }
  // An open file description lock: also exclusive between two objects of one process.
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    return false;
  }
  Fd = fd;
  return true;
}

void TInstanceLock::Release() {
  if (Fd >= 0) {
    ::close(Fd);
    Fd = -1;
  }
}

}  // namespace mailmoat
