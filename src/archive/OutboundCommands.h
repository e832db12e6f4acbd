#pragma once

#include "archive/ArchiveListing.h"
#include "mail/SendMail.h"

#include <functional>
#include <string>
#include <vector>

namespace mailmoat {

class TConfigData;

// The dial-up line as the sends need it: whether it is up, dialling (0, or the error code;
// -1 when the dial-up settings cannot be used), hanging up and an error code's text.
struct TDialUpLine {
  std::function<bool()> IsConnected;
  std::function<int()> Dial;
  std::function<void()> HangUp;
  std::function<std::string(int)> ErrorText;
};

// The connection the archive's messages leave over: when the program checks through
// dial-up and no line is up, it dials first and hangs up again when it is done.
class TSendConnection {
public:
  TSendConnection(TConfigData& config, const TDialUpLine& line);
  ~TSendConnection();
  TSendConnection(const TSendConnection&) = delete;
  TSendConnection& operator=(const TSendConnection&) = delete;

  // Whether sending may go on; a dial that failed has shown its error box. `busy`: show the
  // busy box "Connecting dial-up networking..." while dialling.
  bool Open(bool busy);
  bool Dialled() const { return DialledHere; }

private:
  TConfigData& Config;
  const TDialUpLine& Line;
  bool DialledHere = false;
};

// Requeue of the selected rows, with its questions and its busy box. `options` reach the
// server (SmtpOptionsOf, plus a window's event pump). Returns whether a file was deleted, so
// that the list must be read again.
bool RequeueSelected(TConfigData& config, const TDialUpLine& line, const std::vector<TArchiveRow>& selected,
                     const TSmtpOptions& options);

// Forwards the selected rows to SpamCop, those no more than 3 calendar days old on `today`
// (a day counted from the zero date); tells how many were left for their age. The archive
// files stay.
void ForwardSelectedToSpamCop(TConfigData& config, const TDialUpLine& line, const std::vector<TArchiveRow>& selected,
                              const TSmtpOptions& options, std::int64_t today);

}  // namespace mailmoat
