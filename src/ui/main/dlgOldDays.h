#pragma once

#include <QDialog>

#include <optional>

class QSpinBox;

namespace mailmoat {

class TRegistry;

// "Clear Old Log Entries . . .": how many days of the log to keep. The log remembers the
// number; the dialog remembers its position in the registry section "Settings".
class TdlgOldDays : public QDialog {
public:
  TdlgOldDays(int days, TRegistry& registry, QWidget* parent = nullptr);

  int Days() const;

  // Shows the dialog modally, starting at `days` (1 to 999; 7 otherwise): the number of days
  // after "&Start", nothing after Cancel.
  static std::optional<int> Ask(int days, TRegistry& registry, QWidget* parent);

private:
  TRegistry& Registry;
  QSpinBox* seDaysOld = nullptr;
};

}  // namespace mailmoat
