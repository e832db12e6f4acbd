#pragma once

#include "filter/RegexCache.h"

#include <cstdint>
#include <set>
#include <string>

namespace mailmoat {

class TConfigData;
class TDnsResolver;
class TmsMessage;

// The DNS blacklist stage: finds the relay address in the chosen Received line and asks the
// enabled blacklists of the configuration object about it. Create one per check run: an
// odd answer of a blacklist is reported once per object.
class TBlacklistLookup {
public:
  TBlacklistLookup(TConfigData& config, TDnsResolver& resolver);

  // True when an enabled blacklist lists the relay address; `found` is then the address +
  // " found in " + the blacklist's name. All enabled blacklists are asked at once, and the
  // first in table order that lists the address decides, with the log lines of asking one
  // after the other. Blocks for at most the resolver's time limit. A failed or odd answer
  // counts as not listed.
  bool BlacklistLookup(const TmsMessage& msg, std::string& found);

  // "d.c.b.a." + the blacklist's lookup suffix for the address "a.b.c.d"; empty for an
  // empty address, an index outside the table or an address without four parts.
  std::string BlacklistQueryName(const std::string& address, int index) const;

  // The text of the Received line that BlacklistCheckNum chooses; empty when there is none.
  std::string ChosenReceivedLine(const TmsMessage& msg) const;

  // Whether an answer lists an address: inside 127.0.0.0/8 but outside 127.255.255.0/24,
  // where blacklists answer "query refused" and the like.
  static bool IsListingAnswer(std::uint32_t address);

  // Asks one blacklist at a time instead (for comparison in benchmarks); same results.
  bool Sequential = false;

private:
  TConfigData& Config;
  TDnsResolver& Resolver;
  TRegexCache Regex;
  std::set<std::string> ReportedOddAnswers;  // blacklist names
};

// The blacklist entry dialog's test of a lookup suffix: whether "2.0.0.127." + `suffix`, as
// typed, resolves to any address at all. Every blacklist lists 127.0.0.2, so any answer will
// do here; the check run's stricter rule does not apply.
bool TestBlacklistSuffix(TDnsResolver& resolver, const std::string& suffix);

}  // namespace mailmoat
