#include "support/RecordingUiHost.h"

#include "core/ConsoleUiHost.h"

namespace mailmoat::test {

TMsgButton TRecordingUiHost::MessageBox(TMsgKind kind, const std::string& text, TMsgButtons buttons, int helpContext,
                                        const std::string& caption, TMsgButton defaultButton) {
  Boxes.push_back({kind, text, buttons, helpContext, caption});
  if (!Answers.empty()) {
    const TMsgButton answer = Answers.front();
    Answers.pop_front();
    return answer;
  }
  return TConsoleUiHost::DefaultAnswer(buttons, defaultButton);
}

bool TRecordingUiHost::InputBox(const std::string& caption, const std::string& prompt, std::string& value) {
  InputPrompts.push_back(caption + ": " + prompt + " [" + value + "]");
  std::optional<std::string> answer;
  if (!Inputs.empty()) {
    answer = Inputs.front();
    Inputs.pop_front();
  }
  if (!answer) return false;
  value = *answer;
  return true;
}

TMsgButton TRecordingUiHost::MessageBoxDontAsk(TMsgKind kind, const std::string& text, TMsgButtons buttons,
                                               bool& dontAskAgain, const std::string& caption,
                                               TMsgButton defaultButton) {
  dontAskAgain = false;
  if (!DontAsk.empty()) {
    dontAskAgain = DontAsk.front();
    DontAsk.pop_front();
  }
  return MessageBox(kind, text, buttons, 0, caption, defaultButton);
}

int TRecordingUiHost::StartTimer(int intervalMs, std::function<void()> callback) {
  const int id = NextTimerId++;
  Timers[id] = {intervalMs, std::move(callback)};
  return id;
}

void TRecordingUiHost::FireTimer(int id) {
  auto it = Timers.find(id);
  if (it == Timers.end()) return;
  auto callback = it->second.second;
  callback();
}

}  // namespace mailmoat::test
