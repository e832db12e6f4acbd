#include "core/CommandLine.h"

#include "platform/AsciiText.h"
#include "core/dataConfig.h"

#include <algorithm>

namespace mailmoat {

bool ApplyCommandLine(TConfigData& config, const std::vector<std::string>& args) {
  if (args.empty() || LowerCaseAscii(args[0]) != "quick") return false;
  config.Log(TLogClass::Normal, "@ Quick check and quit executing");
  config.AutoView = false;
  if (args.size() > 1 && LowerCaseAscii(args[1]) == "eat") {
    config.Log(TLogClass::Normal, "@ Quick check will eat rejected messages");
    config.AutoType = true;
  } else {
    config.Log(TLogClass::Normal, "@ Quick check will NOT eat rejected messages");
    config.AutoType = false;
  }
  config.CheckOnStart = true;
  config.QuickMode = true;
  config.ToolTray = true;
  return true;
}

}  // namespace mailmoat
