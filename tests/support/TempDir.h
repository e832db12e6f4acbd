#pragma once

#include <filesystem>
#include <string>

namespace mailmoat::test {

// A fresh directory under the system's temporary directory, removed with everything in it
// when the object goes.
class TTempDir {
public:
  TTempDir();
  ~TTempDir();
  TTempDir(const TTempDir&) = delete;
  TTempDir& operator=(const TTempDir&) = delete;

  const std::filesystem::path& Path() const { return Dir; }
  std::filesystem::path operator/(const std::string& name) const { return Dir / name; }

private:
  std::filesystem::path Dir;
};

void WriteTextFile(const std::filesystem::path& path, const std::string& content);
std::string ReadTextFile(const std::filesystem::path& path);

}  // namespace mailmoat::test
