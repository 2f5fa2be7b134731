#include "win32/win32_platform.h"

#include <iphlpapi.h>

#include <algorithm>

#include "win32/handle.h"
#include "win32/system_library.h"

namespace {

DWORD WINAPI RunRoutine(LPVOID routine) {
  reinterpret_cast<void (*)()>(routine)();
  return 0;
}

ULONGLONG Ticks(const FILETIME& time) { return (ULONGLONG{time.dwHighDateTime} << 32) | time.dwLowDateTime; }

}  // namespace

bool Win32Threads::StartThread(void (*routine)()) {
  // The thread's handle is closed at once: workers are never joined.
  UniqueKernelHandle thread(
      CreateThread(nullptr, 0, RunRoutine, reinterpret_cast<LPVOID>(routine), 0, nullptr));
  return static_cast<bool>(thread);
}

std::uint32_t Win32IfTable::GetIfTable(std::uint8_t* table, std::uint32_t* size, bool sorted) {
  // The IP helper is first needed by the first refresh, a second after the
  // window shows; loading it then keeps it out of the start-up.
  static const SystemLibrary ipHelper(L"iphlpapi.dll");
  decltype(&::GetIfTable) getIfTable;
  if (!ipHelper.Find(getIfTable, "GetIfTable")) return ERROR_NOT_SUPPORTED;
  ULONG bytes = *size;
  DWORD status = getIfTable(reinterpret_cast<PMIB_IFTABLE>(table), &bytes, sorted);
  *size = bytes;
  return status;
}

std::int32_t Win32SystemFigures::GetCpuUsagePercent() {
  FILETIME idleTime, kernelTime, userTime;
  if (!GetSystemTimes(&idleTime, &kernelTime, &userTime)) return 0;
  ULONGLONG idle = Ticks(idleTime) - lastIdle_;
  // Kernel time includes the idle time.
  ULONGLONG total = Ticks(kernelTime) - lastKernel_ + (Ticks(userTime) - lastUser_);
  lastIdle_ = Ticks(idleTime);
  lastKernel_ = Ticks(kernelTime);
  lastUser_ = Ticks(userTime);
  if (total == 0 || idle > total) return 0;
  return static_cast<std::int32_t>(((total - idle) * 100 + total / 2) / total);
}

std::int32_t Win32SystemFigures::GetMemoryFigure(std::int32_t selector) {
  MEMORYSTATUSEX status{};
  status.dwLength = sizeof status;
  if (!GlobalMemoryStatusEx(&status)) return 0;
  // Megabytes: 32 bits hold 2 PB.
  DWORDLONG bytes = selector == 0 ? status.ullTotalPhys : status.ullAvailPhys;
  return static_cast<std::int32_t>(std::min<DWORDLONG>(bytes >> 20, 0x7FFFFFFF));
}
