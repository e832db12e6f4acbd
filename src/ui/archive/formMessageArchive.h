#pragma once

#include "archive/ArchiveListing.h"
#include "archive/OutboundCommands.h"

#include <QDialog>

#include <functional>
#include <string>
#include <vector>

class QAction;
class QComboBox;
class QMenu;
class QPushButton;
class QTreeWidget;

namespace mailmoat {

class TConfigData;
class TUiHost;

// The windows the archive opens, made by their own parts of the program: the viewer of one
// archived file, and its text handed to the desktop's text editor.
struct TArchiveWindows {
  std::function<void(const std::string& path, QWidget* parent)> ViewMessage;
  std::function<void(const std::string& path)> ViewSource;
};

// "Mailmoat Pro - Message Archive": the messages the checks archived, of one profile or of
// all, to read, delete, requeue to the user's own mailbox, report to SpamCop or answer.
class TfrmMsgArchive : public QDialog {
public:
  static constexpr int HelpTopic = 210;

  TfrmMsgArchive(TConfigData& config, TUiHost& ui, TDialUpLine line, TArchiveWindows windows,
                 QWidget* parent = nullptr);

  // Reads the chosen folders again and shows their messages in the present order.
  void List();
  const std::vector<TArchiveRow>& Rows() const { return Listed; }
  // The rows selected, in list order.
  std::vector<TArchiveRow> SelectedRows() const;

  void ViewMessage();
  void ViewSource();
  void DeleteMessages();
  void DeleteSelected();
  void DeleteByDate();
  void DeleteAll();
  void Requeue();
  void Reply();
  void SpamCop();
  void AddToApprovedSenders();
  void PrintList(bool preview);

  void done(int result) override;

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  template <typename F>
  void Guarded(const char* what, F&& command);
  QAction* MenuItem(const char* text, const char* name, const QKeySequence& keys, void (TfrmMsgArchive::*command)());
  void FillProfiles();
  void ShowRows();
  void SortBy(int column);
  void UpdateTitle(bool listing);
  bool AllProfiles() const;
  void DeleteFiles(const std::vector<TPath>& files, const std::string& caption);
  TSmtpOptions SendOptions() const;

  TConfigData& Config;
  TUiHost& Ui;
  TDialUpLine Line;
  TArchiveWindows Windows;
  std::vector<TArchiveSource> Sources;
  std::vector<TArchiveRow> Listed;
  QComboBox* cbProfiles = nullptr;
  QTreeWidget* lvMessages = nullptr;
  QPushButton* btnSpamCop = nullptr;
  QMenu* pmMessages = nullptr;
};

// Shows the archive over `parent`; says so when no profile archives.
void ShowMessageArchive(TConfigData& config, TUiHost& ui, const TDialUpLine& line, const TArchiveWindows& windows,
                        QWidget* parent);

}  // namespace mailmoat
