#pragma once

#include "archive/OutboundCommands.h"

#include <QDialog>

#include <functional>
#include <string>

class QLineEdit;
class QPlainTextEdit;

namespace mailmoat {

class TConfigData;
class TUiHost;

// "Untitled - Message": an answer to the sender of an archived message, sent through the
// server of the Requeue settings.
class TfrmMsgReply : public QDialog {
public:
  static constexpr int HelpTopic = 210;

  TfrmMsgReply(TConfigData& config, TUiHost& ui, TDialUpLine line, QWidget* parent = nullptr);

  // Fills the window from an archived file; false (after saying so) when it is missing.
  bool Load(const std::string& path);
  // Checks the addresses, sends, and closes on success.
  void Send();

  // Draws below n for the Message-ID; tests fix it.
  std::function<int(int)> Random;

private:
  TConfigData& Config;
  TUiHost& Ui;
  TDialUpLine Line;
  QLineEdit* edtTo = nullptr;
  QLineEdit* edtSubject = nullptr;
  QLineEdit* edtFrom = nullptr;
  QPlainTextEdit* mmoReply = nullptr;
};

// Shows the reply window for an archived file over `parent`.
void ShowReply(TConfigData& config, TUiHost& ui, const TDialUpLine& line, const std::string& path, QWidget* parent);

}  // namespace mailmoat
