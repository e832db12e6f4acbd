#include "gui/support/FindChild.h"
#include "gui/support/MainWindowFixture.h"
#include "gui/support/ModalDriver.h"
#include "support/HomeSnapshot.h"
#include "ui/config/formWizard.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QToolButton>

#include <cstdlib>

namespace mailmoat {
namespace {

using test::Child;
using test::ReadTextFile;

class PreferencesTest : public test::TMainWindowFixture {
protected:
  // A home as a user leaves it: a settings file with a comment and keys of their own, one
  // profile, and the files written as the program writes them.
  void StartWithAProfile() {
    Start("; Written by hand\n[Config]\nAutoMins=0\nLoggingLevel=Normal\nUseRas=0\nMyOwnKey=kept\n[Mine]\nNote=mine\n");
    ProfileRecord profile;
    profile.Name = "Home";
    profile.Server = "pop.example.org";
    profile.Login = "joe";
    profile.Password = "pw";
    Config->Profiles = {profile};
    Config->NumProfiles = 1;
    Config->SaveProfiles();
    ASSERT_TRUE(Config->SaveSettings());
    setenv("XDG_CONFIG_HOME", Dir.Path().c_str(), 1);
  }
  void TearDown() override { unsetenv("XDG_CONFIG_HOME"); }

  // File | Preferences opens the real dialog, driven by `drive` while it is open.
  void OpenPreferences(std::function<void(TfrmWizard&)> drive) {
    Openers.OnOpen = [this] { return ShowPreferences(*Config, Ui, Main.get()); };
    bool driven = false;
    test::WhenModal([&](QWidget* window) {
      auto* prefs = dynamic_cast<TfrmWizard*>(window);
      ASSERT_NE(prefs, nullptr);
      drive(*prefs);
      driven = true;
    });
    Find<QAction>("mnuPreferences")->trigger();
    ASSERT_TRUE(driven);
  }
  // Ctrl+Page Down (or Up) where the focus is, as the user presses it.
  static void PageKey(TfrmWizard& prefs, int times, Qt::Key key = Qt::Key_PageDown) {
    for (int i = 0; i < times; ++i) QTest::keyClick(prefs.focusWidget(), key, Qt::ControlModifier);
  }
  // The edits both scenarios make: the check interval, the profile's server in the real
  // account editor, the SMTP server and port, and the autostart entry.
  void EditTheUsualSettings(TfrmWizard& prefs) {
    EXPECT_EQ(prefs.CurrentPage(), TPrefsPage::Accounts);
    EXPECT_EQ(prefs.focusWidget(), Child<QComboBox>(&prefs, "cbPopProfile"));
    auto* minutes = Child<QSpinBox>(&prefs, "seCheckMins");
    auto* eat = Child<QRadioButton>(&prefs, "rbEat");
    EXPECT_FALSE(eat->isEnabled());
    minutes->setValue(5);
    ASSERT_TRUE(eat->isEnabled());
    eat->click();
    test::WhenModal([](QWidget* editor) {
      EXPECT_EQ(editor->windowTitle(), "POP3 Account Editor");
      auto* server = Child<QLineEdit>(editor, "ebServer");
      server->selectAll();
      QTest::keyClicks(server, "localhost");
      Child<QPushButton>(editor, "btnOk")->click();
    });
    Child<QPushButton>(&prefs, "btnEdit")->click();
    EXPECT_EQ(Child<QLabel>(&prefs, "lblServerName")->text(), "localhost");

    // The page keys work from inside a spin box, which has Page Down of its own.
    minutes->setFocus();
    PageKey(prefs, 1);
    EXPECT_EQ(prefs.CurrentPage(), TPrefsPage::ValidAddresses);
    EXPECT_EQ(minutes->value(), 5);
    PageKey(prefs, 5);
    ASSERT_EQ(prefs.CurrentPage(), TPrefsPage::Requeue);
    auto* server = Child<QLineEdit>(&prefs, "edtSMTPServer");
    QTest::keyClicks(server, "smtp.example.org");
    Child<QSpinBox>(&prefs, "seSmtpPort")->setValue(2525);
    prefs.ShowPage(TPrefsPage::Misc);
    Child<QCheckBox>(&prefs, "cbxAutoStart")->click();
    // From the last page on to the first, and back.
    PageKey(prefs, 1);
    EXPECT_EQ(prefs.CurrentPage(), TPrefsPage::Accounts);
    PageKey(prefs, 1, Qt::Key_PageUp);
    EXPECT_EQ(prefs.CurrentPage(), TPrefsPage::Misc);
  }
  std::string LastBox() const { return Ui.Boxes.empty() ? std::string() : Ui.Boxes.back().Text; }
};

TEST_F(PreferencesTest, OkSavesTheEditsAndTheMainWindowFollows) {
  StartWithAProfile();
  OpenPreferences([this](TfrmWizard& prefs) {
    EditTheUsualSettings(prefs);
    // The log options go into the settings with the save.
    test::WhenModal([](QWidget* options) {
      Child<QComboBox>(options, "cmbLogLevel")->setCurrentText("Debug Logging (big!)");
      Child<QPushButton>(options, "btnOk")->click();
    });
    Child<QPushButton>(&prefs, "btnLogOptions")->click();
    Child<QPushButton>(&prefs, "btnOk")->click();
  });
  EXPECT_TRUE(Ui.Boxes.empty()) << LastBox();
  EXPECT_EQ(Main->PanelText(TStatusPanel::NextCheck), "Check in 5 mins");
  EXPECT_EQ(Label("lblServerName"), "localhost");

  const std::string ini = ReadTextFile(Dir / "Mailmoat.ini");
  for (const char* kept : {"; Written by hand", "MyOwnKey=kept", "[Mine]", "Note=mine", "AutoMins=5", "AutoType=1",
                           "SMTPServer=smtp.example.org", "SMTPPort=2525", "LoggingLevel=Debug"})
    EXPECT_NE(ini.find(kept), std::string::npos) << kept << " in\n" << ini;
  Config->Profiles.clear();
  ASSERT_TRUE(Config->LoadProfiles());
  EXPECT_EQ(Config->Profiles.at(0).Server, "localhost");
  // The autostart entry starts this program with its home.
  const std::string entry = ReadTextFile(Dir / "autostart" / "mailmoat.desktop");
  EXPECT_NE(entry.find("Exec=/"), std::string::npos) << entry;
  EXPECT_NE(entry.find("--home"), std::string::npos) << entry;
}

TEST_F(PreferencesTest, CancelAfterTheSameEditsLeavesEveryFileAndSettingAsItWas) {
  StartWithAProfile();
  const test::THomeSnapshot before = test::THomeSnapshot::Take(Dir.Path());
  const QString label = Label("lblServerName");
  const QString panel = Main->PanelText(TStatusPanel::NextCheck);
  OpenPreferences([this](TfrmWizard& prefs) {
    EditTheUsualSettings(prefs);
    // A wrong SpamCop address refuses the save before anything is written.
    prefs.ShowPage(TPrefsPage::SpamCop);
    QTest::keyClicks(Child<QLineEdit>(&prefs, "edtSpamCopFrom"), "  me@example ");
    Child<QPushButton>(&prefs, "btnOk")->click();
    ASSERT_TRUE(prefs.isVisible());
    EXPECT_EQ(LastBox().rfind("The email address you entered for the SpamCop FROM", 0), 0u) << LastBox();
    EXPECT_EQ(Ui.Boxes.back().HelpContext, 240);
    EXPECT_EQ(prefs.CurrentPage(), TPrefsPage::SpamCop);
    auto* from = Child<QLineEdit>(&prefs, "edtSpamCopFrom");
    EXPECT_EQ(prefs.focusWidget(), from);
    EXPECT_EQ(from->selectedText(), "me@example");
    Child<QPushButton>(&prefs, "btnHelp")->click();
    EXPECT_EQ(Ui.HelpTopics.back(), 240);

    // The configuration dump first offers to save; No, then abort, makes no dump.
    prefs.ShowPage(TPrefsPage::Misc);
    Ui.SetNextAnswer(mbNo);
    Ui.SetNextAnswer(mbYes);
    Child<QPushButton>(&prefs, "btnCfgFile")->click();
    ASSERT_GE(Ui.Boxes.size(), 3u);
    EXPECT_EQ(Ui.Boxes[Ui.Boxes.size() - 2].Text, "Save your changes first?");
    EXPECT_EQ(LastBox(), "Abort Configuration Dump?");

    // The close box asks as Cancel does; Cancel there keeps the dialog open.
    Ui.SetNextAnswer(mbCancel);
    prefs.close();
    EXPECT_TRUE(prefs.isVisible());
    EXPECT_EQ(LastBox(), "Save your changes first?");
    EXPECT_EQ(Ui.Boxes.back().Buttons, mbYes | mbNo | mbCancel);
    Ui.SetNextAnswer(mbNo);
    prefs.close();
  });
  EXPECT_EQ(before.ChangedIn(test::THomeSnapshot::Now(Dir.Path())), "");
  EXPECT_EQ(Config->Profiles.at(0).Server, "pop.example.org");
  EXPECT_EQ(Config->AutoMins, 0);
  EXPECT_EQ(Config->Requeue.SMTPPort, 25);
  EXPECT_FALSE(Config->Startup);
  EXPECT_EQ(Label("lblServerName"), label);
  EXPECT_EQ(Main->PanelText(TStatusPanel::NextCheck), panel);
}

TEST_F(PreferencesTest, ValidAddressesStayInOrderAndRefuseADuplicateInAnyCase) {
  Start();
  TfrmWizard prefs(*Config, Ui, Main.get());
  prefs.show();
  PageKey(prefs, 1);
  auto* edit = Child<QLineEdit>(&prefs, "editEmailAddress");
  auto* list = Child<QListWidget>(&prefs, "lbAddresses");
  auto* add = Child<QPushButton>(&prefs, "btnAddAddress");
  auto* group = Child<QGroupBox>(&prefs, "grpAddrCheck");
  const auto shown = [list] {
    QStringList items;
    for (int i = 0; i < list->count(); ++i) items << list->item(i)->text();
    return items;
  };
  EXPECT_FALSE(add->isEnabled());
  EXPECT_FALSE(group->isEnabled());
  for (const char* address : {"Joe@Example.org", "amy@example.org"}) {
    QTest::keyClicks(edit, address);
    add->click();
    EXPECT_EQ(edit->text(), "");
  }
  EXPECT_EQ(shown(), QStringList({"amy@example.org", "Joe@Example.org"}));
  EXPECT_TRUE(group->isEnabled());
  Child<QRadioButton>(&prefs, "rbStrictCheck")->click();
  QTest::keyClicks(edit, "JOE@example.ORG");
  add->click();
  EXPECT_EQ(LastBox(), "The address JOE@example.ORG\r\nalready exists");
  EXPECT_EQ(shown().size(), 2);

  list->setCurrentRow(1);
  EXPECT_EQ(edit->text(), "Joe@Example.org");
  // A change of letter case only is no duplicate of the entry itself.
  edit->setText("joe@example.org");
  Child<QPushButton>(&prefs, "btnChange")->click();
  EXPECT_EQ(shown(), QStringList({"amy@example.org", "joe@example.org"}));

  // Printing shows the list under its report title.
  QString previewTitle;
  test::WhenModal([&previewTitle](QWidget* preview) {
    previewTitle = preview->windowTitle();
    preview->close();
  });
  Child<QAction>(Child<QWidget>(&prefs, "tabshtAddrs"), "mnuPrintPreview")->trigger();
  EXPECT_EQ(previewTitle, "Mailmoat Pro - Valid E-Mail Addresses Report");

  list->setCurrentRow(0);
  Child<QPushButton>(&prefs, "btnDeleteAddress")->click();
  EXPECT_EQ(shown(), QStringList({"joe@example.org"}));
  Child<QPushButton>(&prefs, "btnOk")->click();
  EXPECT_EQ(prefs.result(), QDialog::Accepted);
  EXPECT_EQ(Config->ValidAddresses, std::vector<std::string>{"joe@example.org"});
  EXPECT_TRUE(Config->Strict);
  EXPECT_FALSE(Config->Unknown);
  Config->ValidAddresses.clear();
  Config->LoadValidAddresses();
  EXPECT_EQ(Config->ValidAddresses, std::vector<std::string>{"joe@example.org"});
}

TEST_F(PreferencesTest, ControlsFollowTheBoxesThatEnableThem) {
  DialerAvailable = false;
  Start("[Config]\nClientWin=5\nCheckUIDL=1\nUseRas=1\n");
  TfrmWizard prefs(*Config, Ui, Main.get());
  prefs.show();
  EXPECT_FALSE(Child<QRadioButton>(&prefs, "rbRas")->isEnabled());
  EXPECT_TRUE(Child<QRadioButton>(&prefs, "rbLan")->isChecked());
  EXPECT_FALSE(Child<QGroupBox>(&prefs, "grpRas")->isEnabled());

  auto* wav = Child<QLineEdit>(&prefs, "fneWavFile");
  auto* play = Child<QToolButton>(&prefs, "btnPlay");
  EXPECT_FALSE(wav->isEnabled());
  Child<QCheckBox>(&prefs, "cbxPlayWav")->click();
  EXPECT_TRUE(wav->isEnabled());
  EXPECT_FALSE(play->isEnabled());
  wav->setText("/usr/share/sounds/mail.wav");
  EXPECT_TRUE(play->isEnabled());
  EXPECT_EQ(Child<QComboBox>(&prefs, "cbWinStyle")->currentText(), "Normal");
  auto* program = Child<QLineEdit>(&prefs, "fneClient");
  EXPECT_FALSE(program->isEnabled());
  Child<QCheckBox>(&prefs, "cbxStartClient")->click();
  ASSERT_TRUE(program->isEnabled());
  QTest::keyClicks(program, "\"/usr/bin/mail client\"");

  auto* auth = Child<QCheckBox>(&prefs, "ckSMTPAuth");
  auto* login = Child<QLineEdit>(&prefs, "edtSmtpLogin");
  EXPECT_FALSE(auth->isEnabled());
  QTest::keyClicks(Child<QLineEdit>(&prefs, "edtSMTPServer"), " ");
  EXPECT_FALSE(auth->isEnabled());
  QTest::keyClicks(Child<QLineEdit>(&prefs, "edtSMTPServer"), "smtp.example.org");
  ASSERT_TRUE(auth->isEnabled());
  EXPECT_FALSE(login->isEnabled());
  auth->click();
  ASSERT_TRUE(login->isEnabled());
  QTest::keyClicks(login, "joe");

  auto* delay = Child<QSpinBox>(&prefs, "seDelay");
  EXPECT_FALSE(delay->isEnabled());
  Child<QCheckBox>(&prefs, "cbxCheckOnStartup")->click();
  EXPECT_TRUE(delay->isEnabled());
  // Loading ticked the UIDL check without a word; ticking it by hand warns.
  EXPECT_TRUE(Ui.Boxes.empty()) << LastBox();
  auto* uidl = Child<QCheckBox>(&prefs, "ckCheckUIDL");
  prefs.ShowPage(TPrefsPage::Misc);
  uidl->click();
  uidl->click();
  ASSERT_EQ(Ui.Boxes.size(), 1u);
  EXPECT_EQ(Ui.Boxes[0].Text.rfind("With this option enabled, Mailmoat will request", 0), 0u);

  Child<QPushButton>(&prefs, "btnOk")->click();
  ASSERT_EQ(prefs.result(), QDialog::Accepted);
  EXPECT_EQ(Config->ClientWin, 1);
  EXPECT_EQ(Config->ClientFile, "/usr/bin/mail client");
  EXPECT_TRUE(Config->PlayWav);
  EXPECT_TRUE(Config->NotifyEnabled);
  EXPECT_EQ(Config->Requeue.SMTPServer, "smtp.example.org");
  // Without a password SMTP AUTH cannot be used; the login name stays for later.
  EXPECT_FALSE(Config->Requeue.SMTPAuth);
  EXPECT_EQ(Config->Requeue.SMTPLogin, "joe");
  EXPECT_FALSE(Config->UseRas);
  EXPECT_TRUE(Config->CheckOnStart);
}

}  // namespace
}  // namespace mailmoat
