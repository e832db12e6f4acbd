// The -lh5- stream against archivers written elsewhere: lhasa must extract what we encode,
// and what jlha compresses must decode here. Both come from scripts/install-deps.sh; a test is
// skipped when its program is missing. Note that `lha` may be either of them (Debian switches
// it by alternatives), so the programs are called by their own names.
#include "core/Lh5.h"

#include "core/Lh5TestData.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <vector>

namespace mailmoat {
namespace {

namespace fs = std::filesystem;
using test::ReadTextFile;
using test::TTempDir;
using test::WriteTextFile;

std::optional<fs::path> FindProgram(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::string dirs = path ? path : "/usr/bin:/bin";
  std::size_t start = 0;
  while (start <= dirs.size()) {
    const std::size_t end = std::min(dirs.find(':', start), dirs.size());
    const fs::path candidate = fs::path(dirs.substr(start, end - start)) / name;
    if (::access(candidate.c_str(), X_OK) == 0) return candidate;
    start = end + 1;
  }
  return std::nullopt;
}

// Runs the program with these arguments in `dir`, its output and errors into `log`. Returns
// the exit status, or -1 when it did not exit normally.
int RunProgram(const fs::path& program, const std::vector<std::string>& args, const fs::path& dir,
               const fs::path& log) {
  std::vector<std::string> all{program.string()};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);
  const pid_t pid = ::fork();
  if (pid == 0) {
    const int fd = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (fd < 0 || ::chdir(dir.c_str()) != 0) ::_exit(126);
    ::dup2(fd, 1);
    ::dup2(fd, 2);
    const int null = ::open("/dev/null", O_RDONLY);
    if (null >= 0) ::dup2(null, 0);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  if (pid < 0) return -1;
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// CRC-16 of LHA archives: reflected polynomial 0xA001, starting at 0.
std::uint16_t Crc16(std::string_view data) {
  std::uint16_t crc = 0;
  for (unsigned char c : data) {
    crc ^= c;
    for (int i = 0; i < 8; ++i) crc = (crc & 1) ? static_cast<std::uint16_t>((crc >> 1) ^ 0xA001) : crc >> 1;
  }
  return crc;
}

void PutLe(std::string& out, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

std::uint32_t GetLe(std::string_view in, std::size_t at, int bytes) {
  std::uint32_t value = 0;
  for (int i = bytes - 1; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(in.at(at + i));
  return value;
}

// A one-member archive with a level 0 header around an -lh5- stream of `original`.
std::string Level0Archive(const std::string& name, const std::string& original, const std::string& stream) {
  std::string header = "-lh5-";
  PutLe(header, static_cast<std::uint32_t>(stream.size()), 4);
  PutLe(header, static_cast<std::uint32_t>(original.size()), 4);
  PutLe(header, (44u << 25) | (1u << 21) | (2u << 16) | (12u << 11), 4);  // 2 Jan 2024 12:00, DOS time
  header.push_back(0x20);                                                 // attribute: archive
  header.push_back(0);                                                    // header level
  header.push_back(static_cast<char>(name.size()));
  header += name;
  PutLe(header, Crc16(original), 2);
  unsigned sum = 0;
  for (unsigned char c : header) sum += c;
  std::string archive;
  archive.push_back(static_cast<char>(header.size()));
  archive.push_back(static_cast<char>(sum & 0xFF));
  return archive + header + stream + std::string(1, '\0');
}

struct TMember {
  std::string Name;
  std::string Method;
  std::uint32_t OriginalSize = 0;
  std::string Data;
};

// The members of an archive of level 2 headers: total header size (16 bits), method, packed
// and original size, ..., level at offset 20, then extended headers, the file name in type 1.
std::vector<TMember> ReadLevel2Archive(std::string_view archive) {
  std::vector<TMember> members;
  std::size_t at = 0;
  while (at < archive.size() && archive[at] != 0) {
    EXPECT_EQ(archive.at(at + 20), 2) << "header level at " << at;
    if (archive.at(at + 20) != 2) break;
    TMember m;
    const std::size_t headerSize = GetLe(archive, at, 2);
    m.Method = std::string(archive.substr(at + 2, 5));
    const std::uint32_t packed = GetLe(archive, at + 7, 4);
    m.OriginalSize = GetLe(archive, at + 11, 4);
    std::size_t ext = at + 26;
    for (std::size_t size = GetLe(archive, at + 24, 2); size != 0; size = GetLe(archive, ext - 2, 2)) {
      if (archive.at(ext) == 1) m.Name = std::string(archive.substr(ext + 1, size - 3));
      ext += size;
    }
    m.Data = std::string(archive.substr(at + headerSize, packed));
    at += headerSize + packed;
    members.push_back(std::move(m));
  }
  return members;
}

struct TSample {
  std::string Name;
  std::string Data;
};

std::vector<TSample> Samples(bool randomMegabyte) {
  const std::string block = test::RandomBytes(8191, 21);
  return {
      {"size0", ""},
      {"size1", "Z"},
      {"size8192", test::MailText(8192, 22)},
      {"size8193", test::MailText(8193, 23)},
      {"repeated100k", test::RepeatedText(100 * 1024)},
      // jlha stores incompressible data as -lh0-; bytes from a 16-letter alphabet still give it
      // a megabyte with few matches and long literal runs.
      {"megabyte", randomMegabyte ? test::RandomBytes(1 << 20, 24) : test::RandomBytes(1 << 20, 24, 16)},
      {"mailtext", test::MailText(300 * 1024, 25)},
      {"window-run", "<" + std::string(8192 * 3, 'x') + ">"},
      {"max-distance", block + block + block + block},
  };
}

TEST(Lh5Interop, LhasaExtractsOurStreams) {
  const auto lhasa = FindProgram("lhasa");
  if (!lhasa) GTEST_SKIP() << "lhasa is not installed";
  TTempDir dir;
  for (const TSample& sample : Samples(true)) {
    SCOPED_TRACE(sample.Name);
    const fs::path out = dir / ("out-" + sample.Name);
    fs::create_directory(out);
    WriteTextFile(dir / (sample.Name + ".lzh"), Level0Archive("data.bin", sample.Data, Lh5Encode(sample.Data)));
    EXPECT_EQ(RunProgram(*lhasa, {"t", sample.Name + ".lzh"}, dir.Path(), dir / "log"), 0) << ReadTextFile(dir / "log");
    ASSERT_EQ(RunProgram(*lhasa, {"xqw=" + out.string(), sample.Name + ".lzh"}, dir.Path(), dir / "log"), 0)
        << ReadTextFile(dir / "log");
    ASSERT_TRUE(fs::exists(out / "data.bin"));
    const std::string extracted = ReadTextFile(out / "data.bin");
    EXPECT_EQ(extracted.size(), sample.Data.size());
    EXPECT_TRUE(extracted == sample.Data);
  }
}

TEST(Lh5Interop, JlhaArchivesDecodeHere) {
  const auto jlha = FindProgram("jlha");
  if (!jlha) GTEST_SKIP() << "jlha is not installed";
  TTempDir dir;
  const std::vector<TSample> samples = Samples(false);
  std::vector<std::string> args{"co52", "test.lzh"};
  for (const TSample& sample : samples) {
    WriteTextFile(dir / sample.Name, sample.Data);
    args.push_back(sample.Name);
  }
  ASSERT_EQ(RunProgram(*jlha, args, dir.Path(), dir / "log"), 0) << ReadTextFile(dir / "log");
  const std::vector<TMember> members = ReadLevel2Archive(ReadTextFile(dir / "test.lzh"));
  ASSERT_EQ(members.size(), samples.size());
  for (std::size_t i = 0; i < samples.size(); ++i) {
    const TSample& sample = samples[i];
    const TMember& member = members[i];
    SCOPED_TRACE(sample.Name);
    EXPECT_EQ(member.Name, sample.Name);
    ASSERT_EQ(member.OriginalSize, sample.Data.size());
    if (sample.Data.size() <= 1) {
      // Nothing to gain from one byte or none: jlha stores them as they are.
      EXPECT_EQ(member.Method, "-lh0-");
      EXPECT_EQ(member.Data, sample.Data);
      continue;
    }
    ASSERT_EQ(member.Method, "-lh5-");
    const std::string decoded = Lh5Decode(member.Data, member.OriginalSize);
    EXPECT_EQ(decoded.size(), sample.Data.size());
    EXPECT_TRUE(decoded == sample.Data);
  }
}

}  // namespace
}  // namespace mailmoat
