#pragma once

#include <QString>
#include <QWidget>

class QTextBrowser;

namespace mailmoat {

class TUiHost;

// The help folder: MAILMOAT_HELP_DIR when set; else share/mailmoat/help beside the executable's
// folder (a build tree, or an installed prefix). Empty when none holds the contents page.
QString HelpDirectory();

// The page of a help topic number ("10.html" is the contents). A topic without a page of its
// own shows the contents page.
QString HelpPageFile(int topic);

// The help window: one page per topic, links between pages work, web links go to the
// browser through the host. Not modal; one per program, raised when asked again.
class THelpWindow : public QWidget {
public:
  explicit THelpWindow(TUiHost& ui, QWidget* parent = nullptr);

  // Shows the page of `topic`, then shows and raises the window.
  void ShowTopic(int topic);
  // The topic whose page was last asked for (0 before the first).
  int CurrentTopic() const { return Topic; }

private:
  TUiHost& Ui;
  QTextBrowser* Browser = nullptr;
  int Topic = 0;
};

}  // namespace mailmoat
