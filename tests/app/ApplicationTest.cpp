#include "app/Application.h"

#include <gtest/gtest.h>

namespace mailmoat {
namespace {

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

}  // namespace
}  // namespace mailmoat
