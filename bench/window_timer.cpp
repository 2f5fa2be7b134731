// Times a window from another process, for the benchmark: the program and
// its floor alike, each found by its title.
//
//   window_timer start TITLE EXE [ARGUMENT]
//                                  starts EXE (with ARGUMENT) and waits for its window TITLE to be
//                                  visible; prints the milliseconds from the start and the process id
//   window_timer ping TITLE MS     sends WM_NULL every 50 ms for MS ms; prints the longest, 99th
//                                  percentile and median wait, and how many took over 20 ms
//   window_timer close TITLE MS    closes the window; fails unless its process ends within MS ms
//
// Output is one "key=value" a line.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tests/window_tools.h"

namespace {

std::wstring Wide(const char* text) {
  int length = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
  std::wstring out(length > 0 ? length - 1 : 0, L'\0');
  if (length > 1) MultiByteToWideChar(CP_UTF8, 0, text, -1, out.data(), length);
  return out;
}

int Start(const std::wstring& title, const std::wstring& exe, const std::wstring& argument) {
  std::wstring commandLine = L"\"" + exe + L"\"";
  if (!argument.empty()) commandLine += L" " + argument;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  LARGE_INTEGER start, now;
  QueryPerformanceCounter(&start);
  if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process)) {
    std::printf("error=cannot start (%lu)\n", GetLastError());
    return 1;
  }
  int status = 1;
  for (;;) {
    HWND window = FindWindowW(nullptr, title.c_str());
    DWORD owner = 0;
    if (window) GetWindowThreadProcessId(window, &owner);
    if (window && owner == process.dwProcessId && IsWindowVisible(window)) {
      QueryPerformanceCounter(&now);
      std::printf("visible_ms=%.1f\npid=%lu\n", Milliseconds(start, now),
                  static_cast<unsigned long>(process.dwProcessId));
      status = 0;
      break;
    }
    if (WaitForSingleObject(process.hProcess, 1) == WAIT_OBJECT_0) {
      std::printf("error=the process ended before its window showed\n");
      break;
    }
    QueryPerformanceCounter(&now);
    if (Milliseconds(start, now) > 30000) {
      std::printf("error=no window within 30 s\n");
      break;
    }
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4 && !(argc == 5 && std::string(argv[1]) == "start")) {
    std::fprintf(stderr, "usage: window_timer start TITLE EXE [ARGUMENT] | ping TITLE MS | close TITLE MS\n");
    return 2;
  }
  std::string command = argv[1];
  std::wstring title = Wide(argv[2]);
  if (command == "start") return Start(title, Wide(argv[3]), argc == 5 ? Wide(argv[4]) : L"");
  HWND window = FindWindowW(nullptr, title.c_str());
  if (!window) {
    std::printf("error=no window titled %s\n", argv[2]);
    return 1;
  }
  DWORD ms = std::strtoul(argv[3], nullptr, 10);
  if (command == "ping") return Ping(window, ms);
  if (command == "close") return CloseAndWait(window, ms);
  return 2;
}
