#include "core/Addresses.h"
#include "core/StoreTestSupport.h"

namespace mailmoat {
namespace {

using test::ReadTextFile;
using test::TFileSnapshot;
using test::WriteTextFile;

class ValidAddressesTest : public test::StoreTest {};

TEST_F(ValidAddressesTest, TheOldFileAloneBecomesTheNewOne) {
  WriteTextFile(Dir / "GoodAddr.txt", "me@example.com\r\n  spaced@example.com \r\n\r\n.*@example\\.org\r\n");
  auto config = NewConfig();
  config->LoadValidAddresses();
  EXPECT_EQ(config->ValidAddresses,
            (std::vector<std::string>{"me@example.com", "  spaced@example.com ", "", ".*@example\\.org"}));
  EXPECT_EQ(DataFiles(), std::vector<std::string>{"validaddr.dat"});
}

TEST_F(ValidAddressesTest, WithBothFilesTheOldOneIsSetAsideAndTheNewOneLoaded) {
  WriteTextFile(Dir / "GoodAddr.txt", "old@example.com\r\n");
  WriteTextFile(Dir / "validaddr.dat", "new@example.com");
  auto config = NewConfig();
  config->LoadValidAddresses();
  EXPECT_EQ(config->ValidAddresses, std::vector<std::string>{"new@example.com"});
  EXPECT_EQ(DataFiles(), (std::vector<std::string>{"GoodAddr.txt.notused", "validaddr.dat"}));
  EXPECT_EQ(ReadTextFile(Dir / "GoodAddr.txt.notused"), "old@example.com\r\n");
}

TEST_F(ValidAddressesTest, SavingWritesCrLfLinesAndAnEmptyListDeletesTheFile) {
  auto config = NewConfig();
  config->ValidAddresses = {"me@example.com", " x "};
  config->SaveValidAddresses();
  EXPECT_EQ(ReadTextFile(Dir / "validaddr.dat"), "me@example.com\r\n x \r\n");
  const TFileSnapshot saved = TFileSnapshot::Take(Dir / "validaddr.dat");
  config->ValidAddresses.clear();
  config->LoadValidAddresses();
  EXPECT_EQ(config->ValidAddresses, (std::vector<std::string>{"me@example.com", " x "}));
  EXPECT_EQ(test::CurrentState(Dir / "validaddr.dat"), saved);

  config->ValidAddresses.clear();
  config->SaveValidAddresses();
  EXPECT_TRUE(DataFiles().empty());
}

class ApprovedSendersTest : public test::StoreTest {
protected:
  TPath File() const { return Dir / "_415050524F564544.dat"; }
};

TEST_F(ApprovedSendersTest, RecordsAre768BytesWithAnEmptyReservedText) {
  const std::string bytes = EncodeApprovedSenders({{"friend@example.com", "A Friend"}, {std::string(300, 'a'), ""}});
  ASSERT_EQ(bytes.size(), 1536u);
  EXPECT_EQ(bytes.substr(0, 19),
            "\x12"
            "friend@example.com");
  EXPECT_EQ(bytes.substr(256, 9),
            "\x08"
            "A Friend");
  EXPECT_EQ(bytes.substr(512, 256), std::string(256, '\0'));
  EXPECT_EQ(static_cast<unsigned char>(bytes[768]), 255);
  const auto back = DecodeApprovedSenders(bytes + "partial");
  ASSERT_EQ(back.size(), 2u);
  EXPECT_EQ(back[0], (ApprovedSenderRecord{"friend@example.com", "A Friend"}));
  EXPECT_EQ(back[1].Address, std::string(255, 'a'));
}

TEST_F(ApprovedSendersTest, SavedSendersLoadBackAndLoadingLeavesTheFileAlone) {
  auto config = NewConfig();
  EXPECT_FALSE(config->LoadApprovedSenders());
  config->ApprovedSenders = {{"a@example.com", "A"}, {"example\\.org", " "}};
  EXPECT_TRUE(config->SaveApprovedSenders());
  const TFileSnapshot saved = TFileSnapshot::Take(File());
  auto again = NewConfig();
  EXPECT_TRUE(again->LoadApprovedSenders());
  EXPECT_EQ(again->ApprovedSenders, config->ApprovedSenders);
  EXPECT_EQ(test::CurrentState(File()), saved);

  // Removing every sender lasts: the file goes.
  again->ApprovedSenders.clear();
  EXPECT_FALSE(again->SaveApprovedSenders());
  EXPECT_FALSE(FileExists(File()));
  EXPECT_FALSE(again->LoadApprovedSenders());
  EXPECT_TRUE(again->ApprovedSenders.empty());
}

TEST_F(ApprovedSendersTest, ADuplicateInAnotherLetterCaseIsRefusedWithAWarning) {
  auto config = NewConfig();
  EXPECT_TRUE(config->AddApprovedSender("Friend@Example.com", "Friend"));
  const std::string saved = ReadTextFile(File());
  EXPECT_TRUE(config->AddApprovedSender("fRIEND@example.COM", "Other"));
  ASSERT_EQ(Ui.Boxes.size(), 1u);
  EXPECT_EQ(Ui.Boxes[0].Kind, TMsgKind::Warning);
  EXPECT_EQ(Ui.Boxes[0].Buttons, TMsgButtons(mbOK));
  EXPECT_EQ(Ui.Boxes[0].Text, "Any entry for fRIEND@example.COM already exists.");
  EXPECT_EQ(config->ApprovedSenders.size(), 1u);
  EXPECT_EQ(ReadTextFile(File()), saved);

  // An address too long for its field is compared as it would be stored.
  const std::string longAddress(300, 'x');
  EXPECT_TRUE(config->AddApprovedSender(longAddress, std::string(300, 'n')));
  EXPECT_EQ(config->ApprovedSenders.back(), (ApprovedSenderRecord{std::string(255, 'x'), std::string(255, 'n')}));
  EXPECT_TRUE(config->AddApprovedSender(longAddress + "y", "again"));
  EXPECT_EQ(config->ApprovedSenders.size(), 2u);
  EXPECT_EQ(Ui.Boxes.size(), 2u);
}

TEST_F(ApprovedSendersTest, LegacyLinesSplitAtTheFirstHash) {
  WriteTextFile(Dir / "mmtexcept.dat",
                "  a@example.com  #  Name With Spaces # more\r\n"
                "   bare@example.com   \r\n"
                "\r\n"
                "   \r\n"
                "#no address\r\n"
                "c@example.com#");
  auto config = NewConfig();
  config->ReadLegacyApprovedSenders();
  EXPECT_EQ(config->LegacyAddresses, (std::vector<std::string>{"a@example.com", "bare@example.com", "c@example.com"}));
  EXPECT_EQ(config->LegacyNames, (std::vector<std::string>{"  Name With Spaces # more", " ", ""}));

  std::filesystem::remove(Dir / "mmtexcept.dat");
  config->ReadLegacyApprovedSenders();
  EXPECT_TRUE(config->LegacyAddresses.empty());
  EXPECT_TRUE(config->LegacyNames.empty());
}

TEST_F(ApprovedSendersTest, AnUnreadableLegacyFileIsLoggedAndReadsAsEmpty) {
  test::MakeUnreadable(Dir / "mmtexcept.dat");
  auto config = NewConfig();
  config->LegacyAddresses = {"stale"};
  config->LegacyNames = {"stale"};
  config->ReadLegacyApprovedSenders();
  EXPECT_TRUE(config->LegacyAddresses.empty());
  EXPECT_TRUE(config->LegacyNames.empty());
  EXPECT_EQ(Log().find("08 Dec 2026 13:05:09 ! Read Approved Senders Exception: Cannot read "), 0u) << Log();
}

TEST(ParseContactTest, SplitsNameAndAddress) {
  const struct {
    const char* Text;
    const char* Name;
    const char* Address;
  } cases[] = {
      {"Jane Doe Jane.Doe@Example.COM", "Jane Doe", "jane.doe@example.com"},
      {"  Jane Doe   jane@example.com  ", "Jane Doe", "jane@example.com"},
      {"jane@example.com (Jane Doe)", "(Jane Doe)", "jane@example.com"},
      {"Jane Doe <jane@example.com>", "Jane Doe", "jane@example.com"},
      {"\"Doe, Jane\" <jane_d-1@mail.example.co.uk>", "\"Doe, Jane\"", "jane_d-1@mail.example.co.uk"},
      {"Jane jane@example.com and joe@example.com", "Jane", "jane@example.com"},
      {"Nobody at all", "", ""},
      {"", "", ""},
      {"Jane jane@localhost", "", ""},
  };
  for (const auto& c : cases) {
    const TContactInfo contact = TConfigData::ParseContact(c.Text);
    EXPECT_EQ(contact.Name, c.Name) << c.Text;
    EXPECT_EQ(contact.Address, c.Address) << c.Text;
  }
}

}  // namespace
}  // namespace mailmoat
