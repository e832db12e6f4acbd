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

void TMainCheckView::SetTrayHint(const std::string& hint) {
  if (Window != nullptr) Window->SetTrayHint(TextToQString(hint));
}

void TMainCheckView::AnimateTray(bool on) {
  if (Window != nullptr) Window->AnimateTray(on);
}

bool TMainCheckView::HiddenInTray() const {
  return Window != nullptr && Window->HiddenInTray();
}

bool TMainCheckView::ShowCheckAndView(std::vector<THdrRec>& list, const std::string& caption) {
  return Window != nullptr && Window->ShowCheckAndView(list, TextToQString(caption));
}

void TMainCheckView::ShowSummary(const TRunCounters& counters, int waiting) {
  if (Window != nullptr) Window->ShowSummary(counters, waiting);
}

void TMainCheckView::ShowMailWaiting(const std::string& text) {
  if (Window != nullptr) Window->ShowMailWaiting(TextToQString(text));
}

bool TMainCheckView::PlaySound(const std::string& file, std::string& error) {
  return Window == nullptr || Window->PlaySound(file, error);
}

void TMainCheckView::HideToTray() {
  if (Window != nullptr) Window->HideToTray();
}

}  // namespace mailmoat
