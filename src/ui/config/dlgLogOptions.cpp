#include "ui/config/dlgLogOptions.h"

namespace mailmoat {

std::optional<TLogOptions> AskLogOptions(const TLogOptions&, QWidget*) {
  return std::nullopt;
}

}  // namespace mailmoat
