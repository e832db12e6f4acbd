#include "platform/TempFiles.h"

#include "platform/Errors.h"
#include "platform/FileSystem.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
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

namespace {

// Owns the folder for the program's lifetime; its destructor runs at exit.
class TPrivateFolder {
public:
  TPrivateFolder() = default;
  TPrivateFolder(const TPrivateFolder&) = delete;
  TPrivateFolder& operator=(const TPrivateFolder&) = delete;
  ~TPrivateFolder() { Remove(); }

  const std::string& Path() {
    if (FPath.empty() || !DirectoryExists(FPath)) Make();
    return FPath;
  }

private:
  void Make() {
    Remove();
    // mkdtemp makes a new folder of mode 0700, so nobody can have placed files in it first.
    std::string name = (TPath(TempDirectory()) / "mailmoat-XXXXXX").string();
    if (::mkdtemp(name.data()) == nullptr) {
      const int err = errno;
      throw EInOutError("Cannot create a temporary folder in " + TempDirectory() + ": " + ErrnoText(err));
    }
    ::chmod(name.c_str(), S_IRWXU);
    FPath = name;
  }
  void Remove() {
    if (FPath.empty()) return;
    std::error_code ignored;
    std::filesystem::remove_all(FPath, ignored);
    FPath.clear();
  }

  std::string FPath;
};

}  // namespace

std::string PrivateTempFolder() {
  static TPrivateFolder folder;
  return folder.Path();
}

std::string WritePrivateTempFile(std::string_view name, std::string_view data) {
  if (name.empty() || name == "." || name == ".." || name.find('/') != std::string_view::npos ||
      name.find('\0') != std::string_view::npos)
    throw EInOutError("Not a file name for the temporary folder: " + std::string(name));
  const std::string path = (TPath(PrivateTempFolder()) / TPath(std::string(name))).string();
  WriteFileAtomic(path, data, TFileAccess::OwnerOnly);
  return path;
}

}  // namespace mailmoat
