#include "platform/SystemInfo.h"
#include "platform/AsciiText.h"

#include <fstream>
#include <map>
#include <pwd.h>
#include <sched.h>
#include <set>
#include <sstream>
#include <sys/utsname.h>
#include <unistd.h>

namespace mailmoat {

namespace {

// "key : value" lines of the first processor in /proc/cpuinfo.
std::map<std::string, std::string> FirstCpuInfo() {
  std::map<std::string, std::string> info;
  std::ifstream in("/proc/cpuinfo");
  std::string line;
  while (std::getline(in, line)) {
    if (TrimBlanks(line).empty()) break;
    const size_t colon = line.find(':');
    if (colon != std::string::npos)
      info.emplace(TrimBlanks(std::string_view(line).substr(0, colon)),
                   TrimBlanks(std::string_view(line).substr(colon + 1)));
  }
  return info;
}

std::uint64_t Number(const std::string& text) {
  try {
    return std::stoull(text);
  } catch (const std::exception&) {
    return 0;
  }
}

std::map<std::string, std::uint64_t> MemInfoKb() {
  std::map<std::string, std::uint64_t> mem;
  std::ifstream in("/proc/meminfo");
  std::string line;
  while (std::getline(in, line)) {
    const size_t colon = line.find(':');
    if (colon != std::string::npos)
      mem[line.substr(0, colon)] = Number(std::string(TrimBlanks(std::string_view(line).substr(colon + 1))));
  }
  return mem;
}

std::vector<std::string> MountPoints() {
  // Kernel and memory file systems hold no user files; a reader wants the disks.
  static const std::set<std::string> Virtual = {
      "proc",    "sysfs",  "devtmpfs",  "devpts",   "tmpfs",   "cgroup", "cgroup2", "securityfs",  "pstore", "debugfs",
      "tracefs", "mqueue", "hugetlbfs", "configfs", "fusectl", "bpf",    "autofs",  "binfmt_misc", "nsfs",   "overlay"};
  std::vector<std::string> points;
  std::ifstream in("/proc/mounts");
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string device, point, type;
    fields >> device >> point >> type;
    if (!point.empty() && !Virtual.count(type)) points.push_back(point);
  }
  return points;
}

}  // namespace

TSystemFacts GatherSystemFacts() {
  TSystemFacts facts;
  if (const passwd* pw = ::getpwuid(::geteuid()); pw && pw->pw_name) facts.UserName = pw->pw_name;
  char host[256] = {};
  if (::gethostname(host, sizeof host - 1) == 0) facts.ComputerName = host;
  char cwd[4096];
  if (::getcwd(cwd, sizeof cwd)) facts.CurrentDirectory = cwd;

  utsname un{};
  std::string machine;
  if (::uname(&un) == 0) machine = un.machine;
  if (machine == "x86_64") {
    facts.ProcessorArchitecture = 9;
    facts.ProcessorType = 8664;
  } else if (machine.size() == 4 && machine[0] == 'i' && machine.substr(2) == "86") {
    facts.ProcessorArchitecture = 0;
    facts.ProcessorType = 586;
  } else if (machine == "aarch64") {
    facts.ProcessorArchitecture = 12;
  } else if (machine.rfind("arm", 0) == 0) {
    facts.ProcessorArchitecture = 5;
  } else {
    facts.ProcessorArchitecture = 0xFFFF;
  }
  const auto cpu = FirstCpuInfo();
  auto field = [&](const char* name) {
    auto it = cpu.find(name);
    return it == cpu.end() ? std::uint64_t(0) : Number(it->second);
  };
  facts.ProcessorLevel = static_cast<std::uint32_t>(field("cpu family"));
  facts.ProcessorRevision = static_cast<std::uint32_t>(field("model") * 256 + field("stepping"));

  cpu_set_t set;
  CPU_ZERO(&set);
  if (::sched_getaffinity(0, sizeof set, &set) == 0) {
    for (int i = 0; i < 64; ++i) {
      if (CPU_ISSET(i, &set)) facts.ActiveProcessorMask |= std::uint64_t(1) << i;
    }
  }
  facts.NumberOfProcessors = static_cast<int>(::sysconf(_SC_NPROCESSORS_ONLN));
  facts.PageSize = static_cast<std::uint32_t>(::sysconf(_SC_PAGESIZE));
  facts.AllocationGranularity = facts.PageSize;
  facts.MountPoints = MountPoints();

  auto mem = MemInfoKb();
  facts.PhysicalKb = mem["MemTotal"];
  facts.AvailPhysicalKb = mem.count("MemAvailable") ? mem["MemAvailable"] : mem["MemFree"];
  if (facts.PhysicalKb > 0) {
    facts.MemoryLoad = static_cast<int>(100 - facts.AvailPhysicalKb * 100 / facts.PhysicalKb);
  }
  facts.SwapTotalKb = mem["SwapTotal"];
  facts.SwapAvailKb = mem["SwapFree"];
  facts.VirtualTotalKb = mem["CommitLimit"];
  const std::uint64_t committed = mem["Committed_AS"];
  facts.VirtualAvailKb = facts.VirtualTotalKb > committed ? facts.VirtualTotalKb - committed : 0;
  return facts;
}

}  // namespace mailmoat
