#pragma once

#include "diag/ConfigDump.h"

#include <QDialog>

namespace mailmoat {

class TUiHost;

void ShowConfigDump(const TConfigData& config, TUiHost& ui, const TDumpWindow& window, QWidget* parent);

}  // namespace mailmoat
