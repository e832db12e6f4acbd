#pragma once

#include <string>
#include <string_view>

namespace mailmoat {

// The system's temporary directory: $TMPDIR when it names a directory, else /tmp.
std::string TempDirectory();

// Creates a new, empty, uniquely named file in the temporary directory and returns its full
// name: the prefix, six random characters and ".tmp". Throws EInOutError.
std::string TempFileName(std::string_view prefix);

// The program's own temporary folder, for files handed to other programs: made on first use
// under TempDirectory() with mode 0700 (made anew should it have vanished), and removed with
// everything in it when the program exits, since the desktop program may still be reading a
// file after the window that wrote it has closed. Throws EInOutError.
std::string PrivateTempFolder();

// Writes `data` as the file `name` in PrivateTempFolder(), readable by its owner only,
// replacing a file of that name; returns the file's full path. `name` must be a bare file
// name (no "/", not "." or ".."). Throws EInOutError.
std::string WritePrivateTempFile(std::string_view name, std::string_view data);

}  // namespace mailmoat
