#include "core/ConsoleCheckView.h"

#include "core/ConsoleUiHost.h"

namespace mailmoat {

void TConsoleCheckView::SetStatusText(const std::string& text) {
  if (!EchoStatus || text.empty()) return;
  std::fprintf(Out, "%s\n", OneLine(text).c_str());
  std::fflush(Out);
}

}  // namespace mailmoat
