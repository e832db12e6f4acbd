#pragma once

#include "ui/common/WindowOpeners.h"

namespace mailmoat {

class TConfigData;
class TUiHost;
class TdataRas;

// The windows the program has, opened over the main window; the others stay unavailable.
class TProgramWindows : public TWindowOpeners {
public:
  TProgramWindows(TConfigData& config, TUiHost& ui, TdataRas& ras) : Config(config), Ui(ui), Ras(ras) {}

  bool Available(TWindowKind kind) const override;
  bool Open(TWindowKind kind, QWidget* parent) override;

private:
  TConfigData& Config;
  TUiHost& Ui;
  TdataRas& Ras;
};

}  // namespace mailmoat
