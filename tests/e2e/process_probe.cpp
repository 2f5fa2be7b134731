// Measures another process from outside, as a task manager would: its
// threads, its open handles and its private memory.
//
//   process_probe sample PID [SPAN_MS]
//       one sample (see below) over SPAN_MS, default 1000
//   process_probe watch PID EVERY_MS FOR_MS [SPAN_MS]
//       a sample every EVERY_MS for FOR_MS, one line each, until the process
//       ends
//   process_probe windows PID
//       the titles of the process's visible top-level windows, one
//       "window=TITLE" line each (UTF-8)
//
// A sample polls the thread count every 20 ms for SPAN_MS and keeps the
// fewest and the most it saw. A span of at least one refresh interval holds
// a moment between two refreshes, so the fewest are the process's resting
// threads. Handles and memory are then read at such a moment of rest (the
// thread count back at its fewest), so that a refresh in flight, with its
// thread's stack and handles, does not blur them.
//
// Each figure comes two ways, since not every system answers every call for
// another process:
//   handles           GetProcessHandleCount
//   handles_listed    the process's entries in the system's handle table
//   private_bytes     GetProcessMemoryInfo's PrivateUsage
//   private_committed committed private pages, by walking the address space
//                     with VirtualQueryEx
// Output is one line per sample of "key=value" fields; a figure the system
// cannot tell is -1. Exits 1 when the process cannot be opened or has ended.
#include <windows.h>

#include <psapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// The system's table of every open handle (SystemExtendedHandleInformation),
// declared here as the SDK headers leave it out.
struct HandleEntry {
  void* object;
  ULONG_PTR processId;
  ULONG_PTR handleValue;
  ULONG grantedAccess;
  USHORT creatorBackTraceIndex;
  USHORT objectTypeIndex;
  ULONG handleAttributes;
  ULONG reserved;
};
struct HandleTable {
  ULONG_PTR count;
  ULONG_PTR reserved;
  HandleEntry entries[1];
};
constexpr ULONG kSystemExtendedHandleInformation = 64;
constexpr LONG kInfoLengthMismatch = static_cast<LONG>(0xC0000004);
using QuerySystem = LONG(WINAPI*)(ULONG, void*, ULONG, ULONG*);

// Handles of `processId` as the system's handle table lists them, or -1.
long CountListedHandles(DWORD processId) {
  static auto query = reinterpret_cast<QuerySystem>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
  if (!query) return -1;
  static std::vector<unsigned char> buffer(1 << 16);
  LONG status;
  ULONG needed = 0;
  while ((status = query(kSystemExtendedHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()),
                         &needed)) == kInfoLengthMismatch)
    buffer.resize(std::max<std::size_t>(buffer.size() * 2, needed + 4096));
  if (status < 0) return -1;
  const auto* table = reinterpret_cast<const HandleTable*>(buffer.data());
  long count = 0;
  for (ULONG_PTR i = 0; i < table->count; ++i)
    if (table->entries[i].processId == processId) ++count;
  return count;
}

// Bytes of committed private memory in `process`, or -1.
long long SumPrivateCommitted(HANDLE process) {
  long long bytes = 0;
  MEMORY_BASIC_INFORMATION region;
  const char* address = nullptr;
  bool any = false;
  while (VirtualQueryEx(process, address, &region, sizeof region) == sizeof region) {
    any = true;
    if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE)
      bytes += static_cast<long long>(region.RegionSize);
    const char* next = static_cast<const char*>(region.BaseAddress) + region.RegionSize;
    if (next <= address) break;
    address = next;
  }
  return any ? bytes : -1;
}

// Threads of `processId` now, or -1.
long CountThreads(DWORD processId) {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return -1;
  THREADENTRY32 entry{};
  entry.dwSize = sizeof entry;
  long count = 0;
  for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
    if (entry.th32OwnerProcessID == processId) ++count;
  CloseHandle(snapshot);
  return count;
}

struct Sample {
  long threadsLeast = -1;
  long threadsMost = -1;
  long handles = -1;
  long listedHandles = -1;
  long long privateBytes = -1;
  long long privateCommitted = -1;
  long long workingSet = -1;
};

bool Ended(HANDLE process) { return WaitForSingleObject(process, 0) == WAIT_OBJECT_0; }

void ReadHandlesAndMemory(HANDLE process, DWORD processId, Sample& sample) {
  DWORD handles = 0;
  sample.handles = GetProcessHandleCount(process, &handles) ? static_cast<long>(handles) : -1;
  sample.listedHandles = CountListedHandles(processId);
  sample.privateCommitted = SumPrivateCommitted(process);
  PROCESS_MEMORY_COUNTERS_EX memory{};
  memory.cb = sizeof memory;
  if (GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory)) {
    sample.privateBytes = static_cast<long long>(memory.PrivateUsage);
    sample.workingSet = static_cast<long long>(memory.WorkingSetSize);
  }
}

// False once the process has ended.
bool TakeSample(HANDLE process, DWORD processId, DWORD spanMs, Sample& sample) {
  DWORD start = GetTickCount();
  do {
    long threads = CountThreads(processId);
    if (Ended(process)) return false;
    if (threads >= 0) {
      if (sample.threadsLeast < 0 || threads < sample.threadsLeast) sample.threadsLeast = threads;
      sample.threadsMost = std::max(sample.threadsMost, threads);
    }
    Sleep(20);
  } while (GetTickCount() - start < spanMs);

  // At rest: the thread count at its fewest before and after the reading.
  // Should no such moment come within another span, the last reading stands.
  start = GetTickCount();
  do {
    if (CountThreads(processId) == sample.threadsLeast) {
      ReadHandlesAndMemory(process, processId, sample);
      if (CountThreads(processId) == sample.threadsLeast) break;
    }
    Sleep(20);
  } while (GetTickCount() - start < spanMs);
  if (sample.listedHandles < 0 && sample.handles < 0) ReadHandlesAndMemory(process, processId, sample);
  return !Ended(process);
}

void Print(const Sample& s, DWORD atMs) {
  std::printf(
      "t_ms=%lu threads_least=%ld threads_most=%ld handles=%ld handles_listed=%ld private_bytes=%lld "
      "private_committed=%lld working_set=%lld\n",
      static_cast<unsigned long>(atMs), s.threadsLeast, s.threadsMost, s.handles, s.listedHandles,
      s.privateBytes, s.privateCommitted, s.workingSet);
  std::fflush(stdout);
}

int ListWindows(DWORD processId) {
  EnumWindows(
      [](HWND window, LPARAM wanted) -> BOOL {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner != static_cast<DWORD>(wanted) || !IsWindowVisible(window)) return TRUE;
        wchar_t title[256] = {};
        GetWindowTextW(window, title, 256);
        char utf8[1024] = {};
        WideCharToMultiByte(CP_UTF8, 0, title, -1, utf8, sizeof utf8, nullptr, nullptr);
        std::printf("window=%s\n", utf8);
        return TRUE;
      },
      static_cast<LPARAM>(processId));
  return 0;
}

DWORD Number(const char* text) { return std::strtoul(text, nullptr, 10); }

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "windows") == 0) return ListWindows(Number(argv[2]));
  bool sample = argc >= 3 && argc <= 4 && std::strcmp(argv[1], "sample") == 0;
  bool watch = argc >= 5 && argc <= 6 && std::strcmp(argv[1], "watch") == 0;
  if (!sample && !watch) {
    std::fprintf(
        stderr,
        "usage: process_probe sample PID [SPAN_MS] | watch PID EVERY_MS FOR_MS [SPAN_MS] | windows PID\n");
    return 2;
  }
  DWORD processId = Number(argv[2]);
  HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ | SYNCHRONIZE, FALSE, processId);
  if (!process) {
    std::printf("error=cannot open process %lu (%lu)\n", static_cast<unsigned long>(processId),
                GetLastError());
    return 1;
  }

  int spanArgument = sample ? 3 : 5;
  DWORD spanMs = argc > spanArgument ? Number(argv[spanArgument]) : 1000;
  DWORD everyMs = watch ? Number(argv[3]) : 0;
  DWORD forMs = watch ? Number(argv[4]) : 0;
  DWORD begin = GetTickCount();
  int status = 0;
  for (DWORD next = 0;; next += everyMs) {
    while (GetTickCount() - begin < next) Sleep(10);
    DWORD at = GetTickCount() - begin;
    Sample s;
    if (!TakeSample(process, processId, spanMs, s)) {
      std::printf("error=process %lu ended\n", static_cast<unsigned long>(processId));
      status = 1;
      break;
    }
    Print(s, at);
    if (sample || next + everyMs > forMs) break;
  }
  CloseHandle(process);
  return status;
}
