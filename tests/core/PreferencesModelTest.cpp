#include "core/PreferencesModel.h"

#include "core/dataConfig.h"
#include "support/ConfigFixture.h"
#include "support/HomeSnapshot.h"

namespace mailmoat {
namespace {

using test::THomeSnapshot;

TRuleRec Rule(const std::string& description, std::uint8_t type) {
  TRuleRec r;
  r.Description = description;
  r.HeaderField = "Subject";
  r.Expression = description;
  r.RuleType = type;
  return r;
}

ProfileRecord Profile(const std::string& name, const std::string& server) {
  ProfileRecord p;
  p.Name = name;
  p.Server = server;
  p.Login = "joe";
  p.Password = "pw";
  return p;
}

class PreferencesModelTest : public test::ConfigFixture {
protected:
  // A home the program has saved itself, with a comment and a key of its own in the settings.
  TConfigData& SetUpHome() {
    test::WriteTextFile(Dir / "Mailmoat.ini",
                        "; written by hand\n[Config]\nProcessBodies=1\nColour=teal\n[Extra]\nKeep=1\n");
    StartUp();
    Config->ConfigDataCreate();
    TConfigData& c = *Config;
    c.Profiles = {Profile("Home", "pop.example.org"), Profile("Work", "pop.work.example")};
    c.ValidAddresses = {"joe@example.org", "jo@work.example"};
    c.ApprovedSenders = {{"ann@example.org", "Ann"}};
    c.SysHeaderRules = {Rule("casino", RuleType::Header)};
    c.UserRules = {Rule("lottery", RuleType::Header)};
    c.AcceptRules = {Rule("invoice", RuleType::AlwaysAccept)};
    c.Blacklists = {{"Example list", "bl.example.net", true}};
    c.SpamCop = {"submit.abc123@spam.example.net", "joe@example.org"};
    c.AutoMins = 10;
    c.AutoType = true;
    c.Unknown = true;
    c.Requeue.SMTPServer = "smtp.example.org";
    c.Requeue.SMTPPort = 587;
    c.Requeue.SMTPSecurity = 1;
    c.ClientWin = 3;
    c.SaveProfiles();
    c.SaveValidAddresses();
    c.SaveApprovedSenders();
    EXPECT_TRUE(c.SaveRules());
    c.SaveBlacklists();
    c.SaveSpamCopAddresses();
    EXPECT_TRUE(c.SaveSettings());
    // Started again, as the program would be.
    StartUp();
    Config->ConfigDataCreate();
    Ui.Boxes.clear();
    return *Config;
  }
  TPath Autostart() const { return Dir / "autostart"; }
};

TEST_F(PreferencesModelTest, SavingWithNothingChangedTouchesNoFile) {
  TConfigData& config = SetUpHome();
  TPreferences prefs = LoadPreferences(config);
  EXPECT_EQ(prefs.AutoMins, 10);
  EXPECT_EQ(prefs.CheckMode, TAutoCheckMode::CheckAndEat);
  EXPECT_EQ(prefs.Port, 110);
  EXPECT_EQ(prefs.ShownProfile, 0);
  EXPECT_EQ(prefs.AddressCheck, TAddressCheckChoice::Anywhere);
  EXPECT_EQ(prefs.ClientWindow, TClientWindow::Maximized);
  EXPECT_EQ(prefs.SMTPPort, 587);
  EXPECT_EQ(prefs.SpamCopReport, "submit.abc123@spam.example.net");
  EXPECT_EQ(prefs.UserRules.size(), 1u);
  EXPECT_FALSE(prefs.Changed);

  const THomeSnapshot before = THomeSnapshot::Take(Dir.Path());
  EXPECT_TRUE(SavePreferences(config, prefs, "/usr/bin/mailmoat", Autostart()));
  EXPECT_EQ(before.ChangedIn(THomeSnapshot::Now(Dir.Path())), "");
  EXPECT_TRUE(Ui.Boxes.empty());
}

TEST_F(PreferencesModelTest, AFaultySpamCopAddressWritesNothingAndNamesItsPage) {
  TConfigData& config = SetUpHome();
  TPreferences prefs = LoadPreferences(config);
  // Edits on other pages, made at once (the profile) and in the dialog.
  config.Profiles[0].Server = "pop.changed.example";
  prefs.AutoMins = 5;
  prefs.ApprovedSenders.push_back({"bob@example.org", "Bob"});
  prefs.UserRules.clear();
  prefs.SpamCopFrom = "  joe@example  ";
  const TSettings settings = config;
  const THomeSnapshot before = THomeSnapshot::Take(Dir.Path());

  std::optional<TPrefsFault> fault;
  EXPECT_FALSE(SavePreferences(config, prefs, "/usr/bin/mailmoat", Autostart(), &fault));
  ASSERT_TRUE(fault);
  EXPECT_EQ(fault->Page, TPrefsPage::SpamCop);
  EXPECT_EQ(fault->Field, TPrefsField::SpamCopFrom);
  const std::string fromText =
      "The email address you entered for the SpamCop FROM\r\n"
      "address does not appear to be a valid internet email address.\r\n\r\n"
      "Please check this entry and make sure you have entered the\r\n"
      "address you used when you signed up to the SpamCop service.";
  EXPECT_EQ(fault->Message, fromText);
  ASSERT_EQ(Ui.Boxes.size(), 1u);
  EXPECT_EQ(Ui.Boxes[0].Text, fromText);
  EXPECT_EQ(Ui.Boxes[0].Buttons, mbOK | mbHelp);
  EXPECT_EQ(Ui.Boxes[0].HelpContext, 240);
  EXPECT_EQ(prefs.SpamCopFrom, "joe@example");  // the trimmed text goes back into the box
  EXPECT_EQ(before.ChangedIn(THomeSnapshot::Now(Dir.Path())), "");
  EXPECT_TRUE(prefs.SaveFailed);
  EXPECT_TRUE(static_cast<const TSettings&>(config) == settings);
  EXPECT_EQ(config.UserRules.size(), 1u);

  prefs.SpamCopFrom = "";
  prefs.SpamCopReport = "submit.ab c@spam.example.net";
  fault = ValidatePreferences(prefs);
  ASSERT_TRUE(fault);
  EXPECT_EQ(fault->Page, TPrefsPage::SpamCop);
  EXPECT_EQ(fault->Field, TPrefsField::SpamCopReport);
  EXPECT_EQ(fault->Message,
            "The address you have entered for the SpamCop email\r\n"
            "forwarding address does not appear to be correct. This\r\n"
            "address should be in the format:\r\n\r\n"
            "submit.xxxxxxxxxxxxxxxx@spam.example.net\r\n\r\n"
            "The part between submit. and @spam.example.net will vary\r\n"
            "for each SpamCop member. Please check your address and\r\nenter it again.");
  prefs.SpamCopReport = "Submit.X9@SPAM.Example.NET";
  EXPECT_FALSE(ValidatePreferences(prefs));

  // Top-level domains of 2 to 63 letters.
  EXPECT_TRUE(IsSpamCopFromAddress("j.o-e_1@mail.example.museum"));
  EXPECT_TRUE(IsSpamCopFromAddress("joe@example." + std::string(63, 'x')));
  EXPECT_FALSE(IsSpamCopFromAddress("joe@example." + std::string(64, 'x')));
  EXPECT_FALSE(IsSpamCopFromAddress("joe@example.c"));
  EXPECT_FALSE(IsSpamCopFromAddress("joe@example..org"));
  EXPECT_FALSE(IsSpamCopFromAddress("joe@.org"));
  EXPECT_FALSE(IsSpamCopFromAddress("jo@e@example.org"));
  EXPECT_FALSE(IsSpamCopFromAddress("joe@example.o2g"));
  EXPECT_FALSE(IsSpamCopReportAddress("submit.@spam.example.net"));
}

TEST_F(PreferencesModelTest, DiscardPutsBackProfilesSendersAndRulesAsTheyWere) {
  TConfigData& config = SetUpHome();
  const std::vector<ProfileRecord> profiles = config.Profiles;
  const std::vector<ApprovedSenderRecord> senders = config.ApprovedSenders;
  const std::vector<TRuleRec> userRules = config.UserRules;
  const std::vector<TRuleRec> systemRules = config.SysHeaderRules;
  TPreferences prefs = LoadPreferences(config);
  const THomeSnapshot before = THomeSnapshot::Take(Dir.Path());

  // What the pages' editors change at once.
  config.Profiles.erase(config.Profiles.begin());
  config.Profiles[0].Server = "pop.other.example";
  config.NumProfiles = 1;
  config.ApprovedSenders.push_back({"bob@example.org", "Bob"});
  config.UserRules.push_back(Rule("pills", RuleType::Body));
  config.SysHeaderRules[0].Enabled = false;
  prefs.UserRules.clear();

  DiscardPreferences(config, prefs);
  EXPECT_EQ(config.Profiles, profiles);
  EXPECT_EQ(config.NumProfiles, 2);
  EXPECT_EQ(config.ApprovedSenders, senders);
  EXPECT_EQ(config.UserRules, userRules);
  EXPECT_EQ(config.SysHeaderRules, systemRules);
  EXPECT_EQ(before.ChangedIn(THomeSnapshot::Now(Dir.Path())), "");
}

TEST_F(PreferencesModelTest, SavedChangesAreReadBackAndTheSettingsFileKeepsWhatItsUserWrote) {
  TConfigData& config = SetUpHome();
  config.DisableSpamScan = true;
  config.MsgLines = 20;
  TPreferences prefs = LoadPreferences(config);
  prefs.AutoMins = 15;
  prefs.CheckMode = TAutoCheckMode::CheckAndView;
  config.Profiles[1].Server = "pop.new.example";  // the profile editor acts at once
  prefs.SMTPPort = 465;
  prefs.SMTPSecurity = 2;
  prefs.SMTPAuth = true;
  prefs.SMTPLogin = "joe";
  prefs.SMTPPassword = "";
  prefs.DnsServer = "127.0.0.1:5353";
  prefs.TlsCaFile = "/etc/ssl/own.pem";
  prefs.ClientFile = "\"/usr/bin/mutt\"";
  prefs.ClientWindow = TClientWindow::Normal;
  prefs.Popup = true;
  prefs.MaxBodyRuleSize = -4;
  prefs.Startup = true;
  prefs.Addresses.push_back("joe@home.example");
  prefs.Blacklists.clear();  // every blacklist deleted: none may come back

  prefs.SaveFailed = true;
  EXPECT_TRUE(SavePreferences(config, prefs, "/usr/bin/mailmoat", Autostart()));
  EXPECT_FALSE(prefs.SaveFailed);
  EXPECT_TRUE(config.NotifyEnabled);
  EXPECT_TRUE(test::ReadTextFile(Autostart() / "mailmoat.desktop").find("/usr/bin/mailmoat") != std::string::npos);

  const std::string ini = test::ReadTextFile(Dir / "Mailmoat.ini");
  EXPECT_NE(ini.find("; written by hand\n"), std::string::npos);
  EXPECT_NE(ini.find("Colour=teal"), std::string::npos);
  EXPECT_NE(ini.find("[Extra]"), std::string::npos);

  // A later Discard goes back to what was saved, not to what the dialog first found.
  const std::vector<ProfileRecord> saved = config.Profiles;
  const std::vector<TRuleRec> userRules = config.UserRules;
  config.Profiles.clear();
  DiscardPreferences(config, prefs);
  EXPECT_EQ(config.Profiles, saved);

  Config.reset();  // it holds the home
  std::unique_ptr<TConfigData> again = NewConfig();
  again->ConfigDataCreate();
  ASSERT_FALSE(again->TerminateRequested);
  EXPECT_EQ(again->AutoMins, 15);
  EXPECT_TRUE(again->AutoView);
  EXPECT_FALSE(again->AutoType);
  ASSERT_EQ(again->Profiles.size(), 2u);
  EXPECT_EQ(again->Profiles[1].Server, "pop.new.example");
  EXPECT_EQ(again->Requeue.SMTPPort, 465);
  EXPECT_EQ(again->Requeue.SMTPSecurity, 2);
  EXPECT_FALSE(again->Requeue.SMTPAuth);  // no password
  EXPECT_EQ(again->Requeue.SMTPLogin, "joe");
  EXPECT_EQ(again->DnsServer, "127.0.0.1:5353");
  EXPECT_EQ(again->TlsCaFile, "/etc/ssl/own.pem");
  EXPECT_EQ(again->ClientFile, "/usr/bin/mutt");
  EXPECT_EQ(again->ClientWin, 1);
  EXPECT_EQ(again->MaxBodyRuleSize, 1);
  EXPECT_TRUE(again->Blacklists.empty());
  EXPECT_FALSE(again->DisableSpamScan);
  EXPECT_TRUE(again->ProcessBodies);
  EXPECT_EQ(again->MsgLines, 0);
  EXPECT_TRUE(again->Startup);
  EXPECT_EQ(again->ValidAddresses.size(), 3u);
  EXPECT_EQ(again->UserRules, userRules);
  EXPECT_EQ(again->SpamCop.FromAddress, "joe@example.org");
}

class PreferencesModelDialTest : public test::ConfigFixture {
protected:
  PreferencesModelDialTest() : ConfigFixture(true) { Dialer.Entries = {"Home", "Work"}; }
};

TEST_F(PreferencesModelDialTest, DialUpIsOfferedWhereThereIsOneAndStoredOnlyWithAnEntry) {
  test::WriteTextFile(Dir / "Mailmoat.ini", "[Config]\nUseRas=1\n");
  StartUp();
  Config->ConfigDataCreate();
  TConfigData& config = *Config;
  config.DialSettings = {"Gone", "joe", "secret", false, "555"};
  TPreferences prefs = LoadPreferences(config);
  EXPECT_TRUE(prefs.DialUpAvailable);
  EXPECT_TRUE(prefs.UseRas);
  EXPECT_EQ(prefs.DialEntries, (std::vector<std::string>{"Home", "Work"}));
  EXPECT_EQ(prefs.DialEntry, "");  // an entry this computer no longer has
  EXPECT_EQ(prefs.DialUser, "joe");
  EXPECT_FALSE(prefs.DisconnectWhenDone);

  const TPath dialFile = Dir / "duncfg.dat";
  std::filesystem::remove(dialFile);
  EXPECT_TRUE(SavePreferences(config, prefs, "/usr/bin/mailmoat", Dir / "autostart"));
  EXPECT_FALSE(std::filesystem::exists(dialFile));

  prefs.DialEntry = "Work";
  prefs.DialPassword = "pw";
  prefs.DialPhone = std::string(25, '1');
  EXPECT_TRUE(SavePreferences(config, prefs, "/usr/bin/mailmoat", Dir / "autostart"));
  EXPECT_EQ(Dialer.EntryName, "Work");
  EXPECT_EQ(Dialer.Password, "pw");
  EXPECT_EQ(Dialer.PhoneNumber, std::string(25, '1'));
  config.DialSettings = {};
  config.LoadDialSettings();
  EXPECT_EQ(config.DialSettings, (DialSettingsRecord{"Work", "joe", "pw", false, std::string(20, '1')}));

  // Without dial-up on this computer the network stays chosen, whatever the box says.
  config.RasAvailable = false;
  prefs = LoadPreferences(config);
  EXPECT_FALSE(prefs.UseRas);
  EXPECT_TRUE(prefs.DialEntries.empty());
  prefs.UseRas = true;
  EXPECT_TRUE(SavePreferences(config, prefs, "/usr/bin/mailmoat", Dir / "autostart"));
  EXPECT_FALSE(config.UseRas);
}

}  // namespace
}  // namespace mailmoat
