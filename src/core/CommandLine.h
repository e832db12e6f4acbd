#pragma once

#include <string>
#include <vector>

namespace mailmoat {

class TConfigData;

// Applies the program's arguments (options already removed): "quick" runs one check and
// ends the program, a second argument "eat" makes that check eat; any letter case. The
// settings change in memory only. Returns whether this is a quick check.
bool ApplyCommandLine(TConfigData& config, const std::vector<std::string>& args);

}  // namespace mailmoat
