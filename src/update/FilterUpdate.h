#pragma once

#include "core/Records.h"

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace mailmoat {

class TConfigData;
class TmsHTTPClient;
class TUiHost;

constexpr std::string_view FilterUpdateUserAgent = "Mailmoat Pro Filter Update";
// The download as received; it stays after the update and is replaced by the next one.
constexpr std::string_view UpdateDownloadFileName = "ruleupd.tmp";
// The system rules as they were before the last update that found a rules file.
constexpr std::string_view RulesBackupFileName = "mmtrules.bak";

// The address the update is fetched from: the UpdateURL setting, or the address the program
// was built with when the setting is empty.
std::string FilterUpdateURL(const TConfigData& config);

// Prepares `http` for the update download from the settings: address, user agent, the extra
// certificate authority file, and the proxy of section "UpdateProxy" (none when its server is
// empty). Proxy credentials are sent only when a proxy user name is set. Throws
// EmsError("Invalid URL") for an unusable address.
void SetUpUpdateClient(TmsHTTPClient& http, const TConfigData& config);

// Why `body` cannot be a system rules file (a compressed container of whole 612-byte rule
// records, at least one), as a sentence for the user; empty when it can. On success the
// records are stored in `records`.
std::string CheckUpdateFile(std::string_view body, std::vector<TRuleRec>& records);

struct TRuleMergeCounts {
  int Updated = 0;
  int Added = 0;
};

// Merges the update into the current system rules by RuleID: a new RuleID is appended
// enabled, a changed rule is overwritten but keeps its Enabled value, nothing is removed.
// Only the records present before the merge are searched, so two update records with the
// same new RuleID are both added. `log` receives the "% ..." lines; `step` is called once
// per update record (done, total).
TRuleMergeCounts MergeRules(std::vector<TRuleRec>& current, const std::vector<TRuleRec>& update,
                            const std::function<void(const std::string&)>& log,
                            const std::function<void(std::size_t, std::size_t)>& step = {});

enum class TFilterUpdateResult {
  Updated,   // merged; the counters tell how much changed (both 0: up to date)
  Replaced,  // there was no rules file: the update became it
  Aborted,   // the user confirmed Abort: nothing changed
  Failed,    // the download or the files failed, after a box saying why
};

// One filter rules update: downloads the update file, checks it, merges it into
// "mmtrules.bin" and reloads the rules. Every box goes through the configuration's TUiHost.
// A download that is not a rules file changes no rules file. Never throws.
class TFilterUpdate {
public:
  // Boxes go to `ui`; the first form uses the configuration's host.
  explicit TFilterUpdate(TConfigData& config);
  TFilterUpdate(TConfigData& config, TUiHost& ui) : Config(config), Ui(ui) {}

  // The status text and the progress (0 to 100) for the window.
  std::function<void(const std::string&)> OnStatus;
  std::function<void(int)> OnProgress;
  // The download is in: the Abort button has no more use.
  std::function<void()> OnProcessing;

  // Asks the running update to stop: after the download, the user is asked to confirm.
  void Abort() { AbortFlag = true; }
  bool Busy() const { return FBusy; }

  // Downloads and processes the update. Blocks, letting window messages run while it waits
  // for the server. Returns Failed at once when an update is already running.
  TFilterUpdateResult Run();
  // Processes a downloaded update file (status 200).
  TFilterUpdateResult Process(const std::string& body);

  TRuleMergeCounts Counts;

private:
  void Status(const std::string& text);
  void Progress(int percent);
  void Fail(const std::string& logLine, const std::string& text);

  TConfigData& Config;
  TUiHost& Ui;
  bool FBusy = false;
  bool AbortFlag = false;
};

}  // namespace mailmoat
