#pragma once

#include "core/Settings.h"

#include <QDialog>

#include <optional>

namespace mailmoat {

struct TLogOptions {
  int LoggingLevel = LogLevel::Normal;
  int MaxLogSize = 64;
  int LogDisp = LogDisposition::Rename;
};

std::optional<TLogOptions> AskLogOptions(const TLogOptions& shown, QWidget* parent);

}  // namespace mailmoat
