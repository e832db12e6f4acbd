#include "ui/diag/formCfgDump.h"

namespace mailmoat {

void ShowConfigDump(const TConfigData&, TUiHost&, const TDumpWindow&, QWidget*) {
}

}  // namespace mailmoat
