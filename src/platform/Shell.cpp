#include "platform/Shell.h"

#include "platform/Errors.h"

#include <cerrno>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace mailmoat {

bool ShellOpen(const std::string& target, std::string* error) {
  // The target goes to xdg-open as one argument, never through a shell, because it may come
  // from a message (an attachment name).
  const char* argv[] = {"xdg-open", target.c_str(), nullptr};
  pid_t pid = 0;
  const int rc = ::posix_spawnp(&pid, "xdg-open", nullptr, nullptr, const_cast<char* const*>(argv), environ);
  if (rc != 0) {
    if (error) *error = "Cannot start xdg-open: " + ErrnoText(rc);
    return false;
  }
  // xdg-open hands over to the desktop and returns quickly; reap it so no zombie stays.
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return true;
  if (error) *error = "xdg-open could not open " + target;
  return false;
}

}  // namespace mailmoat
