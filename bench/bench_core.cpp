// What logging and the settings file cost. Debug logging writes several lines per rule per
// message, each opening and closing the log so it can be viewed or deleted between lines;
// BM_WriteLog against BM_AppendToOpenFile shows the price of that choice.
#include "core/ActivityLog.h"
#include "platform/Dialer.h"
#include "core/IniFile.h"
#include "core/UiHost.h"
#include "core/dataConfig.h"

#include "BenchSupport.h"

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

namespace mailmoat {
namespace {

using bench::TSilentHost;

std::filesystem::path ScratchDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "mmt-bench-XXXXXX").string();
  if (!::mkdtemp(pattern.data())) std::abort();
  return pattern;
}

const std::string Line = "+ Header check expression (sys): ^Subject:.*(viagra|cialis|lottery winner)";

void BM_WriteLog(benchmark::State& state) {
  const auto dir = ScratchDir();
  TSilentHost ui;
  test::TFakeDialer dialer;
  TConfigData config(TAppPaths::ForHome(dir), ui, dialer);
  config.LoggingLevel = LogLevel::Debug;
  config.MaxLogSize = 0;
  for (auto _ : state) config.WriteLog(Line);
  std::filesystem::remove_all(dir);
}
BENCHMARK(BM_WriteLog);

void BM_AppendToOpenFile(benchmark::State& state) {
  const auto dir = ScratchDir();
  const int fd = ::open((dir / "mmt.log").c_str(), O_WRONLY | O_APPEND | O_CREAT, 0644);
  const std::string text = LogTimeStamp(std::time(nullptr)) + " " + Line + "\r\n";
  for (auto _ : state) benchmark::DoNotOptimize(::write(fd, text.data(), text.size()));
  ::close(fd);
  std::filesystem::remove_all(dir);
}
BENCHMARK(BM_AppendToOpenFile);

void BM_SettingsReadAndWrite(benchmark::State& state) {
  TIniFile ini;
  WriteSettings(ini, TSettings{}, 3);
  const std::string text = ini.Text();
  for (auto _ : state) {
    TIniFile parsed = TIniFile::Parse(text);
    TSettings s = ReadSettings(parsed);
    WriteSettings(parsed, s, 3);
    benchmark::DoNotOptimize(parsed.Text());
  }
}
BENCHMARK(BM_SettingsReadAndWrite);

}  // namespace
}  // namespace mailmoat

BENCHMARK_MAIN();
