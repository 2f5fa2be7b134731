// Shared by the Windows programs that look at Lumivane's windows: the
// end-to-end probes and the benchmark's timer, from another process, and the
// Windows layer's own test.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

inline std::string Utf8(const std::wstring& text) {
  if (text.empty()) return {};
  int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                   nullptr, nullptr);
  std::string out(length, '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), length, nullptr,
                      nullptr);
  return out;
}

// The window's text, asked of the thread that owns it (in whatever process),
// which gives up after 2 s if that thread hangs.
inline std::wstring TextOf(HWND window) {
  DWORD_PTR length = 0;
  SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 2000, &length);
  std::wstring text(length + 1, L'\0');
  DWORD_PTR copied = 0;
  SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                      SMTO_ABORTIFHUNG, 2000, &copied);
  text.resize(std::min<std::size_t>(copied, length));
  return text;
}

inline std::wstring ClassOf(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return name;
}

inline double Milliseconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(to.QuadPart - from.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

// Sends WM_NULL every 50 ms for `durationMs`; prints how many went
// unanswered (within 5 s) and the longest, 99th percentile and median wait,
// and how many took over 20 ms. Fails if any went unanswered.
inline int Ping(HWND window, DWORD durationMs) {
  std::vector<double> waits;
  int unanswered = 0;
  DWORD begin = GetTickCount();
  while (GetTickCount() - begin < durationMs) {
    LARGE_INTEGER start, now;
    QueryPerformanceCounter(&start);
    DWORD_PTR ignored;
    if (!SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &ignored)) ++unanswered;
    QueryPerformanceCounter(&now);
    waits.push_back(Milliseconds(start, now));
    Sleep(50);
  }
  if (waits.empty()) return 1;
  std::sort(waits.begin(), waits.end());
  auto over20 = waits.end() - std::upper_bound(waits.begin(), waits.end(), 20.0);
  std::printf("pings=%zu\nunanswered=%d\nlongest_ms=%.2f\np99_ms=%.2f\nmedian_ms=%.2f\nover_20ms=%td\n",
              waits.size(), unanswered, waits.back(), waits[waits.size() * 99 / 100], waits[waits.size() / 2],
              over20);
  return unanswered == 0 ? 0 : 1;
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
