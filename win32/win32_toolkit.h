// The window toolkit on Win32: MonitorWindow built from its description, with
// classic (unthemed) common controls.
#pragma once

#include <windows.h>

#include <array>
#include <optional>
#include <string>

#include "ui/toolkit.h"
#include "win32/handle.h"

class Win32Toolkit final : public Toolkit {
 public:
  bool ShowMonitorWindow(const MonitorWindowEvents& events) override;
  void RunMessageLoop() override;
  NativeHandle GetNativeHandle(Control control) override;
  void Apply(const ControlWrites& writes) override;

  // Borrowed: the window owns itself and is destroyed when the user closes it.
  HWND window() const { return window_; }
  HWND control(Control control) const { return controls_[static_cast<int>(control)]; }

 private:
  struct WorkerWrites;
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT OnCreate(HWND window);
  void OnTimer();
  void OnDestroy();
  LRESULT OnControlColour(HDC dc, HWND control);
  void OnWorkerWrites(const WorkerWrites& request);
  void ShowCaption(HWND control, const std::wstring& text);
  void ShowBarPosition(HWND bar, std::int32_t position);
  void SendControlMessage(const ControlWrites::Write& write);
  void CreateControls();
  void CreateControl(const ControlDescription& description);
  void InvalidateLabelOver(HWND bar);
  // The table's control that `hwnd` is, if it is one of them.
  std::optional<Control> ControlOf(HWND hwnd) const;

  HWND window_ = nullptr;
  std::array<HWND, kControlCount> controls_{};  // owned by window_
  std::array<std::optional<LPARAM>, kControlCount> barColours_{};
  UniqueGdiObject font_;
  MonitorWindowEvents events_{};
};
