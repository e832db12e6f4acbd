#include "platform/Errors.h"
#include "platform/ProcessList.h"
#include "support/TempDir.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <unistd.h>

namespace mailmoat {
namespace {

TEST(GetProcessList, ContainsThisProcessWithItsExecutable) {
  const auto list = GetProcessList();
  const int self = ::getpid();
  auto it = std::find_if(list.begin(), list.end(), [&](const TProcessEntry& e) { return e.ProcessId == self; });
  ASSERT_NE(it, list.end());
  EXPECT_EQ(it->FileName, std::filesystem::read_symlink("/proc/self/exe").string());
  EXPECT_TRUE(std::is_sorted(list.begin(), list.end(),
                             [](const TProcessEntry& a, const TProcessEntry& b) { return a.ProcessId < b.ProcessId; }));
}

TEST(GetProcessList, SkipsEntriesThatAreNotReadableProcesses) {
  test::TTempDir proc;
  std::filesystem::create_directories(proc / "42");
  std::filesystem::create_symlink("/usr/bin/thunderbird", proc / "42" / "exe");
  std::filesystem::create_directories(proc / "7");  // a kernel thread: no exe link
  std::filesystem::create_directories(proc / "self");
  std::filesystem::create_directories(proc / "12x");
  const auto list = GetProcessList(proc.Path());
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].ProcessId, 42);
  EXPECT_EQ(list[0].FileName, "/usr/bin/thunderbird");
}

TEST(GetProcessList, UnreadableProcessTableIsAnError) {
  EXPECT_THROW(GetProcessList("/nonexistent/proc"), EOSError);
  EXPECT_EQ(PlatformText(), "");
}

}  // namespace
}  // namespace mailmoat
