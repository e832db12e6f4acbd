#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace mailmoat {

using TPath = std::filesystem::path;

// True when the path names something that is not a directory (a file, a device, a link to one).
bool FileExists(const TPath& path);
bool DirectoryExists(const TPath& path);

// The size in bytes, or nothing when the file does not exist or cannot be examined.
std::optional<std::uint64_t> FileSize(const TPath& path);

// The whole content of a file. Throws EInOutError naming the file and the reason.
std::string ReadWholeFile(const TPath& path);

// Who may read a file the program writes: whoever could read the file it replaces (new files
// follow the umask), or only its owner (files that hold passwords).
enum class TFileAccess { Keep, OwnerOnly };

// Replaces the file with `data`: writes a work file beside it, flushes it to disk and renames it
// over the old file, so a failed write leaves the old file as it was. Throws EInOutError.
void WriteFileAtomic(const TPath& path, std::string_view data, TFileAccess access = TFileAccess::Keep);

// Renames without ever replacing an existing target. Returns false (with the reason in *error
// when given) when the target exists or the rename fails; the source is then left in place.
bool RenameNoReplace(const TPath& from, const TPath& to, std::string* error = nullptr);

// Deletes a file; a missing file is not an error. Throws EInOutError when deletion fails.
void DeleteFileIfExists(const TPath& path);

// Creates the directory and its missing parents. Throws EInOutError.
void ForceDirectories(const TPath& path);

}  // namespace mailmoat
