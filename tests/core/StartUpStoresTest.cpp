#include "core/Addresses.h"
#include "core/Blacklists.h"
#include "core/BlockCipher.h"
#include "core/DialSettings.h"
#include "core/FileCompress.h"
#include "core/Profiles.h"
#include "core/RuleFiles.h"
#include "core/SpamCopSettings.h"
#include "core/StoreTestSupport.h"
#include "support/FileSizeLimit.h"

namespace mailmoat {
namespace {

using test::ReadTextFile;
using test::WriteTextFile;

const char NoProfilesText[] =
    "Mailmoat was unable to load any information about your email\r\n"
    "accounts. If you have not yet setup Mailmoat, you will need to\r\n"
    "do so before you can use Mailmoat to clean out the spam.\r\n\r\n"
    "To setup Mailmoat, click the File menu on the main Mailmoat\r\n"
    "window, and then select either Preferences, or the Setup Wizard.";

class StartUpStoresTest : public test::StoreTest {
protected:
  void WriteProfile() {
    ProfileRecord p;
    p.Name = "Home";
    p.Server = "pop.example.com";
    p.Login = "me";
    p.Password = "pw";
    p.ArchiveDir = (Dir / "archive").string();
    WriteTextFile(Dir / "pop3prof.dat", EncodeBlocks(EncodeProfiles({p})));
  }
};

TEST_F(StartUpStoresTest, EveryStoreIsLoaded) {
  WriteProfile();
  WriteTextFile(Dir / "Mailmoat.ini", "[Config]\nUseRas=1\n");
  DialSettingsRecord dial;
  dial.EntryName = "Provider";
  WriteTextFile(Dir / "duncfg.dat", EncodeBlocks(EncodeDialSettings(dial)));
  WriteTextFile(Dir / "validaddr.dat", "me@example.com\r\n");
  WriteTextFile(Dir / "_415050524F564544.dat", EncodeApprovedSenders({{"friend@example.com", "Friend"}}));
  TRuleRec header;
  header.Description = "h";
  TRuleRec accept;
  accept.RuleType = RuleType::AlwaysAccept;
  WriteTextFile(Dir / "mmtrules.bin", CompressContainer(EncodeRules({header}, {})));
  WriteTextFile(Dir / "usrrules.bin", CompressContainer(EncodeRules({accept}, {})));
  WriteTextFile(Dir / "blacklists.dat", EncodeBlacklists(DefaultBlacklists()));
  WriteTextFile(Dir / "spamcop.dat", CompressContainer(EncodeSpamCopSettings({"report@spam.example", "me@example"})));

  auto config = NewConfig();
  config->ConfigDataCreate();
  EXPECT_EQ(config->DialSettings.EntryName, "Provider");
  EXPECT_EQ(Dialer.EntriesAsked, std::vector<std::string>{"Provider"});
  EXPECT_TRUE(config->RasAvailable);
  EXPECT_EQ(config->ValidAddresses, std::vector<std::string>{"me@example.com"});
  EXPECT_EQ(config->ApprovedSenders.size(), 1u);
  EXPECT_EQ(config->SysHeaderRules.size(), 1u);
  EXPECT_EQ(config->AcceptRules.size(), 1u);
  EXPECT_EQ(config->Blacklists, DefaultBlacklists());
  EXPECT_EQ(config->SpamCop.ReportAddress, "report@spam.example");
  EXPECT_EQ(config->Profiles.size(), 1u);
  EXPECT_EQ(config->NumProfiles, 1);
  EXPECT_TRUE(DirectoryExists(Dir / "archive"));  // the fix-up ran over the loaded profile
  EXPECT_TRUE(Ui.Boxes.empty());
  EXPECT_EQ(Log(), "");
}

TEST_F(StartUpStoresTest, WithoutProfilesTheSetUpBoxShowsOnceAtEveryStart) {
  for (int start = 0; start < 2; ++start) {
    Ui.Boxes.clear();
    auto config = NewConfig();
    config->ConfigDataCreate();
    ASSERT_EQ(Ui.Boxes.size(), 1u);
    EXPECT_EQ(Ui.Boxes[0].Text, NoProfilesText);
    EXPECT_EQ(Ui.Boxes[0].HelpContext, 50);
  }
  // Only the old profile file: its warning comes first, then the set-up box.
  WriteTextFile(Dir / "profiles.dat", "old");
  Ui.Boxes.clear();
  auto config = NewConfig();
  config->ConfigDataCreate();
  ASSERT_EQ(Ui.Boxes.size(), 2u);
  EXPECT_EQ(Ui.Boxes[0].Kind, TMsgKind::Warning);
  EXPECT_EQ(Ui.Boxes[1].Text, NoProfilesText);
}

TEST_F(StartUpStoresTest, AnUnreadableStoreIsReportedAndStartUpGoesOn) {
  test::MakeUnreadable(Dir / "pop3prof.dat");
  test::MakeUnreadable(Dir / "blacklists.dat");
  WriteTextFile(Dir / "validaddr.dat", "me@example.com");
  auto config = NewConfig();
  config->ConfigDataCreate();
  EXPECT_EQ(config->ValidAddresses, std::vector<std::string>{"me@example.com"});
  EXPECT_TRUE(config->Blacklists.empty());
  ASSERT_EQ(Ui.Boxes.size(), 2u);  // no set-up box: the profiles exist but could not be read
  for (const auto& box : Ui.Boxes) {
    EXPECT_EQ(box.Kind, TMsgKind::Error);
    EXPECT_EQ(box.Text.rfind("Cannot read ", 0), 0u) << box.Text;
  }
  EXPECT_NE(Log().find("! Cannot read " + (Dir / "blacklists.dat").string()), std::string::npos) << Log();
  EXPECT_NE(Log().find("! Cannot read " + (Dir / "pop3prof.dat").string()), std::string::npos) << Log();
}

TEST_F(StartUpStoresTest, ADamagedStoreKeepsItsWholeRecordsACopyAndTellsTheUser) {
  // Nothing pads the records of these stores, so bytes after the last whole record are damage.
  TRuleRec header, body;
  body.RuleType = RuleType::Body;
  const std::string profiles = EncodeBlocks(EncodeProfiles({ProfileRecord{}, ProfileRecord{}})) + "12345678";
  const std::string senders = EncodeApprovedSenders({{"friend@example.com", "Friend"}}) + "partial";
  const std::string rules = CompressContainer(EncodeRules({header, body}, {}) + std::string(76, 'x'));
  const std::string blacklists = EncodeBlacklists(DefaultBlacklists()).substr(0, 3 * 419 + 1);
  const std::string spamcop = CompressContainer(std::string(767, 'a'));
  const struct {
    std::string Name, Bytes, Damage;
  } stores[] = {{"_415050524F564544.dat", senders, "its last 7 bytes do not make up a whole record"},
                {"mmtrules.bin", rules, "its last 76 bytes do not"},
                {"blacklists.dat", blacklists, "its last byte does not"},
                {"spamcop.dat", spamcop, "its last 767 bytes do not"},
                {"pop3prof.dat", profiles, "its last 8 bytes do not"}};
  std::vector<test::TFileSnapshot> before;
  for (const auto& store : stores) {
    WriteTextFile(Dir / store.Name, store.Bytes);
    before.push_back(test::TFileSnapshot::Take(Dir / store.Name));
  }
  WriteTextFile(Dir / "pop3prof.dat.damaged", "a copy of an earlier damage");

  auto config = NewConfig();
  config->ConfigDataCreate();
  EXPECT_EQ(config->ApprovedSenders.size(), 1u);
  EXPECT_EQ(config->SysHeaderRules.size() + config->SysBodyRules.size(), 2u);
  EXPECT_EQ(config->Blacklists.size(), 3u);
  EXPECT_EQ(config->SpamCop, TSpamCopSettings{});
  EXPECT_EQ(config->Profiles.size(), 2u);
  ASSERT_EQ(Ui.Boxes.size(), 5u);
  for (std::size_t i = 0; i < 5; ++i) {
    const std::string file = (Dir / stores[i].Name).string();
    EXPECT_EQ(test::CurrentState(file), before[i]) << "loading never rewrites a file";
    EXPECT_EQ(ReadTextFile(file + ".damaged"), stores[i].Bytes);
    EXPECT_EQ(Ui.Boxes[i].Kind, TMsgKind::Warning);
    EXPECT_EQ(Ui.Boxes[i].Text.find("The file " + file + " is damaged: " + stores[i].Damage), 0u) << Ui.Boxes[i].Text;
    EXPECT_NE(Log().find("! Damaged file " + file + ": skipped "), std::string::npos);
  }
  EXPECT_EQ(Ui.Boxes[4].Text, "The file " + (Dir / "pop3prof.dat").string() +
                                  " is damaged: its last 8 bytes do not make up a whole record and were not read. "
                                  "The 2 whole records before the damage were loaded.\r\n\r\n"
                                  "A copy of the damaged file was kept as\r\n" +
                                  (Dir / "pop3prof.dat.damaged").string() +
                                  "\r\nThe file itself is written anew the next time these settings are saved.");
  EXPECT_NE(Ui.Boxes[3].Text.find("It holds no whole record, so nothing was loaded from it."), std::string::npos);
  EXPECT_NE(Log().find("! Damaged file " + (Dir / "mmtrules.bin").string() +
                       ": skipped 76 bytes left over after 2 whole records; a copy was kept as " +
                       (Dir / "mmtrules.bin").string() + ".damaged\r\n"),
            std::string::npos)
      << Log();
  // The copy of the profiles holds passwords.
  EXPECT_EQ(std::filesystem::status(Dir / "pop3prof.dat.damaged").permissions() & std::filesystem::perms::all,
            std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
  EXPECT_EQ(DataFiles().size(), 10u);  // no work file left behind
}

TEST_F(StartUpStoresTest, TheLegacyApprovedSendersAreUpgradedOnce) {
  WriteProfile();
  WriteTextFile(Dir / "mmtexcept.dat", "a@example.com#Alice\r\n  b@example.com \r\n");
  auto config = NewConfig();
  config->ConfigDataCreate();
  EXPECT_EQ(config->ApprovedSenders,
            (std::vector<ApprovedSenderRecord>{{"a@example.com", "Alice"}, {"b@example.com", " "}}));
  EXPECT_TRUE(config->LegacyAddresses.empty());
  EXPECT_TRUE(config->LegacyNames.empty());
  EXPECT_FALSE(FileExists(Dir / "mmtexcept.dat"));
  EXPECT_EQ(ReadTextFile(Dir / "mmtexcept.dat.old"), "a@example.com#Alice\r\n  b@example.com \r\n");
  EXPECT_EQ(DecodeApprovedSenders(ReadTextFile(Dir / "_415050524F564544.dat")), config->ApprovedSenders);
  EXPECT_EQ(Ui.Busy, (std::vector<std::string>{"caption Upgrading Approved Senders ...", "position 0", "max 2", "show",
                                               "step", "step", "hide"}));
  EXPECT_TRUE(Ui.Boxes.empty());

  // A second start finds the new file and leaves a returning old file alone.
  WriteTextFile(Dir / "mmtexcept.dat", "c@example.com\r\n");
  config.reset();
  Ui.Busy.clear();
  auto again = NewConfig();
  again->ConfigDataCreate();
  EXPECT_EQ(again->ApprovedSenders.size(), 2u);
  EXPECT_TRUE(FileExists(Dir / "mmtexcept.dat"));
  EXPECT_TRUE(Ui.Busy.empty());
}

TEST_F(StartUpStoresTest, AFailedUpgradeIsReportedAndTriedAgainNextTime) {
  WriteProfile();
  WriteTextFile(Dir / "mmtexcept.dat", "a@example.com#Alice\r\n");
  auto config = NewConfig();
  {
    test::TFileSizeLimit limit(500);  // less than one 768-byte record
    config->ConfigDataCreate();
  }
  EXPECT_TRUE(config->ApprovedSenders.empty());
  EXPECT_TRUE(config->LegacyAddresses.empty());
  EXPECT_NE(Log().find("! Upgrade of Approved Senders failed!\r\n"), std::string::npos) << Log();
  ASSERT_EQ(Ui.Boxes.size(), 1u);
  EXPECT_EQ(Ui.Boxes[0].Kind, TMsgKind::Error);
  EXPECT_EQ(Ui.Boxes[0].Text, "Upgrade failed. Please restart Mailmoat to try again.");
  EXPECT_TRUE(FileExists(Dir / "mmtexcept.dat"));
  EXPECT_FALSE(FileExists(Dir / "_415050524F564544.dat"));

  config.reset();
  auto again = NewConfig();
  again->ConfigDataCreate();
  EXPECT_EQ(again->ApprovedSenders.size(), 1u);
  EXPECT_TRUE(FileExists(Dir / "mmtexcept.dat.old"));
}

TEST_F(StartUpStoresTest, BothApprovedSenderFilesMeanNoUpgrade) {
  WriteProfile();
  WriteTextFile(Dir / "mmtexcept.dat", "old@example.com\r\n");
  WriteTextFile(Dir / "_415050524F564544.dat", EncodeApprovedSenders({{"new@example.com", "New"}}));
  auto config = NewConfig();
  config->ConfigDataCreate();
  EXPECT_EQ(config->ApprovedSenders, (std::vector<ApprovedSenderRecord>{{"new@example.com", "New"}}));
  EXPECT_EQ(ReadTextFile(Dir / "mmtexcept.dat"), "old@example.com\r\n");
  EXPECT_TRUE(Ui.Busy.empty());
}

TEST_F(StartUpStoresTest, AnUnreadableDialFileSwitchesDialUpOffButTheEntryIsStillAsked) {
  WriteProfile();
  WriteTextFile(Dir / "Mailmoat.ini", "[Config]\nUseRas=1\n");
  WriteTextFile(Dir / "duncfg.dat", "short");
  auto config = NewConfig();
  config->ConfigDataCreate();
  EXPECT_FALSE(config->UseRas);
  EXPECT_EQ(Dialer.EntriesAsked, std::vector<std::string>{""});
  ASSERT_EQ(Ui.Boxes.size(), 1u);
  EXPECT_EQ(Ui.Boxes[0].Caption, "Error");
}

}  // namespace
}  // namespace mailmoat
