#pragma once

#include "mail/MailHeaders.h"
#include "platform/FileSystem.h"

#include <ctime>
#include <functional>
#include <random>
#include <string>

namespace mailmoat {

class TConfigData;
class TmsMessage;
class TmsPOPClient;
struct ProfileRecord;

// Writes a rejected message into its profile's archive folder, one ".spam" file per message,
// before the check run deletes it on the server. The file is the saved message with four
// "X-SpamRejection" header lines that say why it was rejected.
class TArchiveWriter {
public:
  // Draws the number in an archive file name, 0 to 99999.
  using TRandomSource = std::function<int()>;

  // `random` empty: a generator seeded once from the clock and the system's entropy.
  explicit TArchiveWriter(TConfigData& config, TRandomSource random = {});

  // Archives the selected message of `pop`'s connection. With `retrieveFirst` the whole
  // message is fetched with RETR into `msg` first. Returns true when the message may be
  // deleted on the server: its file was written completely and flushed to disk, or the
  // profile names no archive folder (nothing is written then). Returns false, after logging
  // why, when the message must stay on the server: the RETR failed (no file is written; when
  // it also dropped the connection, its error passes through instead), or the file could
  // not be written. A message that arrived whole but does not parse is archived as it came,
  // with the rejection lines added to its header block. Saving changes `msg` (see
  // TmsMessage::SaveToFile). Log file errors (EInOutError from the activity log) pass through.
  bool ArchiveMessage(TmsMessage& msg, TmsPOPClient& pop, const ProfileRecord& profile, const std::string& reason,
                      bool retrieveFirst);

  // Why the last ArchiveMessage returned false.
  const std::string& LastError() const { return FLastError; }

  void SetRandomSource(TRandomSource random) { Random = std::move(random); }

  // The full path of the last file written; empty before the first.
  const TPath& LastFile() const { return FLastFile; }

  // "mmddyyyyhhnnss" of the local time `when`, then `number` in decimal, then ".spam".
  static std::string ArchiveFileName(std::time_t when, int number);
  // The "X-SpamRejection3" line for a reason text.
  static std::string RejectionReasonLine(const std::string& reason);
  // The four lines go at the end of the header block: before the empty line that a header
  // retrieval keeps in the header lines, else at the end.
  static void AddRejectionLines(TmsHeaders& headers, const std::string& reason);
  // The same four lines put into a raw message text, at the end of its header block.
  static std::string AddRejectionLines(const std::string& raw, const std::string& reason);

private:
  TPath FreeFileName(const TPath& dir);
  bool Fail(const std::string& error);

  TConfigData& Config;
  TRandomSource Random;
  std::mt19937 Generator;
  TPath FLastFile;
  std::string FLastError;
};

}  // namespace mailmoat
