// The passwords in the desktop keyring, against gnome-keyring's secret service on a private
// session bus, and without any bus.
#include "core/BlockCipher.h"
#include "core/PreferencesModel.h"
#include "core/Profiles.h"
#include "integration/KeyringSession.h"
#include "support/ConfigFixture.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

namespace mailmoat {
namespace {

ProfileRecord Profile(const std::string& name, const std::string& server, const std::string& password) {
  ProfileRecord p;
  p.Name = name;
  p.Server = server;
  p.Login = "joe";
  p.Password = password;
  return p;
}

class KeyringPasswordsTest : public test::ConfigFixture {
protected:
  // The program as it starts: settings and stores loaded from the program directory.
  TConfigData& Start() {
    StartUp();
    Config->ConfigDataCreate();
    return *Config;
  }

  // A home whose passwords are in its files: two mailboxes and an SMTP log-in.
  void SetUpHome() {
    TConfigData& c = Start();
    c.Profiles = {Profile("Home", "pop.example.org", "home-secret"),
                  Profile("Work", "pop.work.example", "work-secret")};
    c.Requeue = {};
    c.Requeue.SMTPServer = "smtp.example.org";
    c.Requeue.SMTPLogin = "joe";
    c.Requeue.SMTPPassword = "smtp-secret";
    c.Requeue.SMTPAuth = true;
    c.SaveProfiles();
    ASSERT_TRUE(c.SaveSettings());
    Ui.Boxes.clear();  // the first start's "not set up yet"
  }

  bool SaveWithTick(bool on) {
    TPreferences prefs = LoadPreferences(*Config);
    prefs.KeyringPasswords = on;
    return SavePreferences(*Config, prefs, "/usr/bin/mailmoat", Dir / "autostart");
  }

  std::vector<ProfileRecord> ProfilesOnDisk() const {
    return DecodeProfiles(DecodeBlocks(test::ReadTextFile(Dir / std::string(ProfilesFileName))));
  }
  std::string SettingsOnDisk() const { return test::ReadTextFile(Dir / "Mailmoat.ini"); }
  // The SMTP password in the settings file is scrambled, so the test looks for its key's value.
  bool SettingsHoldSmtpPassword() const { return SettingsOnDisk().find("SMTPPassword=\n") == std::string::npos; }
};

TEST_F(KeyringPasswordsTest, TickMovesPasswordsIntoTheKeyringAndBackAndFollowsTheProfiles) {
  static test::TKeyringSession session;
  if (!session.Running) GTEST_SKIP() << "dbus-daemon or gnome-keyring-daemon not usable";
  SetUpHome();

  ASSERT_TRUE(SaveWithTick(true));
  for (const ProfileRecord& p : ProfilesOnDisk()) EXPECT_EQ(p.Password, "") << p.Name;
  EXPECT_FALSE(SettingsHoldSmtpPassword());
  EXPECT_NE(SettingsOnDisk().find("KeyringPasswords=1"), std::string::npos);
  EXPECT_EQ(test::TKeyringSession::Lookup("pop3", "joe@pop.example.org"), "home-secret");
  EXPECT_EQ(test::TKeyringSession::Lookup("pop3", "joe@pop.work.example"), "work-secret");
  EXPECT_EQ(test::TKeyringSession::Lookup("smtp", "joe@smtp.example.org"), "smtp-secret");

  // A later start (the window's or a headless check's) finds them in memory again.
  TConfigData& loaded = Start();
  ASSERT_EQ(loaded.Profiles.size(), 2u);
  EXPECT_EQ(loaded.Profiles[0].Password, "home-secret");
  EXPECT_EQ(loaded.Profiles[1].Password, "work-secret");
  EXPECT_EQ(loaded.Requeue.SMTPPassword, "smtp-secret");
  EXPECT_TRUE(loaded.Requeue.SMTPAuth);

  // Renamed, moved to another server, deleted: no secret is left behind or lost.
  loaded.Profiles[0].Name = "House";
  loaded.Profiles[1].Server = "pop2.work.example";
  loaded.Profiles.push_back(Profile("Spare", "pop.spare.example", "spare-secret"));
  loaded.SaveProfiles();
  loaded.Profiles.pop_back();
  loaded.SaveProfiles();
  EXPECT_EQ(test::TKeyringSession::Lookup("pop3", "joe@pop.example.org"), "home-secret");
  EXPECT_EQ(test::TKeyringSession::Lookup("pop3", "joe@pop2.work.example"), "work-secret");
  EXPECT_EQ(test::TKeyringSession::Lookup("pop3", "joe@pop.work.example"), "");
  EXPECT_EQ(test::TKeyringSession::Lookup("pop3", "joe@pop.spare.example"), "");
  EXPECT_EQ(Start().Profiles[1].Password, "work-secret");

  ASSERT_TRUE(SaveWithTick(false));
  const std::vector<ProfileRecord> back = ProfilesOnDisk();
  ASSERT_EQ(back.size(), 2u);
  EXPECT_EQ(back[0].Password, "home-secret");
  EXPECT_EQ(back[1].Password, "work-secret");
  EXPECT_TRUE(SettingsHoldSmtpPassword());
  EXPECT_EQ(test::TKeyringSession::Lookup("pop3", "joe@pop.example.org"), "");
  EXPECT_EQ(test::TKeyringSession::Lookup("pop3", "joe@pop2.work.example"), "");
  EXPECT_EQ(test::TKeyringSession::Lookup("smtp", "joe@smtp.example.org"), "");
  EXPECT_TRUE(Ui.Boxes.empty()) << Ui.Boxes[0].Text;
}

TEST_F(KeyringPasswordsTest, WithoutAKeyringThePasswordsStayInTheFilesAndTheUserIsToldOnce) {
  const char* bus = std::getenv("DBUS_SESSION_BUS_ADDRESS");
  const std::string saved = bus ? bus : "";
  ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
  SetUpHome();

  ASSERT_TRUE(SaveWithTick(true));
  Config->Profiles[0].Password = "new-home-secret";
  Config->SaveProfiles();
  ASSERT_TRUE(Config->SaveSettings());
  const std::vector<ProfileRecord> onDisk = ProfilesOnDisk();
  ASSERT_EQ(onDisk.size(), 2u);
  EXPECT_EQ(onDisk[0].Password, "new-home-secret");
  EXPECT_EQ(onDisk[1].Password, "work-secret");
  EXPECT_TRUE(SettingsHoldSmtpPassword());
  ASSERT_EQ(Ui.Boxes.size(), 1u) << Ui.Boxes[0].Text;
  EXPECT_EQ(Ui.Boxes[0].Kind, TMsgKind::Warning);
  EXPECT_NE(Ui.Boxes[0].Text.find("could not be kept in the desktop keyring: there is no desktop session bus"),
            std::string::npos)
      << Ui.Boxes[0].Text;
  EXPECT_EQ(LinesStartingWith("! Keyring: ").size(), 1u);

  // Loading needs no keyring for passwords the files hold, so it says nothing.
  Ui.Boxes.clear();
  TConfigData& loaded = Start();
  EXPECT_EQ(loaded.Profiles[0].Password, "new-home-secret");
  EXPECT_EQ(loaded.Requeue.SMTPPassword, "smtp-secret");
  EXPECT_TRUE(Ui.Boxes.empty());
  if (!saved.empty()) ::setenv("DBUS_SESSION_BUS_ADDRESS", saved.c_str(), 1);
}

}  // namespace
}  // namespace mailmoat
