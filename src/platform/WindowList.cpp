#include "platform/WindowList.h"

#include <chrono>
#include <cstdlib>
#include <dlfcn.h>
#include <thread>

namespace mailmoat {

namespace {

class TNoWindows : public TWindowSystem {
public:
  std::vector<TWindowInfo> Snapshot() override { return {}; }
  bool BringWindowToFront(TWindowId) override { return false; }
  void RaiseWindow(TWindowId) override {}
};

// The few Xlib declarations used here, so the core neither needs the X11 headers nor links
// the library: a session without a display must not need it at all.
struct Display;
using XWindow = unsigned long;
using XAtom = unsigned long;
struct XErrorEvent;

struct XClientMessageEvent {
  int type;
  unsigned long serial;
  int send_event;
  Display* display;
  XWindow window;
  XAtom message_type;
  int format;
  union {
    char b[20];
    short s[10];
    long l[5];
  } data;
};

union XEvent {
  int type;
  XClientMessageEvent xclient;
  long pad[24];
};

constexpr int ClientMessage = 33;
constexpr long SubstructureNotifyMask = 1L << 19;
constexpr long SubstructureRedirectMask = 1L << 20;
constexpr XAtom XA_WINDOW = 33;
constexpr XAtom XA_WM_NAME = 39;
constexpr XAtom AnyPropertyType = 0;
constexpr std::size_t MaxCaption = 254;

using XErrorHandler = int (*)(Display*, XErrorEvent*);

struct TXlib {
  void* Handle = nullptr;
  Display* (*OpenDisplay)(const char*) = nullptr;
  int (*CloseDisplay)(Display*) = nullptr;
  XWindow (*DefaultRootWindow)(Display*) = nullptr;
  XAtom (*InternAtom)(Display*, const char*, int) = nullptr;
  int (*GetWindowProperty)(Display*, XWindow, XAtom, long, long, int, XAtom, XAtom*, int*, unsigned long*,
                           unsigned long*, unsigned char**) = nullptr;
  int (*Free)(void*) = nullptr;
  int (*SendEvent)(Display*, XWindow, int, long, XEvent*) = nullptr;
  int (*RaiseWindow)(Display*, XWindow) = nullptr;
  int (*Sync)(Display*, int) = nullptr;
  XErrorHandler (*SetErrorHandler)(XErrorHandler) = nullptr;

  template <typename F>
  bool Load(F& f, const char* name) {
    f = reinterpret_cast<F>(::dlsym(Handle, name));
    return f != nullptr;
  }
  bool Open() {
    Handle = ::dlopen("libX11.so.6", RTLD_NOW | RTLD_LOCAL);
    if (!Handle) return false;
    return Load(OpenDisplay, "XOpenDisplay") && Load(CloseDisplay, "XCloseDisplay") &&
           Load(DefaultRootWindow, "XDefaultRootWindow") && Load(InternAtom, "XInternAtom") &&
           Load(GetWindowProperty, "XGetWindowProperty") && Load(Free, "XFree") && Load(SendEvent, "XSendEvent") &&
           Load(RaiseWindow, "XRaiseWindow") && Load(Sync, "XSync") && Load(SetErrorHandler, "XSetErrorHandler");
  }
};

// A window that vanished between listing and asking is no reason to end the program, which
// is what Xlib's default error handler does.
int IgnoreXError(Display*, XErrorEvent*) {
  return 0;
}

class TX11Windows : public TWindowSystem {
public:
  TX11Windows(TXlib xlib, Display* display) : X(xlib), Dpy(display), Root(X.DefaultRootWindow(display)) {
    ClientList = X.InternAtom(Dpy, "_NET_CLIENT_LIST", 0);
    ActiveWindow = X.InternAtom(Dpy, "_NET_ACTIVE_WINDOW", 0);
    WmName = X.InternAtom(Dpy, "_NET_WM_NAME", 0);
    Utf8 = X.InternAtom(Dpy, "UTF8_STRING", 0);
  }
  ~TX11Windows() override {
    X.CloseDisplay(Dpy);
    ::dlclose(X.Handle);
  }

  std::vector<TWindowInfo> Snapshot() override {
    TErrorGuard guard(X, Dpy);
    std::vector<TWindowInfo> list;
    for (const unsigned long id : Windows(Root, ClientList)) {
      std::string caption = Text(id, WmName, Utf8);
      if (caption.empty()) caption = Text(id, XA_WM_NAME, AnyPropertyType);
      if (caption.size() > MaxCaption) caption.resize(MaxCaption);
      list.push_back({id, std::move(caption)});
    }
    return list;
  }

  bool BringWindowToFront(TWindowId id) override {
    TErrorGuard guard(X, Dpy);
    if (Active() == id) return true;
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.send_event = 1;
    event.xclient.display = Dpy;
    event.xclient.window = id;
    event.xclient.message_type = ActiveWindow;
    event.xclient.format = 32;
    event.xclient.data.l[0] = 2;  // from a pager-like tool: window managers honour it
    X.SendEvent(Dpy, Root, 0, SubstructureRedirectMask | SubstructureNotifyMask, &event);
    X.Sync(Dpy, 0);
    // The window manager acts on its own time.
    for (int i = 0; i < 10; ++i) {
      if (Active() == id) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
  }

  void RaiseWindow(TWindowId id) override {
    TErrorGuard guard(X, Dpy);
    X.RaiseWindow(Dpy, id);
  }

private:
  class TErrorGuard {
  public:
    TErrorGuard(TXlib& x, Display* dpy) : X(x), Dpy(dpy), Previous(x.SetErrorHandler(IgnoreXError)) {}
    ~TErrorGuard() {
      X.Sync(Dpy, 0);
      X.SetErrorHandler(Previous);
    }
    TErrorGuard(const TErrorGuard&) = delete;
    TErrorGuard& operator=(const TErrorGuard&) = delete;

  private:
    TXlib& X;
    Display* Dpy;
    XErrorHandler Previous;
  };

  std::vector<unsigned long> Windows(XWindow window, XAtom property) {
    XAtom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::vector<unsigned long> ids;
    if (X.GetWindowProperty(Dpy, window, property, 0, 1 << 16, 0, XA_WINDOW, &type, &format, &count, &after, &data) ==
            0 &&
        data) {
      // Format 32 comes as an array of long, whatever the size of long.
      if (format == 32) {
        const auto* values = reinterpret_cast<const unsigned long*>(data);
        ids.assign(values, values + count);
      }
      X.Free(data);
    }
    return ids;
  }

  TWindowId Active() {
    const std::vector<unsigned long> ids = Windows(Root, ActiveWindow);
    return ids.empty() ? 0 : ids.front();
  }

  std::string Text(XWindow window, XAtom property, XAtom wanted) {
    XAtom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::string text;
    if (X.GetWindowProperty(Dpy, window, property, 0, 1024, 0, wanted, &type, &format, &count, &after, &data) == 0 &&
        data) {
      if (format == 8) text.assign(reinterpret_cast<const char*>(data), count);
      X.Free(data);
    }
    return text;
  }

  TXlib X;
  Display* Dpy;
  XWindow Root;
  XAtom ClientList = 0;
  XAtom ActiveWindow = 0;
  XAtom WmName = 0;
  XAtom Utf8 = 0;
};

}  // namespace

std::unique_ptr<TWindowSystem> CreateWindowSystem() {
  const char* display = std::getenv("DISPLAY");
  if (!display || !*display) return std::make_unique<TNoWindows>();
  TXlib xlib;
  if (!xlib.Open()) {
    if (xlib.Handle) ::dlclose(xlib.Handle);
    return std::make_unique<TNoWindows>();
  }
  Display* dpy = xlib.OpenDisplay(display);
  if (!dpy) {
    ::dlclose(xlib.Handle);
    return std::make_unique<TNoWindows>();
  }
  return std::make_unique<TX11Windows>(xlib, dpy);
}

std::unique_ptr<TWindowSystem> NoWindowSystem() {
  return std::make_unique<TNoWindows>();
}

}  // namespace mailmoat
