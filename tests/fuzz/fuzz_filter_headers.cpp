// Header lines from anywhere through the header stages of the filter: the encoded-word
// stripping must end with no lower-case ISO word left and the line count unchanged, and the
// blacklist stage may only ever ask for four-part reversed addresses.
#include "core/ConsoleUiHost.h"
#include "core/dataConfig.h"
#include "filter/BlacklistLookup.h"
#include "filter/DnsResolver.h"
#include "filter/uRulesProcessing.h"
#include "platform/AsciiText.h"
#include "mail/TmsMessage.h"
#include "support/FakeDialer.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

class TCheckingResolver : public mailmoat::TDnsResolver {
public:
  void Resolve(const std::vector<std::string>& names, const TAnswerHandler& onAnswer) override {
    for (std::size_t i = 0; i < names.size(); ++i) {
      const std::string& name = names[i];
      if (!name.ends_with(".bl.test") || std::count(name.begin(), name.end(), '.') != 5) std::abort();
      if (name.find_first_not_of("0123456789.bltes") != std::string::npos) std::abort();
      mailmoat::TDnsAnswer answer;
      answer.Status = mailmoat::TDnsAnswer::Resolved;
      answer.Addresses = {0x7F000002};
      if (onAnswer(i, answer)) return;
    }
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  using namespace mailmoat;
  static TConsoleUiHost ui(nullptr);
  static test::TFakeDialer dialer;  // unavailable: nothing dials
  static TConfigData config(TAppPaths::ForHome("/nonexistent-mailmoat-fuzz"), ui, dialer);
  config.LoggingLevel = LogLevel::None;  // nothing is written
  config.SysHeaderRules = {TRuleRec{"d", "ALL", "^Received:.*\\[\\d+", 0, 1, true, true, 0, {}}};
  config.Blacklists = {TBlacklistRec{"Test", "bl.test", true, {}}};
  config.BlacklistCheckNum = size > 0 ? data[0] % 4 : 1;

  const std::string_view text(reinterpret_cast<const char*>(data), size);
  TmsMessage msg;
  msg.LoadHeaderSummary(SplitLines(text));
  const std::size_t lineCount = msg.Headers.size();
  TRulesProcessing rules(config);
  std::string description;
  rules.MatchHeaderRules(msg, description);
  if (msg.Headers.size() != lineCount && lineCount > 0) std::abort();
  for (const std::string& line : msg.Headers) {
    const std::size_t at = line.find("=?iso-");
    if (at != std::string::npos && line.find("?=", at + 7) != std::string::npos) std::abort();
  }
  TCheckingResolver resolver;
  TBlacklistLookup lookup(config, resolver);
  std::string found;
  lookup.BlacklistLookup(msg, found);
  return 0;
}
