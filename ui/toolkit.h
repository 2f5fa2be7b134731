// What the program needs of its window toolkit: the window's lifetime and
// the three control operations (caption, bar position, control message),
// which a refresh hands over together. An interface so that it can be faked;
// the Windows layer holds the real one.
#pragma once

#include <cstdint>
#include <vector>

#include "ui/monitor_window.h"
#include "values/value_ops.h"

// A native window handle as the program stores it.
using NativeHandle = std::uintptr_t;

// The window's two event bindings; both run on the window's thread.
struct MonitorWindowEvents {
  void (*created)();  // once, when the window and its controls exist, before the first tick
  void (*tick)();     // every tick of 时钟1
};

// Control writes in the order in which they are to be carried out; the
// toolkit hands them to the window's thread together.
class ControlWrites {
 public:
  struct Write {
    enum class Kind { kCaption, kBarPosition, kMessage } kind;
    Control control = Control::时钟1;  // kCaption, kBarPosition
    Text text;                         // kCaption
    std::int32_t position = 0;         // kBarPosition
    NativeHandle target = 0;           // kMessage: a message as user32's SendMessageA sends it
    std::uint32_t message = 0;
    std::uintptr_t wParam = 0;
    std::intptr_t lParam = 0;
  };

  // The control shows `text` (code page 936) in place of what it showed.
  void SetCaption(Control control, const Text& text) {
    writes_.push_back({Write::Kind::kCaption, control, text});
  }
  // The bar shows `position` on its range.
  void SetBarPosition(Control bar, std::int32_t position) {
    writes_.push_back({Write::Kind::kBarPosition, bar, {}, position});
  }
  // Sends a message to one of the window's controls; the result is not used.
  void SendMessageA(NativeHandle control, std::uint32_t message, std::uintptr_t wParam,
                    std::intptr_t lParam) {
    writes_.push_back({Write::Kind::kMessage, Control::时钟1, {}, 0, control, message, wParam, lParam});
  }

  const std::vector<Write>& writes() const { return writes_; }

 private:
  std::vector<Write> writes_;
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

  // May be called from any thread: carries the writes out on the window's
  // thread, in their order, and returns when they are done. Does nothing
  // once the window is gone.
  virtual void Apply(const ControlWrites& writes) = 0;
};
