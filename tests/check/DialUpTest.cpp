// The dial-up module and the start of a check: settings into the dialer, the phone number
// override, the disconnect event and the connection watch, and every way StartCheck can go.
#include "check/StartCheck.h"
#include "check/dataModPOP3.h"
#include "check/dataModRAS.h"
#include "core/BlockCipher.h"
#include "core/DialSettings.h"
#include "core/Notification.h"
#include "core/StoreTestSupport.h"
#include "support/FakeNotifier.h"
#include "support/FakeDialer.h"
#include "support/RecordingCheckView.h"

#include <gmock/gmock.h>

namespace mailmoat {
namespace {

using test::TFakeDialer;
using testing::ElementsAre;
using testing::HasSubstr;
using testing::IsEmpty;

const char SetUpErrorText[] =
    "Mailmoat was unable to set your chosen Dial-Up Networking settings.\r\nPlease check them and try again.";

class DialUpTest : public test::StoreTest {
protected:
  // Starts the program over the directory as it is, with `useRas`; one disabled profile, so a
  // check runs to its end without a server.
  void Start(bool useRas = true) {
    auto fake = std::make_unique<TFakeDialer>();
    Fake = fake.get();
    Fake->Unavailable = false;
    Ras = std::make_unique<TdataRas>(std::move(fake));
    Config = NewConfig();
    test::WriteTextFile(Dir / "Mailmoat.ini",
                        std::string("[Config]\nLoggingLevel=Verbose\nUseRas=") + (useRas ? "1" : "0"));
    Config->ConfigDataCreate();
    ProfileRecord p;
    p.Name = "Home";
    p.Server = "pop.invalid";
    p.Enabled = false;
    Config->Profiles = {p};
    Ras->Attach(*Config);
    Ras->SetView(View);
    Pop3 = std::make_unique<TdataPOP3>(*Config, *Ras, View, Notifier);
    Ui.Boxes.clear();
  }
  void WriteDialSettings(const DialSettingsRecord& r) {
    test::WriteTextFile(Dir / "duncfg.dat", EncodeBlocks(EncodeDialSettings(r)));
  }
  void Check(bool eat = false) { StartCheck(*Config, *Ras, View, *Pop3, eat); }
  bool Logged(const std::string& text) const { return Log().find(text) != std::string::npos; }
  bool CheckRan() const { return Pop3->LastRunResult() != TCheckRunResult::NotRun; }
  // The window is idle again: commands on, Abort off, the flag cleared.
  void ExpectIdle() const {
    EXPECT_TRUE(View.CommandsEnabled);
    EXPECT_FALSE(View.AbortEnabled);
    EXPECT_FALSE(Config->AbortRequested);
  }

  test::TRecordingCheckView View;
  test::TCountingNotifier Notifier;
  TFakeDialer* Fake = nullptr;
  std::unique_ptr<TdataRas> Ras;
  std::unique_ptr<TConfigData> Config;
  std::unique_ptr<TdataPOP3> Pop3;
};

TEST_F(DialUpTest, WithoutStoredSettingsTheEmptyEntryIsDialledAndItsFailureLogged) {
  Start();
  Fake->DialResults = {623};
  Check();
  EXPECT_THAT(Fake->Dials, ElementsAre("|||"));
  EXPECT_THAT(Fake->StoredParams, IsEmpty());
  EXPECT_TRUE(Logged("@ RAS: Setting dialup information"));
  EXPECT_TRUE(Logged("@ RAS: Using dial-up networking profile: \r\n"));
  EXPECT_TRUE(Logged("@ RAS: Dialup information set ok"));
  EXPECT_TRUE(Logged("! Dial-Up Error Connecting: Fake dial-up error 623"));
  EXPECT_TRUE(View.Has("msg: Dial-Up error - details logged"));
  EXPECT_EQ(View.Panel(TStatusPanel::NextCheck), "Dial-Up error");
  EXPECT_FALSE(Config->Dialing);
  EXPECT_FALSE(Config->WeDialed);
  EXPECT_FALSE(CheckRan());
  ExpectIdle();
}

TEST_F(DialUpTest, StoredSettingsAreDialledAndTheRunHangsUpTheLineItMade) {
  DialSettingsRecord r;
  r.EntryName = "Provider";
  r.UserName = "me";
  r.Password = "secret";
  WriteDialSettings(r);
  Start();
  EXPECT_EQ(Fake->EntryName, "Provider");  // start-up put the record into the dialer
  Check();
  // Without a phone number the entry's own number is dialled and nothing is stored.
  EXPECT_THAT(Fake->Dials, ElementsAre("Provider|me|secret|"));
  EXPECT_THAT(Fake->StoredParams, IsEmpty());
  EXPECT_FALSE(Logged("Overriding"));
  const std::vector<std::string> expected = {"msg: Initiating Dial-Up connection...",
                                             "msg: Establishing Dial-Up Connection...", "msg: Dial-Up connected..."};
  std::vector<std::string> statuses;
  for (const std::string& c : View.Calls)
    if (c.find("Dial-Up") != std::string::npos && c.rfind("msg: ", 0) == 0) statuses.push_back(c);
  EXPECT_EQ(statuses, expected);
  EXPECT_TRUE(CheckRan());
  EXPECT_EQ(Fake->Disconnects, 1);  // DisconnectWhenDone and WeDialed
  EXPECT_FALSE(Config->WeDialed);
  EXPECT_TRUE(View.Has("msg: DUN/RAS connection closed"));
}

TEST_F(DialUpTest, APhoneNumberIsStoredForTheEntryBeforeTheDial) {
  DialSettingsRecord r;
  r.EntryName = "Provider";
  r.UserName = "me";
  r.PhoneNumber = "0800 123";
  WriteDialSettings(r);
  Start();
  Check();
  EXPECT_THAT(Fake->StoredParams, ElementsAre("Provider|me||0800 123"));
  EXPECT_THAT(Fake->Dials, ElementsAre("Provider|me||0800 123"));
  EXPECT_TRUE(Logged("@ RAS: Overriding default phone number with 0800 123"));
  EXPECT_TRUE(CheckRan());
}

TEST_F(DialUpTest, APhoneNumberThatCannotBeStoredStopsBeforeTheDial) {
  DialSettingsRecord r;
  r.EntryName = "Provider";
  r.PhoneNumber = "0800 123";
  WriteDialSettings(r);
  Start();
  Fake->SetParamsFail = true;
  Check();
  ASSERT_EQ(Ui.Boxes.size(), 1u);
  EXPECT_EQ(Ui.Boxes[0].Text, SetUpErrorText);
  EXPECT_EQ(Ui.Boxes[0].Caption, "Dial-Up Networking Configuration Error");
  EXPECT_EQ(Ui.Boxes[0].Kind, TMsgKind::Error);
  EXPECT_TRUE(Logged("! Dial-Up Setup Error: call to SetUpDialInfo() failed"));
  EXPECT_FALSE(Logged("Dialup information set ok"));
  EXPECT_THAT(Fake->Dials, IsEmpty());
  EXPECT_EQ(View.Panel(TStatusPanel::NextCheck), "Dial-Up error");
  EXPECT_FALSE(Config->Dialing);
  EXPECT_FALSE(Config->WeDialed);
  EXPECT_FALSE(CheckRan());
  ExpectIdle();
}

TEST_F(DialUpTest, AConnectionThatWasUpAlreadyIsUsedAndLeftUp) {
  DialSettingsRecord r;
  r.EntryName = "Provider";
  r.DisconnectWhenDone = true;
  WriteDialSettings(r);
  Start();
  Fake->Connected = true;
  Check();
  EXPECT_THAT(Fake->Dials, IsEmpty());
  EXPECT_TRUE(View.Has("msg: Using existing Dial-Up connection..."));
  EXPECT_TRUE(CheckRan());
  EXPECT_TRUE(Fake->Connected);
  EXPECT_EQ(Fake->Disconnects, 0);
  EXPECT_FALSE(Config->WeDialed);
}

TEST_F(DialUpTest, AbortDuringTheDialHangsUpAndRunsNoCheck) {
  Start();
  Fake->WhileDialling = [this] { Config->AbortRequested = true; };
  Check();
  EXPECT_EQ(Fake->Dials.size(), 1u);
  EXPECT_FALSE(Fake->Connected);
  EXPECT_EQ(Fake->Disconnects, 1);
  EXPECT_FALSE(CheckRan());
  EXPECT_FALSE(Config->WeDialed);
  ExpectIdle();
}

TEST_F(DialUpTest, ASecondStartWhileDiallingEndsTheDialWithoutAnotherCheck) {
  Start();
  Fake->Connected = true;
  Config->Dialing = true;
  Config->AbortRequested = true;
  View.CommandsEnabled = false;
  Check();
  EXPECT_EQ(Fake->Disconnects, 1);
  EXPECT_FALSE(Config->Dialing);
  EXPECT_FALSE(CheckRan());
  ExpectIdle();

  // Without Abort the second start only clears the flag.
  Config->Dialing = true;
  Fake->Connected = true;
  Check();
  EXPECT_FALSE(Config->Dialing);
  EXPECT_TRUE(Fake->Connected);
  EXPECT_FALSE(CheckRan());
}

TEST_F(DialUpTest, WithoutDialUpTheCheckStartsAtOnce) {
  Start(false);
  Check(true);
  EXPECT_TRUE(Config->RasConnected);
  EXPECT_EQ(Fake->HangUps, 0);
  EXPECT_THAT(Fake->Dials, IsEmpty());
  EXPECT_EQ(View.CountPrefix("msg: Using existing"), 0);
  EXPECT_TRUE(CheckRan());

  // Nothing at all while a check is in progress.
  View.Calls.clear();
  Config->CheckInProgress = true;
  Check();
  EXPECT_THAT(View.Calls, IsEmpty());
}

TEST_F(DialUpTest, ALostLineFiresTheDisconnectEventFromTheWatch) {
  Start();
  Config->WeDialed = true;
  ASSERT_EQ(Ras->Dial(), 0);
  ASSERT_EQ(Ui.Timers.size(), 1u);
  const int timer = Ui.Timers.begin()->first;
  EXPECT_EQ(Ui.Timers.begin()->second.first, TdataRas::PollIntervalMs);
  Ui.FireTimer(timer);
  EXPECT_TRUE(Config->WeDialed);  // still connected: nothing happens
  EXPECT_FALSE(View.Has("msg: DUN/RAS connection closed"));

  Fake->Connected = false;  // the line dropped: nothing left to hang up, the event still fires
  Ui.FireTimer(timer);
  EXPECT_FALSE(Config->WeDialed);
  EXPECT_FALSE(Config->Dialing);
  EXPECT_TRUE(View.Has("msg: DUN/RAS connection closed"));
  EXPECT_TRUE(Ui.Timers.empty());
}

TEST_F(DialUpTest, HangingUpStopsTheWatch) {
  Start();
  ASSERT_EQ(Ras->Dial(), 0);
  ASSERT_EQ(Ui.Timers.size(), 1u);
  Ras->HangUp();
  EXPECT_TRUE(Ui.Timers.empty());
  EXPECT_EQ(View.CountPrefix("msg: DUN/RAS connection closed"), 1);
  Fake->DialResults = {5};
  EXPECT_EQ(Ras->Dial(), 5);
  EXPECT_TRUE(Ui.Timers.empty());  // a failed dial is not watched
}

TEST_F(DialUpTest, LoadAndSavePutTheRecordIntoTheDialer) {
  Start();
  DialSettingsRecord r;
  r.EntryName = "Provider";
  r.UserName = "me";
  r.Password = "pw";
  r.PhoneNumber = "555";
  WriteDialSettings(r);
  Ras->LoadDialSettings();
  EXPECT_EQ(Config->DialSettings, r);
  EXPECT_EQ(Fake->EntriesAsked.back(), "Provider");
  EXPECT_EQ(Fake->EntryName + "|" + Fake->UserName + "|" + Fake->Password + "|" + Fake->PhoneNumber,
            "Provider|me|pw|555");

  Config->DialSettings.EntryName = "Other";
  Ras->SaveDialSettings();
  EXPECT_EQ(Fake->EntryName, "Other");
  EXPECT_EQ(DecodeDialSettings(DecodeBlocks(test::ReadTextFile(Dir / "duncfg.dat")))->EntryName, "Other");
}

TEST_F(DialUpTest, AnUnreadableRecordClearsTheDialerAndSwitchesDialUpOff) {
  Start();
  Fake->EntryName = "Old";
  Fake->UserName = "old";
  test::WriteTextFile(Dir / "duncfg.dat", EncodeBlocks(std::string(100, 'x')));
  Ras->LoadDialSettings();
  ASSERT_EQ(Ui.Boxes.size(), 1u);
  EXPECT_THAT(Ui.Boxes[0].Text, HasSubstr("unable to read your DUN / RAS profile"));
  EXPECT_FALSE(Config->UseRas);
  EXPECT_EQ(Fake->EntryName + Fake->UserName + Fake->Password + Fake->PhoneNumber, "");
}

TEST(DialerCreation, AFailingDialerLeavesDialUpUnavailableAndIsLogged) {
  test::TTempDir dir;
  test::TRecordingUiHost ui;
  TdataRas ras([]() -> std::unique_ptr<TDialer> { throw EMailmoatError("no modem service"); });
  EXPECT_TRUE(ras.RasUnavailable());
  TConfigData config(TAppPaths::ForHome(dir.Path()), ui, ras.Dialer());
  test::WriteTextFile(dir / "Mailmoat.ini", "[Config]\nUseRas=1\n");
  config.ConfigDataCreate();
  EXPECT_FALSE(config.UseRas);
  EXPECT_FALSE(config.RasAvailable);
  ras.Attach(config);
  EXPECT_THAT(test::ReadTextFile(dir / "mmt.log"), HasSubstr("! Dialup networking exception: no modem service"));
  EXPECT_FALSE(ras.Dialer().HangUpOnDestroy);
}

}  // namespace
}  // namespace mailmoat
