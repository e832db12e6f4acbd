#pragma once

class QWidget;

namespace mailmoat {

// The windows the main window and the tray open, each in the issue of work that builds it.
enum class TWindowKind {
  Preferences,     // File | Preferences, the server label, the tray
  SetupWizard,     // File | Setup Wizard
  FilterUpdate,    // File | Filter Rules Update, the tray's Filter Update
  RulesReport,     // File | Filter Rules Report
  MessageArchive,  // Action | Message Archive(s), the tray's Archived Messages
  VersionCheck,    // Help | New Version Check
};

// Opens the windows of other parts of the program. A window that does not exist yet reports
// itself unavailable: its menu items are disabled with the tooltip "Not available yet".
class TWindowOpeners {
public:
  virtual ~TWindowOpeners() = default;

  virtual bool Available(TWindowKind kind) const;
  // Shows the window modally over `parent` and returns whether the user saved a change that
  // the main window must take up (profiles, the check interval, dial-up). Does nothing and
  // returns false for a window that is not available.
  virtual bool Open(TWindowKind kind, QWidget* parent);
};

}  // namespace mailmoat
