// The benchmark's floor: the least a window like Lumivane's can cost. A bare
// window of the same size and style, with a 1 s timer that does nothing, and
// nothing else. With "--worker-per-tick" each tick starts a thread that does
// nothing, as the program starts one per refresh: what that alone costs.
#include <windows.h>

#include <cstring>

#include "ui/monitor_window.h"

namespace {

bool workerPerTick = false;

DWORD WINAPI Nothing(LPVOID) { return 0; }

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_TIMER:
      if (workerPerTick) CloseHandle(CreateThread(nullptr, 0, Nothing, nullptr, 0, nullptr));
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
  workerPerTick = std::strstr(commandLine, "--worker-per-tick") != nullptr;
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = L"LumivaneFloorWindow";
  if (!RegisterClassExW(&windowClass)) return 1;

  constexpr DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
  RECT frame{0, 0, kMonitorWindow.clientWidth, kMonitorWindow.clientHeight};
  AdjustWindowRectEx(&frame, style, FALSE, 0);
  HWND window = CreateWindowExW(0, windowClass.lpszClassName, L"Lumivane floor", style, kMonitorWindow.left,
                                kMonitorWindow.top, frame.right - frame.left, frame.bottom - frame.top,
                                nullptr, nullptr, instance, nullptr);
  if (!window) return 1;
  ShowWindow(window, SW_SHOWNORMAL);
  UpdateWindow(window);
  SetTimer(window, 1, 1000, nullptr);

  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return 0;
}
