// What the program needs of its window toolkit: the window's lifetime and
// the three control operations. An interface so that it can be faked; the
// Windows layer holds the real one.
#pragma once

#include <cstdint>

#include "ui/monitor_window.h"
#include "values/value_ops.h"

// A native window handle as the program stores it.
using NativeHandle = std::uintptr_t;

// The window's two event bindings; both run on the window's thread.
struct MonitorWindowEvents {
  void (*created)();  // once, when the window and its controls exist, before the first tick
  void (*tick)();     // every tick of 时钟1
};

class Toolkit {
 public:
  virtual ~Toolkit() = default;

  // Creates and shows the window from its description; false if it could
  // not be created.
  virtual bool ShowMonitorWindow(const MonitorWindowEvents& events) = 0;
  // Dispatches the window's events on the calling thread until the window
  // has been closed.
  virtual void RunMessageLoop() = 0;

  // On the window's thread: the native handle of the control (for a bar, the
  // native progress bar, which takes PBM_SETBARCOLOR).
  virtual NativeHandle GetNativeHandle(Control control) = 0;

  // These three may be called from any thread; they are carried out on the
  // window's thread, and do nothing once the window is gone.
  // The control shows `text` (code page 936) in place of what it showed.
  virtual void SetCaption(Control control, const Text& text) = 0;
  // The bar shows `position` on its range.
  virtual void SetBarPosition(Control bar, std::int32_t position) = 0;
  // Sends a message to one of the window's controls, as user32's SendMessageA
  // does; the result is not used.
  virtual void SendMessageA(NativeHandle control, std::uint32_t message, std::uintptr_t wParam,
                            std::intptr_t lParam) = 0;
};
