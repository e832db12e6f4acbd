#pragma once

#include "platform/FileSystem.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace mailmoat {

// Where the program keeps its files. The data files and the log live in the program
// directory; the settings file and the per-user registry stand-in live in the configuration
// directory. A home directory (--home or MAILMOAT_HOME) puts both in one place.
struct TAppPaths {
  TPath ProgramDir;
  TPath ConfigDir;

  TPath SettingsFile() const { return ConfigDir / "Mailmoat.ini"; }
  TPath RegistryFile() const { return ConfigDir / "registry.ini"; }
  TPath DataFile(std::string_view name) const { return ProgramDir / TPath(name); }

  // Both directories in `dir`.
  static TAppPaths ForHome(const TPath& dir);

  // The directories for this user: `homeOption` (from --home) first, then MAILMOAT_HOME, then
  // $XDG_DATA_HOME/mailmoat and $XDG_CONFIG_HOME/mailmoat with their usual defaults under
  // $HOME. `getEnv` returns nullptr for an unset variable. Throws EInOutError when no home
  // directory can be found at all.
  static TAppPaths Resolve(const std::optional<std::string>& homeOption,
                           const std::function<const char*(const char*)>& getEnv);

  // Creates both directories when missing. Throws EInOutError.
  void CreateDirectories() const;
};

}  // namespace mailmoat
