#pragma once

#include <QDialog>

#include <optional>

class QSpinBox;

namespace mailmoat {

class TRegistry;

// "Clear Old Log Entries . . .": how many days of the log to keep. The number and the
// dialog's position are remembered in the registry section "Settings".
class TdlgOldDays : public QDialog {
public:
  explicit TdlgOldDays(TRegistry& registry, QWidget* parent = nullptr);

  int Days() const;

  // Shows the dialog modally: the number of days after "&Start" (remembered for the next
  // time), nothing after Cancel.
  static std::optional<int> Ask(TRegistry& registry, QWidget* parent);

private:
  TRegistry& Registry;
  QSpinBox* seDaysOld = nullptr;
};

}  // namespace mailmoat
