#include "check/ArchiveWriter.h"

#include "core/dataConfig.h"
#include "mail/TmsMessage.h"
#include "mail/TmsPOPClient.h"
#include "platform/Errors.h"

#include <cstdio>

namespace mailmoat {

namespace {

const std::string Rule54(54, '-');
const std::string Rule45(45, '-');

// The names one second can take are 100 000; after this many taken ones the folder is
// evidently not usable and saying so beats searching on.
constexpr int MaxNameDraws = 1000;

bool IsBlankOrControl(char c) {
  return static_cast<unsigned char>(c) <= ' ';
}

std::string TrimBlanksAndControls(const std::string& text) {
  std::size_t start = 0;
  std::size_t end = text.size();
  while (start < end && IsBlankOrControl(text[start])) ++start;
  while (end > start && IsBlankOrControl(text[end - 1])) --end;
  return text.substr(start, end - start);
}

}  // namespace

TArchiveWriter::TArchiveWriter(TConfigData& config, TRandomSource random) : Config(config), Random(std::move(random)) {
  std::random_device entropy;
  Generator.seed(static_cast<std::mt19937::result_type>(entropy()) ^
                 static_cast<std::mt19937::result_type>(Config.Clock()));
}

std::string TArchiveWriter::ArchiveFileName(std::time_t when, int number) {
  std::tm local{};
  ::localtime_r(&when, &local);
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "%02d%02d%04d%02d%02d%02d", local.tm_mon + 1, local.tm_mday, local.tm_year + 1900,
                local.tm_hour, local.tm_min, local.tm_sec);
  return stamp + std::to_string(number) + ".spam";
}

std::string TArchiveWriter::RejectionReasonLine(const std::string& reason) {
  const std::string trimmed = TrimBlanksAndControls(reason);
  if (trimmed.empty()) return "X-SpamRejection3: unknown or unavailable";
  if (trimmed == "ok") return "X-SpamRejection3: selected for deletion during check and view";
  return "X-SpamRejection3: " + reason;
}

void TArchiveWriter::AddRejectionLines(TmsHeaders& headers, const std::string& reason) {
  const TmsHeaders lines = {"X-SpamRejection1: " + Rule54,
                            "X-SpamRejection2: Reason this message was rejected by Mailmoat Pro:",
                            RejectionReasonLine(reason), "X-SpamRejection4: " + Rule54};
  auto blank = headers.begin();
  while (blank != headers.end() && !blank->empty()) ++blank;
  headers.insert(blank, lines.begin(), lines.end());
}

TPath TArchiveWriter::FreeFileName(const TPath& dir) {
  const std::time_t now = Config.Clock();
  std::uniform_int_distribution<int> numbers(0, 99999);
  for (int i = 0; i < MaxNameDraws; ++i) {
    const int drawn = Random ? Random() : numbers(Generator);
    const TPath path = dir / ArchiveFileName(now, ((drawn % 100000) + 100000) % 100000);
    // Two messages archived within one second must not overwrite one another.
    std::error_code ec;
    if (!std::filesystem::exists(std::filesystem::symlink_status(path, ec))) return path;
  }
  throw EInOutError("No free archive file name in " + dir.string());
}

void TArchiveWriter::RestoreHeaderSummary(TmsMessage& msg, const TmsHeaders& summary, const std::string& error) {
  // A failed RETR has emptied the message; what the header retrieval gave is all there is.
  // Its lines run on past the empty line into the first body line and the final ".".
  TmsHeaders header;
  std::vector<std::string> body;
  bool inBody = false;
  for (const std::string& line : summary) {
    if (!inBody && line.empty()) {
      inBody = true;
      continue;
    }
    (inBody ? body : header).push_back(line);
  }
  if (!body.empty() && body.back() == ".") body.pop_back();
  for (std::string& line : body) {
    if (line.starts_with("..")) line.erase(0, 1);
  }
  msg.Clear();
  msg.ParseHeaders(header);
  msg.Body = std::move(body);
  msg.Body.insert(msg.Body.end(), {" ", Rule45, "Mailmoat Pro was unable to retrieve body of",
                                   "this message due to the following error:", error, Rule45, " "});
}

bool TArchiveWriter::ArchiveMessage(TmsMessage& msg, TmsPOPClient& pop, const ProfileRecord& profile,
                                    const std::string& reason, bool retrieveFirst) {
  if (profile.ArchiveDir.empty()) return true;
  const TPath dir = Config.ArchivePath(profile);
  try {
    if (!DirectoryExists(dir)) ForceDirectories(dir);
  } catch (const std::exception& e) {
    Config.Log(TLogClass::Normal, std::string("! Archiving error: ") + e.what());
    return false;
  }

  if (retrieveFirst) {
    const TmsHeaders summary = msg.Headers;
    try {
      pop.RetrieveMessage();
    } catch (const std::exception& e) {
      Config.Log(TLogClass::All,
                 std::string("! Unable to retrieve message body - archiving header only (error: ") + e.what() + ")");
      RestoreHeaderSummary(msg, summary, e.what());
    }
  }

  TPath path;
  try {
    path = FreeFileName(dir);
    AddRejectionLines(msg.Headers, reason);
    // Written under a work name, flushed and renamed: a file under the archive name is
    // always complete, and the message is deleted on the server only after that.
    msg.SaveToFile(path.string());
  } catch (const std::exception& e) {
    Config.Log(TLogClass::Normal, std::string("! Archiving error: ") + e.what());
    return false;
  }
  FLastFile = path;
  Config.Log(TLogClass::All, "~ Rejected message archived to " + path.string());
  return true;
}

}  // namespace mailmoat
