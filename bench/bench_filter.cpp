// The filter stages on the message corpus of the tests. Header and body rules: 300 header
// rules and 100 body rules, with patterns compiled once, cached and JIT-compiled, against
// compiling every pattern on every call (how the rules were once run). The blacklist stage:
// four enabled blacklists on a DNS server that answers after 50 ms, asked all at once
// against one after the other. The ratios are printed after the runs.
#include "filter/FakeDnsServer.h"  // header-only loopback DNS server
#include "platform/Dialer.h"
#include "core/UiHost.h"
#include "core/dataConfig.h"
#include "filter/BlacklistLookup.h"
#include "filter/CaresResolver.h"
#include "filter/uRulesProcessing.h"
#include "mail/TmsMessage.h"

#include "BenchSupport.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>

namespace mailmoat {
namespace {

using bench::TSilentHost;

std::filesystem::path CorpusDir() {
  return std::filesystem::path(__FILE__).parent_path() / ".." / "tests" / "data" / "mail";
}

// A configuration over a scratch directory, removed at exit.
struct TBenchConfig {
  TSilentHost Ui;
  test::TFakeDialer Dialer;
  std::filesystem::path Dir;
  std::unique_ptr<TConfigData> Config;

  TBenchConfig() {
    std::string pattern = (std::filesystem::temp_directory_path() / "mmt-bench-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) std::abort();
    Dir = pattern;
    Config = std::make_unique<TConfigData>(TAppPaths::ForHome(Dir), Ui, Dialer);
    Config->LoggingLevel = LogLevel::Normal;
  }
  ~TBenchConfig() { std::filesystem::remove_all(Dir); }
};

TRuleRec MakeRule(std::string field, std::string expression, std::uint8_t type) {
  TRuleRec rule;
  rule.Description = "Rule " + expression.substr(0, 30);
  rule.HeaderField = std::move(field);
  rule.Expression = std::move(expression);
  rule.RuleType = type;
  return rule;
}

// Rules shaped like real ones: alternations of spam words, character classes for
// obfuscated spellings, anchored header tests. Few of them match the corpus, so nearly
// every rule is tried on every message, as on a mostly clean mailbox.
void FillRules(TConfigData& config) {
  const char* words[] = {"v[i1!]agra", "c[i1]al[i1]s", "l[o0]an", "m[o0]rtgage",    "casino",
                         "lottery",    "winner",       "rolex",   "replica",        "pharm",
                         "debt",       "refinanc",     "diet",    "weight\\s?loss", "inkjet",
                         "toner",      "bitco[i1]n",   "crypto",  "investor",       "stock\\s?alert"};
  const char* fields[] = {"Subject", "Subject", "Subject", "From", "ALL", "TOCC"};
  for (int i = 0; i < 300; ++i) {
    const std::string word = words[i % 20];
    std::string expression;
    switch (i % 5) {
      case 0: expression = word + "[\\s_-]*(deal|offer|sale)" + std::to_string(i); break;
      case 1: expression = "(?i)\\b" + word + "\\b.*\\$\\d{2,}" + std::to_string(i); break;
      case 2: expression = "^X-Mailer: .*(" + word + "|bulk" + std::to_string(i) + ")"; break;
      case 3: expression = "[A-Z]{6,}\\s+" + word + "\\d+"; break;
      default: expression = "@(" + word + "|promo" + std::to_string(i) + ")\\.(biz|info|ru)"; break;
    }
    config.SysHeaderRules.push_back(MakeRule(fields[i % 6], expression, 0));
  }
  for (int i = 0; i < 100; ++i) {
    const std::string word = words[i % 20];
    std::string expression;
    switch (i % 4) {
      case 0: expression = "click \\s+ here \\s+ to \\s+ (buy|order) \\s+ " + word + std::to_string(i); break;
      case 1: expression = "(?i) " + word + " .{0,40} (free|cheap|discount) \\s+ shipping" + std::to_string(i); break;
      case 2: expression = "^ \\s* unsubscribe \\s+ " + word + " \\d+ $"; break;
      default: expression = "https?://[^/\\s]+ \\. (" + word + ") \\d* /" + std::to_string(i); break;
    }
    config.SysBodyRules.push_back(MakeRule("", expression, 1));
  }
}

std::vector<std::unique_ptr<TmsMessage>> LoadCorpus() {
  std::vector<std::unique_ptr<TmsMessage>> messages;
  for (const auto& entry : std::filesystem::directory_iterator(CorpusDir())) {
    if (entry.path().extension() != ".eml") continue;
    auto msg = std::make_unique<TmsMessage>();
    msg->LoadFromFile(entry.path().string());
    messages.push_back(std::move(msg));
  }
  return messages;
}

std::map<std::string, double> Rates;  // messages a second, by benchmark

void Classify(benchmark::State& state, bool cached) {
  TBenchConfig bench;
  FillRules(*bench.Config);
  auto messages = LoadCorpus();
  TRulesProcessing rules(*bench.Config, {.Cache = cached, .Jit = cached});
  std::int64_t done = 0;
  const auto start = std::chrono::steady_clock::now();
  for (auto _ : state) {
    for (auto& msg : messages) {
      std::string reason;
      if (rules.MatchHeaderRules(*msg, reason) < 0) benchmark::DoNotOptimize(rules.CheckMessageBody(*msg, reason));
      ++done;
    }
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  Rates[cached ? "cached" : "compiled"] = static_cast<double>(done) / seconds;
  state.counters["messages/s"] = benchmark::Counter(static_cast<double>(done), benchmark::Counter::kIsRate);
}

void BM_ClassifyCachedJit(benchmark::State& state) {
  Classify(state, true);
}
void BM_ClassifyCompileEveryCall(benchmark::State& state) {
  Classify(state, false);
}
BENCHMARK(BM_ClassifyCachedJit)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ClassifyCompileEveryCall)->Unit(benchmark::kMillisecond)->UseRealTime();

void Blacklists(benchmark::State& state, bool sequential) {
  TBenchConfig bench;
  test::TFakeDnsServer server(50);  // every name: "no such name" after 50 ms
  for (int i = 0; i < 4; ++i) {
    TBlacklistRec rec;
    rec.Name = "List " + std::to_string(i);
    rec.LookupSuffix = "bl" + std::to_string(i) + ".test";
    bench.Config->Blacklists.push_back(rec);
  }
  TCaresResolver resolver([&] { bench.Ui.ProcessMessages(); }, server.Address());
  TBlacklistLookup lookup(*bench.Config, resolver);
  lookup.Sequential = sequential;
  TmsMessage msg;
  msg.Headers = {"Received: from relay.example (relay.example [192.0.2.7]) by mx.example"};
  std::int64_t done = 0;
  const auto start = std::chrono::steady_clock::now();
  for (auto _ : state) {
    std::string found;
    benchmark::DoNotOptimize(lookup.BlacklistLookup(msg, found));
    ++done;
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  Rates[sequential ? "sequential" : "parallel"] = static_cast<double>(done) / seconds;
  state.counters["messages/s"] = benchmark::Counter(static_cast<double>(done), benchmark::Counter::kIsRate);
}

void BM_BlacklistParallel(benchmark::State& state) {
  Blacklists(state, false);
}
void BM_BlacklistSequential(benchmark::State& state) {
  Blacklists(state, true);
}
BENCHMARK(BM_BlacklistParallel)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(20);
BENCHMARK(BM_BlacklistSequential)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(20);

}  // namespace
}  // namespace mailmoat

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  auto& rates = mailmoat::Rates;
  if (rates.count("cached") && rates.count("compiled")) {
    std::printf("rules: %.0f messages/s cached and JIT, %.0f compiling every call: %.1fx\n", rates["cached"],
                rates["compiled"], rates["cached"] / rates["compiled"]);
  }
  if (rates.count("parallel") && rates.count("sequential")) {
    std::printf("blacklists: %.1f messages/s parallel, %.1f sequential: %.1fx\n", rates["parallel"],
                rates["sequential"], rates["parallel"] / rates["sequential"]);
  }
  return 0;
}
