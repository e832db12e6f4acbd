// The header walk of a check run (TOP, LIST and UIDL for every message) over 1,000
// messages on a local Dovecot, in plain text and over TLS; prints the TLS / plain ratio.
#include "integration/DovecotServer.h"
#include "mail/TmsMessage.h"
#include "mail/TmsPOPClient.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>

namespace {

using namespace mailmoat;

constexpr int MessageCount = 1000;

struct TBenchServer {
  std::unique_ptr<test::TDovecotServer> Server;
  std::string CaFile;
  std::string Error;
};

TBenchServer& Shared() {
  static TBenchServer shared = [] {
    TBenchServer s;
    if (!test::TDovecotServer::Available()) {
      s.Error = "Dovecot is not installed";
      return s;
    }
    s.Server = std::make_unique<test::TDovecotServer>();
    const std::string d = s.Server->Dir.string();
    // A self-signed certificate for localhost is its own authority.
    const std::string make =
        "openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 1 "
        "-subj /CN=localhost -addext subjectAltName=DNS:localhost -keyout '" +
        d + "/bench.key' -out '" + d + "/bench.pem' >/dev/null 2>&1";
    if (std::system(make.c_str()) != 0) {
      s.Error = "openssl could not make a certificate";
      s.Server.reset();
      return s;
    }
    for (int n = 0; n < MessageCount; ++n) {
      std::string text = "From: sender" + std::to_string(n) + "@example.org\r\nTo: joe@example.org\r\n" +
                         "Subject: benchmark message " + std::to_string(n) +
                         "\r\nReceived: from relay.example.org\r\n\r\n";
      for (int line = 0; line < 40; ++line) text += "body line " + std::to_string(line) + " of the message\r\n";
      s.Server->AddMessage(std::to_string(1000000 + n) + ".M1P1.bench", text);
    }
    s.CaFile = d + "/bench.pem";
    if (!s.Server->Start(s.CaFile, d + "/bench.key")) {
      s.Error = "Dovecot did not start: " + s.Server->Log();
      s.Server.reset();
    }
    return s;
  }();
  return shared;
}

double PlainSeconds = 0;
double TlsSeconds = 0;

void HeaderWalk(benchmark::State& state, bool tls) {
  TBenchServer& shared = Shared();
  if (!shared.Server) {
    state.SkipWithError(shared.Error.c_str());
    return;
  }
  TmsMessage message;
  TmsPOPClient pop;
  pop.Blocking = true;
  pop.MailMessage = &message;
  pop.UserName = "joe";
  pop.Password = "secret";
  pop.TlsCaFile = shared.CaFile;
  pop.TlsMode = tls ? TmsTlsMode::ImplicitTls : TmsTlsMode::None;
  pop.SetHost("localhost:" + std::to_string(tls ? shared.Server->TlsPort : shared.Server->PlainPort));
  double best = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    pop.Login();
    if (pop.MessageCount != MessageCount) {
      state.SkipWithError("wrong message count");
      return;
    }
    for (int i = 0; i < pop.MessageCount; ++i) {
      pop.SetCurrentMessage(i);
      pop.RetrieveHeaders();
      benchmark::DoNotOptimize(pop.GetMessageSize());
      benchmark::DoNotOptimize(pop.GetMessageUID());
    }
    pop.Logout();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (best == 0 || seconds < best) best = seconds;
  }
  (tls ? TlsSeconds : PlainSeconds) = best;
  state.counters["messages/s"] = benchmark::Counter(static_cast<double>(MessageCount) / best);
}

void BM_HeaderWalkPlain(benchmark::State& state) {
  HeaderWalk(state, false);
}
void BM_HeaderWalkTls(benchmark::State& state) {
  HeaderWalk(state, true);
}

BENCHMARK(BM_HeaderWalkPlain)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_HeaderWalkTls)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  if (PlainSeconds > 0 && TlsSeconds > 0)
    std::printf("TOP+LIST+UIDL for %d messages: plain %.1f ms, TLS %.1f ms, TLS / plain = %.2f\n", MessageCount,
                PlainSeconds * 1000, TlsSeconds * 1000, TlsSeconds / PlainSeconds);
  Shared().Server.reset();
  return 0;
}
