#include "platform/FileSystem.h"

#include "platform/Errors.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace mailmoat {

std::string ErrnoText(int err) {
  return std::strerror(err);
}

namespace {

[[noreturn]] void ThrowFileError(const char* what, const TPath& path, int err) {
  throw EInOutError(std::string(what) + " " + path.string() + ": " + ErrnoText(err));
}

// Writes all of `data`, retrying short writes and interrupted calls.
bool WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t n = ::write(fd, data.data(), data.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

void SyncDirectory(const TPath& dir) {
  const int fd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd >= 0) {
    ::fsync(fd);
    ::close(fd);
  }
}

}  // namespace

bool FileExists(const TPath& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool DirectoryExists(const TPath& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::optional<std::uint64_t> FileSize(const TPath& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return std::nullopt;
  return static_cast<std::uint64_t>(st.st_size);
}

std::string ReadWholeFile(const TPath& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) ThrowFileError("Cannot open", path, errno);
  std::string data;
  char buf[65536];
  for (;;) {
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      const int err = errno;
      ::close(fd);
      ThrowFileError("Cannot read", path, err);
    }
    if (n == 0) break;
    data.append(buf, static_cast<size_t>(n));
  }
  ::close(fd);
  return data;
}

void WriteFileAtomic(const TPath& target, std::string_view data, TFileAccess access) {
  // A settings file kept elsewhere and linked here stays linked: replace the file the link
  // points to, not the link.
  std::error_code ec;
  TPath path = target;
  if (std::filesystem::is_symlink(target, ec)) {
    const TPath resolved = std::filesystem::weakly_canonical(target, ec);
    if (!ec) path = resolved;
  }
  std::string work = path.string() + ".XXXXXX";
  const int fd = ::mkostemp(work.data(), O_CLOEXEC);
  if (fd < 0) ThrowFileError("Cannot create", TPath(work), errno);
  // mkostemp creates the file 0600; otherwise keep the permissions of the file being replaced.
  struct stat st {};
  if (access == TFileAccess::OwnerOnly) {
    ::fchmod(fd, 0600);
  } else if (::stat(path.c_str(), &st) == 0) {
    ::fchmod(fd, st.st_mode & 07777);
  } else {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
  }
  if (!WriteAll(fd, data) || ::fsync(fd) != 0) {
    const int err = errno;
    ::close(fd);
    ::unlink(work.c_str());
    ThrowFileError("Cannot write", TPath(work), err);
  }
  if (::close(fd) != 0) {
    const int err = errno;
    ::unlink(work.c_str());
    ThrowFileError("Cannot write", TPath(work), err);
  }
  if (::rename(work.c_str(), path.c_str()) != 0) {
    const int err = errno;
    ::unlink(work.c_str());
    ThrowFileError("Cannot replace", path, err);
  }
  SyncDirectory(path.parent_path());
}

bool RenameNoReplace(const TPath& from, const TPath& to, std::string* error) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
  int err = errno;
  if (err == EINVAL || err == ENOSYS) {
    // File systems without RENAME_NOREPLACE: a hard link fails on an existing target too.
    if (::link(from.c_str(), to.c_str()) == 0) {
      ::unlink(from.c_str());
      return true;
    }
    err = errno;
  }
  if (error) *error = ErrnoText(err);
  return false;
}

void DeleteFileIfExists(const TPath& path) {
  if (::unlink(path.c_str()) != 0 && errno != ENOENT) ThrowFileError("Cannot delete", path, errno);
}

void ForceDirectories(const TPath& path) {
  std::error_code ec;
  std::filesystem::create_directories(path, ec);
  if (ec) throw EInOutError("Cannot create directory " + path.string() + ": " + ec.message());
}

}  // namespace mailmoat
