#pragma once

#include "core/PreferencesModel.h"

#include <QList>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <string>

class QCheckBox;
class QMenu;
class QPushButton;
class QTreeWidget;
class QGroupBox;
class QLabel;
class QLineEdit;
class QSpinBox;
class QToolButton;

namespace mailmoat {

class TConfigData;
class TUiHost;
struct TPrintTable;

// Every row and column of a preferences list as a report, 46 rows a page.
TPrintTable ListReport(const QTreeWidget* list, const QString& title);

// What every page of the preferences works on: the configuration (for the profiles, which
// change in it at once), the host for boxes, the preferences being edited, and the dialog's
// "something changed" mark.
struct TPrefsPageContext {
  TConfigData& Config;
  TUiHost& Ui;
  TPreferences& Prefs;
  std::function<void()> Changed;
};

// One page of the preferences. A page fills its controls from the preferences when it is
// made and writes every edit back into them at once, marking the dialog changed.
class TPrefsSheet : public QWidget {
public:
  TPrefsSheet(TPrefsPageContext& context, const char* name, QWidget* parent);

  // The control that holds `field`, for a failed check to send the user to; nullptr when it is
  // not on this page.
  virtual QLineEdit* FieldBox(TPrefsField /*field*/) { return nullptr; }
  // Shows again what a save changed in the preferences (trimmed boxes).
  virtual void ShowSaved() {}

protected:
  // Controls bound to a field of the preferences: the control shows the field, and each edit
  // stores into it and marks the dialog changed. Text fields are cut to `maxBytes` bytes.
  QCheckBox* BoundCheck(const char* text, const char* name, bool& field);
  QLineEdit* BoundEdit(const char* name, std::string& field, int maxChars = 0,
                       std::size_t maxBytes = std::string::npos);
  QSpinBox* BoundSpin(const char* name, int low, int high, int& field);

  QLabel* Caption(const char* text, const char* name, QWidget* buddy = nullptr);
  // A page's explanation at its top: wrapped, selectable by nobody.
  QLabel* Explanation(const char* text, const char* name);
  QGroupBox* Group(const char* title, const char* name);
  QToolButton* BrowseButton(const char* name, const char* hint);
  // A button beside a list, which Return does not press.
  QPushButton* Button(const char* text, const char* name);
  // A report list of whole rows without in-place editing, its columns `widths` pixels wide
  // (0: sized to the contents).
  QTreeWidget* ReportList(const char* name, const QStringList& columns, const QList<int>& widths);
  // The list's context menu with "&Print List" (Ctrl+P) and "Print Pre&view" (Ctrl+V),
  // which print every row of `list` under `title`, 46 rows a page.
  QMenu* PrintMenu(QTreeWidget* list, const char* name, const QString& title);
  void MarkChanged() { Ctx.Changed(); }

  TPrefsPageContext& Ctx;
};

}  // namespace mailmoat
