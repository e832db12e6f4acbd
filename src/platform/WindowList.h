#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace mailmoat {

using TWindowId = std::uint64_t;

// One top-level window: its id and its caption (at most 254 bytes).
struct TWindowInfo {
  TWindowId Id = 0;
  std::string Caption;
};

// The desktop's top-level windows. Where windows cannot be listed the list is empty and
// nothing can be brought to the front.
class TWindowSystem {
public:
  virtual ~TWindowSystem() = default;

  // The top-level windows as they are now, in the window manager's order.
  virtual std::vector<TWindowInfo> Snapshot() = 0;
  // Asks the window manager to restore and activate the window; true when it became the
  // active window (waiting briefly for the window manager to act).
  virtual bool BringWindowToFront(TWindowId id) = 0;
  // Puts the window on top of the others without activating it.
  virtual void RaiseWindow(TWindowId id) = 0;
};

// The window system of this session: the X11 one (window manager hints of the EWMH
// standard, libX11 loaded at run time) when DISPLAY names a display that can be opened,
// otherwise one with no windows.
std::unique_ptr<TWindowSystem> CreateWindowSystem();

// A window system with no windows, where nothing can be brought to the front.
std::unique_ptr<TWindowSystem> NoWindowSystem();

}  // namespace mailmoat
