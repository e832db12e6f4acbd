#include "diag/ConfigDump.h"

#include "core/dataConfig.h"
#include "platform/Errors.h"
#include "support/ConfigFixture.h"

#include <gtest/gtest.h>

namespace mailmoat {
namespace {

// Tuesday 08 December 2026 13:40:03 UTC; the tests run in UTC.
constexpr std::time_t Now = 1796737203;

class ConfigDumpTest : public test::ConfigFixture {
protected:
  ConfigDumpTest() {
    Clock = Now;
    StartUp();
  }

  std::vector<std::string> Lines(TDumpLevel level, const TSystemFacts& facts = {}) {
    return ConfigDumpLines(*Config, level, TDumpWindow{800, 600, 10, 20}, facts, Now);
  }
  static std::string Joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& l : lines) text += l + "\n";
    return text;
  }
  // The lines from `first` up to, not including, the next line starting with "[ ---".
  static std::string Section(const std::vector<std::string>& lines, const std::string& first) {
    std::string text;
    bool in = false;
    for (const auto& l : lines) {
      if (l == first)
        in = true;
      else if (in && (l.rfind("[ ---", 0) == 0 || l.rfind("=====", 0) == 0))
        break;
      if (in) text += l + "\n";
    }
    return text;
  }
};

TEST_F(ConfigDumpTest, HeaderNamesTheVersionAndTheDateInEnglish) {
  const auto lines = Lines(TDumpLevel::None);
  ASSERT_GT(lines.size(), 10u);
  EXPECT_EQ(lines[3], "possible, explanation of your problem and if possible, the steps that");
  EXPECT_EQ(lines[4], "are necessary to duplicate the problem you are experiencing.");
  EXPECT_EQ(lines[5], "===============[ PLEASE DO NOT EDIT BELOW THIS LINE ]===============");
  EXPECT_EQ(lines[6], " ");
  EXPECT_EQ(lines[7], "Mailmoat Pro v1.0.0.0 Configuration Dump");
  EXPECT_EQ(lines[8], "Created: Tuesday 08 December 2026 13:40:03");
  EXPECT_EQ(lines.back(), "======================[ END OF REPORT ]=============================");
  EXPECT_EQ(Section(lines, "[ --- Mailmoat Window Settings --- ]"),
            "[ --- Mailmoat Window Settings --- ]\n"
            "Saved Window Size (width x height) : 422 x 244\n"
            "Using Window Size (width x height) : 800 x 600\n"
            "Top of Window (Saved/Using)        : 200/10\n"
            "Left side of Window (Saved/Using)  : 200/20\n"
            " \n");
}

TEST_F(ConfigDumpTest, LevelsDecideWhatIsToldAboutTheComputer) {
  TSystemFacts facts;
  facts.UserName = "ann";
  facts.ComputerName = "desk";
  facts.CurrentDirectory = "/home/ann";
  facts.ProcessorArchitecture = 9;
  facts.ProcessorLevel = 6;
  facts.ProcessorRevision = 0x9E0A;
  facts.ActiveProcessorMask = 0xF;
  facts.NumberOfProcessors = 4;
  facts.ProcessorType = 8664;
  facts.AllocationGranularity = 4096;
  facts.PageSize = 4096;
  facts.MountPoints = {"/", "/home"};
  facts.MemoryLoad = 37;
  facts.PhysicalKb = 16000000;
  const std::string excluded = "   (information excluded at user request)";

  auto none = Lines(TDumpLevel::None, facts);
  EXPECT_EQ(Section(none, "[ --- General System Information --- ]"),
            "[ --- General System Information --- ]\n" + excluded + "\n \n");
  EXPECT_EQ(Section(none, "[ --- Hardware Configuration --- ]"),
            "[ --- Hardware Configuration --- ]\n" + excluded + "\n \n");

  auto basic = Lines(TDumpLevel::Basic, facts);
  const std::string general = Section(basic, "[ --- General System Information --- ]");
  EXPECT_NE(general.find("User Name        : ann\nComputer Name    : desk\n"), std::string::npos) << general;
  EXPECT_NE(general.find("Current Directory: /home/ann\n"), std::string::npos);
  // Two folders, as on a desktop, so neither can stand for the other.
  TConfigData desktop{TAppPaths{"/home/ann/.local/share/mailmoat", "/home/ann/.config/mailmoat"}, Ui, Dialer};
  EXPECT_NE(
      Joined(ConfigDumpLines(desktop, TDumpLevel::Basic, {}, facts, Now))
          .find("Windows Directory: /home/ann/.config/mailmoat\nSystem Directory : /home/ann/.local/share/mailmoat\n"),
      std::string::npos);
  EXPECT_EQ(Section(basic, "[ --- Hardware Configuration --- ]"),
            "[ --- Hardware Configuration --- ]\n" + excluded + "\n \n");

  const std::string hardware = Section(Lines(TDumpLevel::Detailed, facts), "[ --- Hardware Configuration --- ]");
  EXPECT_NE(hardware.find("CPU Arch/Level/Rev    : $09 $06 $9E0A\n"
                          "Active processor mask : $0F\n"
                          "Number of processors  : 4\n"
                          "CPU Type/Granularity  : $21D8 $1000\n"
                          "Page size             : 4 kb\n"
                          "Logical drives        : / /home\n"
                          "Memory load           : 37%\n"
                          "Physical memory       : 16000000 kb\n"),
            std::string::npos)
      << hardware;
}

TEST_F(ConfigDumpTest, ProfilesAreNumberedInHexadecimal) {
  for (int i = 0; i < 12; ++i) {
    ProfileRecord p;
    p.Name = "Box" + std::to_string(i);
    p.Server = "pop.example.org";
    p.Login = "u";
    p.Password = i == 3 ? "" : "pw";
    p.Enabled = i != 3;
    p.Archive = i == 3;
    p.ArchiveDir = "/home/u/spam";
    Config->Profiles.push_back(p);
  }
  Config->AutoMins = 15;
  Config->AutoType = true;
  const std::string text = Section(Lines(TDumpLevel::None), "[ --- Mail Server Profiles --- ]");
  EXPECT_EQ(text.rfind("[ --- Mail Server Profiles --- ]\nNumber of profiles defined: $0C\n \n", 0), 0u);
  EXPECT_NE(text.find("Profile Name: [$0003] Box3\n"
                      "Server Name : pop.example.org\n"
                      "Login Name  : u\n"
                      "Password    : <blank password>\n"
                      "Enabled     : no\n"
                      "Archiving   : enabled\n"
                      "Archive path: /home/u/spam\n \n"),
            std::string::npos);
  EXPECT_NE(text.find("Password    : <not blank>\nEnabled     : yes\nArchiving   : disabled\n"), std::string::npos);
  EXPECT_NE(text.find("Check Minutes : 15\nPOP3 Port     : 110\nAutoCheck Type: Check and Eat\n \n"),
            std::string::npos);
}

TEST_F(ConfigDumpTest, AddressListsAndTheirCounts) {
  EXPECT_EQ(Section(Lines(TDumpLevel::None), "[ --- Valid Addresses --- ]"),
            "[ --- Valid Addresses --- ]\n"
            "Number of valid addresses defined: $0000\n"
            " \n"
            "Eat mail to unknown addresses: False\n"
            "Strict address check (TO/CC) : False\n"
            "Address check process type   : standard\n \n");

  Config->ValidAddresses = {"me@example.org", "me@example.net"};
  Config->Unknown = Config->RegExAddressCheck = true;
  Config->ApprovedSenders = {{"friend@example.org", "Friend"},
                             {"a.very.long.address.of.somebody@subdomain.example.org", "Long"}};
  const auto lines = Lines(TDumpLevel::None);
  EXPECT_EQ(Section(lines, "[ --- Valid Addresses --- ]"),
            "[ --- Valid Addresses --- ]\n"
            "Number of valid addresses defined: $0002\n"
            " \n"
            "[$0000] me@example.org\n"
            "[$0001] me@example.net\n"
            " \n"
            "Eat mail to unknown addresses: True\n"
            "Strict address check (TO/CC) : False\n"
            "Address check process type   : regular expressions\n \n");
  EXPECT_EQ(Section(lines, "[ --- Approved Senders --- ]"),
            "[ --- Approved Senders --- ]\n"
            "Number of approved senders defined: $0002\n"
            " \n"
            "[$0000] friend@example.org                       Friend                                            \n"
            "[$0001] a.very.long.address.of.somebody@subdomain.example.org Long                                   "
            "           \n"
            " \n");
}

TEST_F(ConfigDumpTest, RulesBlacklistsAndOutboundSettings) {
  TRuleRec user;
  user.Description = "Casino";
  user.HeaderField = "Subject";
  user.Expression = "casino";
  user.RuleType = RuleType::Body;
  user.Enabled = false;
  user.RuleID = 0;
  TRuleRec accept = user;
  accept.Description = "Boss";
  accept.HeaderField = "From";
  accept.RuleType = RuleType::AlwaysAccept;
  accept.Enabled = true;
  accept.RejectOnMatch = false;
  accept.RuleID = 77;
  Config->UserRules = {user};
  Config->AcceptRules = {accept};
  Config->SysHeaderRules.resize(3);
  Config->Blacklists = {{"Spamhaus SBL", "sbl.spamhaus.org", true, {}}, {"SpamCop", "bl.spamcop.net", false, {}}};
  Config->Requeue.SMTPServer = "smtp.example.org";
  Config->Requeue.SMTPPassword = "  ";
  Config->SpamCop.ReportAddress = "submit.1234@spam.example";
  const std::string text = Joined(Lines(TDumpLevel::None));
  EXPECT_NE(text.find("SMTP Server Hostname: smtp.example.org\nSMTP Login Username:  \n"
                      "SMTP Login Password: <blank>\nUsing SMTP AUTH:     No\n"),
            std::string::npos);
  EXPECT_NE(text.find("E-Mail From Address:    <undefined>\nSpamCop Report Address: submit.1234@spam.example\n"),
            std::string::npos);
  EXPECT_NE(text.find("Blacklist databases defined:\n0: Spamhaus SBL - sbl.spamhaus.org  [ENABLED]\n"
                      "1: SpamCop - bl.spamcop.net  [DISABLED]\n \n"),
            std::string::npos);
  EXPECT_NE(text.find("Number of System Header rules      : 3\n"
                      "Number of System Body rules        : 0\n"
                      "Number of User defined rules       : 1\n"
                      "    Description : Casino\n"
                      "    Header Field: Subject\n"
                      "    Expression  : casino\n"
                      "    Rule Type   : Body\n"
                      "    Rule Weight : 1\n"
                      "    Enabled     : False\n"
                      "    Reject on   : True\n"
                      "    Rule ID     : 0\n"
                      " \n"
                      "Number of AlwaysAccept defined rules: 1\n"
                      "    Description : Boss\n"
                      "    Header Field: From\n"
                      "    Expression  : casino\n"
                      "    Rule Type   : Always Accept\n"
                      "    Rule Weight : 1\n"
                      "    Enabled     : True\n"
                      "    Reject on   : False\n"
                      "    Rule ID     : 77\n"
                      " \n"
                      " \n"
                      "[ --- Notifications --- ]\n"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("Mailmoat log level setting           : normal\n"
                      "Maximum size of log file to allow     : $0040\n"
                      "Maximum size for body rule processing : $0032\n"),
            std::string::npos);
}

TEST_F(ConfigDumpTest, ProgressNamesEachSectionAndEndsFull) {
  std::vector<std::string> sections;
  std::vector<int> positions;
  TDumpProgress progress{[&](const std::string& s) { sections.push_back(s); }, [&](int p) { positions.push_back(p); }};
  ConfigDumpLines(*Config, TDumpLevel::Detailed, {}, {}, Now, progress);
  EXPECT_EQ(sections, (std::vector<std::string>{"Preparing", "Window settings", "General system information",
                                                "Mail server profiles", "valid addresses & settings",
                                                "approved senders", "spammer scanning options", "Notification settings",
                                                "Networking", "Miscellaneous settings", "Hardware information"}));
  ASSERT_FALSE(positions.empty());
  EXPECT_EQ(positions.back(), 100);
  EXPECT_TRUE(std::is_sorted(positions.begin(), positions.end()));
}

TEST_F(ConfigDumpTest, FileHasCrLfLinesAndAFailedWriteKeepsTheOldFile) {
  WriteConfigDump(*Config, Dir / "mmtdump.txt", TDumpLevel::None, {});
  const std::string text = test::ReadTextFile(Dir / "mmtdump.txt");
  EXPECT_NE(text.find("\r\n \r\n[ --- Mailmoat Window Settings --- ]\r\n"), std::string::npos);
  EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
  EXPECT_THROW(WriteConfigDump(*Config, Dir / "missing" / "mmtdump.txt", TDumpLevel::None, {}), EInOutError);
  EXPECT_NE(ConfigDumpCompletedText().find("Would you like to view the dump file now?"), std::string::npos);
}

}  // namespace
}  // namespace mailmoat
