#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace mailmoat {

class TConfigData;
class TUiHost;

// The version information file the version check fetches: lines of "key=value", "#" starts
// a comment, blank lines are skipped. "version" (required) is the newest release as numbers
// separated by dots ("1.2.0.7"); "url" (optional) is the page where it can be downloaded,
// the product's web site when it is missing. For example:
//
//   # Mailmoat Pro
//   version=1.2.0.7
//   url=https://mailmoat.example.org/download/
struct TVersionInfo {
  std::vector<int> Version;
  std::string DownloadPage;
};

// The file's content, or nothing when it holds no usable version.
std::optional<TVersionInfo> ParseVersionInfo(std::string_view text);
// "1.2.0.7" as its numbers; nothing when a part is not a number.
std::optional<std::vector<int>> ParseVersion(std::string_view text);
// Whether `candidate` is newer than `own`, comparing number by number (missing ones are 0).
bool IsNewerVersion(const std::vector<int>& candidate, const std::vector<int>& own);

// The address of the version information: the VersionURL setting, or the address the
// program was built with when the setting is empty.
std::string VersionCheckURL(const TConfigData& config);

enum class TVersionCheckResult { Newer, Current, Unreachable, ConnectionLost, FileMissing };

// Help | New Version Check: fetches the version information and tells the user what it
// says. A newer version is offered with its download page, which opens in the browser on
// Yes; the program never downloads or runs anything itself. Never throws.
TVersionCheckResult RunVersionCheck(TConfigData& config, TUiHost& ui);

}  // namespace mailmoat
