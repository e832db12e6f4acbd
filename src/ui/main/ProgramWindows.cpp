#include "ui/main/ProgramWindows.h"

#include "ui/review/dlgRulesReport.h"
#include "ui/update/formFilterUpdate.h"
#include "update/VersionCheck.h"

namespace mailmoat {

bool TProgramWindows::Available(TWindowKind kind) const {
  switch (kind) {
    case TWindowKind::FilterUpdate:
    case TWindowKind::RulesReport:
    case TWindowKind::VersionCheck: return true;
    default: return TWindowOpeners::Available(kind);
  }
}

bool TProgramWindows::Open(TWindowKind kind, QWidget* parent) {
  switch (kind) {
    case TWindowKind::FilterUpdate:
      // New rules concern the next check only; the main window has nothing to take up.
      ShowFilterUpdate(Config, Ui, parent);
      return false;
    case TWindowKind::RulesReport: ShowRulesReport(Config, Ui, parent); return false;
    case TWindowKind::VersionCheck: RunVersionCheck(Config, Ui); return false;
    default: return TWindowOpeners::Open(kind, parent);
  }
}

}  // namespace mailmoat
