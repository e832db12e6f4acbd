#pragma once

#include "core/Records.h"

#include <QDialog>

namespace mailmoat {

class TUiHost;

// "Mailmoat Pro Processing Summary": the counts of the last run, one per line.
class TfrmSummary : public QDialog {
public:
  TfrmSummary(const TRunCounters& counters, int waiting, TUiHost& ui, QWidget* parent = nullptr);

  static void ShowModal(const TRunCounters& counters, int waiting, TUiHost& ui, QWidget* parent);

  static constexpr int HelpTopic = 5960;
};

}  // namespace mailmoat
