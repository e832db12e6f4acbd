#include "core/ConsoleCheckView.h"

#include "core/ConsoleUiHost.h"

namespace mailmoat {

void TConsoleCheckView::Echo(const std::string& text) {
  // The run repeats some texts; a terminal needs each once.
  if (!EchoStatus || text.empty() || text == Last) return;
  Last = text;
  std::fprintf(Out, "%s\n", OneLine(text).c_str());
  std::fflush(Out);
}

}  // namespace mailmoat
