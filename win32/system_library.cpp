#include "win32/system_library.h"

#include <string>

SystemLibrary::SystemLibrary(const wchar_t* fileName) {
  wchar_t folder[MAX_PATH];
  const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return;
  std::wstring path(folder, length);
  path += L'\\';
  path += fileName;
  module_ = LoadLibraryW(path.c_str());
}
