#include "core/ConsoleUiHost.h"

#include "platform/Shell.h"

#include <vector>

namespace mailmoat {

std::string OneLine(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      if (!out.empty() && out.back() != ' ') out.push_back(' ');
    } else {
      out.push_back(c);
    }
  }
  while (!out.empty() && out.back() == ' ') out.pop_back();
  return out;
}

TMsgButton TConsoleUiHost::DefaultAnswer(TMsgButtons buttons, TMsgButton defaultButton) {
  if (defaultButton != mbNone && (buttons & defaultButton)) return defaultButton;
  for (TMsgButton b : {mbOK, mbNo, mbCancel}) {
    if (buttons & b) return b;
  }
  for (unsigned bit = 1; bit <= mbIgnore; bit <<= 1) {
    if (buttons & bit) return static_cast<TMsgButton>(bit);
  }
  return mbOK;
}

TMsgButton TConsoleUiHost::MessageBox(TMsgKind kind, const std::string& text, TMsgButtons buttons, int,
                                      const std::string& caption, TMsgButton defaultButton) {
  static const char* const KindText[] = {"Information", "Warning", "Error", "Question"};
  const char* kindText = KindText[static_cast<int>(kind)];
  const std::string line = OneLine(text);
  std::fprintf(Err, "%s: %s%s%s\n", kindText, caption.empty() ? "" : caption.c_str(), caption.empty() ? "" : ": ",
               line.c_str());
  std::fflush(Err);
  if (LogSink) LogSink(kind, line);
  return DefaultAnswer(buttons, defaultButton);
}

bool TConsoleUiHost::InputBox(const std::string&, const std::string&, std::string&) {
  return false;
}

TMsgButton TConsoleUiHost::MessageBoxDontAsk(TMsgKind kind, const std::string& text, TMsgButtons buttons,
                                             bool& dontAskAgain, const std::string& caption, TMsgButton defaultButton) {
  dontAskAgain = false;
  return MessageBox(kind, text, buttons, 0, caption, defaultButton);
}

void TConsoleUiHost::ProcessMessages() {
  if (IdleHook) IdleHook();
  const auto now = std::chrono::steady_clock::now();
  std::vector<int> due;
  for (auto& [id, timer] : Timers) {
    if (timer.Due <= now) due.push_back(id);
  }
  for (int id : due) {
    auto it = Timers.find(id);
    if (it == Timers.end()) continue;  // stopped by an earlier callback
    it->second.Due = now + it->second.Interval;
    auto callback = it->second.Callback;
    callback();
  }
}

int TConsoleUiHost::StartTimer(int intervalMs, std::function<void()> callback) {
  const int id = NextTimerId++;
  const auto interval = std::chrono::milliseconds(intervalMs);
  Timers[id] = TTimer{interval, std::chrono::steady_clock::now() + interval, std::move(callback)};
  return id;
}

void TConsoleUiHost::StopTimer(int id) {
  Timers.erase(id);
}

bool TConsoleUiHost::OpenFile(const std::string& path) {
  return ShellOpen(path);
}

bool TConsoleUiHost::OpenUrl(const std::string& url) {
  return ShellOpen(url);
}

}  // namespace mailmoat
