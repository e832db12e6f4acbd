// Parse and save throughput of the message model: a typical 50 KB multipart message (text,
// HTML alternative, a small attachment) and a 5 MB message with one base64 attachment.
#include "mail/TmsMessage.h"

#include <benchmark/benchmark.h>

#include <string>

namespace mailmoat {
namespace {

std::string MakeMessage(std::size_t attachmentBytes, std::size_t textLines) {
  TmsMessage msg;
  msg.Sender = TmsMailAddress("news@shop.example", "Shop News");
  msg.Recipients.AddAddress("me@home.example", "Me");
  msg.SetSubject("Weekly offers");
  msg.Headers = {"Received: from mx.shop.example by mail.home.example", "Message-ID: <1@shop.example>"};
  for (std::size_t i = 0; i < textLines; ++i) {
    msg.Body.push_back("Line " + std::to_string(i) + " of the weekly offers, with prices and descriptions.");
  }
  TmsAttItem html;
  html.SetFileName("_alt.0");
  html.SetContentType("text/html");
  html.TransferKind = tkQuotedPrintable;
  for (std::size_t i = 0; i < textLines; ++i) html.Data += "<p>Line " + std::to_string(i) + " caf\xE9 offer</p>\r\n";
  msg.Attachments.Add(html);
  TmsAttItem file;
  file.SetFileName("catalogue.pdf");
  file.Data.resize(attachmentBytes);
  for (std::size_t i = 0; i < attachmentBytes; ++i) file.Data[i] = static_cast<char>((i * 7919) >> 5);
  msg.Attachments.Add(file);
  return msg.SaveToString();
}

void Parse(benchmark::State& state, const std::string& raw) {
  for (auto _ : state) {
    TmsMessage msg;
    msg.LoadFromString(raw);
    benchmark::DoNotOptimize(msg.Attachments.Count());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * raw.size()));
}

void Save(benchmark::State& state, const std::string& raw) {
  for (auto _ : state) {
    state.PauseTiming();
    TmsMessage msg;
    msg.LoadFromString(raw);
    state.ResumeTiming();
    benchmark::DoNotOptimize(msg.SaveToString());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * raw.size()));
}

const std::string& Multipart50K() {
  static const std::string raw = MakeMessage(20 * 1024, 200);
  return raw;
}

const std::string& Attachment5M() {
  static const std::string raw = MakeMessage(5 * 1024 * 1024 * 3 / 4, 20);
  return raw;
}

void BM_ParseMultipart50K(benchmark::State& state) {
  Parse(state, Multipart50K());
}
void BM_SaveMultipart50K(benchmark::State& state) {
  Save(state, Multipart50K());
}
void BM_ParseBase64Attachment5M(benchmark::State& state) {
  Parse(state, Attachment5M());
}
void BM_SaveBase64Attachment5M(benchmark::State& state) {
  Save(state, Attachment5M());
}

BENCHMARK(BM_ParseMultipart50K);
BENCHMARK(BM_SaveMultipart50K);
BENCHMARK(BM_ParseBase64Attachment5M)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveBase64Attachment5M)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace mailmoat

BENCHMARK_MAIN();
