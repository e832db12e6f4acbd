#include "core/BlockCipher.h"
#include "core/Profiles.h"
#include "core/StoreTestSupport.h"
#include "support/FileSizeLimit.h"

namespace mailmoat {
namespace {

using test::ReadTextFile;
using test::WriteTextFile;

ProfileRecord Profile(const std::string& name) {
  ProfileRecord p;
  p.Name = name;
  p.Server = "pop." + name + ".example";
  p.Login = name + "-login";
  p.Password = "secret-" + name;
  p.Enabled = name != "off";
  p.Archive = true;
  p.ArchiveDir = "/home/user/spam/" + name;
  return p;
}

class ProfilesTest : public test::StoreTest {
protected:
  TPath File() const { return Dir / "pop3prof.dat"; }
};

TEST_F(ProfilesTest, RecordLayoutPutsEachFieldAtItsOffset) {
  ProfileRecord p = Profile("home");
  p.Name = std::string(30, 'N');  // cut to 24
  p.Port = 0x03E3;                // 995
  p.Security = TProfileSecurity::ImplicitTls;
  p.Reserved[0] = 0x5A;
  p.Reserved[117] = 0xA5;
  const std::string bytes = EncodeProfiles({p});
  ASSERT_EQ(bytes.size(), 432u);
  EXPECT_EQ(bytes.substr(0, 25), "\x18" + std::string(24, 'N'));
  EXPECT_EQ(bytes.substr(25, 17), "\x10pop.home.example");
  EXPECT_EQ(bytes.substr(90, 11), "\x0Ahome-login");
  EXPECT_EQ(bytes.substr(155, 12), "\x0Bsecret-home");
  EXPECT_EQ(bytes[180], 1);
  EXPECT_EQ(bytes[181], 1);
  EXPECT_EQ(bytes.substr(182, 1 + p.ArchiveDir.size()), char(p.ArchiveDir.size()) + p.ArchiveDir);
  EXPECT_EQ(static_cast<unsigned char>(bytes[311]), 0xE3);
  EXPECT_EQ(static_cast<unsigned char>(bytes[312]), 0x03);
  EXPECT_EQ(bytes[313], 2);
  EXPECT_EQ(static_cast<unsigned char>(bytes[314]), 0x5A);
  EXPECT_EQ(static_cast<unsigned char>(bytes[431]), 0xA5);
}

TEST_F(ProfilesTest, OldRecordsWithZeroReservedBytesReadAsGlobalPortWithoutTls) {
  ProfileRecord p = Profile("old");
  std::string bytes = EncodeProfiles({p});
  ASSERT_EQ(bytes.substr(311), std::string(121, '\0'));
  const ProfileRecord read = DecodeProfiles(bytes).at(0);
  EXPECT_EQ(read.Port, 0);
  EXPECT_EQ(read.Security, TProfileSecurity::None);

  bytes[311] = '\x4C';  // 1100 = 0x044C, little-endian
  bytes[312] = '\x04';
  bytes[313] = 1;
  const ProfileRecord stls = DecodeProfiles(bytes).at(0);
  EXPECT_EQ(stls.Port, 1100);
  EXPECT_EQ(stls.Security, TProfileSecurity::Stls);
  EXPECT_EQ(EncodeProfiles({stls}), bytes);
}

TEST_F(ProfilesTest, SavedProfilesLoadBackWithTheExactFileSize) {
  auto config = NewConfig();
  config->Profiles = {Profile("home")};
  config->SaveProfiles();
  EXPECT_EQ(ReadTextFile(File()), EncodeBlocks(EncodeProfiles({Profile("home")})));
  EXPECT_EQ(ReadTextFile(File()).size(), 432u);

  config->Profiles = {Profile("home"), Profile("off"), Profile("work")};
  config->Profiles[2].Reserved[7] = 9;
  config->SaveProfiles();
  EXPECT_EQ(config->NumProfiles, 3);
  EXPECT_EQ(ReadTextFile(File()).size(), 1296u);

  auto again = NewConfig();
  EXPECT_TRUE(again->LoadProfiles());
  EXPECT_EQ(again->Profiles, config->Profiles);
  EXPECT_EQ(again->NumProfiles, 3);
  EXPECT_TRUE(Ui.Boxes.empty());
}

TEST_F(ProfilesTest, NoProfileRemovesTheFileAndLoadsNothing) {
  auto config = NewConfig();
  config->Profiles = {Profile("home")};
  config->SaveProfiles();
  config->Profiles.clear();
  config->SaveProfiles();
  EXPECT_FALSE(FileExists(File()));
  EXPECT_EQ(config->NumProfiles, 0);
  EXPECT_FALSE(config->LoadProfiles());
  // An empty file is no profile either.
  WriteTextFile(File(), "");
  EXPECT_FALSE(config->LoadProfiles());
  EXPECT_TRUE(Ui.Boxes.empty());
}

TEST_F(ProfilesTest, AnOlderProfilesFileAloneIsReportedAndOtherwiseIgnored) {
  WriteTextFile(Dir / "profiles.dat", "old layout");
  auto config = NewConfig();
  config->Profiles = {Profile("stale")};
  EXPECT_FALSE(config->LoadProfiles());
  EXPECT_TRUE(config->Profiles.empty());
  ASSERT_EQ(Ui.Boxes.size(), 1u);
  EXPECT_EQ(Ui.Boxes[0].Kind, TMsgKind::Warning);
  EXPECT_EQ(Ui.Boxes[0].Buttons, TMsgButtons(mbOK | mbHelp));
  EXPECT_EQ(Ui.Boxes[0].HelpContext, 50);
  EXPECT_EQ(Ui.Boxes[0].Text,
            "Older Profiles file found. You need to re-enter your POP3 Profile\r\n"
            "information in Mailmoat Pro Preferences (File | Preferences).");

  Ui.Boxes.clear();
  config->Profiles = {Profile("home")};
  config->SaveProfiles();
  EXPECT_TRUE(config->LoadProfiles());
  EXPECT_TRUE(Ui.Boxes.empty());
}

TEST_F(ProfilesTest, ASaveThatFailsPartWayLeavesTheOldFile) {
  auto config = NewConfig();
  config->Profiles = {Profile("home")};
  config->SaveProfiles();
  const std::string original = ReadTextFile(File());
  config->Profiles = {Profile("home"), Profile("work"), Profile("more")};
  {
    test::TFileSizeLimit limit(600);
    EXPECT_THROW(config->SaveProfiles(), EInOutError);
  }
  EXPECT_EQ(ReadTextFile(File()), original);
  EXPECT_EQ(DataFiles(), std::vector<std::string>{"pop3prof.dat"});
  ASSERT_TRUE(config->LoadProfiles());
  EXPECT_EQ(config->Profiles, std::vector<ProfileRecord>{Profile("home")});
}

}  // namespace
}  // namespace mailmoat
