#include "platform/Paths.h"

#include <gtest/gtest.h>
#include <map>

namespace mailmoat {
namespace {

struct TFakeEnv {
  std::map<std::string, std::string> Vars;
  const char* operator()(const char* name) const {
    auto it = Vars.find(name);
    return it == Vars.end() ? nullptr : it->second.c_str();
  }
};

TEST(AppPaths, HomeOptionWinsOverEnvironment) {
  TFakeEnv env{{{"MAILMOAT_HOME", "/env/home"}, {"HOME", "/home/u"}}};
  const TAppPaths p = TAppPaths::Resolve(std::string("/opt/portable"), env);
  EXPECT_EQ(p.ProgramDir, "/opt/portable");
  EXPECT_EQ(p.SettingsFile(), "/opt/portable/Mailmoat.ini");
  EXPECT_EQ(p.RegistryFile(), "/opt/portable/registry.ini");
  EXPECT_EQ(p.DataFile("pop3prof.dat"), "/opt/portable/pop3prof.dat");
}

TEST(AppPaths, MailmoatHomeBeforeXdgDirectories) {
  TFakeEnv env{{{"MAILMOAT_HOME", "/env/home"}, {"XDG_DATA_HOME", "/xdg/data"}, {"HOME", "/home/u"}}};
  const TAppPaths p = TAppPaths::Resolve(std::nullopt, env);
  EXPECT_EQ(p.ProgramDir, "/env/home");
  EXPECT_EQ(p.ConfigDir, "/env/home");
}

TEST(AppPaths, XdgDirectoriesWithTheirDefaults) {
  TFakeEnv env{{{"XDG_DATA_HOME", "/xdg/data"}, {"HOME", "/home/u"}}};
  TAppPaths p = TAppPaths::Resolve(std::nullopt, env);
  EXPECT_EQ(p.ProgramDir, "/xdg/data/mailmoat");
  EXPECT_EQ(p.SettingsFile(), "/home/u/.config/mailmoat/Mailmoat.ini");

  // Relative XDG values are to be ignored.
  env.Vars = {{"XDG_DATA_HOME", "relative"}, {"XDG_CONFIG_HOME", "/xdg/config"}, {"HOME", "/home/u"}};
  p = TAppPaths::Resolve(std::nullopt, env);
  EXPECT_EQ(p.ProgramDir, "/home/u/.local/share/mailmoat");
  EXPECT_EQ(p.RegistryFile(), "/xdg/config/mailmoat/registry.ini");
}

TEST(AppPaths, RelativeHomeBecomesAbsolute) {
  const TAppPaths p = TAppPaths::ForHome("some/dir/../place");
  EXPECT_TRUE(p.ProgramDir.is_absolute());
  EXPECT_EQ(p.ProgramDir.filename(), "place");
}

}  // namespace
}  // namespace mailmoat
