#include "core/Blacklists.h"
#include "core/StoreTestSupport.h"

namespace mailmoat {
namespace {

using test::TFileSnapshot;

class BlacklistsTest : public test::StoreTest {
protected:
  TPath File() const { return Dir / "blacklists.dat"; }
};

TEST_F(BlacklistsTest, RecordLayoutAndRoundTripKeepReservedBytes) {
  std::vector<TBlacklistRec> lists = DefaultBlacklists();
  lists[1].Reserved[0] = 3;
  lists[1].Reserved[255] = 0xFF;
  const std::string bytes = EncodeBlacklists(lists);
  ASSERT_EQ(bytes.size(), 7 * 419u);
  const std::string second = bytes.substr(419, 419);
  EXPECT_EQ(second.substr(0, 25),
            "\x18"
            "Dial-up Users List (DUL)");
  EXPECT_EQ(second.substr(81, 23),
            "\x16"
            "dialups.mail-abuse.org");
  EXPECT_EQ(second[162], 0);
  EXPECT_EQ(second[163], 3);
  EXPECT_EQ(static_cast<unsigned char>(second[418]), 0xFF);
  EXPECT_EQ(DecodeBlacklists(bytes + "tail"), lists);
}

TEST_F(BlacklistsTest, TheDefaultTableInLookupOrder) {
  const std::vector<TBlacklistRec> lists = DefaultBlacklists();
  ASSERT_EQ(lists.size(), 7u);
  const char* names[] = {"Realtime Blackhole List (RBL)",
                         "Dial-up Users List (DUL)",
                         "Open Relays List (RSS)",
                         "ORBZ UK Inputs List",
                         "ORBZ UK Outputs List",
                         "Spam Prevention Early Warning System (SPEWS)",
                         "SpamCop Blacklist"};
  const bool enabled[] = {false, false, false, true, true, true, true};
  for (std::size_t i = 0; i < lists.size(); ++i) {
    EXPECT_EQ(lists[i].Name, names[i]);
    EXPECT_EQ(lists[i].Enabled, enabled[i]) << names[i];
    EXPECT_FALSE(lists[i].LookupSuffix.empty());
    EXPECT_EQ(lists[i].Reserved, (std::array<std::uint8_t, 256>{}));
  }
  EXPECT_EQ(lists[6].LookupSuffix, "bl.spamcop.net");
}

TEST_F(BlacklistsTest, SavedTableLoadsBackAndLoadingLeavesTheFileAlone) {
  auto config = NewConfig();
  EXPECT_FALSE(config->LoadBlacklists());
  EXPECT_FALSE(config->SaveBlacklists());  // an empty list writes nothing
  EXPECT_FALSE(FileExists(File()));

  config->Blacklists = DefaultBlacklists();
  config->Blacklists[0].Enabled = true;
  ASSERT_TRUE(config->SaveBlacklists());
  const TFileSnapshot saved = TFileSnapshot::Take(File());
  auto again = NewConfig();
  again->Blacklists = {TBlacklistRec{}};
  ASSERT_TRUE(again->LoadBlacklists());
  EXPECT_EQ(again->Blacklists, config->Blacklists);
  EXPECT_EQ(test::CurrentState(File()), saved);
}

}  // namespace
}  // namespace mailmoat
