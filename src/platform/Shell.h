#pragma once

#include <string>

namespace mailmoat {

// Opens a file or an address with the desktop's handler (xdg-open), without waiting for it.
// Returns false with the reason in *error when the handler cannot be started.
bool ShellOpen(const std::string& target, std::string* error = nullptr);

}  // namespace mailmoat
