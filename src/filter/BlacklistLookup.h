#pragma once

#include "filter/DnsResolver.h"
#include "filter/RegexCache.h"

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace mailmoat {

class TConfigData;
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

  // The RFC 5782 test of every enabled blacklist: 127.0.0.2 must be listed and 127.0.0.1
  // must not. One that fails (a zone that lists everything would reject every message; one
  // that does not answer would only cost time) is skipped by this object from then on,
  // after one "! " log line saying why. All are asked at once.
  void SelfTest();
  bool Skipped(std::size_t index) const { return index < FSkipped.size() && FSkipped[index]; }

  // Keeps the answers for each relay address for the object's life (one check run), so a
  // relay that sent many messages is asked about once.
  bool RememberAnswers = false;
  // With RememberAnswers: looks up the relay addresses of all `messages` at once, for
  // BlacklistLookup to find them answered. Logs nothing: the lines of each look-up are
  // logged where it is used.
  void Prefetch(const std::vector<const TmsMessage*>& messages);

private:
  // The answers for one relay address, one per enabled blacklist.
  struct TAnswers {
    std::vector<std::size_t> Tables;  // indexes into Blacklists
    std::vector<std::optional<TDnsAnswer>> Answers;
    std::size_t Decided = 0;  // the first in table order that lists the address; Tables.size() for none
  };
  // The relay address in the chosen Received line; empty when there is none.
  std::string RelayAddress(const std::string& line);
  void StartAnswers(const std::string& address, TAnswers& answers, std::vector<std::string>& names) const;
  static bool Settle(TAnswers& answers);

  TConfigData& Config;
  TDnsResolver& Resolver;
  TRegexCache Regex;
  std::set<std::string> ReportedOddAnswers;  // blacklist names
  std::vector<bool> FSkipped;
  std::map<std::string, TAnswers> Cache;  // by relay address
};

// The blacklist entry dialog's test of a lookup suffix: whether "2.0.0.127." + `suffix`, as
// typed, resolves to any address at all. Every blacklist lists 127.0.0.2, so any answer will
// do here; the check run's stricter rule does not apply.
bool TestBlacklistSuffix(TDnsResolver& resolver, const std::string& suffix);

}  // namespace mailmoat
