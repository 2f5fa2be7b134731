// A system DLL that the window does not need in order to show, loaded from
// the system folder when it is first needed, so that the start does not
// wait for it (nor for the DLLs it loads in turn).
#pragma once

#include <windows.h>

class SystemLibrary {
 public:
  // Loads `fileName` from the system folder only, never from the program's
  // folder or the current one, where another DLL of that name could lie.
  explicit SystemLibrary(const wchar_t* fileName);

  explicit operator bool() const { return module_ != nullptr; }

  // Points `function` at the DLL's function `name`; false if there is none.
  template <typename FunctionPointer>
  bool Find(FunctionPointer& function, const char* name) const {
    function = module_
                   ? reinterpret_cast<FunctionPointer>(reinterpret_cast<void*>(GetProcAddress(module_, name)))
                   : nullptr;
    return function != nullptr;
  }

 private:
  // Not freed: the DLL stays loaded for the rest of the run, as threads of
  // its own (WinINet's, the shell's) may still be running in it.
  HMODULE module_ = nullptr;
};
