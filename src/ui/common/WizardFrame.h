#pragma once

#include <QDialog>

#include <functional>
#include <map>
#include <string>
#include <vector>

class QPushButton;
class QStackedWidget;

namespace mailmoat {

// What a page allows; the frame's buttons follow it.
struct TPageFlags {
  bool CanBack = true;
  bool CanNext = true;
  bool CanFinish = false;
};

// The frame of the program's wizards: pages in a stack, walked along a named route (an
// ordered list of pages; a choice on one page may switch the route), with "< &Back",
// "&Next >", "&Finish" and "Cancel". Unlike QWizard it can refuse Back: one hook is asked
// before a page is left in either direction, and before Finish. Escape cancels.
class TWizardFrame : public QDialog {
public:
  using TLeaveHook = std::function<bool(int fromPage, int toPage, bool forward)>;

  explicit TWizardFrame(QWidget* parent = nullptr);

  // Adds a page (the frame takes it) and returns its number, counted from 0.
  int AddPage(QWidget* page, TPageFlags flags = {});
  void SetFlags(int page, TPageFlags flags);
  TPageFlags Flags(int page) const;

  // A route is the order of pages; the first route added is the one taken at first.
  void AddRoute(const std::string& name, std::vector<int> pages);
  // Takes another route from the current page on; a route without the current page starts
  // at its first page.
  void UseRoute(const std::string& name);
  const std::string& Route() const { return RouteName; }

  // Asked before leaving a page; `toPage` is -1 for Finish. False keeps the page.
  void SetLeaveHook(TLeaveHook hook) { LeaveHook = std::move(hook); }
  // Told when a page becomes the current one, to fill it.
  void SetEnterHook(std::function<void(int page)> hook) { EnterHook = std::move(hook); }

  int CurrentPage() const { return Current; }
  // Shows the first page of the route; called by exec() when no page is shown yet.
  void Restart();
  bool Next();
  bool Back();
  bool Finish();

  int exec() override;

private:
  void Show(int page);
  void UpdateButtons();
  int Neighbour(int step) const;

  QStackedWidget* Pages = nullptr;
  QPushButton* btnBack = nullptr;
  QPushButton* btnNext = nullptr;
  QPushButton* btnFinish = nullptr;
  QPushButton* btnCancel = nullptr;
  std::vector<TPageFlags> PageFlags;
  std::map<std::string, std::vector<int>> Routes;
  std::string RouteName;
  int Current = -1;
  TLeaveHook LeaveHook;
  std::function<void(int)> EnterHook;
};

}  // namespace mailmoat
