#pragma once

#include <QDialog>

class QLabel;

namespace mailmoat {

// "Mail Waiting!": a small window above all others telling how many good messages wait.
class TfrmMailWaiting : public QDialog {
public:
  TfrmMailWaiting(const QString& text, QWidget* parent = nullptr);

  // Shows the window modally until the user closes it.
  static void ShowModal(const QString& text, QWidget* parent);
};

}  // namespace mailmoat
