#pragma once

#include <csignal>
#include <sys/resource.h>

namespace mailmoat::test {

// Makes writes beyond `bytes` fail in this process, as on a full disk or over a quota, for the
// life of the object. Each test runs in a process of its own, so nothing else is affected.
class TFileSizeLimit {
public:
  explicit TFileSizeLimit(rlim_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &Saved);
    OldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = Saved;
    limit.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~TFileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &Saved);
    std::signal(SIGXFSZ, OldHandler);
  }
  TFileSizeLimit(const TFileSizeLimit&) = delete;
  TFileSizeLimit& operator=(const TFileSizeLimit&) = delete;

private:
  rlimit Saved{};
  void (*OldHandler)(int) = nullptr;
};

}  // namespace mailmoat::test
