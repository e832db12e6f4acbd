#include "ui/common/WindowOpeners.h"

namespace mailmoat {

// Each window issue switches its own kind on here as its window lands.
bool TWindowOpeners::Available(TWindowKind) const {
  return false;
}

bool TWindowOpeners::Open(TWindowKind kind, QWidget*) {
  if (!Available(kind)) return false;
  return false;
}

}  // namespace mailmoat
