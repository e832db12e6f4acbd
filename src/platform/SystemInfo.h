#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace mailmoat {

// Facts about this computer for the configuration dump that support may ask for.
struct TSystemFacts {
  std::string UserName;
  std::string ComputerName;
  std::string CurrentDirectory;

  std::uint32_t ProcessorArchitecture = 0;  // 9 x86-64, 0 x86, 12 ARM64, 5 ARM, 0xFFFF unknown
  std::uint32_t ProcessorLevel = 0;         // the CPU family
  std::uint32_t ProcessorRevision = 0;      // model * 256 + stepping
  std::uint64_t ActiveProcessorMask = 0;
  int NumberOfProcessors = 0;
  std::uint32_t ProcessorType = 0;          // 8664 x86-64, 586 x86, 0 otherwise
  std::uint32_t AllocationGranularity = 0;  // bytes
  std::uint32_t PageSize = 0;               // bytes
  std::vector<std::string> MountPoints;     // file systems holding files, in mount order

  // Kilobytes, as /proc/meminfo gives them.
  int MemoryLoad = 0;  // percent of physical memory in use
  std::uint64_t PhysicalKb = 0;
  std::uint64_t AvailPhysicalKb = 0;
  std::uint64_t SwapTotalKb = 0;
  std::uint64_t SwapAvailKb = 0;
  std::uint64_t VirtualTotalKb = 0;  // the commit limit
  std::uint64_t VirtualAvailKb = 0;
};

// Reads the facts from the usual places (/proc/cpuinfo, /proc/meminfo, /proc/mounts, the
// user database). Never fails: what cannot be read stays empty or 0.
TSystemFacts GatherSystemFacts();

}  // namespace mailmoat
