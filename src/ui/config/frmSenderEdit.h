#pragma once

#include "core/Records.h"

#include <QDialog>

#include <optional>

class QLineEdit;
class QPushButton;

namespace mailmoat {

class TUiHost;

// "Approved Sender Edit": one approved address or domain and its comment. Writes nothing;
// the opener takes the values after OK.
class TfrmSenderEdit : public QDialog {
public:
  explicit TfrmSenderEdit(TUiHost& ui, QWidget* parent = nullptr);

  // Fills both boxes, OK following the address as when typed.
  void Show(const ApprovedSenderRecord& sender);
  // The boxes as the opener stores them (the comment as typed).
  ApprovedSenderRecord Entered() const;

private:
  void Ok();

  TUiHost& Ui;
  QLineEdit* edtAddress = nullptr;
  QLineEdit* edtComment = nullptr;
  QPushButton* btnOk = nullptr;
};

// Shows the dialog with `shown`; what was entered after OK, nothing after Cancel.
std::optional<ApprovedSenderRecord> EditApprovedSender(TUiHost& ui, const ApprovedSenderRecord& shown, QWidget* parent);

}  // namespace mailmoat
