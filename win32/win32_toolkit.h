// The window toolkit on Win32: MonitorWindow built from its description, with
// classic (unthemed) common controls.
#pragma once

#include <windows.h>

#include <array>

#include "ui/toolkit.h"
#include "win32/handle.h"

class Win32Toolkit final : public Toolkit {
 public:
  bool ShowMonitorWindow(const MonitorWindowEvents& events) override;
  void RunMessageLoop() override;
  NativeHandle GetNativeHandle(Control control) override;
  void SetCaption(Control control, const Text& text) override;
  void SetBarPosition(Control bar, std::int32_t position) override;
  void SendMessageA(NativeHandle control, std::uint32_t message, std::uintptr_t wParam,
                    std::intptr_t lParam) override;

  // Borrowed: the window owns itself and is destroyed when the user closes it.
  HWND window() const { return window_; }
  HWND control(Control control) const { return controls_[static_cast<int>(control)]; }

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT OnCreate(HWND window);
  void OnTimer();
  void OnDestroy();
  LRESULT OnControlColour(HDC dc, HWND control);
  LRESULT OnWorkerRequest(LPARAM request);
  void CreateControls();
  void CreateControl(const ControlDescription& description);
  void InvalidateLabelOver(HWND bar);

  HWND window_ = nullptr;
  std::array<HWND, kControlCount> controls_{};  // owned by window_
  UniqueGdiObject font_;
  MonitorWindowEvents events_{};
};
