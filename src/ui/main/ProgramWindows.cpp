#include "ui/main/ProgramWindows.h"

#include "check/dataModRAS.h"
#include "archive/DesktopCopies.h"
#include "core/UiHost.h"
#include "ui/archive/formMessageArchive.h"
#include "ui/archive/formMsg.h"
#include "ui/common/QtSound.h"
#include "ui/config/dialogSetupWizard.h"
#include "ui/config/dlgClientSettings.h"
#include "ui/config/formWizard.h"
#include "ui/config/frmProfileEditor.h"
#include "ui/review/dlgRulesReport.h"
#include "ui/update/formFilterUpdate.h"
#include "update/VersionCheck.h"

#include <QApplication>

namespace mailmoat {

namespace {

// The windows the setup wizard opens; they belong over the wizard, the active modal window
// when they open. The sound plays for as long as `sound` lives.
TSetupWizardWindows SetupWizardWindows(TConfigData& config, TUiHost& ui, TQtSound& sound) {
  TSetupWizardWindows windows;
  windows.EditProfile = [&config, &ui](ProfileRecord& profile) {
    return EditProfile(config, ui, profile, QApplication::activeModalWidget());
  };
  // The client settings change the settings in memory only, so the wizard's Cancel undoes them.
  windows.EditClientSettings = [&config, &ui] {
    return EditClientSettings(config, ui, QApplication::activeModalWidget());
  };
  windows.PlaySound = [&sound](const std::string& file, std::string& error) { return sound.Play(file, error); };
  return windows;
}

// The dial-up line the archive's messages leave over.
TDialUpLine DialUpLineOf(TdataRas& ras) {
  return {[&ras] { return ras.IsConnected(); }, [&ras] { return ras.SetUpDialInfo() ? ras.Dial() : -1; },
          [&ras] { ras.HangUp(); }, [&ras](int code) { return ras.ErrorText(code); }};
}

// The viewer of one archived file, and its text in the desktop's editor: a private ".txt"
// copy, as the desktop would open a ".spam" file in the mail program.
TArchiveWindows ArchiveWindows(TConfigData& config, TUiHost& ui) {
  TArchiveWindows windows;
  windows.ViewMessage = [&config, &ui](const std::string& path, QWidget* parent) {
    ShowArchivedMessage(config, ui, path, parent);
  };
  windows.ViewSource = [&ui](const std::string& path) {
    if (!ui.OpenFile(WriteSourceCopy(path)))
      ui.MessageBox(TMsgKind::Error, "No program could be started to show the message source.", mbOK);
  };
  return windows;
}

}  // namespace

bool TProgramWindows::Available(TWindowKind kind) const {
  switch (kind) {
    case TWindowKind::Preferences:
    case TWindowKind::MessageArchive:
    case TWindowKind::SetupWizard:
    case TWindowKind::FilterUpdate:
    case TWindowKind::RulesReport:
    case TWindowKind::VersionCheck: return true;
    default: return TWindowOpeners::Available(kind);
  }
}

bool TProgramWindows::Open(TWindowKind kind, QWidget* parent) {
  switch (kind) {
    case TWindowKind::Preferences: return ShowPreferences(Config, Ui, parent);
    case TWindowKind::FilterUpdate:
      // New rules concern the next check only; the main window has nothing to take up.
      ShowFilterUpdate(Config, Ui, parent);
      return false;
    case TWindowKind::SetupWizard: {
      TQtSound sound;
      return ShowSetupWizard(Config, Ui, SetupWizardWindows(Config, Ui, sound), parent);
    }
    case TWindowKind::RulesReport: ShowRulesReport(Config, Ui, parent); return false;
    case TWindowKind::MessageArchive:
      ShowMessageArchive(Config, Ui, DialUpLineOf(Ras), ArchiveWindows(Config, Ui), parent);
      return false;
    case TWindowKind::VersionCheck: RunVersionCheck(Config, Ui); return false;
    default: return TWindowOpeners::Open(kind, parent);
  }
}

}  // namespace mailmoat
