#include "core/BlockCipher.h"
#include "core/DialSettings.h"
#include "core/StoreTestSupport.h"

namespace mailmoat {
namespace {

using test::ReadTextFile;
using test::TFileSnapshot;
using test::WriteTextFile;

const char UnreadableText[] =
    "Mailmoat was unable to read your DUN / RAS profile information. You will\r\n"
    "need to re - enter this information in order to use DUN / RAS with Mailmoat.";

class DialSettingsTest : public test::StoreTest {
protected:
  TPath File() const { return Dir / "duncfg.dat"; }
  static DialSettingsRecord Sample() {
    DialSettingsRecord s;
    s.EntryName = "Provider";
    s.UserName = "dialuser";
    s.Password = "dialpass";
    s.DisconnectWhenDone = false;
    s.PhoneNumber = "0123456789";
    return s;
  }
};

TEST_F(DialSettingsTest, RecordLayoutIs381BytesAnd384OnDisk) {
  const std::string bytes = EncodeDialSettings(Sample());
  ASSERT_EQ(bytes.size(), 381u);
  EXPECT_EQ(bytes.substr(0, 9), "\x08Provider");
  EXPECT_EQ(bytes.substr(41, 9),
            "\x08"
            "dialuser");
  EXPECT_EQ(bytes.substr(82, 9),
            "\x08"
            "dialpass");
  EXPECT_EQ(bytes[123], 0);
  EXPECT_EQ(bytes.substr(124, 11),
            "\x0A"
            "0123456789");
  EXPECT_EQ(bytes.substr(145), std::string(236, '\0'));

  auto config = NewConfig();
  config->DialSettings = Sample();
  config->DialSettings.PhoneNumber = std::string(25, '9');  // cut to 20
  config->SaveDialSettings();
  const std::string stored = ReadTextFile(File());
  ASSERT_EQ(stored.size(), 384u);
  const std::string plain = DecodeBlocks(stored);
  EXPECT_EQ(plain.substr(381), std::string(3, '\0'));
  EXPECT_EQ(DecodeDialSettings(plain)->PhoneNumber, std::string(20, '9'));
}

TEST_F(DialSettingsTest, SavedSettingsLoadBackWithoutTouchingTheFile) {
  auto config = NewConfig();
  config->DialSettings = Sample();
  config->SaveDialSettings();
  const TFileSnapshot saved = TFileSnapshot::Take(File());
  auto again = NewConfig();
  again->UseRas = true;
  again->LoadDialSettings();
  EXPECT_EQ(again->DialSettings, Sample());
  EXPECT_TRUE(again->UseRas);
  EXPECT_EQ(test::CurrentState(File()), saved);
  EXPECT_TRUE(Ui.Boxes.empty());
}

TEST_F(DialSettingsTest, ATruncatedFileIsReportedSwitchesDialUpOffAndStaysAsItWas) {
  WriteTextFile(File(), EncodeBlocks(EncodeDialSettings(Sample())).substr(0, 376));
  const TFileSnapshot before = TFileSnapshot::Take(File());
  auto config = NewConfig();
  config->UseRas = true;
  config->LoadDialSettings();
  EXPECT_FALSE(config->UseRas);
  EXPECT_EQ(config->DialSettings, DialSettingsRecord{});
  ASSERT_EQ(Ui.Boxes.size(), 1u);
  EXPECT_EQ(Ui.Boxes[0].Kind, TMsgKind::Error);
  EXPECT_EQ(Ui.Boxes[0].Caption, "Error");
  EXPECT_EQ(Ui.Boxes[0].Text, UnreadableText);
  EXPECT_EQ(test::CurrentState(File()), before);

  // The next start reads the same file the same way, not a decoded copy of it.
  Ui.Boxes.clear();
  config->UseRas = true;
  config->LoadDialSettings();
  EXPECT_FALSE(config->UseRas);
  EXPECT_EQ(Ui.Boxes.size(), 1u);
}

}  // namespace
}  // namespace mailmoat
