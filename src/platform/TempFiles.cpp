#include "platform/TempFiles.h"

#include "platform/Errors.h"
#include "platform/FileSystem.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace mailmoat {

std::string TempDirectory() {
  if (const char* dir = std::getenv("TMPDIR"); dir && *dir && DirectoryExists(dir)) return dir;
  return "/tmp";
}

std::string TempFileName(std::string_view prefix) {
  std::string name = (TPath(TempDirectory()) / TPath(std::string(prefix) + "XXXXXX.tmp")).string();
  const int fd = ::mkostemps(name.data(), 4, O_CLOEXEC);
  if (fd < 0) {
    const int err = errno;
    throw EInOutError("Cannot create a temporary file in " + TempDirectory() + ": " + ErrnoText(err));
  }
  ::close(fd);
  return name;
}

}  // namespace mailmoat
