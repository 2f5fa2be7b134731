// Shared by the Windows programs that look at Lumivane from another process
// (the end-to-end probes and the benchmark's timer).
#pragma once

#include <windows.h>

#include <cstdio>
#include <string>

inline std::string Utf8(const std::wstring& text) {
  if (text.empty()) return {};
  int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                   nullptr, nullptr);
  std::string out(length, '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), length, nullptr,
                      nullptr);
  return out;
}

// Closes the window as its close button would and waits for its process to
// end; prints how long that took. Fails unless it ended within `timeoutMs`.
inline int CloseAndWait(HWND window, DWORD timeoutMs) {
  DWORD processId = 0;
  GetWindowThreadProcessId(window, &processId);
  HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, processId);
  DWORD start = GetTickCount();
  PostMessageW(window, WM_CLOSE, 0, 0);
  DWORD result = process ? WaitForSingleObject(process, timeoutMs) : WAIT_FAILED;
  std::printf("closed_after_ms=%lu\n", static_cast<unsigned long>(GetTickCount() - start));
  if (process) CloseHandle(process);
  return result == WAIT_OBJECT_0 ? 0 : 1;
}
