#pragma once

#include <string>
#include <string_view>

namespace mailmoat {

// The system's temporary directory: $TMPDIR when it names a directory, else /tmp.
std::string TempDirectory();

// Creates a new, empty, uniquely named file in the temporary directory and returns its full
// name: the prefix, six random characters and ".tmp". Throws EInOutError.
std::string TempFileName(std::string_view prefix);

}  // namespace mailmoat
