#include "platform/Spawn.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace mailmoat {

namespace {

using TSteady = std::chrono::steady_clock;

class TFd {
public:
  TFd() = default;
  explicit TFd(int fd) : Fd(fd) {}
  ~TFd() { Close(); }
  TFd(const TFd&) = delete;
  TFd& operator=(const TFd&) = delete;
  void Close() {
    if (Fd >= 0) ::close(Fd);
    Fd = -1;
  }
  int Fd = -1;
};

bool MakePipe(TFd& read, TFd& write) {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) return false;
  read.Fd = fds[0];
  write.Fd = fds[1];
  return true;
}

std::vector<char*> ArgVector(const std::string& program, const std::vector<std::string>& args) {
  std::vector<char*> argv;
  argv.reserve(args.size() + 2);
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  return argv;
}

std::vector<std::string> MergedEnvironment(const std::vector<std::string>& overrides) {
  std::vector<std::string> env;
  for (char** e = environ; e && *e; ++e) {
    const std::string_view entry(*e);
    const std::string_view name = entry.substr(0, entry.find('='));
    bool replaced = false;
    for (const std::string& o : overrides)
      if (o.compare(0, o.find('='), name) == 0) replaced = true;
    if (!replaced) env.emplace_back(entry);
  }
  env.insert(env.end(), overrides.begin(), overrides.end());
  return env;
}

void Reap(pid_t pid, int& status) {
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
}

}  // namespace

TProcessResult RunProcess(const std::string& program, const std::vector<std::string>& args, int timeoutMs,
                          const std::vector<std::string>& env) {
  TProcessResult result;
  TFd outRead, outWrite, errRead, errWrite;
  if (!MakePipe(outRead, outWrite) || !MakePipe(errRead, errWrite)) {
    result.Error = errno;
    return result;
  }
  posix_spawn_file_actions_t actions;
  ::posix_spawn_file_actions_init(&actions);
  ::posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  ::posix_spawn_file_actions_adddup2(&actions, outWrite.Fd, 1);
  ::posix_spawn_file_actions_adddup2(&actions, errWrite.Fd, 2);
  std::vector<char*> argv = ArgVector(program, args);
  std::vector<std::string> envStrings = MergedEnvironment(env);
  std::vector<char*> envp;
  for (std::string& e : envStrings) envp.push_back(e.data());
  envp.push_back(nullptr);

  posix_spawnattr_t attr;
  ::posix_spawnattr_init(&attr);
  sigset_t defaults;
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGPIPE);
  ::posix_spawnattr_setsigdefault(&attr, &defaults);
  sigset_t none;
  sigemptyset(&none);
  ::posix_spawnattr_setsigmask(&attr, &none);
  ::posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);

  pid_t pid = 0;
  const int rc = ::posix_spawn(&pid, program.c_str(), &actions, &attr, argv.data(), envp.data());
  ::posix_spawn_file_actions_destroy(&actions);
  ::posix_spawnattr_destroy(&attr);
  outWrite.Close();
  errWrite.Close();
  if (rc != 0) {
    result.Error = rc;
    return result;
  }

  const auto deadline = TSteady::now() + std::chrono::milliseconds(timeoutMs);
  bool timedOut = false;
  std::string* sinks[2] = {&result.Out, &result.Err};
  TFd* sources[2] = {&outRead, &errRead};
  while (outRead.Fd >= 0 || errRead.Fd >= 0) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - TSteady::now()).count();
    if (left <= 0) {
      timedOut = true;
      break;
    }
    pollfd fds[2];
    nfds_t n = 0;
    int which[2];
    for (int i = 0; i < 2; ++i) {
      if (sources[i]->Fd < 0) continue;
      fds[n] = {sources[i]->Fd, POLLIN, 0};
      which[n++] = i;
    }
    const int ready = ::poll(fds, n, static_cast<int>(left));
    if (ready < 0 && errno != EINTR) break;
    for (nfds_t k = 0; ready > 0 && k < n; ++k) {
      if (!(fds[k].revents & (POLLIN | POLLHUP | POLLERR))) continue;
      char buffer[4096];
      const ssize_t got = ::read(fds[k].fd, buffer, sizeof buffer);
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) {
        sources[which[k]]->Close();
        continue;
      }
      std::string& sink = *sinks[which[k]];
      // Keep reading past the cap so the program never blocks on a full pipe.
      const size_t room = TProcessResult::MaxCapture - std::min(sink.size(), TProcessResult::MaxCapture);
      sink.append(buffer, std::min(room, static_cast<size_t>(got)));
    }
  }
  // A program may close its output and go on running; it still has to end in time.
  int status = 0;
  while (!timedOut) {
    const pid_t done = ::waitpid(pid, &status, WNOHANG);
    if (done == pid) break;
    if (done < 0 && errno != EINTR) break;
    if (TSteady::now() >= deadline) {
      timedOut = true;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  if (timedOut) {
    ::kill(pid, SIGKILL);
    Reap(pid, status);
    result.End = TProcessResult::TEnd::TimedOut;
    return result;
  }
  if (WIFEXITED(status)) {
    result.End = TProcessResult::TEnd::Exited;
    result.ExitStatus = WEXITSTATUS(status);
  } else {
    result.End = TProcessResult::TEnd::Signalled;
    result.ExitStatus = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
  }
  return result;
}

TStartError StartProcess(const std::string& program, const std::vector<std::string>& args, const std::string& workDir) {
  // Everything the children need is prepared here: after fork only async-signal-safe calls.
  std::vector<char*> argv = ArgVector(program, args);
  TFd reportRead, reportWrite;
  if (!MakePipe(reportRead, reportWrite)) return {errno, false};
  const char* dir = workDir.empty() ? nullptr : workDir.c_str();

  const pid_t child = ::fork();
  if (child < 0) return {errno, false};
  if (child == 0) {
    // The middle child ends at once, so the program is adopted by init and never becomes
    // a zombie of ours.
    const pid_t grandchild = ::fork();
    if (grandchild != 0) {
      int report[2] = {grandchild < 0 ? errno : 0, 0};
      if (grandchild < 0) (void)!::write(reportWrite.Fd, report, sizeof report);
      ::_exit(0);
    }
    ::setsid();
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    // An ignored SIGPIPE would survive exec and surprise the program.
    struct sigaction dfl {};
    dfl.sa_handler = SIG_DFL;
    ::sigaction(SIGPIPE, &dfl, nullptr);
    if (dir && ::chdir(dir) != 0) {
      int report[2] = {errno, 1};
      (void)!::write(reportWrite.Fd, report, sizeof report);
      ::_exit(127);
    }
    ::execve(program.c_str(), argv.data(), environ);
    int report[2] = {errno, 0};
    (void)!::write(reportWrite.Fd, report, sizeof report);
    ::_exit(127);
  }
  reportWrite.Close();
  int status = 0;
  Reap(child, status);
  // The pipe closes without a word when exec succeeds (close-on-exec).
  int report[2] = {0, 0};
  ssize_t got = 0;
  do {
    got = ::read(reportRead.Fd, report, sizeof report);
  } while (got < 0 && errno == EINTR);
  if (got == static_cast<ssize_t>(sizeof report)) return {report[0], report[1] != 0};
  return {};
}

std::vector<std::string> SplitParameters(std::string_view text) {
  std::vector<std::string> args;
  std::string current;
  bool inArg = false;
  bool quoted = false;
  for (const char c : text) {
    if (c == '"') {
      quoted = !quoted;
      inArg = true;
    } else if (!quoted && (c == ' ' || c == '\t')) {
      if (inArg) args.push_back(std::move(current));
      current.clear();
      inArg = false;
    } else {
      current += c;
      inArg = true;
    }
  }
  if (inArg) args.push_back(std::move(current));
  return args;
}

std::string FindProgram(const std::string& name, std::string_view searchPath) {
  auto executable = [](const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
  };
  if (name.empty()) return {};
  if (name.find('/') != std::string::npos) return executable(name) ? name : std::string();
  size_t start = 0;
  while (start <= searchPath.size()) {
    size_t end = searchPath.find(':', start);
    if (end == std::string_view::npos) end = searchPath.size();
    // An empty entry means the current directory. (Built without assigning a literal to a
    // string, which GCC 12 warns about falsely at -O2.)
    std::string candidate(end > start ? searchPath.substr(start, end - start) : std::string_view("."));
    candidate += '/';
    candidate += name;
    if (executable(candidate)) return candidate;
    start = end + 1;
  }
  return {};
}

}  // namespace mailmoat
