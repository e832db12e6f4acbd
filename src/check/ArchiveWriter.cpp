#include "check/ArchiveWriter.h"

#include "platform/AsciiText.h"
#include "core/dataConfig.h"
#include "mail/TmsMessage.h"
#include "mail/TmsPOPClient.h"
#include "platform/Errors.h"

#include <cstdio>

namespace mailmoat {

namespace {

const std::string Rule54(54, '-');

// The names one second can take are 100 000; after this many taken ones the folder is
// evidently not usable and saying so beats searching on.
constexpr int MaxNameDraws = 1000;

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
  const std::string trimmed(TrimText(reason));
  if (trimmed.empty()) return "X-SpamRejection3: unknown or unavailable";
  if (trimmed == "ok") return "X-SpamRejection3: selected for deletion during check and view";
  return "X-SpamRejection3: " + reason;
}

namespace {

TmsHeaders RejectionLines(const std::string& reason) {
  return {"X-SpamRejection1: " + Rule54, "X-SpamRejection2: Reason this message was rejected by Mailmoat Pro:",
          TArchiveWriter::RejectionReasonLine(reason), "X-SpamRejection4: " + Rule54};
}

}  // namespace

void TArchiveWriter::AddRejectionLines(TmsHeaders& headers, const std::string& reason) {
  const TmsHeaders lines = RejectionLines(reason);
  auto blank = headers.begin();
  while (blank != headers.end() && !blank->empty()) ++blank;
  headers.insert(blank, lines.begin(), lines.end());
}

std::string TArchiveWriter::AddRejectionLines(const std::string& raw, const std::string& reason) {
  // The header block ends at the first empty line; the added lines break as the text does.
  std::string eol = "\r\n";
  std::size_t pos = 0;
  std::size_t at = std::string::npos;
  for (std::size_t lf; at == std::string::npos && (lf = raw.find('\n', pos)) != std::string::npos; pos = lf + 1) {
    const bool crlf = lf > pos && raw[lf - 1] == '\r';
    eol = crlf ? "\r\n" : "\n";
    if (lf - pos == (crlf ? 1u : 0u)) at = pos;
  }
  std::string lines;
  for (const std::string& line : RejectionLines(reason)) lines += line + eol;
  if (at != std::string::npos) return raw.substr(0, at) + lines + raw.substr(at);
  // Headers only: the lines go after the last one.
  std::string out = raw;
  if (!out.empty() && out.back() != '\n') out += eol;
  return out + lines;
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

bool TArchiveWriter::Fail(const std::string& error) {
  FLastError = error;
  return false;
}

bool TArchiveWriter::ArchiveMessage(TmsMessage& msg, TmsPOPClient& pop, const ProfileRecord& profile,
                                    const std::string& reason, bool retrieveFirst) {
  FLastError.clear();
  if (profile.ArchiveDir.empty()) return true;
  const TPath dir = Config.ArchivePath(profile);
  try {
    if (!DirectoryExists(dir)) ForceDirectories(dir);
  } catch (const std::exception& e) {
    Config.Log(TLogClass::Normal, std::string("! Archiving error: ") + e.what());
    return Fail(std::string("Archiving error: ") + e.what());
  }

  // The retrieved text itself, when the message arrived whole but would not parse.
  std::string raw;
  bool asRetrieved = false;
  if (retrieveFirst) {
    try {
      pop.RetrieveMessage();
    } catch (const std::exception& e) {
      if (!pop.RetrievedWhole()) {
        // Only a whole copy may stand in for the message; without one it stays on the server.
        Config.Log(TLogClass::All,
                   std::string("! Unable to retrieve message body - archiving header only (error: ") + e.what() + ")");
        Config.Log(TLogClass::All, "! The message was not archived and stays on the server");
        if (!pop.Connected()) throw;
        return Fail(std::string("Unable to retrieve message body: ") + e.what());
      }
      Config.Log(TLogClass::All, std::string("! The message could not be parsed - archiving it as retrieved (error: ") +
                                     e.what() + ")");
      raw = AddRejectionLines(pop.RetrievedText(), reason);
      asRetrieved = true;
    }
  }

  TPath path;
  try {
    path = FreeFileName(dir);
    // Written under a work name, flushed and renamed: a file under the archive name is
    // always complete, and the message is deleted on the server only after that.
    if (asRetrieved) {
      WriteFileAtomic(path, raw);
    } else {
      AddRejectionLines(msg.Headers, reason);
      msg.SaveToFile(path.string());
    }
  } catch (const std::exception& e) {
    Config.Log(TLogClass::Normal, std::string("! Archiving error: ") + e.what());
    return Fail(std::string("Archiving error: ") + e.what());
  }
  FLastFile = path;
  Config.Log(TLogClass::All, "~ Rejected message archived to " + path.string());
  return true;
}

}  // namespace mailmoat
