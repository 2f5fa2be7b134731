#include "win32/code_page.h"

#include <windows.h>

namespace {
constexpr UINT kSimplifiedChinese = 936;
}

std::wstring WideFromCodePage936(std::string_view text) {
  if (text.empty()) return {};
  int length =
      MultiByteToWideChar(kSimplifiedChinese, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(length > 0 ? length : 0, L'\0');
  if (length > 0)
    MultiByteToWideChar(kSimplifiedChinese, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                        length);
  return wide;
}

std::string CodePage936FromWide(std::wstring_view text) {
  if (text.empty()) return {};
  int length = WideCharToMultiByte(kSimplifiedChinese, 0, text.data(), static_cast<int>(text.size()), nullptr,
                                   0, nullptr, nullptr);
  std::string narrow(length > 0 ? length : 0, '\0');
  if (length > 0)
    WideCharToMultiByte(kSimplifiedChinese, 0, text.data(), static_cast<int>(text.size()), narrow.data(),
                        length, nullptr, nullptr);
  return narrow;
}
