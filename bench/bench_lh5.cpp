// What the compressed container costs against a familiar yardstick: -lh5- encoding and
// decoding of a megabyte of mail-like text, beside zlib at level 6 (the gzip -6 algorithm) on
// the same bytes. The counters give the compressed sizes and ratios.
#include "core/Lh5.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#ifdef MAILMOAT_HAVE_ZLIB
#include <zlib.h>
#endif

namespace mailmoat {
namespace {

constexpr std::size_t InputSize = 1 << 20;

// Header and body lines of the kind the rule files and archives hold: repeated field names,
// addresses and dates, and body text of words drawn with a Zipf-like skew from a vocabulary of
// a few hundred. The same bytes on every run.
const std::string& Input() {
  static const std::string text = [] {
    static const char* const names[] = {"alice", "bob", "sales", "info", "support", "newsletter", "j.smith", "mary"};
    static const char* const domains[] = {"example.com", "mail.example.org", "relay.example.net", "shop.example"};
    std::mt19937 rng(20240101);
    auto pick = [&](const auto& list) { return std::string(list[rng() % (sizeof list / sizeof list[0])]); };
    // Made-up words of 2 to 9 letters; the k-th is used about 1/k as often as the first.
    std::vector<std::string> words;
    std::vector<double> weights;
    for (int k = 1; k <= 400; ++k) {
      std::string w;
      for (unsigned n = 2 + rng() % 8; n > 0; --n) w.push_back(static_cast<char>('a' + rng() % 26));
      words.push_back(w);
      weights.push_back(1.0 / k);
    }
    std::discrete_distribution<std::size_t> zipf(weights.begin(), weights.end());
    auto sentence = [&](unsigned n) {
      std::string s;
      for (unsigned i = 0; i < n; ++i) s += (i ? " " : "") + words[zipf(rng)];
      return s;
    };
    std::string out;
    while (out.size() < InputSize) {
      out += "Received: from " + pick(domains) + " ([10." + std::to_string(rng() % 256) + "." +
             std::to_string(rng() % 256) + ".1]) by mx.example.com with SMTP id " + std::to_string(rng()) + "\r\n";
      out += "From: " + pick(names) + "@" + pick(domains) + "\r\n";
      out += "To: " + pick(names) + "@example.com\r\n";
      out += "Subject: " + sentence(3 + rng() % 5) + "\r\n";
      out += "Date: Mon, " + std::to_string(1 + rng() % 28) + " Dec 2026 " + std::to_string(rng() % 24) + ":" +
             std::to_string(10 + rng() % 50) + ":00 +0000\r\n\r\n";
      for (unsigned lines = 3 + rng() % 12; lines > 0; --lines) out += sentence(6 + rng() % 8) + "\r\n";
      out += "\r\n";
    }
    out.resize(InputSize);
    return out;
  }();
  return text;
}

void Report(benchmark::State& state, std::size_t compressed) {
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(InputSize));
  state.counters["compressed_bytes"] = static_cast<double>(compressed);
  state.counters["ratio_pct"] = 100.0 * static_cast<double>(compressed) / static_cast<double>(InputSize);
}

void BM_Lh5Encode(benchmark::State& state) {
  std::string stream;
  for (auto _ : state) {
    stream = Lh5Encode(Input());
    benchmark::DoNotOptimize(stream.data());
  }
  Report(state, stream.size());
}
BENCHMARK(BM_Lh5Encode)->Unit(benchmark::kMillisecond);

void BM_Lh5Decode(benchmark::State& state) {
  const std::string stream = Lh5Encode(Input());
  for (auto _ : state) {
    std::string out = Lh5Decode(stream, static_cast<std::uint32_t>(InputSize));
    benchmark::DoNotOptimize(out.data());
  }
  if (Lh5Decode(stream, static_cast<std::uint32_t>(InputSize)) != Input()) state.SkipWithError("round trip differs");
  Report(state, stream.size());
}
BENCHMARK(BM_Lh5Decode)->Unit(benchmark::kMillisecond);

#ifdef MAILMOAT_HAVE_ZLIB
std::string ZlibCompress(const std::string& in) {
  uLongf size = compressBound(in.size());
  std::string out(size, '\0');
  if (compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(in.data()), in.size(), 6) !=
      Z_OK) {
    std::abort();
  }
  out.resize(size);
  return out;
}

void BM_Zlib6Compress(benchmark::State& state) {
  std::string out;
  for (auto _ : state) {
    out = ZlibCompress(Input());
    benchmark::DoNotOptimize(out.data());
  }
  Report(state, out.size());
}
BENCHMARK(BM_Zlib6Compress)->Unit(benchmark::kMillisecond);

void BM_Zlib6Uncompress(benchmark::State& state) {
  const std::string packed = ZlibCompress(Input());
  std::string out(InputSize, '\0');
  for (auto _ : state) {
    uLongf size = out.size();
    if (uncompress(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(packed.data()),
                   packed.size()) != Z_OK) {
      state.SkipWithError("uncompress failed");
      break;
    }
    benchmark::DoNotOptimize(out.data());
  }
  Report(state, packed.size());
}
BENCHMARK(BM_Zlib6Uncompress)->Unit(benchmark::kMillisecond);
#endif

}  // namespace
}  // namespace mailmoat

BENCHMARK_MAIN();
