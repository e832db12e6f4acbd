#pragma once

#include "ui/common/WindowOpeners.h"

namespace mailmoat {

class TConfigData;
class TUiHost;

// The windows the program has, opened over the main window; the others stay unavailable.
class TProgramWindows : public TWindowOpeners {
public:
  TProgramWindows(TConfigData& config, TUiHost& ui) : Config(config), Ui(ui) {}

  bool Available(TWindowKind kind) const override;
  bool Open(TWindowKind kind, QWidget* parent) override;

private:
  TConfigData& Config;
  TUiHost& Ui;
};

}  // namespace mailmoat
