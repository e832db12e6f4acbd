// A whole check-only run (the engine with 300 rules, no blacklists) against a local Dovecot:
// 1,000 messages of mixed sizes over loopback, reported as messages per second, and 100
// messages through a relay that adds 20 ms of round-trip time, reported as seconds per
// message (what a user with a distant mail server waits for).
#include "integration/DovecotServer.h"
#include "integration/TcpRelay.h"
#include "support/FakeNotifier.h"
#include "BenchSupport.h"
#include "check/dataModPOP3.h"
#include "check/dataModRAS.h"
#include "core/ConsoleCheckView.h"
#include "core/Notification.h"
#include "core/dataConfig.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <random>

namespace {

using namespace mailmoat;

constexpr int FastCount = 1000;
constexpr int SlowCount = 100;
constexpr auto OneWayDelay = std::chrono::milliseconds(10);

// Mostly small text mail, some mid-sized, and one in ten above the body-rule limit (50 KB),
// whose body is never fetched; about one in eight is spam that a rule catches.
std::string BenchMessage(int n, std::mt19937& random) {
  const int kind = static_cast<int>(random() % 10);
  const size_t size = kind < 7 ? 1500 + random() % 3000 : kind < 9 ? 8000 + random() % 30000 : 60000 + random() % 60000;
  const bool spam = random() % 8 == 0;
  std::string text =
      "Received: from relay" + std::to_string(n % 17) + ".example.net (relay.example.net [192.0.2." +
      std::to_string(n % 250 + 1) + "])\r\n\tby mx.example.org; Mon, 09 Dec 2024 10:00:00 +0000\r\n" +
      "Date: Mon, 09 Dec 2024 10:00:00 +0000\r\nFrom: Sender " + std::to_string(n) + " <sender" + std::to_string(n) +
      "@example.com>\r\nTo: Joe <joe@example.org>\r\nSubject: " + (spam ? "Special offer " : "Project notes ") +
      std::to_string(n) + "\r\nMessage-ID: <" + std::to_string(n) + ".bench@example.com>\r\n\r\n";
  if (spam) text += "Click here for the offer of the year: act now.\r\n";
  while (text.size() < size) text += "Line of ordinary text in message " + std::to_string(n) + ", nothing to see.\r\n";
  return text;
}

TRuleRec Rule(const std::string& description, const std::string& field, const std::string& expression,
              std::uint8_t type) {
  TRuleRec rule;
  rule.Description = description;
  rule.HeaderField = field;
  rule.Expression = expression;
  rule.RuleType = type;
  return rule;
}

// 300 rules, as a maker's rule set has them: mostly header rules on the four fields, a third
// body rules; the last of each kind catches the spam of BenchMessage.
void AddRules(TConfigData& config) {
  static const char* const Fields[] = {"Subject", "From", "TOCC", "ALL"};
  for (int i = 0; i < 149; ++i)
    config.SysHeaderRules.push_back(Rule("Header rule " + std::to_string(i), Fields[i % 4],
                                         "(?i)(never|seen)word" + std::to_string(i) + "[a-z]{2,}", 0));
  config.SysHeaderRules.push_back(Rule("Special offer", "Subject", "(?i)special offer", RuleType::Header));
  for (int i = 0; i < 99; ++i)
    config.SysBodyRules.push_back(
        Rule("Body rule " + std::to_string(i), "", "(?i)unlikely\\s+phrase\\s+" + std::to_string(i) + "\\b", 1));
  config.SysBodyRules.push_back(Rule("Act now", "", "(?i)act\\s+now", RuleType::Body));
  for (int i = 0; i < 50; ++i)
    config.UserRules.push_back(Rule("User rule " + std::to_string(i), i % 2 ? "Subject" : "",
                                    "(?i)personal" + std::to_string(i) + "block", i % 2 ? 0 : 1));
}

struct TBench {
  std::unique_ptr<test::TDovecotServer> Server;
  std::string Home;
  std::string Error;
};

TBench& Shared() {
  static TBench shared = [] {
    TBench s;
    if (!test::TDovecotServer::Available()) {
      s.Error = "Dovecot is not installed";
      return s;
    }
    s.Server = std::make_unique<test::TDovecotServer>();
    std::mt19937 random(1);
    for (int n = 0; n < FastCount; ++n)
      s.Server->AddMessage(std::to_string(1000000 + n) + ".M1P1.bench", BenchMessage(n, random));
    s.Server->AddUser("slow", "secret");
    for (int n = 0; n < SlowCount; ++n)
      s.Server->AddMessage("slow", std::to_string(1000000 + n) + ".M1P1.bench", BenchMessage(n, random));
    if (!s.Server->StartPlain()) {
      s.Error = "Dovecot did not start: " + s.Server->Log();
      s.Server.reset();
      return s;
    }
    char pattern[] = "/tmp/mailmoat-bench-check-XXXXXX";
    s.Home = ::mkdtemp(pattern);
    return s;
  }();
  return shared;
}

double FastPerSecond = 0;
double SlowSecondsEach = 0;

// Check-only runs over `count` messages of `user` through `port`; the best time of the
// iterations.
double CheckRuns(benchmark::State& state, const std::string& user, int port, int count) {
  TBench& shared = Shared();
  bench::TSilentHost ui;
  TdataRas ras;
  TConfigData config(TAppPaths::ForHome(shared.Home), ui, ras.Dialer());
  ras.Attach(config);
  config.UseRas = false;
  config.Unknown = true;
  config.ValidAddresses = {"joe@example.org"};
  AddRules(config);
  ProfileRecord profile;
  profile.Name = "Bench";
  profile.Server = "127.0.0.1";
  profile.Login = user;
  profile.Password = "secret";
  profile.Port = static_cast<std::uint16_t>(port);
  config.Profiles = {profile};
  TConsoleCheckView view(stdout, false);  // shows nothing
  test::TCountingNotifier notifier;
  TdataPOP3 engine(config, ras, view, notifier);
  double best = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    engine.CheckMailboxes(false);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (config.Counters.Processed != count) {
      state.SkipWithError(("processed " + std::to_string(config.Counters.Processed) + " of " + std::to_string(count) +
                           "; see " + shared.Home + "/mmt.log")
                              .c_str());
      return 0;
    }
    if (best == 0 || seconds < best) best = seconds;
  }
  state.counters["rejected"] = config.Counters.FailedHeaderRules + config.Counters.FailedBodyRules;
  return best;
}

void BM_CheckOnlyLoopback(benchmark::State& state) {
  TBench& shared = Shared();
  if (!shared.Server) {
    state.SkipWithError(shared.Error.c_str());
    return;
  }
  const double best = CheckRuns(state, "joe", shared.Server->PlainPort, FastCount);
  if (best <= 0) return;
  FastPerSecond = FastCount / best;
  state.counters["messages/s"] = FastPerSecond;
}

void BM_CheckOnly20msRoundTrip(benchmark::State& state) {
  TBench& shared = Shared();
  if (!shared.Server) {
    state.SkipWithError(shared.Error.c_str());
    return;
  }
  test::TTcpRelay relay(shared.Server->PlainPort, OneWayDelay);
  const double best = CheckRuns(state, "slow", relay.Port(), SlowCount);
  if (best <= 0) return;
  SlowSecondsEach = best / SlowCount;
  state.counters["s/message"] = SlowSecondsEach;
}

BENCHMARK(BM_CheckOnlyLoopback)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_CheckOnly20msRoundTrip)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  if (FastPerSecond > 0)
    std::printf("check only, %d messages, 300 rules, loopback: %.0f messages/s\n", FastCount, FastPerSecond);
  if (SlowSecondsEach > 0)
    std::printf("check only, %d messages, 300 rules, 20 ms added round trip: %.3f s per message\n", SlowCount,
                SlowSecondsEach);
  const std::string home = Shared().Home;
  Shared().Server.reset();
  if (!home.empty()) std::filesystem::remove_all(home);
  return 0;
}
