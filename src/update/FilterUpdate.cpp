#include "update/FilterUpdate.h"

#include "MailmoatVersion.h"
#include "core/FileCompress.h"
#include "core/RuleFiles.h"
#include "core/UiHost.h"
#include "core/dataConfig.h"
#include "mail/TmsHTTPClient.h"
#include "platform/AsciiText.h"
#include "platform/FileSystem.h"

#include <algorithm>
#include <cstdint>

namespace mailmoat {

namespace {

constexpr const char* NotRulesText = "The downloaded update is not a filter rules file: ";
constexpr const char* UnchangedText = "\r\nYour filter rules were not changed.";

// The expanded update and rules of the older file-to-file way; the expansion now happens in
// memory, but a stale one must not linger beside the rules.
constexpr std::string_view UpdateWorkFileName = "ruleupd.$$$";
constexpr std::string_view RulesWorkFileName = "mmtrules.$$$";

// A captive portal or a proxy error answers with a web page and status 200.
bool LooksLikeWebPage(std::string_view body) {
  if (body.starts_with("\xEF\xBB\xBF")) body.remove_prefix(3);
  const std::size_t start = body.find_first_not_of(" \t\r\n");
  if (start == std::string_view::npos) return false;
  const std::string head = LowerCaseAscii(std::string(body.substr(start, 64)));
  return head.starts_with("<!doctype") || head.starts_with("<html") || head.starts_with("<head") ||
         head.starts_with("<?xml") || head.starts_with("<body") || head.starts_with("<!--");
}

bool SameRule(const TRuleRec& a, const TRuleRec& b) {
  return a.Description == b.Description && a.HeaderField == b.HeaderField && a.Expression == b.Expression &&
         a.RuleType == b.RuleType && a.Weight == b.Weight && a.RejectOnMatch == b.RejectOnMatch;
}

std::string CountsText(const TRuleMergeCounts& counts) {
  return std::to_string(counts.Updated) + " rules updated and " + std::to_string(counts.Added) + " new rules added";
}

}  // namespace

std::string FilterUpdateURL(const TConfigData& config) {
  return config.UpdateURL.empty() ? std::string(MAILMOAT_URL_UPDATE) : config.UpdateURL;
}

void SetUpUpdateClient(TmsHTTPClient& http, const TConfigData& config) {
  const TUpdateProxySettings& proxy = config.UpdateProxy;
  // An empty server means a direct connection; "host:" alone would still count as a proxy.
  http.SetProxy(proxy.Server.empty() ? std::string() : proxy.Server + ":" + std::to_string(proxy.Port));
  http.SetURL(FilterUpdateURL(config));
  http.UserAgent = std::string(FilterUpdateUserAgent);
  http.Authorization = false;
  http.ProxyUserName = proxy.UserName;
  http.ProxyPassword = proxy.Password;
  // A proxy that wants a login refuses the request without it; without a user name there
  // is nothing to send.
  http.ProxyAuthorization = !proxy.Server.empty() && !proxy.UserName.empty();
  http.TlsCaFile = config.TlsCaFile;
}

std::string CheckUpdateFile(std::string_view body, std::vector<TRuleRec>& records) {
  records.clear();
  if (body.empty()) return "the server sent an empty file.";
  std::string content;
  try {
    content = DecompressContainer(body);
  } catch (const ECompressError& e) {
    if (LooksLikeWebPage(body)) {
      return "the server sent a web page instead. If your network asks you to sign in before you can use the "
             "internet, sign in and try again.";
    }
    return std::string("it cannot be unpacked (") + e.what() + ").";
  }
  if (content.empty()) return "it holds no rules.";
  if (content.size() % RuleRecordSize != 0) {
    return "its " + std::to_string(content.size()) + " bytes are not whole rule records of " +
           std::to_string(RuleRecordSize) + " bytes.";
  }
  // The length bytes of a record's texts never exceed their fields; anything else is a file of
  // another kind that happened to unpack.
  for (std::size_t at = 0; at < content.size(); at += RuleRecordSize) {
    const auto length = [&](std::size_t offset) { return static_cast<std::uint8_t>(content[at + offset]); };
    if (length(0) > 50 || length(51) > 40) {
      return "rule record " + std::to_string(at / RuleRecordSize + 1) + " is damaged.";
    }
  }
  records = DecodeRules(content);
  return {};
}

TRuleMergeCounts MergeRules(std::vector<TRuleRec>& current, const std::vector<TRuleRec>& update,
                            const std::function<void(const std::string&)>& log,
                            const std::function<void(std::size_t, std::size_t)>& step) {
  TRuleMergeCounts counts;
  const std::size_t known = current.size();
  for (std::size_t i = 0; i < update.size(); ++i) {
    if (step) step(i + 1, update.size());
    const TRuleRec& rule = update[i];
    const auto end = current.begin() + static_cast<std::ptrdiff_t>(known);
    const auto found = std::find_if(current.begin(), end, [&](const TRuleRec& r) { return r.RuleID == rule.RuleID; });
    if (found == end) {
      TRuleRec added = rule;
      added.Enabled = true;
      current.push_back(std::move(added));
      log(("% New rule added: " + rule.Description).substr(0, 68));
      ++counts.Added;
    } else if (!SameRule(*found, rule)) {
      const bool enabled = found->Enabled;
      *found = rule;
      found->Enabled = enabled;
      log(("% Rule Updated: " + rule.Description).substr(0, 66));
      ++counts.Updated;
    }
  }
  return counts;
}

TFilterUpdate::TFilterUpdate(TConfigData& config) : TFilterUpdate(config, config.Ui) {
}

void TFilterUpdate::Status(const std::string& text) {
  if (OnStatus) OnStatus(text);
}

void TFilterUpdate::Progress(int percent) {
  if (OnProgress) OnProgress(std::clamp(percent, 0, 100));
}

void TFilterUpdate::Fail(const std::string& logLine, const std::string& text) {
  // The box below still tells the user.
  Config.TryWriteLog("! " + logLine);
  Ui.MessageBox(TMsgKind::Error, text, mbOK);
}

TFilterUpdateResult TFilterUpdate::Run() {
  if (FBusy) return TFilterUpdateResult::Failed;
  FBusy = true;
  AbortFlag = false;
  Counts = {};
  Progress(0);
  Status("Connecting to server...");
  TFilterUpdateResult result = TFilterUpdateResult::Failed;
  try {
    TmsHTTPClient http;
    SetUpUpdateClient(http, Config);
    // The waits run in slices and let window messages run, so Abort can be pressed.
    http.Blocking = false;
    http.ProcessMessages = [this] { Ui.ProcessMessages(); };
    http.OnConnected = [this] { Status("Connected...retrieving update..."); };
    http.OnDisconnected = [this] { Status("Connection closed...checking update..."); };
    http.OnTransferProgress = [this](int perc, std::int64_t, std::int64_t) {
      if (perc >= 0) Progress(perc);
    };
    const int status = http.Get();
    if (status == 200) {
      result = Process(http.ResponseBody);
    } else if (status == 404) {
      Config.TryWriteLog("! Filter update: " + http.URL() + " not found (404)");
      Ui.MessageBox(TMsgKind::Error, "Error: unable to locate update on server.", mbOK);
    } else {
      const std::string text = "HTTP Server returned error code: " + std::to_string(status);
      Fail("Filter update: " + text, text);
    }
  } catch (const std::exception& e) {
    Fail(std::string("Filter Update Exception: ") + e.what(), e.what());
  }
  FBusy = false;
  return result;
}

TFilterUpdateResult TFilterUpdate::Process(const std::string& body) {
  TUiHost& ui = Ui;
  if (AbortFlag && ui.MessageBox(TMsgKind::Confirmation, "Abort the filter rules update?", mbYes | mbNo, 0,
                                 "Confirmation", mbNo) == mbYes) {
    return TFilterUpdateResult::Aborted;
  }
  if (OnProcessing) OnProcessing();
  Status("Updating rules...please wait...");
  ui.ProcessMessages();

  Counts = {};
  const TPath rulesFile = Config.DataFile(SystemRulesFileName);
  try {
    WriteFileAtomic(Config.DataFile(UpdateDownloadFileName), body);
    DeleteFileIfExists(Config.DataFile(UpdateWorkFileName));
    DeleteFileIfExists(Config.DataFile(RulesWorkFileName));

    // Checked before any rules file is touched: a sign-in page or a cut download must not
    // replace the rules.
    std::vector<TRuleRec> update;
    if (const std::string why = CheckUpdateFile(body, update); !why.empty()) {
      Fail("Filter update refused: " + why, NotRulesText + why + UnchangedText);
      return TFilterUpdateResult::Failed;
    }

    if (!FileExists(rulesFile)) {
      ui.MessageBox(TMsgKind::Warning,
                    "Unable to locate original rules file. Update file will be used in total. Please see\r\n"
                    "Mailmoat Pro Preferences (File | Preferences) to view the rules list.",
                    mbOK, 0, "Warning");
      WriteFileAtomic(rulesFile, body);
      Config.LoadRules();
      return TFilterUpdateResult::Replaced;
    }

    const std::string stored = ReadWholeFile(rulesFile);
    WriteFileAtomic(Config.DataFile(RulesBackupFileName), stored);
    std::vector<TRuleRec> current;
    try {
      current = DecodeRules(DecompressContainer(stored));
    } catch (const ECompressError& e) {
      Fail(std::string("Filter Update Exception: ") + e.what(),
           "The installed filter rules file cannot be read: " + std::string(e.what()) + UnchangedText);
      return TFilterUpdateResult::Failed;
    }

    int shown = -1;
    Counts = MergeRules(
        current, update, [this](const std::string& line) { Config.TryLog(TLogClass::Normal, line); },
        [&](std::size_t done, std::size_t total) {
          const int percent = static_cast<int>(done * 100 / total);
          if (percent != shown) Progress(shown = percent);
          ui.ProcessMessages();
        });

    WriteFileAtomic(rulesFile, CompressContainer(EncodeRules(current, {})));
  } catch (const EMailmoatError& e) {
    Fail(std::string("Filter Update Exception: ") + e.what(),
         std::string("Error updating the filter rules:\r\n") + e.what());
    return TFilterUpdateResult::Failed;
  }
  Config.LoadRules();

  if (Counts.Updated == 0 && Counts.Added == 0) {
    Config.TryLog(TLogClass::Normal, "@ Filter rules are up-to-date");
    ui.MessageBox(TMsgKind::Information, "Filter rules are up-to-date", mbOK, 0, "Update Results");
  } else {
    Config.TryLog(TLogClass::Normal, "@ Filter rules updated successfully");
    Config.TryLog(TLogClass::Normal, "@ " + CountsText(Counts));
    ui.MessageBox(TMsgKind::Information,
                  "Your Mailmoat Pro filter rules have been updated successfully!\r\n" + CountsText(Counts), mbOK, 0,
                  "Filter Update Successful");
  }
  return TFilterUpdateResult::Updated;
}

}  // namespace mailmoat
