#pragma once

#include "core/Records.h"
#include "ui/common/ReportPrinter.h"

#include <QDialog>
#include <QString>

#include <functional>
#include <vector>

class QAction;
class QActionGroup;
class QLabel;
class QListView;
class QMenu;
class QPrinter;
class QPushButton;
class QTreeView;

namespace mailmoat {

class TConfigData;
class THdrListModel;

// "Available Messages - Headers Listing": the messages of one check-and-view connection for
// the user to tick for deletion. Works on the run's records in place: each tick goes into
// the record's delete mark at once. Does no network work; the run keeps its session alive.
class TfrmHdrListing : public QDialog {
public:
  enum class TViewStyle { SmallIcons, LargeIcons, List, Detailed };

  // `records` must outlive the window.
  TfrmHdrListing(TConfigData& config, std::vector<THdrRec>& records, QWidget* parent = nullptr);
  ~TfrmHdrListing() override;

  // Shows the list modally under `caption`; returns whether any row was ticked at close.
  static bool ShowModal(TConfigData& config, std::vector<THdrRec>& records, const QString& caption, QWidget* parent,
                        std::function<bool(const QString&)> onCreateRule = {});

  // Whether a row was ticked when the window closed.
  bool AnyChecked() const { return FAnyChecked; }
  THdrListModel& Model() { return *ListModel; }
  TViewStyle ViewStyle() const { return Style; }
  void SetViewStyle(TViewStyle style);
  // The record of the selected row, or -1.
  int SelectedRecord() const;
  // The listing as printed: a row-number column from 0, then the five columns.
  TPrintTable ListingTable() const;

  // Handed to each header window opened from here.
  std::function<bool(const QString&)> OnCreateRule;
  // Sets up the printer for "&Print Listing"; false: cancelled. Empty: the print dialog.
  std::function<bool(QPrinter&)> ChoosePrinter;

  void Refill();
  void ViewSelectedHeaders();
  void AddSelectedToApprovedSenders();
  void CheckAllSpam();
  void CheckAll(bool mark);
  void PrintListing();
  void PrintPreview();

  static constexpr int HelpTopic = 40;

protected:
  void contextMenuEvent(QContextMenuEvent* event) override;
  void done(int result) override;

private:
  template <typename F>
  void Guarded(const char* what, F&& command);
  void UpdateStatusLine();
  QAction* AddMenuItem(const char* name, const char* caption, const QKeySequence& key);

  TConfigData& Config;
  std::vector<THdrRec>& Records;
  THdrListModel* ListModel = nullptr;
  TViewStyle Style = TViewStyle::Detailed;
  bool FAnyChecked = false;

  QTreeView* lvHeaders = nullptr;
  QListView* lvHeadersIcons = nullptr;  // the same rows in the three icon and list styles
  QLabel* pnlMsgStatus = nullptr;
  QMenu* mnuListView = nullptr;
  QActionGroup* ViewGroup = nullptr;
};

}  // namespace mailmoat
