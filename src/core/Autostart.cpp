#include "core/Autostart.h"

#include "core/UiHost.h"
#include "core/dataConfig.h"
#include "platform/Errors.h"

#include <filesystem>

namespace mailmoat {

namespace {

// A string value of a desktop entry: its own escapes for the characters a line cannot hold.
std::string EscapeValue(std::string_view text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\t': out += "\\t"; break;
      case '\r': out += "\\r"; break;
      default: out += c;
    }
  }
  return out;
}

}  // namespace

TPath AutostartFolder(const std::function<const char*(const char*)>& getEnv) {
  const char* config = getEnv("XDG_CONFIG_HOME");
  if (config != nullptr && *config == '/') return TPath(config) / "autostart";
  const char* home = getEnv("HOME");
  if (home == nullptr || *home == '\0') throw EInOutError("The home folder is not known (HOME is not set)");
  return TPath(home) / ".config" / "autostart";
}

std::string RunningProgram() {
  std::error_code error;
  const TPath program = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::string("mailmoat") : program.string();
}

std::string DesktopExecArgument(std::string_view argument) {
  static constexpr std::string_view Reserved = " \t\n\"'\\><~|&;$*?#()`";
  const bool quote = argument.empty() || argument.find_first_of(Reserved) != std::string_view::npos;
  std::string text = quote ? "\"" : "";
  for (char c : argument) {
    if (quote && (c == '"' || c == '`' || c == '$' || c == '\\')) text += '\\';
    // "%" starts a field code anywhere on the line.
    text += c == '%' ? std::string("%%") : std::string(1, c);
  }
  if (quote) text += '"';
  return text;
}

std::string AutostartEntryText(const std::string& program, const std::optional<TPath>& home,
                               const TPath& workingDirectory) {
  std::string exec = DesktopExecArgument(program);
  if (home) exec += " --home " + DesktopExecArgument(home->string());
  return "[Desktop Entry]\n"
         "Type=Application\n"
         "Name=Mailmoat Pro\n"
         "Comment=Mailmoat Pro - Anti-Spam Utility\n"
         "Exec=" +
         EscapeValue(exec) +
         "\n"
         "Path=" +
         EscapeValue(workingDirectory.string()) +
         "\n"
         "Icon=mailmoat\n"
         "Terminal=false\n"
         "X-GNOME-Autostart-enabled=true\n";
}

void ApplyStartupSetting(TConfigData& config, const std::string& program, const TPath& folder) {
  if (config.Startup) {
    const TPath file = folder / TPath(AutostartFileName);
    // A copy run with its own home (--home or MAILMOAT_HOME) keeps both folders in it, and
    // must find it again when the desktop starts it.
    std::optional<TPath> home;
    if (config.Paths.ProgramDir == config.Paths.ConfigDir) home = config.Paths.ProgramDir;
    bool written = false;
    try {
      ForceDirectories(folder);
      WriteFileAtomic(file, AutostartEntryText(program, home, config.Paths.ProgramDir));
      written = true;
      config.Registry.WriteString(TRegistry::RootKey, "StartupPath", file.string());
    } catch (const std::exception& e) {
      // An entry whose path could not be kept could never be removed by the program again.
      if (written) {
        std::error_code ignored;
        std::filesystem::remove(file, ignored);
      }
      config.Ui.MessageBox(TMsgKind::Error, std::string("Error creating shortcut:\r\n") + e.what(), mbOK);
    }
    return;
  }
  const std::optional<std::string> stored = config.Registry.ReadString(TRegistry::RootKey, "StartupPath");
  if (!stored) return;
  try {
    config.Registry.DeleteValue(TRegistry::RootKey, "StartupPath");
    std::error_code fileError;
    std::error_code folderError;
    const TPath file = std::filesystem::weakly_canonical(TPath(*stored), fileError);
    const TPath inside = std::filesystem::weakly_canonical(folder, folderError);
    const bool ours = !fileError && !folderError && file.extension() == ".desktop" && file.parent_path() == inside &&
                      std::filesystem::is_regular_file(std::filesystem::symlink_status(TPath(*stored)));
    if (ours) DeleteFileIfExists(file);
  } catch (const std::exception& e) {
    config.TryWriteLog(std::string("! Removing the autostart entry failed: ") + e.what());
  }
}

}  // namespace mailmoat
