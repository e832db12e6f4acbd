// A whole check-only run (the engine with 300 rules, no blacklists) against a local Dovecot:
// 1,000 messages of mixed sizes over loopback, reported as messages per second; through a
// relay that adds 100 ms of round-trip time (a distant mail server), 1,000 messages with
// pipelining and 100 sent one command at a time, reported as round trips per message
// (elapsed / (messages x round-trip time)) and their ratio; and the peak memory of a check
// of 100 and of 10,000 messages, each in a process of its own.
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

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <random>

namespace {

using namespace mailmoat;

constexpr int FastCount = 1000;
constexpr int SlowCount = 100;
constexpr int BigCount = 10000;
constexpr auto OneWayDelay = std::chrono::milliseconds(50);
constexpr double RoundTrip = 0.1;

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
    s.Server->AddUser("big", "secret");
    for (int n = 0; n < BigCount; ++n)
      s.Server->AddMessage("big", std::to_string(1000000 + n) + ".M1P1.bench", BenchMessage(n, random));
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
double PipelinedTrips = 0;
double OneAtATimeTrips = 0;
long PeakKb[2] = {0, 0};

// The filter settings of every run, and one mailbox: `user` at the loopback `port`.
void SetUpMailbox(TConfigData& config, const std::string& user, int port) {
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
}

// Check-only runs over `count` messages of `user` through `port`; the best time of the
// iterations.
double CheckRuns(benchmark::State& state, const std::string& user, int port, int count, bool pipelining = true) {
  TBench& shared = Shared();
  bench::TSilentHost ui;
  TdataRas ras;
  TConfigData config(TAppPaths::ForHome(shared.Home), ui, ras.Dialer());
  ras.Attach(config);
  SetUpMailbox(config, user, port);
  TConsoleCheckView view(stdout, false);  // shows nothing
  test::TCountingNotifier notifier;
  TdataPOP3 engine(config, ras, view, notifier);
  engine.Pipelining = pipelining;
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

void BM_Pipelined100msRoundTrip(benchmark::State& state) {
  TBench& shared = Shared();
  if (!shared.Server) {
    state.SkipWithError(shared.Error.c_str());
    return;
  }
  test::TTcpRelay relay(shared.Server->PlainPort, OneWayDelay);
  const double best = CheckRuns(state, "joe", relay.Port(), FastCount);
  if (best <= 0) return;
  PipelinedTrips = best / (FastCount * RoundTrip);
  state.counters["round trips/message"] = PipelinedTrips;
}

void BM_OneAtATime100msRoundTrip(benchmark::State& state) {
  TBench& shared = Shared();
  if (!shared.Server) {
    state.SkipWithError(shared.Error.c_str());
    return;
  }
  test::TTcpRelay relay(shared.Server->PlainPort, OneWayDelay);
  const double best = CheckRuns(state, "slow", relay.Port(), SlowCount, false);
  if (best <= 0) return;
  OneAtATimeTrips = best / (SlowCount * RoundTrip);
  state.counters["round trips/message"] = OneAtATimeTrips;
}

// Runs this program again as `--memory-run port user count` and returns the peak resident
// memory it reports, in KiB; 0 when it failed.
long PeakMemoryRun(int port, const std::string& user, int count) {
  std::string self(4096, '\0');
  const ssize_t length = ::readlink("/proc/self/exe", self.data(), self.size() - 1);
  if (length <= 0) return 0;
  self.resize(static_cast<size_t>(length));
  const std::string portText = std::to_string(port);
  const std::string countText = std::to_string(count);
  std::string flag = "--memory-run";
  std::vector<char*> args = {self.data(),
                             flag.data(),
                             const_cast<char*>(portText.c_str()),
                             const_cast<char*>(user.c_str()),
                             const_cast<char*>(countText.c_str()),
                             nullptr};
  int pipe[2];
  if (::pipe(pipe) != 0) return 0;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipe[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, pipe[0]);
  pid_t pid = 0;
  const int spawned = ::posix_spawn(&pid, self.c_str(), &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(pipe[1]);
  std::string out;
  char buffer[256];
  for (ssize_t n; spawned == 0 && (n = ::read(pipe[0], buffer, sizeof buffer)) > 0;)
    out.append(buffer, static_cast<size_t>(n));
  ::close(pipe[0]);
  if (spawned != 0) return 0;
  int status = 0;
  ::waitpid(pid, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return 0;
  return std::atol(out.c_str());
}

long ResidentKb() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
  return 0;
}

// The child's side: one check-only run over loopback, then its peak resident memory.
int MemoryRun(int port, const std::string& user, int count) {
  char pattern[] = "/tmp/mailmoat-bench-memory-XXXXXX";
  const std::string home = ::mkdtemp(pattern);
  long peak = 0;
  {
    bench::TSilentHost ui;
    TdataRas ras;
    TConfigData config(TAppPaths::ForHome(home), ui, ras.Dialer());
    ras.Attach(config);
    SetUpMailbox(config, user, port);
    std::FILE* devNull = std::fopen("/dev/null", "w");
    TConsoleCheckView view(devNull, false);
    test::TCountingNotifier notifier;
    TdataPOP3 engine(config, ras, view, notifier);
    std::fprintf(stderr, "memory run %s: before the check %ld KiB resident\n", user.c_str(), ResidentKb());
    engine.CheckMailboxes(false);
    std::fclose(devNull);
    if (config.Counters.Processed != count) return 1;
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    peak = usage.ru_maxrss;
  }
  std::filesystem::remove_all(home);
  std::printf("%ld\n", peak);
  return 0;
}

void BM_PeakMemory(benchmark::State& state) {
  TBench& shared = Shared();
  if (!shared.Server) {
    state.SkipWithError(shared.Error.c_str());
    return;
  }
  for (auto _ : state) {
    PeakKb[0] = PeakMemoryRun(shared.Server->PlainPort, "slow", SlowCount);
    PeakKb[1] = PeakMemoryRun(shared.Server->PlainPort, "big", BigCount);
  }
  if (PeakKb[0] == 0 || PeakKb[1] == 0) {
    state.SkipWithError("a memory run failed");
    return;
  }
  state.counters["peak KiB, 100"] = static_cast<double>(PeakKb[0]);
  state.counters["peak KiB, 10000"] = static_cast<double>(PeakKb[1]);
}

BENCHMARK(BM_CheckOnlyLoopback)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Pipelined100msRoundTrip)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_OneAtATime100msRoundTrip)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_PeakMemory)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
  if (argc == 5 && std::strcmp(argv[1], "--memory-run") == 0)
    return MemoryRun(std::atoi(argv[2]), argv[3], std::atoi(argv[4]));
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  if (FastPerSecond > 0)
    std::printf("check only, %d messages, 300 rules, loopback: %.0f messages/s\n", FastCount, FastPerSecond);
  if (PipelinedTrips > 0)
    std::printf("check only, 100 ms round trip, pipelined, %d messages: %.4f round trips per message\n", FastCount,
                PipelinedTrips);
  if (OneAtATimeTrips > 0)
    std::printf("check only, 100 ms round trip, one command at a time, %d messages: %.3f round trips per message\n",
                SlowCount, OneAtATimeTrips);
  if (PipelinedTrips > 0 && OneAtATimeTrips > 0)
    std::printf("pipelined is %.1f times fewer round trips per message\n", OneAtATimeTrips / PipelinedTrips);
  if (PeakKb[0] > 0 && PeakKb[1] > 0)
    std::printf("peak memory of a check: %d messages %ld KiB, %d messages %ld KiB\n", SlowCount, PeakKb[0], BigCount,
                PeakKb[1]);
  const std::string home = Shared().Home;
  Shared().Server.reset();
  if (!home.empty()) std::filesystem::remove_all(home);
  return 0;
}
