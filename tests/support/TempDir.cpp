#include "support/TempDir.h"

#include "platform/TempFiles.h"

#include <fstream>
#include <sstream>
#include <stdexcept>
#include <stdlib.h>

namespace mailmoat::test {

TTempDir::TTempDir() {
  std::string pattern = (std::filesystem::path(TempDirectory()) / "mmt-test-XXXXXX").string();
  if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  Dir = pattern;
}

TTempDir::~TTempDir() {
  std::error_code ec;
  std::filesystem::permissions(Dir, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
  std::filesystem::remove_all(Dir, ec);
}

void WriteTextFile(const std::filesystem::path& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

std::string ReadTextFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path.string());
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

}  // namespace mailmoat::test
