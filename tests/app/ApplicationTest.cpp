#include "app/Application.h"

#include "check/FakePop3Server.h"
#include "core/StoreTestSupport.h"
#include "filter/FilterTestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

namespace mailmoat {
namespace {

using test::TFakePop3Server;

TEST(ProgramOptions, HomeAndArgumentsInAnyOrder) {
  TProgramOptions o = ParseProgramOptions({"mailmoat", "quick", "--home", "/tmp/x", "EAT"});
  EXPECT_EQ(o.Home, "/tmp/x");
  EXPECT_EQ(o.Args, (std::vector<std::string>{"quick", "EAT"}));
  EXPECT_TRUE(o.Error.empty());

  o = ParseProgramOptions({"mailmoat", "--home=/srv/mm"});
  EXPECT_EQ(o.Home, "/srv/mm");
  EXPECT_TRUE(o.Args.empty());

  o = ParseProgramOptions({"mailmoat", "--", "--home"});
  EXPECT_EQ(o.Args, std::vector<std::string>{"--home"});
}

TEST(ProgramOptions, BadOptionsAreUsageErrors) {
  EXPECT_EQ(ParseProgramOptions({"mailmoat", "--frobnicate"}).Error, "unknown option --frobnicate");
  EXPECT_EQ(ParseProgramOptions({"mailmoat", "-q"}).Error, "unknown option -q");
  EXPECT_EQ(ParseProgramOptions({"mailmoat", "--home"}).Error, "--home needs a directory");
  EXPECT_EQ(ParseProgramOptions({"mailmoat", "--home="}).Error, "--home needs a directory");
  EXPECT_EQ(RunApplication({"mailmoat", "--frobnicate"}), 2);
  EXPECT_NE(UsageText().find("mailmoat [--home DIR] [quick [eat]]"), std::string::npos);
}

// The program run as cron runs it, over a home written the way the preferences write it.
class QuickCheckRun : public test::StoreTest {
protected:
  QuickCheckRun()
      : Server({Mail("Pat <pat@example.net>", "Cheap pills"), Mail("Sam <sam@example.net>", "Lunch on Friday")}) {}

  static std::string Mail(const std::string& from, const std::string& subject) {
    return "From: " + from + "\r\nTo: joe@example.org\r\nSubject: " + subject + "\r\n\r\nHello\r\n";
  }
  ProfileRecord Profile(const std::string& name, const std::string& password) const {
    ProfileRecord profile;
    profile.Name = name;
    profile.Server = "127.0.0.1";
    profile.Login = "joe";
    profile.Password = password;
    profile.Port = static_cast<std::uint16_t>(Server.Port());
    return profile;
  }
  void WriteHome(const std::vector<ProfileRecord>& profiles) {
    std::unique_ptr<TConfigData> config = NewConfig();
    config->LoggingLevel = LogLevel::Normal;
    config->UseRas = false;
    config->Profiles = profiles;
    config->ValidAddresses = {"joe@example.org"};
    config->SysHeaderRules = {test::Rule("Pills in the subject", "Subject", "(?i)pills")};
    config->SaveProfiles();
    config->SaveValidAddresses();
    ASSERT_TRUE(config->SaveRules());
    ASSERT_TRUE(config->SaveSettings());
  }
  int Run(const std::vector<std::string>& args) {
    std::vector<std::string> argv = {"mailmoat", "--home", Dir.Path().string()};
    argv.insert(argv.end(), args.begin(), args.end());
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    const int rc = RunApplication(argv);
    Out = testing::internal::GetCapturedStdout();
    Err = testing::internal::GetCapturedStderr();
    return rc;
  }
  // The "@ Quick ..." and "@ Automatic ..." lines of the log, in order.
  std::vector<std::string> StartLines() const {
    std::vector<std::string> lines;
    for (const std::string& line : SplitTextLines(Log())) {
      const size_t at = line.find(" @ ");
      if (at != std::string::npos &&
          (line.compare(at + 3, 6, "Quick ") == 0 || line.compare(at + 3, 10, "Automatic ") == 0))
        lines.push_back(line.substr(at + 3));
    }
    return lines;
  }

  TFakePop3Server Server;
  std::string Out;
  std::string Err;
};

// "view" has no window to show the list in: the run checks, deletes nothing, says so, and
// starts the way the automatic-check timer starts a check-only run. "eat" then deletes.
TEST_F(QuickCheckRun, ViewChecksWithoutEatingAndEatDeletes) {
  WriteHome({Profile("Home", "secret")});
  EXPECT_EQ(Run({"quick", "View"}), 0) << Err;
  EXPECT_EQ(Err, "mailmoat: check and view needs the window, so this run only checks and deletes nothing\n");
  EXPECT_NE(Out.find("checked 2, eaten 0, cleared 1\n"), std::string::npos) << Out;
  EXPECT_EQ(Server.Remaining().size(), 2u);
  EXPECT_EQ(StartLines(), (std::vector<std::string>{
                              "Quick check and quit executing", "Quick check will NOT eat rejected messages",
                              "Automatic check only executing", "Quick check completed - terminating application"}));

  std::filesystem::remove(Dir / "mmt.log");
  EXPECT_EQ(Run({"quick", "eat"}), 0) << Err;
  EXPECT_EQ(Err, "");
  EXPECT_NE(Out.find("checked 2, eaten 1, cleared 1\n"), std::string::npos) << Out;
  EXPECT_EQ(Server.Remaining(), std::vector<std::string>{Mail("Sam <sam@example.net>", "Lunch on Friday")});
  EXPECT_EQ(StartLines(), (std::vector<std::string>{
                              "Quick check and quit executing", "Quick check will eat rejected messages",
                              "Automatic check and eat executing", "Quick check completed - terminating application"}));
}

// A mailbox whose login fails is a failed run for cron even though the others were checked:
// exit 1, and that profile named with its error on standard error.
TEST_F(QuickCheckRun, ProfileThatCannotLogInFailsTheRun) {
  WriteHome({Profile("Home", "secret"), Profile("Work", "wrong")});
  EXPECT_EQ(Run({"quick"}), 1);
  EXPECT_NE(Out.find("checked 2, eaten 0, cleared 1\n"), std::string::npos) << Out;
  EXPECT_THAT(Err, testing::StartsWith("mailmoat: profile \"Work\" could not be checked: "));
  EXPECT_THAT(Err, testing::HasSubstr("invalid password"));
  EXPECT_EQ(std::count(Err.begin(), Err.end(), '\n'), 1) << Err;
}

}  // namespace
}  // namespace mailmoat
