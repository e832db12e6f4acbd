// The NetworkManager dialer against a stand-in nmcli that records every argument list and
// answers from files beside it.
#include "platform/Errors.h"
#include "platform/NmcliDialer.h"
#include "support/TempDir.h"

#include <gmock/gmock.h>

#include <sys/stat.h>

namespace mailmoat {
namespace {

using testing::ElementsAre;
using testing::IsEmpty;

// Each call is one line of "[arg]" items. The answers: "active" (the active connections),
// "names", "type" (the connection type; none: no such connection), "up.rc" and "up.err".
// A password file given to "up" is copied to "secrets".
const char FakeNmcli[] = R"sh(#!/bin/sh
d=$(dirname "$0")
line=""
for a in "$@"; do line="$line[$a]"; done
echo "$line" >> "$d/calls"
case "$line" in
  "[-t][-f][NAME,STATE][connection][show][--active]") cat "$d/active" 2>/dev/null; exit 0 ;;
  "[-t][-f][NAME][connection][show]") cat "$d/names"; exit 0 ;;
  "[-t][-f][connection.type][connection][show][id]"*)
    if [ -f "$d/type" ]; then echo "connection.type:$(cat "$d/type")"; exit 0; fi
    echo "Error: $7 - no such connection profile." >&2; exit 10 ;;
  "[connection][up]"*)
    if [ "$5" = passwd-file ]; then cp "$6" "$d/secrets"; fi
    if [ -f "$d/up.sleep" ]; then sleep 10; fi
    if [ -f "$d/up.err" ]; then cat "$d/up.err" >&2; fi
    exit "$(cat "$d/up.rc" 2>/dev/null || echo 0)" ;;
  "[connection][down]"*|"[connection][modify]"*) exit 0 ;;
esac
exit 2
)sh";

class NmcliDialerTest : public testing::Test {
protected:
  NmcliDialerTest() {
    test::WriteTextFile(Dir / "nmcli", FakeNmcli);
    ::chmod((Dir / "nmcli").c_str(), 0755);
  }
  std::unique_ptr<TNmcliDialer> NewDialer(int dialTimeoutMs = 10000) {
    TNmcliDialer::TOptions options;
    options.SearchPath = Dir.Path().string();
    options.DialTimeoutMs = dialTimeoutMs;
    auto dialer = std::make_unique<TNmcliDialer>(options);
    dialer->OnDisconnect = [this] { ++Disconnects; };
    return dialer;
  }
  void Answer(const std::string& file, const std::string& text) { test::WriteTextFile(Dir / file, text); }
  std::vector<std::string> Calls() const {
    std::vector<std::string> lines;
    if (!std::filesystem::exists(Dir / "calls")) return lines;
    std::string text = test::ReadTextFile(Dir / "calls");
    for (size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
      lines.push_back(text.substr(start, end - start));
    std::filesystem::remove(Dir / "calls");
    return lines;
  }

  test::TTempDir Dir;
  int Disconnects = 0;
};

const std::string Active = "[-t][-f][NAME,STATE][connection][show][--active]";

TEST_F(NmcliDialerTest, WithoutNmcliThereIsNoDialUp) {
  TNmcliDialer::TOptions options;
  options.SearchPath = (Dir / "empty").string();
  TNmcliDialer dialer(options);
  EXPECT_TRUE(dialer.RasUnavailable());
  EXPECT_FALSE(NewDialer()->RasUnavailable());
  dialer.EntryName = "Modem";
  EXPECT_EQ(dialer.Dial(), TNmcliDialer::NotStartedCode);
  EXPECT_EQ(dialer.ErrorText(TNmcliDialer::NotStartedCode),
            "The nmcli program could not be started: nmcli was not found");
  EXPECT_THAT(dialer.EntryNames(), IsEmpty());
}

TEST_F(NmcliDialerTest, EntryNamesAndStatesAreReadFromTerseOutput) {
  auto dialer = NewDialer();
  Answer("names", "Wired connection 1\nWork\\: VPN\nback\\\\slash\n");
  EXPECT_THAT(dialer->EntryNames(), ElementsAre("Wired connection 1", "Work: VPN", "back\\slash"));
  EXPECT_THAT(Calls(), ElementsAre("[-t][-f][NAME][connection][show]"));

  Answer("active", "Wired connection 1:activated\nMy\\: Modem:activating\n");
  dialer->EntryName = "My: Modem";
  EXPECT_FALSE(dialer->IsConnected());
  Answer("active", "Wired connection 1:activated\nMy\\: Modem:activated\n");
  EXPECT_TRUE(dialer->IsConnected());
  dialer->EntryName = "Modem";
  EXPECT_FALSE(dialer->IsConnected());
  dialer->EntryName.clear();  // the first active connection
  EXPECT_TRUE(dialer->IsConnected());
  EXPECT_THAT(Calls(), ElementsAre(Active, Active, Active, Active));
}

TEST_F(NmcliDialerTest, DialActivatesTheConnectionByNameWithTheNameAsOneArgument) {
  auto dialer = NewDialer();
  dialer->EntryName = "--ask; rm -rf ~";
  EXPECT_EQ(dialer->Dial(), 0);
  EXPECT_THAT(Calls(), ElementsAre(Active, "[connection][up][id][--ask; rm -rf ~]"));
  EXPECT_EQ(Disconnects, 0);  // nothing was up to hang up first
}

TEST_F(NmcliDialerTest, AnActiveConnectionIsHungUpBeforeTheDialAndAfterAFailedOne) {
  auto dialer = NewDialer();
  dialer->EntryName = "Modem";
  Answer("active", "Modem:activating\n");
  Answer("up.rc", "4");
  Answer("up.err", "Error: Connection activation failed: No modem found.\nHint: use 'journalctl'\n");
  EXPECT_EQ(dialer->Dial(), 4);
  EXPECT_THAT(Calls(), ElementsAre(Active, "[connection][down][id][Modem]", "[connection][up][id][Modem]", Active,
                                   "[connection][down][id][Modem]"));
  EXPECT_EQ(Disconnects, 2);
  EXPECT_EQ(dialer->ErrorText(4), "Connection activation failed: Error: Connection activation failed: No modem found.");
  EXPECT_EQ(dialer->ErrorText(8), "NetworkManager is not running");
  EXPECT_EQ(dialer->ErrorText(77), "nmcli error 77");
}

TEST_F(NmcliDialerTest, WithoutAnEntryNothingIsDialledOrHungUp) {
  auto dialer = NewDialer();
  Answer("active", "Wired connection 1:activated\n");
  EXPECT_EQ(dialer->Dial(), TNmcliDialer::NoEntryCode);
  EXPECT_EQ(dialer->ErrorText(TNmcliDialer::NoEntryCode), "No network connection is chosen for dial-up networking");
  dialer->HangUp();
  EXPECT_THAT(Calls(), IsEmpty());
  EXPECT_EQ(Disconnects, 0);
}

TEST_F(NmcliDialerTest, HangUpTakesDownOnlyAnActiveConnection) {
  auto dialer = NewDialer();
  dialer->EntryName = "Modem";
  Answer("active", "Other:activated\n");
  dialer->HangUp();
  EXPECT_THAT(Calls(), ElementsAre(Active));
  EXPECT_EQ(Disconnects, 0);
  Answer("active", "Other:activated\nModem:activated\n");
  dialer->HangUp();
  EXPECT_THAT(Calls(), ElementsAre(Active, "[connection][down][id][Modem]"));
  EXPECT_EQ(Disconnects, 1);

  // Ending the program hangs up when asked to, without the event.
  dialer->HangUpOnDestroy = true;
  dialer.reset();
  EXPECT_THAT(Calls(), ElementsAre(Active, "[connection][down][id][Modem]"));
  EXPECT_EQ(Disconnects, 1);
}

TEST_F(NmcliDialerTest, ThePasswordGoesInAPrivateFileThatIsRemovedAfterTheDial) {
  auto dialer = NewDialer();
  Answer("type", "gsm");
  dialer->EntryName = "Mobile";
  dialer->Password = "s3cret word";
  EXPECT_EQ(dialer->Dial(), 0);
  const std::vector<std::string> calls = Calls();
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(calls[1], "[-t][-f][connection.type][connection][show][id][Mobile]");
  EXPECT_EQ(calls[2].rfind("[connection][up][id][Mobile][passwd-file][", 0), 0u) << calls[2];
  EXPECT_EQ(calls[2].find("s3cret"), std::string::npos);
  EXPECT_EQ(test::ReadTextFile(Dir / "secrets"), "gsm.password:s3cret word\n");
  const std::string file = calls[2].substr(calls[2].rfind('[') + 1, calls[2].size() - calls[2].rfind('[') - 2);
  EXPECT_FALSE(std::filesystem::exists(file));
}

TEST_F(NmcliDialerTest, ParametersAreStoredOnlyForConnectionsThatHaveThem) {
  auto dialer = NewDialer();
  dialer->EntryName = "Mobile";
  dialer->UserName = "me";
  dialer->PhoneNumber = "*99#";
  Answer("type", "gsm");
  EXPECT_TRUE(dialer->SetEntryDialParams());
  EXPECT_THAT(Calls(), ElementsAre("[-t][-f][connection.type][connection][show][id][Mobile]",
                                   "[connection][modify][id][Mobile][gsm.number][*99#][gsm.username][me]"));

  dialer->EntryName = "DSL";
  Answer("type", "pppoe");
  EXPECT_TRUE(dialer->SetEntryDialParams());
  EXPECT_THAT(Calls(), ElementsAre("[-t][-f][connection.type][connection][show][id][DSL]",
                                   "[connection][modify][id][DSL][pppoe.username][me]"));

  dialer->EntryName = "Wired";
  Answer("type", "802-3-ethernet");
  EXPECT_FALSE(dialer->SetEntryDialParams());
  EXPECT_EQ(Calls().size(), 1u);
}

TEST_F(NmcliDialerTest, AMissingEntryCannotBeRead) {
  auto dialer = NewDialer();
  EXPECT_NO_THROW(dialer->GetEntryDialParams(""));
  EXPECT_THAT(Calls(), IsEmpty());
  try {
    dialer->GetEntryDialParams("Gone");
    FAIL() << "no error";
  } catch (const EMailmoatError& e) {
    EXPECT_STREQ(e.what(), "The network connection \"Gone\" cannot be read: Error: Gone - no such connection profile.");
  }
}

TEST_F(NmcliDialerTest, ADialThatHangsIsEndedAtItsTimeOut) {
  auto dialer = NewDialer(300);
  dialer->EntryName = "Modem";
  Answer("up.sleep", "");
  EXPECT_EQ(dialer->Dial(), TNmcliDialer::TimedOutCode);
  EXPECT_EQ(dialer->ErrorText(TNmcliDialer::TimedOutCode), "The nmcli program did not finish in time");
}

TEST(NmcliTerseLine, EscapedSeparatorsStayInTheirField) {
  EXPECT_THAT(TNmcliDialer::SplitTerseLine("a\\:b:c\\\\:"), ElementsAre("a:b", "c\\", ""));
  EXPECT_THAT(TNmcliDialer::SplitTerseLine(""), ElementsAre(""));
}

}  // namespace
}  // namespace mailmoat
