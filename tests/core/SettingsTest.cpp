#include "core/IniFile.h"
#include "core/dataConfig.h"
#include "support/FileSizeLimit.h"
#include "support/FakeDialer.h"
#include "support/RecordingUiHost.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace mailmoat {
namespace {

using test::ReadTextFile;
using test::TRecordingUiHost;
using test::TTempDir;
using test::WriteTextFile;

class SettingsFileTest : public testing::Test {
protected:
  TTempDir Dir;
  TRecordingUiHost Ui;
  test::TFakeDialer Dialer;

  std::unique_ptr<TConfigData> NewConfig(const TPath& home) {
    return std::make_unique<TConfigData>(TAppPaths::ForHome(home), Ui, Dialer, [] { return std::time_t(0); });
  }
  std::unique_ptr<TConfigData> NewConfig() { return NewConfig(Dir.Path()); }
  TPath IniPath() const { return Dir / "Mailmoat.ini"; }
  TConfigData& Loaded(const std::string& iniText) {
    WriteTextFile(IniPath(), iniText);
    Config = NewConfig();
    Config->LoadSettings();
    return *Config;
  }
  std::unique_ptr<TConfigData> Config;
};

TEST_F(SettingsFileTest, NoFileGivesEveryDefault) {
  auto config = NewConfig();
  config->LoggingLevel = LogLevel::None;
  config->UseRas = false;
  config->LoadSettings();
  EXPECT_EQ(static_cast<const TSettings&>(*config), TSettings{});
  EXPECT_TRUE(config->UseRas);
  EXPECT_TRUE(config->MinimizeOnClose);
  EXPECT_TRUE(config->AllHeaders);
  EXPECT_TRUE(config->Requeue.DeleteMsg);
  EXPECT_EQ(config->MaxLogSize, 64);
  EXPECT_EQ(config->MaxBodyRuleSize, 50);
  EXPECT_EQ(config->BlacklistCheckNum, 1);
  EXPECT_EQ(config->ClientWin, 1);
  EXPECT_EQ(config->Port, "110");
  EXPECT_EQ(config->UpdateProxy.Port, 80);
  EXPECT_EQ(config->Requeue.SMTPPort, 25);
  EXPECT_EQ(config->Requeue.SMTPSecurity, 0);
  EXPECT_EQ(config->DnsServer, "");
  EXPECT_EQ(config->LoggingLevel, LogLevel::Normal);
  EXPECT_EQ(config->LogDisp, LogDisposition::Rename);
  EXPECT_EQ(config->Width, 422);
  EXPECT_EQ(config->Height, 244);
  EXPECT_EQ(config->Top, 200);
  EXPECT_EQ(config->Left, 200);
  EXPECT_TRUE(Ui.Boxes.empty());
  EXPECT_FALSE(FileExists(IniPath()));
}

TEST_F(SettingsFileTest, EnumeratedKeysAreCaseSensitiveTexts) {
  const struct {
    const char* Level;
    int Expected;
  } levels[] = {{"None", 0},  {"Normal", 1}, {"Verbose", 2}, {"Debug", 3}, {"Terse", 4},
                {"debug", 1}, {"TERSE", 1},  {"3", 1},       {"", 1}};
  for (const auto& c : levels) {
    EXPECT_EQ(Loaded(std::string("[Config]\nLoggingLevel=") + c.Level + "\n").LoggingLevel, c.Expected) << c.Level;
  }
  const struct {
    const char* Disp;
    int Expected;
  } disps[] = {{"Delete", 0}, {"Rename", 1}, {"Trim", 2}, {"trim", 1}, {"delete", 1}, {"x", 1}};
  for (const auto& c : disps) {
    EXPECT_EQ(Loaded(std::string("[Config]\nLogDisp=") + c.Disp + "\n").LogDisp, c.Expected) << c.Disp;
  }
  EXPECT_EQ(LogDispText(7), "Rename");
  EXPECT_EQ(LogDispText(-1), "Rename");
  EXPECT_EQ(LoggingLevelText(4), "Terse");
}

TEST_F(SettingsFileTest, NumbersAcceptHexadecimalAndFallBackToTheDefault) {
  const TConfigData& c = Loaded(
      "[Config]\nMaxLogSize=abc\nMaxBodyRuleSize=0x20\nAutoMins=15\nUseRas=0\nPopup=7\nMsgLines=65537\n"
      "[UpdateProxy]\nPort=0x1F90\n");
  EXPECT_EQ(c.MaxLogSize, 64);
  EXPECT_EQ(c.MaxBodyRuleSize, 32);
  EXPECT_EQ(c.AutoMins, 15);
  EXPECT_FALSE(c.UseRas);
  EXPECT_TRUE(c.Popup);
  EXPECT_EQ(c.MsgLines, 1);
  EXPECT_EQ(c.UpdateProxy.Port, 8080);
}

TEST_F(SettingsFileTest, SoundAndClientNeedTheirFilesAndAreWrittenBackOff) {
  TConfigData& c = Loaded("[Config]\nPlayWav=1\nStartClient=1\nClientFile=\n");
  EXPECT_FALSE(c.PlayWav);
  EXPECT_FALSE(c.StartClient);
  ASSERT_TRUE(c.SaveSettings());
  const TIniFile saved = TIniFile::Load(IniPath());
  EXPECT_EQ(saved.ReadString("Config", "PlayWav", ""), "0");
  EXPECT_EQ(saved.ReadString("Config", "StartClient", ""), "0");

  EXPECT_TRUE(Loaded("[Config]\nPlayWav=1\nWAVFile=/usr/share/sounds/ding.wav\n").PlayWav);
}

TEST_F(SettingsFileTest, SmtpLogInNeedsANameAndAPassword) {
  EXPECT_FALSE(Loaded("[Requeue]\nSMTPAuth=1\nSMTPLogin=\n").Requeue.SMTPAuth);

  TConfigData& c = Loaded("[Requeue]\nSMTPAuth=1\nSMTPLogin=me\n");
  EXPECT_FALSE(c.Requeue.SMTPAuth);
  c.Requeue.SMTPAuth = true;
  c.Requeue.SMTPPassword = "";
  ASSERT_TRUE(c.SaveSettings());
  EXPECT_FALSE(c.Requeue.SMTPAuth);
  EXPECT_EQ(TIniFile::Load(IniPath()).ReadString("Requeue", "SMTPAuth", ""), "0");

  c.Requeue.SMTPPassword = "secret";
  c.Requeue.SMTPAuth = true;
  ASSERT_TRUE(c.SaveSettings());
  auto again = NewConfig();
  again->LoadSettings();
  EXPECT_TRUE(again->Requeue.SMTPAuth);
  EXPECT_EQ(again->Requeue.SMTPPassword, "secret");
  EXPECT_NE(TIniFile::Load(IniPath()).ReadString("Requeue", "SMTPPassword", ""), "secret");
}

TEST_F(SettingsFileTest, EverySettingSurvivesSaveAndLoad) {
  auto c = NewConfig();
  c->MaxLogSize = 0;
  c->LoggingLevel = LogLevel::Terse;
  c->LogDisp = LogDisposition::Trim;
  c->Unknown = c->Strict = true;
  c->Update = "u";
  c->Port = "995";
  c->AutoMins = 30;
  c->AutoType = c->AutoView = c->ToolTray = c->Startup = c->Popup = c->AlwaysPopup = c->PlayWav = true;
  c->WAVFile = "/snd/new mail.wav";
  c->StartClient = true;
  c->ClientName = "Mail";
  c->ClientFile = "/usr/bin/mail client";
  c->ClientParams = "-p \"x\"";
  c->ClientFolder = "/tmp";
  c->ClientWin = 7;
  c->CheckOnStart = c->NoCase = c->EatBlank = c->EatBlankSubj = c->EatSymbols = c->DisableQwik = true;
  c->AllHeaders = false;
  c->DisableSpamScan = c->EatMatches = c->ConfirmInet = c->ProcessBodies = c->SummarizeStats = true;
  c->RegExAddressCheck = c->CheckUIDL = true;
  c->UseRas = c->MinimizeOnClose = false;
  c->MsgLines = 65535;
  c->MaxMsgSize = -5;
  c->MaxBodyRuleSize = 100;
  c->StartupCheckDelay = 12;
  c->BlacklistCheckNum = 3;
  c->UpdateProxy = {"proxy", "pu", "pp", 3128};
  c->DnsServer = "127.0.0.1:5353";
  c->TlsCaFile = "/etc/ssl/my-ca.pem";
  c->UpdateURL = "http://127.0.0.1:8080/apps/MMTFILTERS.UPD";
  c->VersionURL = "https://127.0.0.1/version.txt";
  c->Requeue = {"smtp.example.org", false, "to@example.org", "login", "pass word", true, true, 587, 1};
  c->Profiles.resize(2);
  ASSERT_TRUE(c->SaveSettings());

  auto back = NewConfig();
  back->LoadSettings();
  TSettings expected = *c;
  expected.NumProfiles = 2;
  EXPECT_EQ(static_cast<const TSettings&>(*back), expected);
  EXPECT_TRUE(Ui.Boxes.empty());
}

TEST_F(SettingsFileTest, WindowKeysAreSavedOnlyBySaveWindowState) {
  WriteTextFile(IniPath(), "[Config]\nWidth=600\n");
  auto c = NewConfig();
  c->LoadSettings();
  c->Width = 999;
  c->Top = 5;
  ASSERT_TRUE(c->SaveSettings());
  TIniFile saved = TIniFile::Load(IniPath());
  EXPECT_EQ(saved.ReadInteger("Config", "Width", 0), 600);
  EXPECT_FALSE(saved.ValueExists("Config", "Top"));

  WriteTextFile(IniPath(), "[Config]\nAutoMins=9\n");
  c->AutoMins = 1;
  ASSERT_TRUE(c->SaveWindowState());
  EXPECT_EQ(ReadTextFile(IniPath()), "[Config]\nAutoMins=9\nWidth=999\nHeight=244\nTop=5\nLeft=200\n");
}

TEST_F(SettingsFileTest, SaveKeepsAHandEditedFile) {
  const std::string original =
      "; my notes\r\n[Config]\r\nAutoMins=5\r\nFavouriteColour=blue\r\n\r\n[Extra]\r\nkeep=1\r\n";
  TConfigData& c = Loaded(original);
  c.AutoMins = 20;
  ASSERT_TRUE(c.SaveSettings());
  const std::string saved = ReadTextFile(IniPath());
  EXPECT_EQ(saved.rfind("; my notes\r\n[Config]\r\nAutoMins=20\r\nFavouriteColour=blue\r\n", 0), 0u) << saved;
  EXPECT_NE(saved.find("\r\n[Extra]\r\nkeep=1\r\n"), std::string::npos);
  EXPECT_EQ(saved.find('\n', 0), saved.find("\r\n", 0) + 1);
}

TEST_F(SettingsFileTest, UnreadableFileIsLoggedAndShownAndKeepsPreviousValues) {
  std::filesystem::create_directory(IniPath());
  auto c = NewConfig();
  c->AutoMins = 17;
  c->LoadSettings();
  EXPECT_EQ(c->AutoMins, 17);
  ASSERT_EQ(Ui.Boxes.size(), 1u);
  EXPECT_EQ(Ui.Boxes[0].Kind, TMsgKind::Error);
  EXPECT_EQ(Ui.Boxes[0].Buttons, TMsgButtons(mbOK));
  EXPECT_EQ(Ui.Boxes[0].Text.rfind("Error reading Mailmoat.INI:\r\nCannot read ", 0), 0u) << Ui.Boxes[0].Text;
  EXPECT_NE(ReadTextFile(Dir / "mmt.log").find(" ! Read INI Config Exception: Cannot read "), std::string::npos);

  // At level None the error is shown but not logged.
  std::filesystem::remove(Dir / "mmt.log");
  c->LoggingLevel = LogLevel::None;
  c->LoadSettings();
  EXPECT_EQ(Ui.Boxes.size(), 2u);
  EXPECT_FALSE(FileExists(Dir / "mmt.log"));
}

TEST_F(SettingsFileTest, FailedSaveKeepsTheOldFileAndSaysSo) {
  const std::string original = "[Config]\nAutoMins=5\n; a long comment to make the file grow\n";
  TConfigData& c = Loaded(original);
  c.AutoMins = 10;
  c.Width = 640;
  {
    test::TFileSizeLimit limit(original.size() + 10);
    EXPECT_FALSE(c.SaveSettings());
    EXPECT_FALSE(c.SaveWindowState());
  }
  EXPECT_EQ(ReadTextFile(IniPath()), original);
  ASSERT_EQ(Ui.Boxes.size(), 1u);  // closing the window is not held up by a box
  EXPECT_EQ(Ui.Boxes[0].Kind, TMsgKind::Error);
  EXPECT_EQ(Ui.Boxes[0].Text.rfind("Error writing Mailmoat.INI:\r\nCannot write ", 0), 0u) << Ui.Boxes[0].Text;
  for (const auto& entry : std::filesystem::directory_iterator(Dir.Path())) {
    const std::string name = entry.path().filename().string();
    EXPECT_TRUE(name == "Mailmoat.ini" || name == "mmt.log") << "left behind: " << name;
  }
}

TEST(ScrambleText, KnownBytesAndLength) {
  EXPECT_EQ(ScrambleText(""), "");
  // The first key byte is 0, so the first character passes unchanged.
  EXPECT_EQ(ScrambleText("p")[0], 'p');
  const std::string s = ScrambleText("password");
  EXPECT_EQ(s.size(), 8u);
  EXPECT_NE(s, "password");
  EXPECT_EQ(UnscrambleText(s), "password");
}

// The password goes through the whole settings path: scramble, store in a line of the file,
// read the line back, unscramble. Every length up to 300 and every byte value.
TEST(ScrambledPassword, EveryLengthAndByteValueRoundTripsThroughTheFile) {
  auto roundTrip = [](const std::string& password) {
    TSettings s;
    s.Requeue.SMTPPassword = password;
    TIniFile ini;
    WriteSettings(ini, s, 0);
    return ReadSettings(TIniFile::Parse(ini.Text())).Requeue.SMTPPassword;
  };
  for (size_t length = 0; length <= 300; ++length) {
    std::string password(length, '\0');
    for (size_t i = 0; i < length; ++i) password[i] = static_cast<char>((i * 7 + length) & 0xff);
    ASSERT_EQ(roundTrip(password), password) << "length " << length;
  }
  for (int b = 0; b < 256; ++b) {
    for (size_t length : {1u, 2u, 17u}) {
      const std::string password(length, static_cast<char>(b));
      ASSERT_EQ(roundTrip(password), password) << "byte " << b << " length " << length;
    }
  }
}

TEST_F(SettingsFileTest, PasswordWithLineBreakBytesSurvivesARealFile) {
  // Scrambled, "\x0a" becomes a line feed at the first position: the raw form cannot be stored.
  auto c = NewConfig();
  c->Requeue.SMTPPassword = std::string("\n\r\0 \"x", 6);
  ASSERT_TRUE(c->SaveSettings());
  auto back = NewConfig();
  back->LoadSettings();
  EXPECT_EQ(back->Requeue.SMTPPassword, c->Requeue.SMTPPassword);

  // A plain password goes back to the plain form and drops the marker.
  c->Requeue.SMTPPassword = "abc";
  ASSERT_TRUE(c->SaveSettings());
  EXPECT_FALSE(TIniFile::Load(IniPath()).ValueExists("Requeue", "SMTPPasswordEncoding"));
  back->LoadSettings();
  EXPECT_EQ(back->Requeue.SMTPPassword, "abc");
}

}  // namespace
}  // namespace mailmoat
