#include "ui/common/WizardFrame.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace mailmoat {

TWizardFrame::TWizardFrame(QWidget* parent) : QDialog(parent) {
  setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
  Pages = new QStackedWidget(this);
  Pages->setObjectName("pgWizard");
  auto* rule = new QFrame(this);
  rule->setFrameShape(QFrame::HLine);
  rule->setFrameShadow(QFrame::Sunken);
  btnBack = new QPushButton("< &Back", this);
  btnBack->setObjectName("btnBack");
  btnNext = new QPushButton("&Next >", this);
  btnNext->setObjectName("btnNext");
  btnFinish = new QPushButton("&Finish", this);
  btnFinish->setObjectName("btnFinish");
  btnCancel = new QPushButton("Cancel", this);
  btnCancel->setObjectName("btnCancel");
  for (QPushButton* b : {btnBack, btnFinish, btnCancel}) b->setAutoDefault(false);
  btnNext->setDefault(true);
  connect(btnBack, &QPushButton::clicked, this, [this] { Back(); });
  connect(btnNext, &QPushButton::clicked, this, [this] { Next(); });
  connect(btnFinish, &QPushButton::clicked, this, [this] { Finish(); });
  connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(btnBack);
  buttons->addWidget(btnNext);
  buttons->addWidget(btnFinish);
  buttons->addSpacing(12);
  buttons->addWidget(btnCancel);
  auto* column = new QVBoxLayout(this);
  column->addWidget(Pages, 1);
  column->addWidget(rule);
  column->addLayout(buttons);
}

int TWizardFrame::AddPage(QWidget* page, TPageFlags flags) {
  Pages->addWidget(page);
  PageFlags.push_back(flags);
  return static_cast<int>(PageFlags.size()) - 1;
}

void TWizardFrame::SetFlags(int page, TPageFlags flags) {
  if (page < 0 || page >= static_cast<int>(PageFlags.size())) return;
  PageFlags[static_cast<std::size_t>(page)] = flags;
  UpdateButtons();
}

TPageFlags TWizardFrame::Flags(int page) const {
  if (page < 0 || page >= static_cast<int>(PageFlags.size())) return {};
  return PageFlags[static_cast<std::size_t>(page)];
}

void TWizardFrame::AddRoute(const std::string& name, std::vector<int> pages) {
  Routes[name] = std::move(pages);
  if (RouteName.empty()) RouteName = name;
}

void TWizardFrame::UseRoute(const std::string& name) {
  if (Routes.count(name) == 0) return;
  RouteName = name;
  const std::vector<int>& route = Routes[name];
  if (Current >= 0 && std::find(route.begin(), route.end(), Current) == route.end() && !route.empty())
    Show(route.front());
  UpdateButtons();
}

// The page `step` places along the route from the current one; -1 past either end.
int TWizardFrame::Neighbour(int step) const {
  const auto found = Routes.find(RouteName);
  if (found == Routes.end()) return -1;
  const std::vector<int>& route = found->second;
  const auto at = std::find(route.begin(), route.end(), Current);
  if (at == route.end()) return -1;
  const auto index = (at - route.begin()) + step;
  return index < 0 || index >= static_cast<std::ptrdiff_t>(route.size()) ? -1 : route[static_cast<std::size_t>(index)];
}

void TWizardFrame::Restart() {
  const auto found = Routes.find(RouteName);
  if (found != Routes.end() && !found->second.empty()) Show(found->second.front());
}

bool TWizardFrame::Next() {
  const int to = Neighbour(1);
  if (to < 0 || !Flags(Current).CanNext) return false;
  if (LeaveHook && !LeaveHook(Current, to, true)) return false;
  Show(to);
  return true;
}

bool TWizardFrame::Back() {
  const int to = Neighbour(-1);
  if (to < 0 || !Flags(Current).CanBack) return false;
  if (LeaveHook && !LeaveHook(Current, to, false)) return false;
  Show(to);
  return true;
}

bool TWizardFrame::Finish() {
  if (!Flags(Current).CanFinish) return false;
  if (LeaveHook && !LeaveHook(Current, -1, true)) return false;
  accept();
  return true;
}

int TWizardFrame::exec() {
  if (Current < 0) Restart();
  return QDialog::exec();
}

void TWizardFrame::Show(int page) {
  Current = page;
  Pages->setCurrentIndex(page);
  if (EnterHook) EnterHook(page);
  UpdateButtons();
}

void TWizardFrame::UpdateButtons() {
  const TPageFlags flags = Flags(Current);
  btnBack->setEnabled(flags.CanBack && Neighbour(-1) >= 0);
  btnNext->setEnabled(flags.CanNext && Neighbour(1) >= 0);
  btnFinish->setEnabled(flags.CanFinish);
  // Return goes to Finish on the last page, to Next elsewhere.
  const bool last = Neighbour(1) < 0;
  btnNext->setDefault(!last);
  btnFinish->setDefault(last && flags.CanFinish);
}

}  // namespace mailmoat
