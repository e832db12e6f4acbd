#pragma once

#include "platform/FileSystem.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace mailmoat {

class TConfigData;

// Starting with the user's log-on: an entry in the desktop's autostart folder
// ($XDG_CONFIG_HOME/autostart, by default ~/.config/autostart), whose path is kept in the
// registry value StartupPath.

constexpr std::string_view AutostartFileName = "mailmoat.desktop";

// The autostart folder; `getEnv` returns nullptr for an unset variable.
TPath AutostartFolder(const std::function<const char*(const char*)>& getEnv);

// This program's absolute path, for the entry to start; "mailmoat" (found on the PATH) when
// the system does not tell.
std::string RunningProgram();

// One argument of an Exec line, quoted as desktop entries require when it holds a reserved
// character.
std::string DesktopExecArgument(std::string_view argument);

// The entry's text: `program` started with "--home `home`" when this copy runs with one.
std::string AutostartEntryText(const std::string& program, const std::optional<TPath>& home,
                               const TPath& workingDirectory);

// Writes or removes the entry as the Startup setting says; called when the preferences are
// saved. `program` is this program's absolute path. A failure to write shows "Error creating
// shortcut:" with the reason. Removing deletes only a ".desktop" file inside `folder`, so a
// hand-edited StartupPath can never delete anything else.
void ApplyStartupSetting(TConfigData& config, const std::string& program, const TPath& folder);

}  // namespace mailmoat
