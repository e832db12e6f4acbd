#pragma once

#include <QDialog>

#include <ctime>
#include <string>

namespace mailmoat {

class TUiHost;

// "Version 2.4.1 (Build 17)" from the file version "2.4.1.17": the version up to its third
// ".", the rest as the build; a version with fewer parts has no build text.
std::string AboutVersionText(const std::string& fileVersion);

// "Compiled: Sat 16 Mar 2002 1:50 AM" for `when` in local time.
std::string CompiledText(std::time_t when);

// The time this program was built (SOURCE_DATE_EPOCH when the build set it).
std::time_t BuildTime();

// The about window: product name, version, build time, "&Web Site" and "&OK". Modal.
class TfrmAboutMmt : public QDialog {
public:
  explicit TfrmAboutMmt(TUiHost& ui, QWidget* parent = nullptr);

private:
  TUiHost& Ui;
};

}  // namespace mailmoat
