#include "core/SetupWizardModel.h"

#include "core/dataConfig.h"
#include "support/ConfigFixture.h"
#include "support/HomeSnapshot.h"

namespace mailmoat {
namespace {

using test::THomeSnapshot;

class SetupWizardModelTest : public test::ConfigFixture {
protected:
  SetupWizardModelTest() : ConfigFixture(true) { Dialer.Entries = {"Home", "Work"}; }

  TConfigData& Started(const std::string& ini) {
    test::WriteTextFile(Dir / "Mailmoat.ini", ini);
    StartUp();
    Config->ConfigDataCreate();
    Ui.Boxes.clear();
    return *Config;
  }
  std::vector<std::string> BoxTexts() const {
    std::vector<std::string> texts;
    for (const test::TRecordedBox& box : Ui.Boxes) texts.push_back(box.Text);
    return texts;
  }
  static bool Named(ProfileRecord& p, const std::string& name) {
    p.Name = name;
    p.Server = "pop." + name;
    return true;
  }
};

TEST_F(SetupWizardModelTest, FillsTheChoicesAndFallsBackToTheNetworkWithoutDialUp) {
  TConfigData& config =
      Started("[Config]\nUseRas=1\nStrict=1\nUnknown=1\nDisableSpamScan=1\nClientFile=/usr/bin/mutt\n");
  // Nothing is set up yet: the wizard is offered, and not again once there is a profile.
  ASSERT_TRUE(config.NotSetUp);
  Ui.SetNextAnswer(mbYes);
  EXPECT_TRUE(AskForFirstSetup(config));
  EXPECT_EQ(Ui.Boxes.back().Text, "Would you like to set up your first e-mail account with the Setup Wizard now?");
  config.NotSetUp = false;
  EXPECT_FALSE(AskForFirstSetup(config));
  EXPECT_EQ(Ui.Boxes.size(), 1u);

  config.ValidAddresses = {"joe@example.org"};
  config.DialSettings = {"Work", "joe", "secret", false, "555"};
  TSetupWizardModel dialling(config);
  EXPECT_EQ(dialling.AddressCheck, TAddressCheckChoice::Strict);
  EXPECT_FALSE(dialling.ScanForSpam);
  EXPECT_EQ(dialling.Connection(), TConnectionType::DialUp);
  EXPECT_EQ(dialling.DialEntries(), (std::vector<std::string>{"Home", "Work"}));
  EXPECT_EQ(dialling.DialEntry, "Work");
  EXPECT_EQ(dialling.DialPhone, "555");
  EXPECT_FALSE(dialling.DisconnectWhenDone);
  EXPECT_TRUE(dialling.ClientConfigured);

  config.Strict = false;
  EXPECT_EQ(TSetupWizardModel(config).AddressCheck, TAddressCheckChoice::Anywhere);
  config.ValidAddresses.clear();
  EXPECT_EQ(TSetupWizardModel(config).AddressCheck, TAddressCheckChoice::Disabled);

  // An entry this computer no longer has is not offered as chosen.
  config.DialSettings.EntryName = "Gone";
  EXPECT_EQ(TSetupWizardModel(config).DialEntry, "");

  config.RasAvailable = false;
  TSetupWizardModel lan(config);
  EXPECT_EQ(lan.Connection(), TConnectionType::Lan);
  EXPECT_TRUE(lan.DialEntries().empty());
  EXPECT_EQ(lan.ChooseConnection(TConnectionType::DialUp), TConnectionType::Lan);
}

TEST_F(SetupWizardModelTest, LeavingAPageTellsWhatIsMissingAndWhereToGo) {
  TConfigData& config = Started("[Config]\nUseRas=0\n");
  TSetupWizardModel model(config);
  EXPECT_EQ(model.LeavePage(TSetupPage::Welcome, true), TSetupFocus::None);
  EXPECT_EQ(model.LeavePage(TSetupPage::Profiles, false), TSetupFocus::AddProfile);
  EXPECT_EQ(model.LeavePage(TSetupPage::Profiles, true), TSetupFocus::AddProfile);
  ASSERT_EQ(Ui.Boxes.size(), 2u);
  EXPECT_EQ(Ui.Boxes[0].Kind, TMsgKind::Information);
  EXPECT_EQ(Ui.Boxes[0].Text,
            "You need to enter the information for at least one of your\r\nemail accounts to continue. Please click "
            "the Add button\r\nand enter the information for your email account(s).");
  Ui.Boxes.clear();

  // No address is needed while the check is off; Back leads to where it is switched off.
  EXPECT_EQ(model.LeavePage(TSetupPage::ValidAddresses, true), TSetupFocus::None);
  model.AddressCheck = TAddressCheckChoice::Anywhere;
  EXPECT_EQ(model.LeavePage(TSetupPage::ValidAddresses, false), TSetupFocus::None);
  EXPECT_EQ(model.LeavePage(TSetupPage::ValidAddresses, true), TSetupFocus::AddAddress);

  EXPECT_EQ(model.LeavePage(TSetupPage::ConnectionType, true), TSetupFocus::None);
  model.ChooseConnection(TConnectionType::DialUp);
  EXPECT_EQ(model.LeavePage(TSetupPage::ConnectionType, false), TSetupFocus::DialEntry);
  model.DialEntry = "Home";
  EXPECT_EQ(model.LeavePage(TSetupPage::ConnectionType, true), TSetupFocus::DialUser);
  model.DialUser = "joe";
  EXPECT_EQ(model.LeavePage(TSetupPage::ConnectionType, true), TSetupFocus::DialPassword);
  model.DialPassword = "pw";
  EXPECT_EQ(model.LeavePage(TSetupPage::ConnectionType, true), TSetupFocus::None);

  model.StartClient = true;
  model.PlayWav = true;
  EXPECT_EQ(model.LeavePage(TSetupPage::Notifications, true), TSetupFocus::WavFile);
  model.WavFile = "\"" + (Dir / "none.wav").string() + "\"";
  EXPECT_EQ(model.LeavePage(TSetupPage::Notifications, false), TSetupFocus::WavFile);
  test::WriteTextFile(Dir / "none.wav", "RIFF");
  model.ClientConfigured = true;
  EXPECT_EQ(model.LeavePage(TSetupPage::Notifications, true), TSetupFocus::None);
  const std::vector<std::string> texts = BoxTexts();
  ASSERT_EQ(texts.size(), 8u);
  EXPECT_EQ(Ui.Boxes[1].Kind, TMsgKind::Warning);
  EXPECT_EQ(texts[1],
            "Please select the Dial-Up Networking connection you want\r\nMailmoat Pro to use to connect to the "
            "internet.");
  EXPECT_EQ(texts[3], "Please enter your login password for the selected\r\nDial-Up Networking connection.");
  // The client message and a WAV message come up together.
  EXPECT_EQ(texts[4].substr(0, 58), "You have chosen to have Mailmoat Pro run your email client");
  EXPECT_EQ(texts[5],
            "Please select or enter the name of the WAV file that you want\r\nMailmoat Pro to play when you have "
            "new mail waiting.");
  EXPECT_EQ(texts[7].substr(0, 64), "Unable to locate the WAV file you have entered or selected to be");
}

TEST_F(SetupWizardModelTest, ProfilesAndAddressesAreEditedInTheirLists) {
  TConfigData& config = Started("[Config]\nUseRas=0\n");
  TSetupWizardModel model(config);
  EXPECT_TRUE(model.AddProfile([](ProfileRecord& p) { return p.Enabled && Named(p, "one"); }));
  EXPECT_FALSE(model.AddProfile([](ProfileRecord&) { return false; }));
  EXPECT_TRUE(model.AddProfile([](ProfileRecord& p) { return Named(p, "two"); }));
  EXPECT_TRUE(model.EditProfile(0, [](ProfileRecord& p) { return p.Name == "one" && Named(p, "first"); }));
  EXPECT_EQ(model.ProfileNames(), (std::vector<std::string>{"first", "two"}));
  EXPECT_EQ(config.NumProfiles, 2);
  Ui.SetNextAnswer(mbNo);
  EXPECT_FALSE(model.DeleteProfile(0));
  Ui.SetNextAnswer(mbYes);
  EXPECT_TRUE(model.DeleteProfile(0));
  EXPECT_EQ(model.ProfileNames(), std::vector<std::string>{"two"});
  EXPECT_EQ(config.NumProfiles, 1);
  EXPECT_EQ(Ui.Boxes.back().Text, "Delete the POP3 profile first?");

  Ui.SetNextInput("  Joe@Example.ORG ");
  EXPECT_TRUE(model.AddAddress());
  Ui.SetNextInput("JOE@example.org");
  EXPECT_FALSE(model.AddAddress());
  EXPECT_EQ(Ui.Boxes.back().Text, "The address joe@example.org\r\nalready exists");
  Ui.SetNextInput("@Example.NET");
  EXPECT_TRUE(model.AddAddress());
  Ui.SetNextInput("@example.org");
  EXPECT_TRUE(model.EditAddress(0));
  Ui.SetNextInput("@EXAMPLE.net");
  EXPECT_FALSE(model.EditAddress(0));
  Ui.SetNextInput("   ");
  EXPECT_FALSE(model.AddAddress());
  EXPECT_EQ(model.Addresses(), (std::vector<std::string>{"@example.org", "@example.net"}));
  EXPECT_EQ(Ui.InputPrompts[4], "Valid Address: Edit address: [@example.org]");
  Ui.SetNextAnswer(mbYes);
  EXPECT_TRUE(model.DeleteAddress(1));
  EXPECT_EQ(Ui.Boxes.back().Text, "Delete entry for @example.net?");
  EXPECT_EQ(Ui.Boxes.back().Caption, "Confirm");
  EXPECT_EQ(Ui.Boxes.back().Kind, TMsgKind::Error);
  // The valid addresses of the configuration change only on Finish.
  EXPECT_TRUE(config.ValidAddresses.empty());
}

TEST_F(SetupWizardModelTest, FinishWritesTheChoicesAndSavesEveryStore) {
  TConfigData& config = Started("[Config]\nUseRas=0\n");
  TSetupWizardModel model(config);
  model.AddProfile([](ProfileRecord& p) { return Named(p, "box"); });
  Ui.SetNextInput("joe@example.org");
  model.AddAddress();
  model.AddressCheck = TAddressCheckChoice::Strict;
  model.ScanForSpam = false;
  model.ChooseConnection(TConnectionType::DialUp);
  model.DialEntry = "Work";
  model.DialUser = "joe";
  model.DialPassword = "pw";
  model.DialPhone = std::string(25, '5');
  model.PlayWav = true;
  model.WavFile = "\"/usr/share/sounds/new.wav\"";
  ASSERT_TRUE(model.Finish());
  EXPECT_EQ(Dialer.EntryName + "|" + Dialer.UserName + "|" + Dialer.PhoneNumber, "Work|joe|" + std::string(25, '5'));
  EXPECT_TRUE(config.NotifyEnabled);

  Config = NewConfig();
  const auto& reread = Config;
  reread->ConfigDataCreate();
  EXPECT_TRUE(reread->Unknown && reread->Strict && reread->DisableSpamScan && reread->UseRas && reread->PlayWav);
  EXPECT_FALSE(reread->Popup || reread->StartClient);
  EXPECT_EQ(reread->WAVFile, "/usr/share/sounds/new.wav");
  EXPECT_EQ(reread->ValidAddresses, std::vector<std::string>{"joe@example.org"});
  ASSERT_EQ(reread->Profiles.size(), 1u);
  EXPECT_EQ(reread->Profiles[0].Server, "pop.box");
  EXPECT_EQ(reread->DialSettings, (DialSettingsRecord{"Work", "joe", "pw", true, std::string(20, '5')}));

  // The local network switches dialling off; without an address nothing is checked.
  TSetupWizardModel again(*reread);
  again.ChooseConnection(TConnectionType::Lan);
  Ui.SetNextAnswer(mbYes);
  again.DeleteAddress(0);
  ASSERT_TRUE(again.Finish());
  EXPECT_FALSE(reread->UseRas || reread->Unknown || reread->Strict);
  EXPECT_FALSE(std::filesystem::exists(Dir / "validaddr.dat"));
}

TEST_F(SetupWizardModelTest, CancelPutsEverythingBackAndWritesNoFile) {
  // Start-up switches dialling off on a computer without it; the file still says otherwise.
  Dialer.Unavailable = true;
  TConfigData& config = Started("[Config]\nUseRas=1\nPopup=1\nNumProfiles=1\n");
  ProfileRecord box;
  Named(box, "box");
  config.Profiles = {box};
  config.SaveProfiles();
  config.ValidAddresses = {"joe@example.org"};
  config.SaveValidAddresses();
  const TSettings settings = config;
  const THomeSnapshot before = THomeSnapshot::Take(Dir.Path());

  TSetupWizardModel model(config);
  model.AddProfile([](ProfileRecord& p) { return Named(p, "new"); });
  Ui.SetNextAnswer(mbYes);
  model.DeleteProfile(0);
  Ui.SetNextInput("ann@example.org");
  model.AddAddress();
  model.AddressCheck = TAddressCheckChoice::Strict;
  model.ScanForSpam = false;
  model.Popup = false;
  model.StartClient = true;
  // The client settings dialog writes into the settings at once.
  config.ClientFile = "/usr/bin/thunderbird";
  config.Left = 321;
  model.Cancel();

  EXPECT_EQ(before.ChangedIn(THomeSnapshot::Now(Dir.Path())), "");
  EXPECT_FALSE(config.UseRas);
  EXPECT_EQ(config.Profiles, std::vector<ProfileRecord>{box});
  EXPECT_EQ(config.ValidAddresses, std::vector<std::string>{"joe@example.org"});
  // The window's place is the one thing kept: the main window moved meanwhile.
  TSettings expected = settings;
  expected.Left = 321;
  EXPECT_TRUE(static_cast<const TSettings&>(config) == expected);
  // Only the question before the profile was deleted.
  EXPECT_EQ(Ui.Boxes.size(), 1u);
}

}  // namespace
}  // namespace mailmoat
