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
