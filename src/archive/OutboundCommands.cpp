#include "archive/OutboundCommands.h"

#include "archive/Outbound.h"
#include "core/UiHost.h"
#include "core/dataConfig.h"

namespace mailmoat {

namespace {

constexpr std::int64_t OldestForwardedDays = 3;

const char RequeueSetupText[] =
    "Before archived messages can be re-queued (resent) you need\r\nto configure the settings for this option "
    "first. \r\n\r\nPlease select File | Preferences to configure these settings.";
const char SpamCopSetupText[] =
    "Before SpamCop messages can be forwarded you need\r\nto configure the settings for this option first. "
    "\r\n\r\nPlease select File | Preferences to configure these settings.";
const char SpamCopQuestion[] =
    "Forward all selected messages to SpamCop?\r\n\r\n(Note: Any selected messages that are older than 3 days "
    "will\r\nnot be forwarded since SpamCop will not process messages\r\nthat are older than 3 days).";

// Asks whether to go on after a failed send; there is nothing to go on with after the last.
bool GoOn(TUiHost& ui, bool last, const char* what) {
  if (last) return false;
  return ui.MessageBox(TMsgKind::Error,
                       std::string("An error has occurred trying to ") + what +
                           ". Do you\r\nwant to continue with the remaining messages (if any)?",
                       mbYes | mbNo) == mbYes;
}

// The busy box over a loop of sends; hidden however the loop ends.
class TBusyBox {
public:
  TBusyBox(TUiHost& ui, const std::string& caption, std::size_t count) : Ui(ui) {
    Ui.BusySetCaption(caption);
    Ui.BusySetMax(static_cast<std::int64_t>(count));
    Ui.BusySetPosition(0);
    Ui.BusyShow();
  }
  ~TBusyBox() { Ui.BusyHide(); }
  TBusyBox(const TBusyBox&) = delete;
  TBusyBox& operator=(const TBusyBox&) = delete;

private:
  TUiHost& Ui;
};

}  // namespace

TSendConnection::TSendConnection(TConfigData& config, const TDialUpLine& line) : Config(config), Line(line) {
}

TSendConnection::~TSendConnection() {
  if (DialledHere) Line.HangUp();
}

bool TSendConnection::Open(bool busy) {
  if (!Config.UseRas || !Config.RasAvailable || Line.IsConnected()) return true;
  if (busy) {
    Config.Ui.BusySetCaption("Connecting dial-up networking...");
    Config.Ui.BusyShow();
  }
  const int code = Line.Dial();
  if (busy) Config.Ui.BusyHide();
  if (code != 0) {
    const std::string reason =
        code == -1 ? std::string("The dial-up settings could not be used.") : Line.ErrorText(code);
    Config.Ui.MessageBox(TMsgKind::Error,
                         "Unable to connect to server. Dialup networking returned the error below:\r\n\r\n" + reason,
                         mbOK);
    return false;
  }
  DialledHere = true;
  return true;
}

bool RequeueSelected(TConfigData& config, const TDialUpLine& line, const std::vector<TArchiveRow>& selected,
                     const TSmtpOptions& options) {
  if (selected.empty()) return false;
  TUiHost& ui = config.Ui;
  if (config.Requeue.SMTPServer.empty() || config.Requeue.SendTo.empty()) {
    ui.MessageBox(TMsgKind::Warning, RequeueSetupText, mbOK);
    return false;
  }
  if (ui.MessageBox(TMsgKind::Confirmation, "Requeue all selected messages?", mbYes | mbNo) != mbYes) return false;
  TSendConnection connection(config, line);
  if (!connection.Open(true)) return false;
  bool deleted = false;
  TBusyBox busy(ui, "Sending requeued messages...", selected.size());
  for (std::size_t i = 0; i < selected.size(); ++i) {
    ui.BusyStep();
    if (RequeueMessage(config, selected[i].File, options)) {
      if (config.Requeue.DeleteMsg) {
        try {
          DeleteArchiveFile(selected[i].File);
          deleted = true;
        } catch (const EMailmoatError& e) {
          config.TryWriteLog(std::string("! Unable to delete the requeued archive file: ") + e.what());
        }
      }
    } else if (!GoOn(ui, i + 1 == selected.size(), "requeue a message")) {
      break;
    }
  }
  return deleted;
}

void ForwardSelectedToSpamCop(TConfigData& config, const TDialUpLine& line, const std::vector<TArchiveRow>& selected,
                              const TSmtpOptions& options, std::int64_t today) {
  if (selected.empty()) return;
  TUiHost& ui = config.Ui;
  if (config.Requeue.SMTPServer.empty()) {
    ui.MessageBox(TMsgKind::Warning, SpamCopSetupText, mbOK);
    return;
  }
  if (ui.MessageBox(TMsgKind::Confirmation, SpamCopQuestion, mbYes | mbNo) != mbYes) return;
  TSendConnection connection(config, line);
  if (!connection.Open(true)) return;
  int tooOld = 0;
  {
    TBusyBox busy(ui, "Forwarding spam messages to SpamCop...", selected.size());
    for (std::size_t i = 0; i < selected.size(); ++i) {
      ui.BusyStep();
      if (MessageAgeDays(today, MailDay(selected[i].Dated)) > OldestForwardedDays) {
        ++tooOld;
        continue;
      }
      if (!ForwardToSpamCop(config, selected[i].File, options) && !GoOn(ui, i + 1 == selected.size(), "send a message"))
        break;
    }
  }
  if (tooOld > 0)
    ui.MessageBox(TMsgKind::Warning,
                  std::to_string(tooOld) + " messages were not forwarded\r\ndue to being more than 3 days old.", mbOK);
}

}  // namespace mailmoat
