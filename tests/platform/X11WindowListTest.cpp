// The X11 window list against a real X server (Xvfb), with this test acting as the window
// manager: it publishes the client list and honours activation requests, as a desktop's
// window manager does.
#include "platform/WindowList.h"

#include <gtest/gtest.h>

#ifdef MAILMOAT_TEST_X11
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

namespace mailmoat {
namespace {

// An Xvfb on a display number of its own choosing.
class TXvfb {
public:
  TXvfb() {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return;
    Pid = ::fork();
    if (Pid == 0) {
      ::dup2(fds[1], 3);
      const int devnull = ::open("/dev/null", O_WRONLY);
      ::dup2(devnull, 1);
      ::dup2(devnull, 2);
      ::execlp("Xvfb", "Xvfb", "-displayfd", "3", "-nolisten", "tcp", "-screen", "0", "640x480x24",
               static_cast<char*>(nullptr));
      ::_exit(127);
    }
    ::close(fds[1]);
    char buf[16] = {};
    ssize_t got = 0;
    for (ssize_t n; got < static_cast<ssize_t>(sizeof buf) - 1 && (n = ::read(fds[0], buf + got, 1)) > 0;) {
      if (buf[got] == '\n') break;
      got += n;
    }
    ::close(fds[0]);
    if (got > 0) Display = ":" + std::string(buf, static_cast<size_t>(got));
  }
  ~TXvfb() {
    if (Pid > 0) {
      ::kill(Pid, SIGTERM);
      ::waitpid(Pid, nullptr, 0);
    }
  }
  TXvfb(const TXvfb&) = delete;
  TXvfb& operator=(const TXvfb&) = delete;

  std::string Display;  // empty when Xvfb did not start

private:
  pid_t Pid = -1;
};

// The window manager's part: the client list on the root window, and _NET_ACTIVE_WINDOW
// set for each activation request that arrives.
class TMiniWindowManager {
public:
  explicit TMiniWindowManager(::Display* dpy) : Dpy(dpy), Root(DefaultRootWindow(dpy)) {
    ::XSelectInput(Dpy, Root, SubstructureRedirectMask | SubstructureNotifyMask);
    ::XSync(Dpy, False);
  }

  Window AddWindow(const char* netWmName, const char* wmName) {
    const Window w = ::XCreateSimpleWindow(Dpy, Root, 0, 0, 100, 100, 0, 0, 0);
    if (netWmName != nullptr)
      ::XChangeProperty(Dpy, w, Intern("_NET_WM_NAME"), Intern("UTF8_STRING"), 8, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(netWmName), static_cast<int>(std::strlen(netWmName)));
    if (wmName != nullptr) ::XStoreName(Dpy, w, wmName);
    Clients.push_back(w);
    ::XChangeProperty(Dpy, Root, Intern("_NET_CLIENT_LIST"), XA_WINDOW, 32, PropModeReplace,
                      reinterpret_cast<const unsigned char*>(Clients.data()), static_cast<int>(Clients.size()));
    ::XSync(Dpy, False);
    return w;
  }

  // Handles the events that came in; true when an activation request was honoured.
  bool Serve() {
    bool activated = false;
    while (::XPending(Dpy) > 0) {
      XEvent event;
      ::XNextEvent(Dpy, &event);
      if (event.type == ClientMessage && event.xclient.message_type == Intern("_NET_ACTIVE_WINDOW")) {
        const Window w = event.xclient.window;
        ::XChangeProperty(Dpy, Root, Intern("_NET_ACTIVE_WINDOW"), XA_WINDOW, 32, PropModeReplace,
                          reinterpret_cast<const unsigned char*>(&w), 1);
        ::XSync(Dpy, False);
        activated = true;
      }
    }
    return activated;
  }

private:
  ::Atom Intern(const char* name) { return ::XInternAtom(Dpy, name, False); }

  ::Display* Dpy;
  Window Root;
  std::vector<Window> Clients;
};

TEST(X11WindowSystem, CaptionsComeFromTheClientListAndActivationGoesThroughTheWindowManager) {
  TXvfb xvfb;
  if (xvfb.Display.empty()) GTEST_SKIP() << "Xvfb did not start";
  ::Display* dpy = ::XOpenDisplay(xvfb.Display.c_str());
  ASSERT_NE(dpy, nullptr);
  TMiniWindowManager wm(dpy);
  const Window mail = wm.AddWindow("Inbox - Mailreader \xE2\x80\x94 Joe", "Inbox - mailreader (old name)");
  const Window term = wm.AddWindow(nullptr, "Terminal");
  const Window blank = wm.AddWindow(nullptr, nullptr);

  const char* saved = std::getenv("DISPLAY");
  const std::string savedDisplay = saved != nullptr ? saved : "";
  ::setenv("DISPLAY", xvfb.Display.c_str(), 1);
  auto windows = CreateWindowSystem();
  if (saved != nullptr)
    ::setenv("DISPLAY", savedDisplay.c_str(), 1);
  else
    ::unsetenv("DISPLAY");

  const std::vector<TWindowInfo> list = windows->Snapshot();
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(list[0].Id, mail);
  EXPECT_EQ(list[0].Caption, "Inbox - Mailreader \xE2\x80\x94 Joe");  // the UTF-8 name first
  EXPECT_EQ(list[1].Id, term);
  EXPECT_EQ(list[1].Caption, "Terminal");  // the old name when there is no other
  EXPECT_EQ(list[2].Id, blank);
  EXPECT_EQ(list[2].Caption, "");

  // The request reaches the window manager, which makes the window active.
  std::atomic<bool> served = false;
  std::thread manager([&] {
    for (int i = 0; i < 100 && !served; ++i) {
      if (wm.Serve()) served = true;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  });
  EXPECT_TRUE(windows->BringWindowToFront(mail));
  manager.join();
  EXPECT_TRUE(served);
  EXPECT_TRUE(windows->BringWindowToFront(mail));  // already active: no request needed
  windows->RaiseWindow(term);
  // A window that has gone away is no reason to fail.
  ::XDestroyWindow(dpy, term);
  ::XSync(dpy, False);
  EXPECT_EQ(windows->Snapshot().size(), 3u);
  windows->RaiseWindow(term);
  windows.reset();
  ::XCloseDisplay(dpy);
}

}  // namespace
}  // namespace mailmoat
#endif  // MAILMOAT_TEST_X11
