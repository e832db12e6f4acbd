#include "filter/BlacklistLookup.h"

#include "platform/AsciiText.h"
#include "core/dataConfig.h"
#include "filter/DnsResolver.h"
#include "filter/uRulesProcessing.h"
#include "mail/TmsMessage.h"

#include <optional>

namespace mailmoat {
namespace {

constexpr std::string_view AddressPattern =
    "(\\[\\d{1,3}\\.\\d{1,3}\\.\\d{1,3}\\.\\d{1,3}\\])|(\\(\\d{1,3}\\.\\d{1,3}\\.\\d{1,3}\\.\\d{1,3}\\))";
constexpr std::size_t HitLineMax = 116;

std::string JoinAddresses(const std::vector<std::uint32_t>& addresses) {
  std::string text;
  for (const std::uint32_t a : addresses) text += (text.empty() ? "" : ", ") + DottedAddress(a);
  return text;
}

}  // namespace

TBlacklistLookup::TBlacklistLookup(TConfigData& config, TDnsResolver& resolver) : Config(config), Resolver(resolver) {
}

bool TBlacklistLookup::IsListingAnswer(std::uint32_t address) {
  return (address >> 24) == 127 && (address >> 8) != 0x7FFFFF;
}

std::string TBlacklistLookup::BlacklistQueryName(const std::string& address, int index) const {
  if (address.empty() || index < 0 || static_cast<std::size_t>(index) >= Config.Blacklists.size()) return {};
  const std::vector<std::string> parts = SplitText(address, ".");
  if (parts.size() != 4) return {};
  return parts[3] + "." + parts[2] + "." + parts[1] + "." + parts[0] + "." +
         Config.Blacklists[static_cast<std::size_t>(index)].LookupSuffix;
}

std::string TBlacklistLookup::ChosenReceivedLine(const TmsMessage& msg) const {
  if (Config.BlacklistCheckNum <= 1) return GetHeaderValue(msg.Headers, "Received");
  std::vector<const std::string*> lines;
  for (const std::string& line : msg.Headers) {
    // A header retrieval ends with a body line, which a sender could make look like one.
    if (line.empty()) break;
    if (line.starts_with("Received:")) lines.push_back(&line);
  }
  if (lines.empty()) return {};
  const std::size_t wanted = static_cast<std::size_t>(Config.BlacklistCheckNum);
  return *lines[std::min(wanted, lines.size()) - 1];
}

bool TBlacklistLookup::BlacklistLookup(const TmsMessage& msg, std::string& found) {
  found.clear();
  if (Config.Blacklists.empty()) return false;
  const std::string line = ChosenReceivedLine(msg);
  if (line.empty()) return false;
  Config.Log(TLogClass::Normal, "$ Checking received line for blacklist blocks: " + OneLineText(line));
  std::string bracketed;
  if (!Regex.Match(AddressPattern, roExtended | roMultiline, line, &bracketed)) {
    Config.Log(TLogClass::Verbose, "+ No valid IP address found in Received line: " + OneLineText(line));
    Config.Log(TLogClass::Verbose, "+ Skipping blacklist check for this message");
    return false;
  }
  const std::string address = bracketed.substr(1, bracketed.size() - 2);

  std::vector<std::size_t> tables;  // indexes into Blacklists of the enabled ones
  std::vector<std::string> names;
  for (std::size_t i = 0; i < Config.Blacklists.size(); ++i) {
    if (!Config.Blacklists[i].Enabled) continue;
    tables.push_back(i);
    names.push_back(BlacklistQueryName(address, static_cast<int>(i)));
  }
  if (names.empty()) return false;

  // Answers arrive in any order; the first blacklist in table order that lists the address
  // decides as soon as every one before it has answered.
  std::vector<std::optional<TDnsAnswer>> answers(names.size());
  std::size_t decided = names.size();
  const auto settled = [&]() {
    for (std::size_t i = 0; i < answers.size(); ++i) {
      if (!answers[i]) return false;
      for (const std::uint32_t a : answers[i]->Addresses) {
        if (answers[i]->Status == TDnsAnswer::Resolved && IsListingAnswer(a)) {
          decided = i;
          return true;
        }
      }
    }
    return true;
  };
  const auto onAnswer = [&](std::size_t index, const TDnsAnswer& answer) {
    answers[index] = answer;
    return settled();
  };
  if (Sequential) {
    for (std::size_t i = 0; i < names.size() && decided == names.size(); ++i) {
      Resolver.Resolve({names[i]}, [&](std::size_t, const TDnsAnswer& answer) { return onAnswer(i, answer); });
      if (!answers[i]) answers[i] = TDnsAnswer{};
      settled();
    }
  } else {
    Resolver.Resolve(names, onAnswer);
  }

  for (std::size_t i = 0; i < names.size(); ++i) {
    const TBlacklistRec& blacklist = Config.Blacklists[tables[i]];
    Config.Log(TLogClass::Verbose, "+ Blacklookup for: " + names[i]);
    if (i == decided) {
      found = address + " found in " + blacklist.Name;
      Config.Log(TLogClass::Verbose, ("+ Blacklist lookup hit on database: " + blacklist.Name).substr(0, HitLineMax));
      return true;
    }
    // Some blacklists answer 127.255.255.x for "query refused", and some resolvers answer
    // a failed name with an advertising server: neither is a listing.
    if (answers[i] && answers[i]->Status == TDnsAnswer::Resolved && ReportedOddAnswers.insert(blacklist.Name).second) {
      Config.WriteLog("! Blacklist " + blacklist.Name + " answered " + JoinAddresses(answers[i]->Addresses) + " for " +
                      names[i] + ", which is not a listing; such answers are ignored");
    }
  }
  return false;
}

bool TestBlacklistSuffix(TDnsResolver& resolver, const std::string& suffix) {
  bool resolved = false;
  resolver.Resolve({"2.0.0.127." + suffix}, [&resolved](std::size_t, const TDnsAnswer& answer) {
    resolved = answer.Status == TDnsAnswer::Resolved && !answer.Addresses.empty();
    return true;
  });
  return resolved;
}

}  // namespace mailmoat
