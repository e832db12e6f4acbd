#include "check/StartCheck.h"

#include "check/dataModPOP3.h"
#include "check/dataModRAS.h"
#include "core/CheckView.h"
#include "core/UiHost.h"
#include "core/dataConfig.h"
#include "platform/Errors.h"

namespace mailmoat {

namespace {

void WriteLogLine(TConfigData& config, const std::string& line) {
  // The status line still tells the user that dialling failed.
  config.TryWriteLog(line);
}

void ReturnToIdle(TConfigData& config, TCheckView& view) {
  view.EnableAbort(false);
  config.AbortRequested = false;
  view.EnableCheckCommands(!config.Profiles.empty());
}

void DialFailed(TConfigData& config, TCheckView& view, const std::string& logLine) {
  WriteLogLine(config, logLine);
  view.SetMessageStatus("Dial-Up error - details logged");
  config.Dialing = false;
  config.WeDialed = false;
  ReturnToIdle(config, view);
  view.SetPanelText(TStatusPanel::NextCheck, "Dial-Up error");
}

}  // namespace

void StartCheck(TConfigData& config, TdataRas& ras, TCheckView& view, TdataPOP3& pop3, bool eat) {
  if (config.CheckInProgress) return;
  if (config.UseRas && config.Dialing) {
    if (config.AbortRequested) {
      ras.HangUp();
      ReturnToIdle(config, view);
    }
    config.Dialing = false;
    return;
  }

  view.EnableCheckCommands(false);
  view.EnableAbort(true);
  config.AbortRequested = false;
  config.RasConnected = config.UseRas ? ras.IsConnected() : true;

  if (config.UseRas && !config.RasConnected) {
    view.SetMessageStatus("Initiating Dial-Up connection...");
    config.Ui.ProcessMessages();
    config.Dialing = true;
    config.WeDialed = true;
    if (!ras.SetUpDialInfo()) {
      DialFailed(config, view, "! Dial-Up Setup Error: call to SetUpDialInfo() failed");
      return;
    }
    view.SetMessageStatus("Establishing Dial-Up Connection...");
    config.Ui.ProcessMessages();
    const int code = ras.Dial();
    if (code != 0) {
      DialFailed(config, view, "! Dial-Up Error Connecting: " + ras.ErrorText(code));
      return;
    }
    config.RasConnected = true;
    config.Dialing = false;
    config.WeDialed = true;
    view.SetMessageStatus("Dial-Up connected...");
  } else if (config.UseRas) {
    config.Dialing = false;
    config.WeDialed = false;
    view.SetMessageStatus("Using existing Dial-Up connection...");
  }

  if (config.AbortRequested) {
    if (config.UseRas && config.RasConnected && config.WeDialed) ras.HangUp();
    ReturnToIdle(config, view);
    return;
  }
  pop3.CheckMailboxes(eat);
}

}  // namespace mailmoat
