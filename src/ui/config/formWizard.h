#pragma once

#include "core/PreferencesModel.h"

#include <QDialog>

#include <array>
#include <memory>

class QListWidget;
class QPushButton;
class QStackedWidget;

namespace mailmoat {

class TConfigData;
class TPrefsSheet;
class TUiHost;
struct TPrefsPageContext;

// "Mailmoat Pro Preferences": every setting on ten pages. Profiles change in the
// configuration at once; everything else is held until OK, which checks it all and then
// writes the stores. Cancel (Escape, the close box) offers to save what changed and
// otherwise puts everything back as it was when the dialog opened.
class TfrmWizard : public QDialog {
public:
  // The help topic of each page, in page order.
  static constexpr std::array<int, 10> HelpTopics = {50, 60, 70, 80, 200, 100, 220, 240, 110, 120};

  TfrmWizard(TConfigData& config, TUiHost& ui, QWidget* parent = nullptr);
  ~TfrmWizard() override;

  TPreferences& Prefs() { return Data; }
  // Whether a save wrote what the user changed (also one that Cancel or the configuration
  // dump asked for), so the main window takes it up.
  bool Saved() const { return SavedChanges; }

  void ShowPage(TPrefsPage page);
  TPrefsPage CurrentPage() const;

  void reject() override;

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  void Ok();
  bool Save();
  void OpenConfigDump();
  void StepPage(int by);
  void MarkChanged();

  TConfigData& Config;
  TUiHost& Ui;
  TPreferences Data;
  std::unique_ptr<TPrefsPageContext> Context;
  bool SavedChanges = false;
  QListWidget* lbPages = nullptr;
  QStackedWidget* pgctrlPreferences = nullptr;
  std::array<TPrefsSheet*, 10> Pages{};
};

// Shows the preferences modally over `parent`; true when the user saved a change.
bool ShowPreferences(TConfigData& config, TUiHost& ui, QWidget* parent);

}  // namespace mailmoat
