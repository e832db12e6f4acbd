#include "core/CommandLine.h"

#include "core/dataConfig.h"

#include <algorithm>

namespace mailmoat {

namespace {

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(),
                 [](unsigned char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c); });
  return s;
}

}  // namespace

bool ApplyCommandLine(TConfigData& config, const std::vector<std::string>& args) {
  if (args.empty() || Lower(args[0]) != "quick") return false;
  config.Log(TLogClass::Normal, "@ Quick check and quit executing");
  config.AutoView = false;
  if (args.size() > 1 && Lower(args[1]) == "eat") {
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
