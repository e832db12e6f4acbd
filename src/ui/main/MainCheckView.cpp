#include "ui/main/MainCheckView.h"

#include "ui/common/QtText.h"
#include "ui/main/formMain.h"

namespace mailmoat {

void TMainCheckView::SetPOPStatus(const std::string& text) {
  if (Window != nullptr) Window->SetPOPStatus(TextToQString(text));
}

void TMainCheckView::SetMessageStatus(const std::string& text) {
  if (Window != nullptr) Window->SetMessageStatus(TextToQString(text));
}

void TMainCheckView::SetServerName(const std::string& text) {
  if (Window != nullptr) Window->SetServerName(TextToQString(text));
}

void TMainCheckView::SetProgressMax(int max) {
  if (Window != nullptr) Window->SetProgressMax(max);
}

void TMainCheckView::SetProgress(int position) {
  if (Window != nullptr) Window->SetProgress(position);
}

void TMainCheckView::StepProgress(int by) {
  if (Window != nullptr) Window->StepProgress(by);
}

void TMainCheckView::SetPanelText(TStatusPanel panel, const std::string& text) {
  if (Window != nullptr) Window->SetPanelText(panel, TextToQString(text));
}

void TMainCheckView::EnableCheckCommands(bool enabled) {
  if (Window != nullptr) Window->EnableCheckCommands(enabled);
}

void TMainCheckView::EnableAbort(bool enabled) {
  if (Window != nullptr) Window->EnableAbort(enabled);
}

void TMainCheckView::HideToTray() {
  // No tray icon yet: minimising keeps the window reachable.
  if (Window != nullptr) Window->showMinimized();
}

}  // namespace mailmoat
