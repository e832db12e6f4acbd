#include "platform/Spawn.h"
#include "support/TempDir.h"

#include <gmock/gmock.h>

#include <cerrno>
#include <chrono>
#include <sys/stat.h>

namespace mailmoat {
namespace {

using testing::ElementsAre;

std::string Script(const test::TTempDir& dir, const std::string& name, const std::string& body) {
  const std::string path = (dir / name).string();
  test::WriteTextFile(path, "#!/bin/sh\n" + body);
  ::chmod(path.c_str(), 0755);
  return path;
}

TEST(RunProcess, ArgumentsReachTheProgramUntouchedAndItsOutputIsCaptured) {
  test::TTempDir dir;
  const std::string echo =
      Script(dir, "echo.sh", "for a in \"$@\"; do echo \"<$a>\"; done; echo \"$MM_TEST\" >&2; exit 3\n");
  const TProcessResult r = RunProcess(echo, {"a b", "$(id)", "'q'", ""}, 5000, {"MM_TEST=set here"});
  EXPECT_EQ(r.End, TProcessResult::TEnd::Exited);
  EXPECT_EQ(r.ExitStatus, 3);
  EXPECT_FALSE(r.Succeeded());
  EXPECT_EQ(r.Out, "<a b>\n<$(id)>\n<'q'>\n<>\n");
  EXPECT_EQ(r.Err, "set here\n");
}

TEST(RunProcess, AProgramThatHangsIsKilledAtItsTimeOut) {
  test::TTempDir dir;
  // The background sleep keeps the output open after the script itself is killed.
  const std::string slow = Script(dir, "slow.sh", "echo started\nsleep 30 &\nexec sleep 30\n");
  const auto start = std::chrono::steady_clock::now();
  const TProcessResult r = RunProcess(slow, {}, 300);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  EXPECT_EQ(r.End, TProcessResult::TEnd::TimedOut);
  EXPECT_EQ(r.Out, "started\n");
}

TEST(RunProcess, AProgramThatCannotStartSaysWhy) {
  const TProcessResult r = RunProcess("/nonexistent/nmcli", {}, 1000);
  EXPECT_EQ(r.End, TProcessResult::TEnd::NotStarted);
  EXPECT_EQ(r.Error, ENOENT);
}

TEST(StartProcess, FailuresTellTheErrorAndWhetherTheFolderWasAtFault) {
  test::TTempDir dir;
  const std::string ok = Script(dir, "ok.sh", "exit 0\n");
  EXPECT_EQ(StartProcess(ok, {}, dir.Path().string()).Error, 0);
  const TStartError noFolder = StartProcess(ok, {}, (dir / "missing").string());
  EXPECT_EQ(noFolder.Error, ENOENT);
  EXPECT_TRUE(noFolder.InWorkDir);
  const TStartError noFile = StartProcess((dir / "missing.sh").string(), {}, "");
  EXPECT_EQ(noFile.Error, ENOENT);
  EXPECT_FALSE(noFile.InWorkDir);
  ::chmod(ok.c_str(), 0644);
  EXPECT_EQ(StartProcess(ok, {}, "").Error, EACCES);
}

TEST(SplitParameters, BlanksSeparateAndDoubleQuotesGroup) {
  EXPECT_THAT(SplitParameters(""), ElementsAre());
  EXPECT_THAT(SplitParameters("  -a\t-b  "), ElementsAre("-a", "-b"));
  EXPECT_THAT(SplitParameters("-mail \"to=x y\" last"), ElementsAre("-mail", "to=x y", "last"));
  EXPECT_THAT(SplitParameters("pre\"fix x\"post"), ElementsAre("prefix xpost"));
  EXPECT_THAT(SplitParameters("\"\" x"), ElementsAre("", "x"));
  EXPECT_THAT(SplitParameters("\"open at end"), ElementsAre("open at end"));
  EXPECT_THAT(SplitParameters("'single quotes' stay"), ElementsAre("'single", "quotes'", "stay"));
}

TEST(FindProgram, SearchesThePathInOrderForExecutableFiles) {
  test::TTempDir a, b;
  test::WriteTextFile(a / "tool", "not executable");
  std::filesystem::create_directories(a / "dir");
  const std::string tool = Script(b, "tool", "");
  Script(b, "dir", "");
  const std::string path = a.Path().string() + "::" + b.Path().string();
  EXPECT_EQ(FindProgram("tool", path), tool);
  EXPECT_EQ(FindProgram("dir", a.Path().string()), "");
  EXPECT_EQ(FindProgram("absent", path), "");
  EXPECT_EQ(FindProgram(tool, ""), tool);
  EXPECT_EQ(FindProgram((a / "tool").string(), path), "");
}

}  // namespace
}  // namespace mailmoat
