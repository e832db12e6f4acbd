#include "filter/BlacklistLookup.h"

#include "platform/AsciiText.h"
#include "core/dataConfig.h"
#include "filter/DnsResolver.h"
#include "filter/uRulesProcessing.h"
#include "mail/TmsMessage.h"

#include <algorithm>
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

std::string TBlacklistLookup::RelayAddress(const std::string& line) {
  std::string bracketed;
  if (!Regex.Match(AddressPattern, roExtended | roMultiline, line, &bracketed)) return {};
  return bracketed.substr(1, bracketed.size() - 2);
}

void TBlacklistLookup::StartAnswers(const std::string& address, TAnswers& answers,
                                    std::vector<std::string>& names) const {
  for (std::size_t i = 0; i < Config.Blacklists.size(); ++i) {
    if (!Config.Blacklists[i].Enabled || Skipped(i)) continue;
    answers.Tables.push_back(i);
    names.push_back(BlacklistQueryName(address, static_cast<int>(i)));
  }
  answers.Answers.assign(answers.Tables.size(), std::nullopt);
  answers.Decided = answers.Tables.size();
}

// Answers arrive in any order; the first blacklist in table order that lists the address
// decides as soon as every one before it has answered.
bool TBlacklistLookup::Settle(TAnswers& answers) {
  for (std::size_t i = 0; i < answers.Answers.size(); ++i) {
    const std::optional<TDnsAnswer>& answer = answers.Answers[i];
    if (!answer) return false;
    if (answer->Status != TDnsAnswer::Resolved) continue;
    for (const std::uint32_t a : answer->Addresses) {
      if (IsListingAnswer(a)) {
        answers.Decided = i;
        return true;
      }
    }
  }
  return true;
}

void TBlacklistLookup::SelfTest() {
  FSkipped.assign(Config.Blacklists.size(), false);
  std::vector<std::size_t> tables;
  std::vector<std::string> names;  // two per blacklist: 127.0.0.2, then 127.0.0.1
  for (std::size_t i = 0; i < Config.Blacklists.size(); ++i) {
    if (!Config.Blacklists[i].Enabled) continue;
    tables.push_back(i);
    names.push_back("2.0.0.127." + Config.Blacklists[i].LookupSuffix);
    names.push_back("1.0.0.127." + Config.Blacklists[i].LookupSuffix);
  }
  if (names.empty()) return;
  std::vector<TDnsAnswer> answers(names.size());
  Resolver.Resolve(names, [&](std::size_t index, const TDnsAnswer& answer) {
    answers[index] = answer;
    return false;
  });
  const auto lists = [](const TDnsAnswer& answer) {
    return answer.Status == TDnsAnswer::Resolved &&
           std::any_of(answer.Addresses.begin(), answer.Addresses.end(), IsListingAnswer);
  };
  for (std::size_t k = 0; k < tables.size(); ++k) {
    const TDnsAnswer& listed = answers[2 * k];
    const TDnsAnswer& clean = answers[2 * k + 1];
    std::string why;
    if (listed.Status == TDnsAnswer::Failed) {
      why =
          "it did not answer for the test address 127.0.0.2" + (listed.Error.empty() ? "" : " (" + listed.Error + ")");
    } else if (!lists(listed)) {
      why = "it does not list the test address 127.0.0.2, which every blacklist lists";
    } else if (lists(clean)) {
      why = "it lists the test address 127.0.0.1, as a zone that lists every address does";
    }
    if (why.empty()) continue;
    FSkipped[tables[k]] = true;
    Config.Log(TLogClass::All,
               "! Blacklist " + Config.Blacklists[tables[k]].Name + " is skipped for this check: " + why);
  }
}

void TBlacklistLookup::Prefetch(const std::vector<const TmsMessage*>& messages) {
  if (Config.Blacklists.empty() || Sequential || !RememberAnswers) return;
  std::vector<std::string> names;
  std::vector<std::pair<TAnswers*, std::size_t>> owners;  // per name: its address's answers and the place in them
  std::vector<TAnswers*> added;
  for (const TmsMessage* msg : messages) {
    const std::string line = ChosenReceivedLine(*msg);
    if (line.empty()) continue;
    const std::string address = RelayAddress(line);
    if (address.empty() || Cache.count(address) > 0) continue;
    TAnswers& answers = Cache[address];
    added.push_back(&answers);
    std::vector<std::string> own;
    StartAnswers(address, answers, own);
    for (std::size_t i = 0; i < own.size(); ++i) {
      names.push_back(own[i]);
      owners.emplace_back(&answers, i);
    }
  }
  if (names.empty()) return;
  Resolver.Resolve(names, [&](std::size_t index, const TDnsAnswer& answer) {
    owners[index].first->Answers[owners[index].second] = answer;
    return false;
  });
  for (TAnswers* answers : added) {
    for (std::optional<TDnsAnswer>& answer : answers->Answers)
      if (!answer) answer = TDnsAnswer{};
    Settle(*answers);
  }
}

bool TBlacklistLookup::BlacklistLookup(const TmsMessage& msg, std::string& found) {
  found.clear();
  if (Config.Blacklists.empty()) return false;
  const std::string line = ChosenReceivedLine(msg);
  if (line.empty()) return false;
  Config.Log(TLogClass::Normal, "$ Checking received line for blacklist blocks: " + OneLineText(line));
  const std::string address = RelayAddress(line);
  if (address.empty()) {
    Config.Log(TLogClass::Verbose, "+ No valid IP address found in Received line: " + OneLineText(line));
    Config.Log(TLogClass::Verbose, "+ Skipping blacklist check for this message");
    return false;
  }

  TAnswers fresh;
  const TAnswers* known = nullptr;
  if (const auto cached = Cache.find(address); cached != Cache.end()) {
    known = &cached->second;
  } else {
    TAnswers& answers = fresh;
    std::vector<std::string> names;
    StartAnswers(address, answers, names);
    if (names.empty()) return false;
    const auto onAnswer = [&](std::size_t index, const TDnsAnswer& answer) {
      answers.Answers[index] = answer;
      return Settle(answers);
    };
    if (Sequential) {
      for (std::size_t i = 0; i < names.size() && answers.Decided == names.size(); ++i) {
        Resolver.Resolve({names[i]}, [&](std::size_t, const TDnsAnswer& answer) { return onAnswer(i, answer); });
        if (!answers.Answers[i]) answers.Answers[i] = TDnsAnswer{};
        Settle(answers);
      }
    } else {
      Resolver.Resolve(names, onAnswer);
    }
    // A name abandoned once the decision stood is never looked at again.
    known = RememberAnswers ? &Cache.emplace(address, std::move(fresh)).first->second : &fresh;
  }
  const TAnswers& answers = *known;
  if (answers.Tables.empty()) return false;

  for (std::size_t i = 0; i < answers.Tables.size(); ++i) {
    const TBlacklistRec& blacklist = Config.Blacklists[answers.Tables[i]];
    const std::string name = BlacklistQueryName(address, static_cast<int>(answers.Tables[i]));
    Config.Log(TLogClass::Verbose, "+ Blacklookup for: " + name);
    if (i == answers.Decided) {
      found = address + " found in " + blacklist.Name;
      Config.Log(TLogClass::Verbose, ("+ Blacklist lookup hit on database: " + blacklist.Name).substr(0, HitLineMax));
      return true;
    }
    // Some blacklists answer 127.255.255.x for "query refused", and some resolvers answer
    // a failed name with an advertising server: neither is a listing.
    const std::optional<TDnsAnswer>& answer = answers.Answers[i];
    if (answer && answer->Status == TDnsAnswer::Resolved && ReportedOddAnswers.insert(blacklist.Name).second) {
      Config.WriteLog("! Blacklist " + blacklist.Name + " answered " + JoinAddresses(answer->Addresses) + " for " +
                      name + ", which is not a listing; such answers are ignored");
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
