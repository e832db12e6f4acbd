// Writes the program directory of the demo (scripts/demo.sh): one profile for a local POP3
// server, valid addresses, an approved sender, system and user rules, and the settings, all
// through the configuration object's own save operations.
//
//   mailmoat_demo_setup DIR PORT [LOGIN PASSWORD]
#include "check/dataModRAS.h"
#include "core/ConsoleUiHost.h"
#include "core/dataConfig.h"
#include "platform/Errors.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

using namespace mailmoat;

TRuleRec Rule(const std::string& description, const std::string& field, const std::string& expression,
              std::uint8_t type) {
  TRuleRec rule;
  rule.Description = description;
  rule.HeaderField = field;
  rule.Expression = expression;
  rule.RuleType = type;
  return rule;
}

void Configure(TConfigData& config, int port, const std::string& login, const std::string& password) {
  config.LoggingLevel = LogLevel::Normal;
  config.UseRas = false;
  // Only the To, Cc and delivery headers count as addressing the user.
  config.Strict = true;
  config.EatBlankSubj = true;
  config.EatMatches = true;
  config.MaxMsgSize = 40;
  config.MaxBodyRuleSize = 50;

  ProfileRecord profile;
  profile.Name = "Demo mailbox";
  profile.Server = "127.0.0.1";
  profile.Login = login;
  profile.Password = password;
  profile.Port = static_cast<std::uint16_t>(port);
  profile.Archive = true;
  profile.ArchiveDir = "archive/demo";
  config.Profiles = {profile};

  config.ValidAddresses = {"pat.morgan@example.com", "morgan-family@example.net"};
  config.ApprovedSenders = {{"alex.morgan@example.net", "Alex Morgan"}};

  // Header rules are case-sensitive unless they say otherwise; body rules ignore blanks in
  // the pattern, hence \s.
  config.SysHeaderRules = {
      Rule("Pharmacy spam", "Subject", "(?i)(v[i1l]agra|c[i1l]al[i1l]s|pharmacy)", RuleType::Header),
      Rule("Get-rich-quick scheme", "Subject", "(?i)(make \\$?[0-9,]+ (a|per) (day|week)|work from home)",
           RuleType::Header),
      Rule("Lottery or prize notification", "Subject", "(?i)(winning notification|you have won|claim your prize)",
           RuleType::Header),
      Rule("Loan or credit offer", "Subject", "(?i)\\b(loan|credit) (approved|offer)", RuleType::Header),
      Rule("Bulk mailing software", "ALL", "^X-Mailer: .*(BulkBlaster|MassMailer)", RuleType::Header),
  };
  config.SysBodyRules = {
      Rule("Advance-fee fraud", "", "(?i)next\\s+of\\s+kin|beneficiary\\s+of\\s+the\\s+fund", RuleType::Body),
      Rule("Investment scam", "", "(?i)guaranteed\\s+returns?\\s+of\\s+[0-9]+%", RuleType::Body),
      Rule("Phishing: verify within 24 hours", "", "(?i)verify\\s+your\\s+(account|password)\\s+within\\s+24\\s+hours",
           RuleType::Body),
  };
  config.UserRules = {
      Rule("Replica goods", "Subject", "(?i)replica", RuleType::Header),
      Rule("Search engine ranking offers", "", "(?i)first\\s+page\\s+of\\s+google", RuleType::Body),
  };
  config.AcceptRules = {Rule("Garden club mailing list", "Subject", "\\[Garden Club\\]", RuleType::AlwaysAccept)};

  config.SaveProfiles();
  config.SaveValidAddresses();
  config.SaveApprovedSenders();
  if (!config.SaveRules()) throw EInOutError("the rule files could not be written");
  if (!config.SaveSettings()) throw EInOutError("Mailmoat.ini could not be written");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 && argc != 5) {
    std::fprintf(stderr, "usage: %s DIR PORT [LOGIN PASSWORD]\n", argv[0]);
    return 2;
  }
  const int port = std::atoi(argv[2]);
  if (port <= 0 || port > 65535) {
    std::fprintf(stderr, "%s: bad port %s\n", argv[0], argv[2]);
    return 2;
  }
  try {
    TConsoleUiHost ui(stderr);
    const TAppPaths paths = TAppPaths::ForHome(argv[1]);
    paths.CreateDirectories();
    TdataRas ras;
    TConfigData config(paths, ui, ras.Dialer());
    Configure(config, port, argc == 5 ? argv[3] : "pat", argc == 5 ? argv[4] : "demo-password");
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s: %s\n", argv[0], e.what());
    return 1;
  }
  return 0;
}
