#include "platform/Paths.h"

#include "platform/Errors.h"

#include <pwd.h>
#include <unistd.h>

namespace mailmoat {

namespace {

// The XDG base-directory rules ignore relative paths in these variables.
std::optional<TPath> AbsoluteEnv(const std::function<const char*(const char*)>& getEnv, const char* name) {
  const char* value = getEnv(name);
  if (value && *value && value[0] == '/') return TPath(value);
  return std::nullopt;
}

TPath UserHome(const std::function<const char*(const char*)>& getEnv) {
  if (auto home = AbsoluteEnv(getEnv, "HOME")) return *home;
  if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir && *pw->pw_dir) return pw->pw_dir;
  throw EInOutError("Cannot find the home directory: HOME is not set");
}

}  // namespace

TAppPaths TAppPaths::ForHome(const TPath& dir) {
  const TPath absolute = std::filesystem::absolute(dir).lexically_normal();
  return TAppPaths{absolute, absolute};
}

TAppPaths TAppPaths::Resolve(const std::optional<std::string>& homeOption,
                             const std::function<const char*(const char*)>& getEnv) {
  if (homeOption && !homeOption->empty()) return ForHome(*homeOption);
  if (const char* home = getEnv("MAILMOAT_HOME"); home && *home) return ForHome(home);
  TPath data, config;
  if (auto xdg = AbsoluteEnv(getEnv, "XDG_DATA_HOME"))
    data = *xdg;
  else
    data = UserHome(getEnv) / ".local" / "share";
  if (auto xdg = AbsoluteEnv(getEnv, "XDG_CONFIG_HOME"))
    config = *xdg;
  else
    config = UserHome(getEnv) / ".config";
  return TAppPaths{data / "mailmoat", config / "mailmoat"};
}

void TAppPaths::CreateDirectories() const {
  ForceDirectories(ProgramDir);
  ForceDirectories(ConfigDir);
}

}  // namespace mailmoat
