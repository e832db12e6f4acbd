#include "core/FileCompress.h"
#include "core/SpamCopSettings.h"
#include "core/StoreTestSupport.h"

namespace mailmoat {
namespace {

using test::ReadTextFile;
using test::TFileSnapshot;
using test::WriteTextFile;

class SpamCopSettingsTest : public test::StoreTest {
protected:
  TPath File() const { return Dir / "spamcop.dat"; }
};

TEST_F(SpamCopSettingsTest, TheContainerHoldsOne768ByteRecord) {
  auto config = NewConfig();
  config->SpamCop = {"submit.abc123@spam.example", "me@example.com"};
  config->SaveSpamCopAddresses();
  const std::string record = DecompressContainer(ReadTextFile(File()));
  ASSERT_EQ(record.size(), 768u);
  EXPECT_EQ(record.substr(0, 27), "\x1Asubmit.abc123@spam.example");
  EXPECT_EQ(record.substr(256, 15), "\x0Eme@example.com");
  EXPECT_EQ(record.substr(512), std::string(256, '\0'));
  EXPECT_EQ(DataFiles(), std::vector<std::string>{"spamcop.dat"});

  const TFileSnapshot saved = TFileSnapshot::Take(File());
  auto again = NewConfig();
  EXPECT_TRUE(again->LoadSpamCopAddresses());
  EXPECT_EQ(again->SpamCop, config->SpamCop);
  EXPECT_EQ(test::CurrentState(File()), saved);
}

TEST_F(SpamCopSettingsTest, MissingOrUnexpandableFilesLeaveBothAddressesEmptySilently) {
  auto config = NewConfig();
  const TSpamCopSettings stale{"stale@example.com", "stale@example.com"};
  for (const std::string& content : {std::string(), std::string("\x02"),
                                     std::string("\xFF\xFF\xFF\xFF"
                                                 "x")}) {
    WriteTextFile(File(), content);
    config->SpamCop = stale;
    EXPECT_TRUE(config->LoadSpamCopAddresses());
    EXPECT_EQ(config->SpamCop, TSpamCopSettings{});
    EXPECT_EQ(ReadTextFile(File()), content);
  }
  std::filesystem::remove(File());
  config->SpamCop = stale;
  EXPECT_TRUE(config->LoadSpamCopAddresses());
  EXPECT_EQ(config->SpamCop, TSpamCopSettings{});
  EXPECT_TRUE(Ui.Boxes.empty());
}

}  // namespace
}  // namespace mailmoat
