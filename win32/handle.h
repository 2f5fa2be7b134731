// One RAII owner for every kind of Windows handle: the traits say what an
// empty handle is and how to close one.
#pragma once

#include <windows.h>

#include <utility>

template <typename Traits>
class UniqueHandle {
 public:
  using Type = typename Traits::Type;

  UniqueHandle() = default;
  explicit UniqueHandle(Type handle) : handle_(handle) {}
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    reset(other.release());
    return *this;
  }
  ~UniqueHandle() { reset(); }

  Type get() const { return handle_; }
  explicit operator bool() const { return handle_ != Traits::Empty(); }
  Type release() { return std::exchange(handle_, Traits::Empty()); }
  void reset(Type handle = Traits::Empty()) {
    Type old = std::exchange(handle_, handle);
    if (old != Traits::Empty()) Traits::Close(old);
  }

 private:
  Type handle_ = Traits::Empty();
};

struct KernelHandleTraits {
  using Type = HANDLE;
  static Type Empty() { return nullptr; }
  static void Close(Type handle) { CloseHandle(handle); }
};
struct WindowTraits {
  using Type = HWND;
  static Type Empty() { return nullptr; }
  static void Close(Type handle) { DestroyWindow(handle); }
};
struct GdiObjectTraits {
  using Type = HGDIOBJ;
  static Type Empty() { return nullptr; }
  static void Close(Type handle) { DeleteObject(handle); }
};

using UniqueKernelHandle = UniqueHandle<KernelHandleTraits>;
using UniqueWindow = UniqueHandle<WindowTraits>;
using UniqueGdiObject = UniqueHandle<GdiObjectTraits>;
