#pragma once

#include "mail/TmsMessage.h"

#include <QDialog>

#include <string>

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;

namespace mailmoat {

class TConfigData;
class TInertHtmlView;
class TUiHost;

// One archived ".spam" file as a readable message: the header summary, the reason it was
// rejected and the body, as HTML that loads nothing or as plain text. From here the user
// opens the first attachment or the file's source through the desktop, looks at the raw
// headers, copies and prints. The file is read when the window is first shown.
class TfrmMsg : public QDialog {
public:
  static constexpr int HelpTopic = 210;

  // `path` is the archived file's full path.
  TfrmMsg(TConfigData& config, TUiHost& ui, const std::string& path, QWidget* parent = nullptr);

  // The message as loaded; empty before the window is shown, when the file is missing, and
  // after the window has closed.
  const TmsMessage& Message() const { return Msg; }
  // Whether the body is shown as HTML.
  bool ShowsHtml() const { return Html; }

  // The window's commands, as the buttons and the body's menu run them. None lets an
  // exception out: failures are shown as error boxes and the window stays open.
  void ViewHeaders();
  // Asks, then writes the first attachment into the private temporary folder and hands it
  // to the desktop.
  void OpenFirstAttachment();
  // Hands the desktop a private ".txt" copy of the archived file.
  void ViewSource();
  void CopyMessage();
  void CopySelection();
  void SelectAll();
  void PrintFormatted();
  void PrintRaw();

  void done(int result) override;

protected:
  void showEvent(QShowEvent* event) override;

private:
  template <typename F>
  void Guarded(const char* what, F&& command);
  void Load();
  void PreviewPrint(const std::vector<std::string>& lines);
  void UpdateActions();

  TConfigData& Config;
  TUiHost& Ui;
  std::string Path;
  TmsMessage Msg;
  bool Loaded = false;
  bool Html = false;

  QLineEdit* edtFrom = nullptr;
  QLineEdit* edtTo = nullptr;
  QLineEdit* edtCc = nullptr;
  QLineEdit* edtSubject = nullptr;
  QLabel* lblDate = nullptr;
  QLabel* lblReason = nullptr;
  QPushButton* btnHeaders = nullptr;
  QPushButton* btnAttachment = nullptr;
  QPushButton* btnSource = nullptr;
  TInertHtmlView* htmlBody = nullptr;
  QMenu* PopupMenu1 = nullptr;
  QAction* CopyMessage1 = nullptr;
  QAction* CopySelected1 = nullptr;
  QAction* SelectAll1 = nullptr;
  QAction* PrintFormatted1 = nullptr;
  QAction* PrintRaw1 = nullptr;
};

// Shows the viewer modally for one archived file.
void ShowArchivedMessage(TConfigData& config, TUiHost& ui, const std::string& path, QWidget* parent);

}  // namespace mailmoat
